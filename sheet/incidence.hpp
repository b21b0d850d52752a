// Which element forces meet in each gradient entry, for forming every entry as its own sum on
// any thread: the free components' incidence on the elements, in ascending element order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace sheet {

struct mesh;

// For free entry k (0-based, g(k + 1)): component[k] is the (node, direction) component,
// 3 (node - 1) + direction - 1, whose negated load starts the sum, and terms[first[k]] ..
// terms[first[k + 1] - 1] are the positions 9 e + 3 l + j of the forces that are added to it,
// e the element's position (0 = the first element), l its corner, j the direction, in
// ascending e and then l: the order in which one thread adds them element after element.
struct incidence {
    std::vector<std::int32_t> component;
    std::vector<std::int64_t> first;
    std::vector<std::int32_t> terms;
};

incidence incidence_of(const mesh& m);

// What a parallel evaluation keeps between calls: the incidence and the store of every
// element's energy and forces. A copy of a mesh starts with none.
struct evaluation_store {
    const void* dof_map = nullptr;  // the arrays and counts it was built for
    const void* elements = nullptr;
    std::size_t element_count = 0;
    std::int32_t free_count = 0;
    incidence links;
    std::vector<double> energy;  // per element
    std::vector<double> forces;  // nine per element, as in incidence::terms
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

    // The store for m, built on first use and again when m's arrays or counts have changed.
    evaluation_store& for_mesh(const mesh& m);

private:
    std::unique_ptr<evaluation_store> store_;
};

}  // namespace sheet
