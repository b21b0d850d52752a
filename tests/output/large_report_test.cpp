// The final state and element table of a sheet large enough for the worker pool to share its
// rows: lines, extremes and reactions exactly as a row-by-row writer would give them.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "sheet/assembly/element_rows.hpp"
#include "sheet/model/loading.hpp"
#include "sheet/output/format.hpp"
#include "sheet/output/report.hpp"
#include "support/program_run.hpp"

namespace {

using namespace testing_support;

TEST(large_report, rows_shared_by_two_threads_come_out_in_element_order) {
    const std::int32_t nodes = 2001, elements = 20000;
    sheet::model m;
    m.problem.mesh.node_count = nodes;
    m.problem.mesh.node_x = terms::real_vector(1, nodes);
    m.problem.mesh.node_y = terms::real_vector(1, nodes);
    m.problem.mesh.node_z = terms::real_vector(1, nodes);
    m.problem.mesh.elements = terms::array1<sheet::triangle>(1, elements);
    for (std::int32_t e = 1; e <= elements; ++e) {
        sheet::triangle& t = m.problem.mesh.elements(e);
        t.node[0] = 1 + e % nodes, t.node[1] = 1 + (e * 7) % nodes,
        t.node[2] = 1 + (e * 13) % nodes;
    }
    m.numbering.dof_map = terms::index_matrix(1, nodes, 1, 3);
    m.problem.supports.prescribed = terms::real_matrix(1, nodes, 1, 3);
    m.problem.loads = terms::real_matrix(1, nodes, 1, 3);
    for (std::int32_t i = 1; i <= nodes; ++i)
        for (std::int32_t j = 1; j <= 3; ++j) m.numbering.dof_map(i, j) = 1;  // all prescribed
    m.numbering.free_count = 0;
    m.results.tolerance = 1.0E-9;

    // A row that depends on e alone, with forces whose sums depend on the order of addition.
    const auto row_of = [](std::int32_t e, sheet::element_forces& forces) {
        for (int l = 0; l < 3; ++l)
            for (int j = 0; j < 3; ++j) forces.row[l][j] = std::sin(e * 0.37 + l + 3 * j) * 1e-3;
        const double s = std::cos(e * 0.011);
        return sheet::element_row{0.5 + 1e-6 * e, {s + 1.0, s - 1.0 + 1e-9 * e}, 0.0, {}};
    };

    scratch_dir dir;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    sheet::model written = std::move(m);
    written.results.reactions = terms::real_matrix(1, nodes, 1, 3);
    for (double& f : written.results.reactions.all()) f = -0.0;
    written.results.rows =
        sheet::element_rows(written.problem.mesh, row_of, written.results.reactions);
    written.results.displacements = sheet::displacements_at(
        written.problem, written.numbering, written.unknowns.x, sheet::load_state{});
    sheet::output(written, true);
    std::filesystem::current_path(previous);
    const std::string text = read_file(dir.path() / "output.txt");

    // The same table and reactions, row by row.
    std::string expected;
    double sigma_max = -1.0E+20, sigma_min = 1.0E+20;
    terms::real_matrix loads(1, nodes, 1, 3);
    for (std::int32_t e = 1; e <= elements; ++e) {
        sheet::element_forces forces;
        const sheet::element_row row = row_of(e, forces);
        if (row.stress.sigma1 > sigma_max) sigma_max = row.stress.sigma1;
        if (row.stress.sigma2 < sigma_min) sigma_min = row.stress.sigma2;
        sheet::put_integer(expected, e, 5);
        for (const double value : {row.thickness, row.stress.sigma1, row.stress.sigma2}) {
            expected.append(5, ' ');
            sheet::put_real(expected, value, 6);
        }
        expected += "\r\n";
        const sheet::triangle& r = written.problem.mesh.elements(e);
        for (int l = 0; l < 3; ++l)
            for (std::int32_t j = 1; j <= 3; ++j)
                loads(r.node[l], j) = loads(r.node[l], j) + forces.row[l][j - 1];
    }
    expected += std::string(59, '-') + "\r\nMax/Min" + std::string(21, ' ');
    sheet::put_real(expected, sigma_max, 6);
    expected.append(5, ' ');
    sheet::put_real(expected, sigma_min, 6);
    expected += "\r\n";
    const std::size_t table = text.find("    1     ", text.find(" Elem"));
    ASSERT_NE(table, std::string::npos);
    EXPECT_TRUE(text.substr(table, expected.size()) == expected) << "the element table differs";
    for (std::int32_t i = 1; i <= nodes; ++i)
        for (std::int32_t j = 1; j <= 3; ++j)
            ASSERT_EQ(written.results.reactions(i, j), loads(i, j)) << i << " " << j;
}

}  // namespace
