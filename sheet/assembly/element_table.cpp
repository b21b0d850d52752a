// The element columns, the runs of gradient entries with the elements that reach them, and the
// store that keeps them.
#include "sheet/assembly/element_table.hpp"

#include <algorithm>

#include "sheet/failure.hpp"
#include "sheet/model/model.hpp"

namespace sheet {

element_columns element_columns_of(const mesh& m) {
    const auto dof = m.dof_map.all();
    const auto records = m.elements.view(m.elements.first(), m.elements.last());
    const std::size_t count = records.size();
    if (count > static_cast<std::size_t>(INT32_MAX / 9))
        throw failure("the model has more elements than the element columns can number");
    element_columns table;
    table.stride = count + element_columns::padding;
    table.geometry.resize(10 * table.stride);
    table.sources.resize(9 * table.stride);
    table.nodes.resize(3 * table.stride);
    for (std::size_t at = 0; at < table.stride; ++at) {
        if (count == 0) break;
        const std::size_t e = std::min(at, count - 1);  // the padding repeats the last element
        const element& r = records[e];
        const double quantities[10] = {r.area2,     r.a_a,       r.a_b,       r.b_b,
                                       r.edge_a[0], r.edge_a[1], r.edge_a[2], r.edge_b[0],
                                       r.edge_b[1], r.edge_b[2]};
        for (int q = 0; q < 10; ++q) table.geometry[q * table.stride + at] = quantities[q];
        for (int l = 0; l < 3; ++l)
            for (int j = 0; j < 3; ++j) {
                const auto c = static_cast<std::int32_t>((r.node[l] - 1) * 3 + j);
                const std::int32_t k = dof[static_cast<std::size_t>(c)];
                table.sources[(3 * l + j) * table.stride + at] = k <= m.free_count ? k - 1 : ~c;
            }
        for (int l = 0; l < 3; ++l) {
            const auto source = [&](int j) {
                return table.sources[(3 * l + j) * table.stride + at];
            };
            const bool together =
                source(0) >= 0 && source(1) == source(0) + 1 && source(2) == source(0) + 2;
            table.nodes[l * table.stride + at] = together ? source(0) : -1;
        }
    }
    return table;
}

std::vector<entry_run> entry_runs(const mesh& m, const element_columns& table, std::size_t width,
                                  std::size_t rounds) {
    const std::size_t elements = m.elements.size();
    const auto entries = static_cast<std::size_t>(m.free_count);
    const std::size_t count = width * rounds;
    std::vector<entry_run> runs(count);
    std::vector<std::size_t> first(count, elements), last(count, 0);
    // Run r weighs 2^(rounds - 1 - r / width); the cuts follow the summed weights.
    std::vector<std::size_t> before(count + 1, 0);
    for (std::size_t r = 0; r < count; ++r)
        before[r + 1] = before[r] + (std::size_t{1} << (rounds - 1 - r / width));
    for (std::size_t r = 0; r < count; ++r) {
        runs[r].entry_begin = static_cast<std::int32_t>(entries * before[r] / before[count]);
        runs[r].entry_end = static_cast<std::int32_t>(entries * before[r + 1] / before[count]);
    }
    for (std::size_t e = 0; e < elements; ++e)
        for (int i = 0; i < 9; ++i) {
            const std::int32_t k = table.source(i)[e];
            if (k < 0) continue;
            // The run holding entry k: the last whose first entry is at most k.
            const auto r = static_cast<std::size_t>(
                std::upper_bound(
                    runs.begin(), runs.end(), k,
                    [](std::int32_t key, const entry_run& run) { return key < run.entry_begin; }) -
                runs.begin() - 1);
            first[r] = std::min(first[r], e);
            last[r] = std::max(last[r], e + 1);
        }
    // The owned ranges are cut at each run's first element (a run that no element reaches
    // moves no cut); the last run owns to the end.
    std::size_t cut = 0;
    for (std::size_t r = 0; r < count; ++r) {
        runs[r].own_begin = cut;
        if (r + 1 == count)
            cut = elements;
        else if (first[r + 1] < elements)
            cut = std::max(cut, first[r + 1]);
        runs[r].own_end = cut;
        runs[r].begin = std::min(runs[r].own_begin, first[r]);
        runs[r].end = std::max(runs[r].own_end, last[r]);
    }
    return runs;
}

std::size_t evaluated_elements(const std::vector<entry_run>& runs) {
    std::size_t sum = 0;
    for (const entry_run& run : runs) sum += run.end - run.begin;
    return sum;
}

void evaluation_store::share(const mesh& m, int threads) {
    if (runs_for == threads) return;
    const auto t = static_cast<std::size_t>(threads);
    for (const std::size_t rounds : {4, 2, 1}) {
        runs = entry_runs(m, table, t, rounds);
        if (evaluated_elements(runs) <= element_count + element_count / 8) break;
    }
    runs_for = threads;
    energy.resize(element_count);
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
        store->table = element_columns_of(m);
        store->component.assign(static_cast<std::size_t>(m.free_count), 0);
        for (std::size_t c = 0; c < dof.size(); ++c)
            if (dof[c] <= m.free_count)
                store->component[static_cast<std::size_t>(dof[c] - 1)] =
                    static_cast<std::int32_t>(c);
        store_ = std::move(store);
    }
    return *store_;
}

}  // namespace sheet
