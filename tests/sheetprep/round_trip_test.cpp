// What sheetprep writes, the solvers read back unchanged: every real as the same double, and the
// whole of input.txt as the model that was prepared.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "dorvan/program.hpp"
#include "melvar/program.hpp"
#include "sheetprep/gmsh_mesh.hpp"
#include "sheetprep/input_writer.hpp"
#include "sheetprep/preparation.hpp"
#include "sheetprep/real_text.hpp"
#include "sheetprep_run.hpp"

namespace {

using namespace sheetprep;
using limits = std::numeric_limits<double>;

TEST(real_text, reads_back_as_the_same_double) {
    for (const double value :
         {0.0, -0.0, 0.1, 1.0 / 3.0, -2.0 / 3.0, 1e-05, 1e+20, 1.5e300, limits::min(),
          limits::denorm_min(), limits::max(), -limits::epsilon(), std::nextafter(1.0, 2.0)}) {
        const std::string text = real_text(value);
        sheet::scanner in("input.txt", text + "\n");
        const double back = in.read_real({"a value"});
        EXPECT_EQ(std::signbit(back), std::signbit(value)) << text;
        EXPECT_EQ(back, value) << text;
    }
}

template <typename model_type>
void expect_read_as_prepared(const model_type& m, const sheet_input& in) {
    EXPECT_EQ(m.problem.settings.search_factor, in.solver.search_factor);
    EXPECT_EQ(m.problem.settings.reference_force, in.solver.reference_force);
    EXPECT_EQ(m.problem.settings.max_iterations, in.solver.max_iterations);
    EXPECT_EQ(m.problem.thickness, in.thickness);
    ASSERT_EQ(m.problem.mesh.node_count, static_cast<std::int32_t>(in.sheet->nodes.size()));
    for (std::int32_t k = 1; k <= m.problem.mesh.node_count; ++k)
        EXPECT_EQ(
            (point{m.problem.mesh.node_x(k), m.problem.mesh.node_y(k), m.problem.mesh.node_z(k)}),
            in.sheet->nodes[k - 1]);
    ASSERT_EQ(m.problem.mesh.elements.size(),
              static_cast<std::int64_t>(in.sheet->triangles.size()));
    for (std::int32_t e = 1; e <= static_cast<std::int32_t>(m.problem.mesh.elements.size()); ++e)
        for (int l = 0; l < 3; ++l)
            EXPECT_EQ(m.problem.mesh.elements(e).node[l], in.sheet->triangles[e - 1][l] + 1);
    // Every prescribed or loaded component the solver holds is one that was written, and the
    // same double.
    std::size_t supports = 0, loads = 0;
    for (std::int32_t i = 1; i <= m.problem.mesh.node_count; ++i)
        for (std::int32_t j = 1; j <= 3; ++j)
            supports += m.problem.supports.held(i, j) ? 1 : 0,
                loads += m.problem.loads(i, j) != 0.0;
    EXPECT_EQ(supports, in.supports.size());
    EXPECT_EQ(loads, in.loads.size());
    for (const component_value& s : in.supports)
        EXPECT_EQ(m.problem.supports.prescribed(s.node + 1, s.direction + 1), s.value);
    for (const component_value& l : in.loads)
        EXPECT_EQ(m.problem.loads(l.node + 1, l.direction + 1), l.value);
}

struct law_case {
    const char* program;
    const char* law;  // the [sheet] lines after the thickness
    std::int32_t material;
    std::vector<double> constants;
};

void PrintTo(const law_case& c, std::ostream* out) {
    *out << c.program << "_material_" << c.material;
}

class written_input : public ::testing::TestWithParam<law_case> {};

TEST_P(written_input, is_read_by_the_solver_as_prepared) {
    const law_case& c = GetParam();
    testing_support::scratch_dir dir;
    testing_support::write_file(
        dir.path() / "problem.toml",
        "program = \"" + std::string(c.program) + "\"\nmesh = \"" +
            sheetprep_testing::data_file("dome.geo") +
            "\"\ntitle = \"Dome\"\n[settings]\nsearch_factor = 0.85\nreference_force = 1e-05\n"
            "[sheet]\nthickness = 0.3\n" +
            c.law +
            "\n[[support]]\ngroup = \"rim\"\nx = 0\ny = 0.1\nz = -0.0\n[[load]]\ngroup = "
            "\"dome\"\npressure = 0.01\n[[load]]\ngroup = \"rim\"\nline_load = [0.1, 0.2, 0.3]\n");
    const problem p = read_problem((dir.path() / "problem.toml").string());
    const mesh sheet = read_mesh(p.mesh, p.mesh_size);
    const sheet_input in = prepare(p, sheet);
    const std::string text = input_text(in);
    EXPECT_EQ(text.rfind("Dome\n# made by sheetprep from the mesh ", 0), 0u) << text.substr(0, 99);

    sheet::scanner reader("input.txt", text);
    std::vector<double> constants;
    if (std::string(c.program) == "dorvan") {
        dorvan::model m;
        dorvan::program::input(m, reader);
        expect_read_as_prepared(m, in);
        EXPECT_EQ((static_cast<int>(m.law.index()) + 1), c.material);
        if (const auto* neo = std::get_if<dorvan::neo_hookean>(&m.law))
            constants = {neo->shear, neo->bulk};
        if (const auto* mooney = std::get_if<dorvan::mooney_rivlin>(&m.law))
            constants = {mooney->c10, mooney->c01, mooney->bulk};
    } else {
        melvar::model m;
        melvar::program::input(m, reader);
        expect_read_as_prepared(m, in);
        EXPECT_EQ((static_cast<int>(m.law.index()) + 1), c.material);
        if (const auto* neo = std::get_if<melvar::neo_hookean>(&m.law)) constants = {neo->shear};
        if (const auto* mooney = std::get_if<melvar::mooney_rivlin>(&m.law))
            constants = {mooney->c10, mooney->c01};
        if (const auto* boyce = std::get_if<melvar::arruda_boyce>(&m.law))
            constants = {boyce->shear, boyce->lock};
    }
    EXPECT_EQ(constants, c.constants);
}

INSTANTIATE_TEST_SUITE_P(
    laws, written_input,
    ::testing::Values(
        law_case{"dorvan", "law = \"neo-hookean\"\nshear = 0.1\nbulk = 33.3", 1, {0.1, 33.3}},
        law_case{"dorvan",
                 "law = \"mooney-rivlin\"\nc10 = 0.4\nc01 = 0.1\nbulk = 1e3",
                 2,
                 {0.4, 0.1, 1e3}},
        law_case{"melvar", "law = \"neo-hookean\"\nshear = 7", 1, {7.0}},
        law_case{"melvar", "law = \"mooney-rivlin\"\nc10 = 0.4\nc01 = 1e-7", 2, {0.4, 1e-7}},
        law_case{"melvar",
                 "law = \"arruda-boyce\"\nshear = 0.3\nlocking_stretch = 2.2",
                 3,
                 {0.3, 2.2}}));

// Follower pressures summed per triangle, written as the pressures section the solvers read,
// beside a dead pressure's loads; the dome held only at 0 normal to its equator's plane, which
// closes it. The summary gives the hemisphere's area and volume, up to the mesh.
TEST(written_input, holds_the_follower_pressures_and_its_summary_their_region) {
    testing_support::scratch_dir dir;
    const std::string follower = "\n[[load]]\ngroup = \"dome\"\nfollower = true\npressure = ";
    testing_support::write_file(
        dir.path() / "problem.toml",
        "program = \"melvar\"\nmesh = \"" + sheetprep_testing::data_file("dome.geo") +
            "\"\n[sheet]\nthickness = 0.3\nlaw = \"neo-hookean\"\nshear = 1\n[[support]]\n"
            "group = \"rim\"\nz = 0\n[[load]]\ngroup = \"dome\"\npressure = 0.5" +
            follower + "0.01" + follower + "0.02\n");
    const auto run = sheetprep_testing::run_sheetprep({"problem.toml"}, dir.path());
    ASSERT_EQ(run.exit_status, 0) << run.err;
    sheet::scanner reader("input.txt", testing_support::read_file(dir.path() / "input.txt"));
    melvar::model m;
    melvar::program::input(m, reader);
    ASSERT_EQ(m.problem.pressures.size(), m.problem.mesh.elements.size());
    for (std::size_t t = 0; t < m.problem.pressures.size(); ++t) {
        EXPECT_EQ(m.problem.pressures[t].element, static_cast<std::int32_t>(t) + 1);
        EXPECT_EQ(m.problem.pressures[t].value, 0.01 + 0.02);
    }
    std::size_t triangles = 0;
    double area = 0.0, volume = 0.0;
    ASSERT_EQ(std::sscanf(run.out.substr(run.out.find("follower pressure")).c_str(),
                          "follower pressure %zu triangles, area %lf, enclosed volume %lf",
                          &triangles, &area, &volume),
              3);
    EXPECT_EQ(triangles, m.problem.pressures.size());
    EXPECT_NEAR(area / (2.0 * M_PI * 4.0), 1.0, 0.02);
    EXPECT_NEAR(volume / (2.0 / 3.0 * M_PI * 8.0), 1.0, 0.04);
}

// The [sheet] key membrane: "tension-field" ends the text with the membrane section, which the
// solvers read as the law relaxed; "exact" writes the same text as no key.
TEST(written_input, holds_the_membrane_model) {
    testing_support::scratch_dir dir;  // one problem file path, which the text names
    const auto text_of = [&dir](const std::string& key) {
        testing_support::write_file(
            dir.path() / "problem.toml",
            "program = \"dorvan\"\nmesh = \"" + sheetprep_testing::data_file("dome.geo") +
                "\"\n[sheet]\nthickness = 0.3\nlaw = \"neo-hookean\"\nshear = 1\nbulk = 5\n" + key +
                "[[support]]\ngroup = \"rim\"\nz = 0\n");
        const problem p = read_problem((dir.path() / "problem.toml").string());
        return input_text(prepare(p, read_mesh(p.mesh, p.mesh_size)));
    };
    const std::string plain = text_of(""), relaxed = text_of("membrane = \"tension-field\"\n");
    EXPECT_EQ(text_of("membrane = \"exact\"\n"), plain);
    EXPECT_EQ(relaxed, plain + ": membrane  model\ntension-field\n");
    sheet::scanner reader("input.txt", relaxed);
    dorvan::model m;
    dorvan::program::input(m, reader);
    EXPECT_TRUE(std::holds_alternative<sheet::relaxed<dorvan::neo_hookean>>(m.law));
}

}  // namespace
