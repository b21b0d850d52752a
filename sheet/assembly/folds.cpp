// The triangles' normals, initial and current, their edge neighbours by their edges bucketed by
// node, and which of the neighbours each has turned over against.
#include "sheet/assembly/folds.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "sheet/assembly/worker_pool.hpp"
#include "sheet/mechanics/triangle.hpp"

namespace sheet {

namespace {

// The normal (N2 - N1) x (N3 - N1) of triangle t at the positions position(i, j).
template <class Position>
std::array<double, 3> normal_of(const triangle& t, Position&& position) {
    double p[3][3];
    for (int l = 0; l < 3; ++l)
        for (int j = 0; j < 3; ++j) p[l][j] = position(t.node[l], j + 1);
    const double a[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
    const double b[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
    double n[3];
    cross(a, b, n);
    return {n[0], n[1], n[2]};
}

double dot_of(const std::array<double, 3>& a, const std::array<double, 3>& b) {
    return (a[0] * b[0] + a[1] * b[1]) + a[2] * b[2];
}

// Triangles whose normals one task makes.
constexpr std::size_t normal_block = 4096;

// An edge of a triangle by its nodes, the lower first.
struct edge {
    std::int32_t low, high;
    std::uint32_t element;  // the triangle's place in element order
};

// edges stably ordered by key(edge) in [0, range): a counting sort.
template <class Key>
std::vector<edge> counted(const std::vector<edge>& edges, std::size_t range, Key&& key) {
    std::vector<std::size_t> start(range + 1, 0);
    for (const edge& e : edges) ++start[key(e) + 1];
    for (std::size_t b = 1; b <= range; ++b) start[b] += start[b - 1];
    std::vector<edge> out(edges.size());
    for (const edge& e : edges) out[start[key(e)]++] = e;
    return out;
}

// Every triangle's three edges, ascending by their lower node, then their higher, then the
// triangle: taken in triangle order, then stably counted by the higher node and by the lower.
std::vector<edge> edges_in_order(const mesh& mesh) {
    const std::size_t count = mesh.elements.size();
    std::vector<edge> edges;
    edges.reserve(3 * count);
    std::int32_t lowest = 0, highest = 0;
    for (std::size_t at = 0; at < count; ++at) {
        const triangle& t = mesh.elements(mesh.elements.first() + static_cast<std::int32_t>(at));
        for (int l = 0; l < 3; ++l) {
            const std::int32_t a = t.node[l], b = t.node[(l + 1) % 3];
            edges.push_back({std::min(a, b), std::max(a, b), static_cast<std::uint32_t>(at)});
            lowest = at == 0 && l == 0 ? edges.back().low : std::min(lowest, edges.back().low);
            highest = std::max(highest, edges.back().high);
        }
    }
    const auto range = static_cast<std::size_t>(std::int64_t{highest} - lowest) + 1;
    edges = counted(edges, range, [&](const edge& e) { return std::size_t(e.high - lowest); });
    return counted(edges, range, [&](const edge& e) { return std::size_t(e.low - lowest); });
}

}  // namespace

std::vector<std::uint8_t> folded_triangles(const mesh& mesh,
                                           const terms::real_matrix& displacements) {
    const std::size_t count = mesh.elements.size();
    const std::int32_t first = mesh.elements.first();
    const auto initial = [&](std::int32_t i, std::int32_t j) {
        return j == 1 ? mesh.node_x(i) : j == 2 ? mesh.node_y(i) : mesh.node_z(i);
    };
    const auto current = [&](std::int32_t i, std::int32_t j) {
        return initial(i, j) + displacements(i, j);
    };
    // Each triangle's normals, initial and current, made once (each triangle's on any thread:
    // nothing is summed across triangles).
    std::vector<std::array<double, 3>> initial_normal(count), current_normal(count);
    const std::size_t blocks = (count + normal_block - 1) / normal_block;
    run_tasks_if(count >= threads_from && worker_count() > 1, blocks, [&](std::size_t b) {
        for (std::size_t at = b * normal_block; at < std::min(count, (b + 1) * normal_block);
             ++at) {
            const triangle& t = mesh.elements(first + static_cast<std::int32_t>(at));
            initial_normal[at] = normal_of(t, initial);
            current_normal[at] = normal_of(t, current);
        }
    });
    const auto before = [&](std::uint32_t at) -> const std::array<double, 3>& {
        return initial_normal[at];
    };
    const auto after = [&](std::uint32_t at) -> const std::array<double, 3>& {
        return current_normal[at];
    };
    std::vector<edge> edges = edges_in_order(mesh);
    // The pairs that share an edge, each with whether it has turned over against the other: the
    // links of triangle e are links[start[e]] .. links[start[e + 1] - 1], each the other
    // triangle with the top bit set when the pair has turned over.
    constexpr std::uint32_t over_bit = 0x80000000u;
    const auto each_pair = [&](auto&& visit) {
        for (std::size_t k = 0; k < edges.size();) {
            std::size_t end = k + 1;
            while (end < edges.size() && edges[end].low == edges[k].low &&
                   edges[end].high == edges[k].high)
                ++end;
            for (std::size_t i = k; i < end; ++i)
                for (std::size_t j = i + 1; j < end; ++j) visit(edges[i].element, edges[j].element);
            k = end;
        }
    };
    std::vector<std::uint32_t> start(count + 1, 0);
    each_pair([&](std::uint32_t e, std::uint32_t f) { ++start[e + 1], ++start[f + 1]; });
    for (std::size_t at = 0; at < count; ++at) start[at + 1] += start[at];
    std::vector<std::uint32_t> links(start[count]);
    {
        std::vector<std::uint32_t> filled(start.begin(), start.end() - 1);
        each_pair([&](std::uint32_t e, std::uint32_t f) {
            const auto ne = after(e), nf = after(f);
            const double now = dot_of(ne, nf);
            const double then = dot_of(before(e), before(f));
            const bool over = (now < 0.0) != (then < 0.0) && now != 0.0 && then != 0.0;
            links[filled[e]++] = f | (over ? over_bit : 0u);
            links[filled[f]++] = e | (over ? over_bit : 0u);
        });
    }
    edges = std::vector<edge>();
    // The patches: the triangles joined by pairs that have not turned over, which share a side.
    // A crease that ends inside the sheet (a sharp bend the mesh has made, where the sheet goes
    // on beside it without turning) has its two triangles in one patch.
    std::vector<std::uint32_t> patch(count, UINT32_MAX);
    std::vector<std::uint32_t> walk;
    for (std::size_t seed = 0; seed < count; ++seed) {
        if (patch[seed] != UINT32_MAX) continue;
        walk.assign(1, static_cast<std::uint32_t>(seed));
        patch[seed] = static_cast<std::uint32_t>(seed);
        for (std::size_t k = 0; k < walk.size(); ++k)
            for (std::uint32_t l = start[walk[k]]; l < start[walk[k] + 1]; ++l) {
                const std::uint32_t other = links[l] & ~over_bit;
                if ((links[l] & over_bit) == 0 && patch[other] == UINT32_MAX) {
                    patch[other] = static_cast<std::uint32_t>(seed);
                    walk.push_back(other);
                }
            }
    }
    // Each connected piece of the sheet, walked from its lowest triangle: a patch's side is its
    // neighbour's, changed across the pairs that have turned over. The side of more current
    // area (on a tie, the one whose normals agree more with their initial ones) is upright; the
    // other has folded. A piece of one triangle is upright when its normal agrees with its
    // initial one.
    std::vector<std::uint8_t> out(count, 0);
    std::vector<std::int8_t> side(count, -1);   // by the patch's first triangle
    std::vector<std::uint8_t> taken(count, 0);  // into its piece
    std::vector<std::uint32_t> piece;
    const auto area_of = [&](std::uint32_t e) {
        const auto now = after(e);
        return std::sqrt(dot_of(now, now));
    };
    for (std::size_t seed = 0; seed < count; ++seed) {
        if (side[patch[seed]] >= 0) continue;
        piece.assign(1, static_cast<std::uint32_t>(seed));
        side[patch[seed]] = 0;
        taken[seed] = 1;
        for (std::size_t k = 0; k < piece.size(); ++k)
            for (std::uint32_t l = start[piece[k]]; l < start[piece[k] + 1]; ++l) {
                const std::uint32_t other = links[l] & ~over_bit;
                if (side[patch[other]] < 0)
                    side[patch[other]] = static_cast<std::int8_t>(side[patch[piece[k]]] ^
                                                                  ((links[l] & over_bit) ? 1 : 0));
                if (!taken[other]) {
                    taken[other] = 1;
                    piece.push_back(other);
                }
            }
        double area[2] = {0.0, 0.0}, agreement[2] = {0.0, 0.0};
        for (const std::uint32_t e : piece) {
            const int at = side[patch[e]];
            area[at] = area[at] + area_of(e);
            agreement[at] = agreement[at] + dot_of(after(e), before(e));
        }
        const double tie = 1e-9 * (area[0] + area[1]);  // areas equal but for rounding
        int upright = area[0] > area[1] + tie        ? 0
                      : area[1] > area[0] + tie      ? 1
                      : agreement[0] >= agreement[1] ? 0
                                                     : 1;
        if (piece.size() == 1) upright = agreement[0] < 0.0 ? 1 : 0;
        for (const std::uint32_t e : piece) out[e] = side[patch[e]] != upright;
    }
    // Within a patch (one side), of a pair turned over against each other the triangle of less
    // current area has folded (on a tie, the one whose normal agrees less with its initial one;
    // then the later): the crease is a fold of the mesh, whatever the sheet does around it.
    for (std::uint32_t e = 0; e < count; ++e)
        for (std::uint32_t l = start[e]; l < start[e + 1]; ++l) {
            const std::uint32_t f = links[l] & ~over_bit;
            if ((links[l] & over_bit) == 0 || f < e || patch[e] != patch[f]) continue;
            const double ae = area_of(e), af = area_of(f);
            const double tie = 1e-9 * (ae + af);
            const bool e_folds = ae + tie < af ? true
                                 : af + tie < ae
                                     ? false
                                     : dot_of(after(e), before(e)) < dot_of(after(f), before(f));
            out[e_folds ? e : f] = 1;
        }
    return out;
}

}  // namespace sheet
