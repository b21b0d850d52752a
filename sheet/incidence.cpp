// The incidence of the free components on the elements, and the store that uses it.
#include "sheet/incidence.hpp"

#include "sheet/failure.hpp"
#include "sheet/mesh.hpp"

namespace sheet {

incidence incidence_of(const mesh& m) {
    const auto dof = m.dof_map.all();
    const auto records = m.elements.view(m.elements.first(), m.elements.last());
    const std::int32_t free_count = m.free_count;
    if (records.size() > static_cast<std::size_t>(INT32_MAX / 9))
        throw failure("the model has more elements than the force store can number");
    incidence links;
    links.component.assign(static_cast<std::size_t>(free_count), 0);
    for (std::size_t c = 0; c < dof.size(); ++c)
        if (dof[c] <= free_count) links.component[dof[c] - 1] = static_cast<std::int32_t>(c);
    // Count the terms of each entry, then place them element after element.
    links.first.assign(static_cast<std::size_t>(free_count) + 1, 0);
    for (const element& r : records)
        for (int l = 0; l < 3; ++l)
            for (int j = 0; j < 3; ++j) {
                const std::int32_t k = dof[static_cast<std::size_t>(r.node[l] - 1) * 3 + j];
                if (k <= free_count) ++links.first[k];
            }
    for (std::size_t k = 1; k < links.first.size(); ++k) links.first[k] += links.first[k - 1];
    links.terms.resize(static_cast<std::size_t>(links.first.back()));
    std::vector<std::int64_t> next(links.first.begin(), links.first.end() - 1);
    for (std::size_t e = 0; e < records.size(); ++e)
        for (int l = 0; l < 3; ++l)
            for (int j = 0; j < 3; ++j) {
                const std::int32_t k =
                    dof[static_cast<std::size_t>(records[e].node[l] - 1) * 3 + j];
                if (k <= free_count)
                    links.terms[next[k - 1]++] = static_cast<std::int32_t>(9 * e + 3 * l + j);
            }
    return links;
}

evaluation_store& evaluation_slot::for_mesh(const mesh& m) {
    const auto dof = m.dof_map.all();
    const auto records = m.elements.view(m.elements.first(), m.elements.last());
    if (!store_ || store_->dof_map != dof.data() || store_->elements != records.data() ||
        store_->element_count != records.size() || store_->free_count != m.free_count) {
        store_.reset();  // the old store's memory goes before the new one is made
        auto store = std::make_unique<evaluation_store>();
        store->dof_map = dof.data();
        store->elements = records.data();
        store->element_count = records.size();
        store->free_count = m.free_count;
        store->links = incidence_of(m);
        store->energy.resize(records.size());
        store->forces.resize(9 * records.size());
        store_ = std::move(store);
    }
    return *store_;
}

}  // namespace sheet
