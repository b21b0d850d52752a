// Where each element finds its geometry and corner displacements, and which elements meet each run
// of gradient entries: the plan by which several threads assemble the gradient, each entry on one
// thread as its own sum in ascending element order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "sheet/assembly/block_io.hpp"
#include "sheet/assembly/ordered_chain.hpp"
#include "sheet/model/model.hpp"

namespace sheet {

// The element columns of the started model m: its elements' geometry and corner sources.
element_columns element_columns_of(const model& m);

// A run of gradient entries, [entry_begin, entry_end) 0-based, with the elements that reach
// it: every element with a corner component among these entries lies in [begin, end). The
// elements in [own_begin, own_end) are those whose energy (and dorvan's thickness slope) this
// run reports; the owned ranges of all runs cut [0, element count) in order.
struct entry_run {
    std::int32_t entry_begin = 0, entry_end = 0;
    std::size_t begin = 0, end = 0;
    std::size_t own_begin = 0, own_end = 0;
};

// The free entries cut into rounds x width runs, in rounds of width runs of equal size, each
// round's runs half the size of the round's before: threads that take runs in order finish
// within a small run of one another.
std::vector<entry_run> entry_runs(const element_columns& table, std::size_t elements,
                                  std::int32_t free_count, std::size_t width, std::size_t rounds);

// The evaluations of elements that runs cost: the sum of their element ranges.
std::size_t evaluated_elements(const std::vector<entry_run>& runs);

// What the objective works by, made once for the started model and passed to every
// evaluation: the element columns and, once it has run on several threads, the runs it shares
// out, with every element's energy and every free entry's (node, direction) component.
class assembly_plan {
public:
    // The plan for m, whose elements and numbering must not change while the plan is in use.
    explicit assembly_plan(const model& m);

    const element_columns& table() const { return table_; }
    std::size_t element_count() const { return element_count_; }
    std::int32_t free_count() const { return free_count_; }
    // 3 (node - 1) + direction - 1 of free entry k, ascending with k.
    const std::vector<std::int32_t>& component() const { return component_; }

    // Cuts the runs for threads threads, with room for the energies, unless they are there: in
    // as many rounds as possible up to four while the threads evaluate no more than an eighth
    // more elements than there are.
    void share(int threads);
    const std::vector<entry_run>& runs() const { return runs_; }
    std::vector<double>& energy() { return energy_; }  // per element, for the runs
    ordered_chain& chain() { return *chain_; }         // the runs' sums, taken up in order

private:
    element_columns table_;
    std::size_t element_count_ = 0;
    std::int32_t free_count_ = 0;
    std::vector<std::int32_t> component_;
    int runs_for_ = 0;  // the number of threads the runs were cut for
    std::vector<entry_run> runs_;
    std::vector<double> energy_;
    std::unique_ptr<ordered_chain> chain_ = std::make_unique<ordered_chain>();
};

}  // namespace sheet
