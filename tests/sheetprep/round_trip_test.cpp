// What sheetprep writes, the solvers read back unchanged: every real as the same double, and the
// whole of input.txt as the model that was prepared.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "dorvan/model.hpp"
#include "melvar/model.hpp"
#include "sheet/scanner.hpp"
#include "sheetprep/gmsh_mesh.hpp"
#include "sheetprep/input_writer.hpp"
#include "sheetprep/preparation.hpp"
#include "sheetprep/real_text.hpp"
#include "sheetprep_run.hpp"

namespace {

using namespace sheetprep;

TEST(real_text, reads_back_as_the_same_double) {
    const double values[] = {0.0,
                             -0.0,
                             0.1,
                             1.0 / 3.0,
                             -2.0 / 3.0,
                             1e-05,
                             1e+20,
                             123456789012345678.0,
                             std::numeric_limits<double>::min(),
                             std::numeric_limits<double>::denorm_min(),
                             std::numeric_limits<double>::max(),
                             -std::numeric_limits<double>::epsilon(),
                             std::nextafter(1.0, 2.0)};
    for (const double value : values) {
        const std::string text = real_text(value);
        sheet::scanner in("input.txt", text + "\n");
        const double back = in.read_real({"a value"});
        EXPECT_EQ(std::signbit(back), std::signbit(value)) << text;
        EXPECT_EQ(back, value) << text;
        EXPECT_LE(text.size(), 24u) << text;
    }
}

struct round_trip_case {
    const char* name;
    const char* program;
    const char* law;  // the [sheet] lines after the thickness
    std::int32_t material;
    std::vector<double> constants;  // as the program holds them
};

class written_input : public ::testing::TestWithParam<round_trip_case> {};

template <typename model_type>
void expect_same_model(const model_type& m, const sheet_input& in) {
    const mesh& sheet = *in.sheet;
    EXPECT_EQ(m.search_factor, in.solver.search_factor);
    EXPECT_EQ(m.search_limit, in.solver.search_limit);
    EXPECT_EQ(m.tolerance_factor, in.solver.tolerance_factor);
    EXPECT_EQ(m.reference_force, in.solver.reference_force);
    EXPECT_EQ(m.max_iterations, in.solver.max_iterations);
    EXPECT_EQ(m.memory_size, in.solver.memory_size);
    EXPECT_EQ(m.thickness, in.thickness);
    ASSERT_EQ(m.node_count, static_cast<std::int32_t>(sheet.nodes.size()));
    for (std::int32_t k = 1; k <= m.node_count; ++k) {
        EXPECT_EQ(m.node_x(k), sheet.nodes[k - 1][0]);
        EXPECT_EQ(m.node_y(k), sheet.nodes[k - 1][1]);
        EXPECT_EQ(m.node_z(k), sheet.nodes[k - 1][2]);
    }
    ASSERT_EQ(m.elements.size(), static_cast<std::int64_t>(sheet.triangles.size()));
    for (std::int32_t e = 1; e <= static_cast<std::int32_t>(sheet.triangles.size()); ++e)
        for (int l = 0; l < 3; ++l) EXPECT_EQ(m.elements(e).node[l], sheet.triangles[e - 1][l] + 1);
    std::int32_t marked = 0;
    for (std::int32_t i = 1; i <= m.node_count; ++i)
        for (std::int32_t j = 1; j <= 3; ++j) marked += m.dof_map(i, j);
    EXPECT_EQ(marked, static_cast<std::int32_t>(in.supports.size()));
    for (const component_value& s : in.supports) {
        EXPECT_EQ(m.dof_map(s.node + 1, s.direction + 1), 1);
        EXPECT_EQ(m.prescribed(s.node + 1, s.direction + 1), s.value);
    }
    double loads_read = 0.0, loads_written = 0.0;
    for (std::int32_t i = 1; i <= m.node_count; ++i)
        for (std::int32_t j = 1; j <= 3; ++j) loads_read += std::abs(m.loads(i, j));
    for (const component_value& l : in.loads) {
        EXPECT_EQ(m.loads(l.node + 1, l.direction + 1), l.value);
        loads_written += std::abs(l.value);
    }
    EXPECT_EQ(loads_read, loads_written);
}

TEST_P(written_input, is_read_by_the_solver_as_prepared) {
    const round_trip_case& c = GetParam();
    testing_support::scratch_dir dir;
    testing_support::write_file(
        dir.path() / "problem.toml",
        std::string("program = \"") + c.program + "\"\nmesh = \"" +
            sheetprep_testing::data_file("dome.geo") +
            "\"\ntitle = \"Dome\"\n[settings]\nsearch_factor = 0.85\nreference_force = 1e-05\n"
            "[sheet]\nthickness = 0.3\n" +
            c.law +
            "\n[[support]]\ngroup = \"rim\"\nx = 0\ny = 0.1\nz = -0.0\n"
            "[[load]]\ngroup = \"dome\"\npressure = 0.01\n"
            "[[load]]\ngroup = \"rim\"\nline_load = [0.1, 0.2, 0.3]\n");
    const problem p = read_problem((dir.path() / "problem.toml").string());
    const mesh sheet = read_mesh(p.mesh, p.mesh_size);
    const sheet_input in = prepare(p, sheet);
    const std::string text = input_text(in);
    EXPECT_EQ(text.rfind("Dome\n# made by sheetprep from the mesh ", 0), 0u) << text.substr(0, 200);

    sheet::scanner reader("input.txt", text);
    if (std::string(c.program) == "dorvan") {
        dorvan::model m;
        dorvan::input(m, reader);
        expect_same_model(m, in);
        EXPECT_EQ(m.material, c.material);
        const double read[] = {c.material == 1 ? m.neo_shear : m.mooney_c10,
                               c.material == 1 ? m.neo_bulk : m.mooney_c01, m.mooney_bulk};
        for (std::size_t i = 0; i < c.constants.size(); ++i) EXPECT_EQ(read[i], c.constants[i]);
    } else {
        melvar::model m;
        melvar::input(m, reader);
        expect_same_model(m, in);
        EXPECT_EQ(m.material, c.material);
        const double read[] = {c.material == 1   ? m.neo_shear
                               : c.material == 2 ? m.mooney_c10
                                                 : m.boyce_shear,
                               c.material == 2 ? m.mooney_c01 : m.boyce_lock};
        for (std::size_t i = 0; i < c.constants.size(); ++i) EXPECT_EQ(read[i], c.constants[i]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    laws, written_input,
    ::testing::Values(
        round_trip_case{"dorvan_neo_hookean",
                        "dorvan",
                        "law = \"neo-hookean\"\nshear = 0.1\nbulk = 33.3",
                        1,
                        {0.1, 33.3}},
        round_trip_case{"dorvan_mooney_rivlin",
                        "dorvan",
                        "law = \"mooney-rivlin\"\nc10 = 0.4\nc01 = 0.1\nbulk = 1e3",
                        2,
                        {0.4, 0.1, 1000.0}},
        round_trip_case{
            "melvar_neo_hookean", "melvar", "law = \"neo-hookean\"\nshear = 7", 1, {7.0}},
        round_trip_case{"melvar_mooney_rivlin",
                        "melvar",
                        "law = \"mooney-rivlin\"\nc10 = 0.4\nc01 = 1e-7",
                        2,
                        {0.4, 1e-7}},
        round_trip_case{"melvar_arruda_boyce",
                        "melvar",
                        "law = \"arruda-boyce\"\nshear = 0.3\nlocking_stretch = 2.2",
                        3,
                        {0.3, 2.2}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
