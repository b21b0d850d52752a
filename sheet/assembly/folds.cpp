// The triangles' normals, initial and current, their edge neighbours by a sort of the edges, and
// the count of the neighbours each has turned over against.
#include "sheet/assembly/folds.hpp"

#include <algorithm>
#include <array>
#include <cmath>

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
    std::vector<std::array<double, 3>> before(count), after(count);
    struct edge {
        std::int32_t low, high;
        std::uint32_t element;
        bool operator<(const edge& o) const {
            return low != o.low     ? low < o.low
                   : high != o.high ? high < o.high
                                    : element < o.element;
        }
    };
    std::vector<edge> edges;
    edges.reserve(3 * count);
    for (std::size_t at = 0; at < count; ++at) {
        const triangle& t = mesh.elements(first + static_cast<std::int32_t>(at));
        before[at] = normal_of(t, initial);
        after[at] = normal_of(t, current);
        for (int l = 0; l < 3; ++l) {
            const std::int32_t a = t.node[l], b = t.node[(l + 1) % 3];
            edges.push_back({std::min(a, b), std::max(a, b), static_cast<std::uint32_t>(at)});
        }
    }
    std::sort(edges.begin(), edges.end());
    // The pairs that share an edge, each with whether it has turned over against the other.
    struct link {
        std::uint32_t other;
        bool over;
    };
    std::vector<std::vector<link>> links(count);
    for (std::size_t k = 0; k < edges.size();) {
        std::size_t end = k + 1;
        while (end < edges.size() && edges[end].low == edges[k].low &&
               edges[end].high == edges[k].high)
            ++end;
        for (std::size_t i = k; i < end; ++i)
            for (std::size_t j = i + 1; j < end; ++j) {
                const std::uint32_t e = edges[i].element, f = edges[j].element;
                const double now = dot_of(after[e], after[f]);
                const double then = dot_of(before[e], before[f]);
                const bool over = (now < 0.0) != (then < 0.0) && now != 0.0 && then != 0.0;
                links[e].push_back({f, over});
                links[f].push_back({e, over});
            }
        k = end;
    }
    // Each connected piece of the sheet, walked from its lowest triangle: a triangle's side is
    // its neighbour's, changed where the pair has turned over. The side of more current area
    // (on a tie, the one whose normals agree more with their initial ones) is upright; the
    // other has folded. A piece of one triangle is upright when its normal agrees with its
    // initial one.
    std::vector<std::uint8_t> out(count, 0);
    std::vector<std::int8_t> side(count, -1);
    std::vector<std::uint32_t> piece;
    for (std::size_t seed = 0; seed < count; ++seed) {
        if (side[seed] >= 0) continue;
        piece.assign(1, static_cast<std::uint32_t>(seed));
        side[seed] = 0;
        for (std::size_t k = 0; k < piece.size(); ++k)
            for (const link& l : links[piece[k]])
                if (side[l.other] < 0) {
                    side[l.other] = static_cast<std::int8_t>(side[piece[k]] ^ (l.over ? 1 : 0));
                    piece.push_back(l.other);
                }
        double area[2] = {0.0, 0.0}, agreement[2] = {0.0, 0.0};
        for (const std::uint32_t e : piece) {
            area[side[e]] = area[side[e]] + std::sqrt(dot_of(after[e], after[e]));
            agreement[side[e]] = agreement[side[e]] + dot_of(after[e], before[e]);
        }
        const double tie = 1e-9 * (area[0] + area[1]);  // areas equal but for rounding
        int upright = area[0] > area[1] + tie        ? 0
                      : area[1] > area[0] + tie      ? 1
                      : agreement[0] >= agreement[1] ? 0
                                                     : 1;
        if (piece.size() == 1) upright = agreement[0] < 0.0 ? 1 : 0;
        for (const std::uint32_t e : piece) out[e] = side[e] != upright;
    }
    return out;
}

}  // namespace sheet
