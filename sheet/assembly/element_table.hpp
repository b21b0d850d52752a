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

namespace sheet {

struct mesh;

// The element columns of m: its elements' geometry and corner sources.
element_columns element_columns_of(const mesh& m);

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
std::vector<entry_run> entry_runs(const mesh& m, const element_columns& table, std::size_t width,
                                  std::size_t rounds);

// The evaluations of elements that runs cost: the sum of their element ranges.
std::size_t evaluated_elements(const std::vector<entry_run>& runs);

// What the objective keeps between calls: the element columns and, once it has run
// on several threads, the runs it shares out with every element's energy and every free
// entry's (node, direction) component.
struct evaluation_store {
    const void* dof_map = nullptr;  // the arrays and counts it was built for
    const void* elements = nullptr;
    std::size_t element_count = 0;
    std::int32_t free_count = 0;
    element_columns table;
    int runs_for = 0;  // the number of threads the runs were cut for
    std::vector<entry_run> runs;
    std::vector<std::int32_t> component;  // 3 (node - 1) + direction - 1 of free entry k
    std::vector<double> energy;           // per element
    ordered_chain chain;                  // the runs' sums, taken up in order

    // Cuts the runs for threads threads, with the energies, unless they are there: in as many
    // rounds as possible up to four while the threads evaluate no more than an eighth more
    // elements than there are.
    void share(const mesh& m, int threads);
};

class evaluation_slot {
public:
    evaluation_slot() = default;
    evaluation_slot(const evaluation_slot&) {}
    evaluation_slot& operator=(const evaluation_slot&) {
        store_.reset();
        return *this;
    }
    evaluation_slot(evaluation_slot&&) = default;
    evaluation_slot& operator=(evaluation_slot&&) = default;

    // The store for m, its element columns built on first use and again when m's arrays or
    // counts have changed. The elements and supports must not change in place after that.
    evaluation_store& for_mesh(const mesh& m);

private:
    std::unique_ptr<evaluation_store> store_;
};

}  // namespace sheet
