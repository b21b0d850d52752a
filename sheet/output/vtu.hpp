// The solved sheet as a VTK XML unstructured grid (.vtu) for ParaView: the initial mesh with the
// report's results as point, cell and field data, in full precision as raw appended binary.
#pragma once

#include <string>
#include <vector>

#include "sheet/model/model.hpp"
#include "sheet/output/report.hpp"

namespace sheet {

// What the .vtu shows beyond the solved mesh, gathered around the report.
struct vtu_results {
    std::vector<double> applied;    // the loads as read, (i, j) at 3 (i - 1) + j - 1
    std::vector<element_row> rows;  // every element's row of the report, in element order
    bool optimal = false;           // the minimiser's stopping test was met
};

// The loads of m as read: to be kept before the report turns them into out-of-balance forces.
std::vector<double> applied_loads(const mesh& m);

// Writes name after the report has been written (m.loads then holds the out-of-balance forces):
//   points: the initial coordinates; cells: the triangles in element order;
//   point data: displacement, load (as read), reaction (the out-of-balance force of each
//     prescribed component, 0 for free ones), fixed (1 for a prescribed component);
//   cell data: element (its number), sigma1, sigma2, von_mises, thickness (current);
//   field data: iterations, energy, optimal.
// Fails with "cannot create <name>: <reason>" as the other writers do.
void vtu(const std::string& name, const mesh& m, const vtu_results& results);

// The run's last stage: report(kept) writes output.txt, handing its element rows to kept when
// that is not null; then the .vtu is written when name is not empty.
template <class Report>
void output_and_vtu(mesh& m, const std::string& name, bool optimal, Report&& report) {
    if (name.empty()) {
        report(nullptr);
        return;
    }
    // The report turns the loads into out-of-balance forces: keep them as read.
    vtu_results kept{applied_loads(m), {}, optimal};
    report(&kept.rows);
    vtu(name, m, kept);
}

}  // namespace sheet
