// The checks that a run's results are numbers before they are written.
#include "sheet/output/finite.hpp"

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace sheet {

namespace {

const char* const axis[] = {"X", "Y", "Z"};

std::string of_node(const char* what, std::int32_t i, std::int32_t j) {
    return std::string(what) + " of node " + std::to_string(i) + " in " + axis[j - 1];
}

std::string of_element(const char* what, std::size_t at, std::int32_t first) {
    return std::string(what) + " of element " +
           std::to_string(first + static_cast<std::int64_t>(at));
}

}  // namespace

failure not_finite(const std::string& what, double value) {
    return failure("the solution is not finite: " + what + " is " +
                   (std::isnan(value) ? "NaN" : "infinite") +
                   "; check input.txt for a thickness or material constant of 0, a node that no "
                   "element holds, or loads or displacements beyond what the sheet can carry");
}

void require_finite_solution(const model& m) {
    for (std::int32_t i = 1; i <= m.problem.mesh.node_count; ++i)
        for (std::int32_t j = 1; j <= 3; ++j)
            if (const double u = displacement(m, i, j); !std::isfinite(u))
                throw not_finite(of_node("the displacement", i, j), u);
    const numbering& n = m.numbering;
    for (std::int32_t k = n.free_count + 1; k <= n.unknown_count; ++k)
        if (const double t = m.unknowns.x(k); !std::isfinite(t))
            throw not_finite(
                "the thickness variable of element " + std::to_string(k - n.free_count), t);
    if (!std::isfinite(m.results.energy))
        throw not_finite("the total potential energy", m.results.energy);
}

void require_finite_report(const model& m, bool thickness_column) {
    require_finite_solution(m);
    if (!std::isfinite(m.results.tolerance))
        throw not_finite("the stopping tolerance", m.results.tolerance);
    const std::int32_t first = m.problem.mesh.elements.first();
    for (std::size_t at = 0; at < m.results.rows.size(); ++at) {
        const element_row& row = m.results.rows[at];
        if (thickness_column && !std::isfinite(row.thickness))
            throw not_finite(of_element("the thickness", at, first), row.thickness);
        if (!std::isfinite(row.stress.sigma1))
            throw not_finite(of_element("sigma1", at, first), row.stress.sigma1);
        if (!std::isfinite(row.stress.sigma2))
            throw not_finite(of_element("sigma2", at, first), row.stress.sigma2);
    }
    for (std::int32_t i = 1; i <= m.problem.mesh.node_count; ++i)
        for (std::int32_t j = 1; j <= 3; ++j)
            if (is_prescribed(m, i, j) && !std::isfinite(m.results.reactions(i, j)))
                throw not_finite(of_node("the reaction", i, j), m.results.reactions(i, j));
}

}  // namespace sheet
