// The element columns, the runs of gradient entries with the elements that reach them, and the
// plan that keeps them.
#include "sheet/assembly/assembly_plan.hpp"

#include <algorithm>

#include "sheet/failure.hpp"

namespace sheet {

element_columns element_columns_of(const model& m) {
    const auto dof = m.numbering.dof_map.all();
    const auto corners = m.problem.mesh.elements.view(m.problem.mesh.elements.first(),
                                                      m.problem.mesh.elements.last());
    const auto records = m.geometry.view(m.geometry.first(), m.geometry.last());
    const std::size_t count = records.size();
    if (corners.size() != count)
        throw failure("the model's geometry does not match its elements: start has not made it");
    const std::int32_t free_count = m.numbering.free_count;
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
        const element_geometry& r = records[e];
        const double quantities[10] = {r.area2,     r.a_a,       r.a_b,       r.b_b,
                                       r.edge_a[0], r.edge_a[1], r.edge_a[2], r.edge_b[0],
                                       r.edge_b[1], r.edge_b[2]};
        for (int q = 0; q < 10; ++q) table.geometry[q * table.stride + at] = quantities[q];
        for (int l = 0; l < 3; ++l)
            for (int j = 0; j < 3; ++j) {
                const auto c = static_cast<std::int32_t>((corners[e].node[l] - 1) * 3 + j);
                const std::int32_t k = dof[static_cast<std::size_t>(c)];
                table.sources[(3 * l + j) * table.stride + at] = k <= free_count ? k - 1 : ~c;
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

std::vector<entry_run> entry_runs(const element_columns& table, std::size_t elements,
                                  std::int32_t free_count, std::size_t width, std::size_t rounds) {
    const auto entries = static_cast<std::size_t>(free_count);
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

assembly_plan::assembly_plan(const model& m)
    : table_(element_columns_of(m)),
      element_count_(m.problem.mesh.elements.size()),
      free_count_(m.numbering.free_count),
      component_(static_cast<std::size_t>(m.numbering.free_count), 0) {
    const auto dof = m.numbering.dof_map.all();
    for (std::size_t c = 0; c < dof.size(); ++c)
        if (dof[c] <= free_count_)
            component_[static_cast<std::size_t>(dof[c] - 1)] = static_cast<std::int32_t>(c);
}

void assembly_plan::share(int threads) {
    if (runs_for_ == threads) return;
    const auto t = static_cast<std::size_t>(threads);
    for (const std::size_t rounds : {4, 2, 1}) {
        runs_ = entry_runs(table_, element_count_, free_count_, t, rounds);
        if (evaluated_elements(runs_) <= element_count_ + element_count_ / 8) break;
    }
    runs_for_ = threads;
    energy_.resize(element_count_);
}

}  // namespace sheet
