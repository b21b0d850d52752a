// Homogeneous stretches solved by the minimiser in-process, for the three laws, against the
// closed-form incompressible solution: sigma = 2 w1 (lambda^2 - lambda3^2) + 4 w2 (lambda^4 -
// lambda3^4) for each in-plane principal stretch lambda, and the reactions it implies.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "melvar/kinematics.hpp"
#include "melvar/program.hpp"
#include "melvar/sheet_models.hpp"
#include "nlp/minimiser.hpp"
#include "sheet/run/minimise.hpp"
#include "support/objectives.hpp"
#include "support/program_run.hpp"

namespace {

using namespace melvar_testing;
using testing_support::read_file;
using testing_support::scratch_dir;

void set_law(melvar::model& m, int law) {
    if (law == 1) neo_hookean(m, 1.0);
    if (law == 2) mooney_rivlin(m, 0.4, 0.1);
    if (law == 3) arruda_boyce(m, 0.9, 2.0);
}

// Runs the limited-memory BFGS minimiser from the started model's x, as the program does.
nlp::minimiser_result solve(melvar::model& m) {
    auto objective = [&m](std::int32_t n, const terms::real_vector& x, terms::real_vector& g) {
        return testing_support::melvar_objective(m, n, x, g);
    };
    nlp::minimiser<decltype(objective)> minimiser(objective);
    const nlp::minimiser_result result = minimiser.lbfgs(
        sheet::lbfgs_settings_of(m), m.numbering.unknown_count, m.unknowns.x, m.unknowns.gradient);
    m.results.minor = result.minor;
    m.results.energy = result.energy;
    return result;
}

// What the report shows: the two stresses of every element and the reactions of every
// reported node (0.0 where a direction is left blank).
struct report {
    std::vector<std::array<double, 2>> stresses;
    std::map<int, std::array<double, 3>> reactions;
};

report written_report(melvar::model& m) {
    scratch_dir dir;
    {
        working_dir here(dir.path());
        melvar::program::find_final_state(m);
        melvar::program::output(m);
    }
    const std::vector<std::string> lines = crlf_lines(read_file(dir.path() / "output.txt"));
    report out;
    std::size_t at = 0;
    while (at < lines.size() && lines[at] != " Elem            Sigma1            Sigma2") ++at;
    for (at += 2; at < lines.size() && lines[at][0] != '-'; ++at)
        out.stresses.push_back({std::strtod(lines[at].substr(10, 13).c_str(), nullptr),
                                std::strtod(lines[at].substr(28, 13).c_str(), nullptr)});
    while (at < lines.size() &&
           lines[at] != " Node           Force X           Force Y           Force Z")
        ++at;
    for (at += 2; at < lines.size(); ++at) {
        const std::string& line = lines[at];
        std::array<double, 3> force = {0.0, 0.0, 0.0};
        for (std::size_t j = 0; j < 3 && 5 + 18 * j < line.size(); ++j) {
            const std::string text = line.substr(5 + 18 * j, 18);
            if (text.find_first_not_of(' ') != std::string::npos)
                force[j] = std::strtod(text.c_str(), nullptr);
        }
        out.reactions[std::atoi(line.substr(0, 5).c_str())] = force;
    }
    return out;
}

class homogeneous_stretch : public ::testing::TestWithParam<int> {};

// A square of side 2 in 2 x 2 cells: the border stretched equally in X and Y by lambda about
// the origin, every Z fixed, the centre node free. The minimiser must carry the centre to the
// homogeneous state; then both stresses equal the closed form and each edge's reactions sum to
// sigma times the current thickness t0 lambda3 times the current edge length 2 lambda.
TEST_P(homogeneous_stretch, equibiaxial_square) {
    const double lambda = 1.3, side = 2.0;
    melvar::model m;
    m.problem.thickness = 0.2;
    set_law(m, GetParam());
    tight_settings(m, 1e-11);
    make_grid(m, 2, 2, 1.0, 1.0);
    for (std::int32_t i = 1; i <= m.problem.mesh.node_count; ++i) {
        if (i != 5) {
            prescribe(m, i, 1, (lambda - 1.0) * m.problem.mesh.node_x(i));
            prescribe(m, i, 2, (lambda - 1.0) * m.problem.mesh.node_y(i));
        }
        prescribe(m, i, 3, 0.0);
    }
    melvar::program::start(m);
    ASSERT_EQ(m.numbering.free_count, 2);
    const nlp::minimiser_result result = solve(m);
    ASSERT_TRUE(result.optimal) << result.minor;
    EXPECT_NEAR(m.unknowns.x(1), lambda - 1.0, 1e-9);
    EXPECT_NEAR(m.unknowns.x(2), lambda - 1.0, 1e-9);

    const double sigma = closed_form_stress(m, lambda, lambda, lambda);
    sheet::element_forces forces;
    for (std::int32_t e = 1; e <= 8; ++e) {
        const melvar::element_result r =
            sheet::element_at<melvar::kinematics>(m, e, m.unknowns.x, forces);
        EXPECT_NEAR(r.stretch3, 1.0 / (lambda * lambda), 1e-9);
        // Equal stretches make the root of the two stresses' half difference lose half its
        // digits: their mean is compared tightly, each one to the report's precision.
        const std::vector<double> s = element_stresses(r);
        EXPECT_NEAR(0.5 * (s[0] + s[1]), sigma, 1e-10 * sigma) << e;
        EXPECT_NEAR(s[0], sigma, 1e-6 * sigma) << e;
        EXPECT_NEAR(s[1], sigma, 1e-6 * sigma) << e;
    }

    const report shown = written_report(m);
    ASSERT_EQ(shown.stresses.size(), 8u);
    for (const auto& s : shown.stresses) {
        EXPECT_NEAR(s[0], sigma, 1e-6 * sigma);
        EXPECT_NEAR(s[1], sigma, 1e-6 * sigma);
    }
    const double edge_force =
        sigma * m.problem.thickness * (1.0 / (lambda * lambda)) * (side * lambda);
    double right = 0.0, top = 0.0, left = 0.0, bottom = 0.0;
    for (int k = 0; k <= 2; ++k) {
        right += shown.reactions.at(grid_node(2, 2, k))[0];
        left += shown.reactions.at(grid_node(2, 0, k))[0];
        top += shown.reactions.at(grid_node(2, k, 2))[1];
        bottom += shown.reactions.at(grid_node(2, k, 0))[1];
    }
    EXPECT_NEAR(right, edge_force, 1e-6 * edge_force);
    EXPECT_NEAR(top, edge_force, 1e-6 * edge_force);
    EXPECT_NEAR(left, -edge_force, 1e-6 * edge_force);
    EXPECT_NEAR(bottom, -edge_force, 1e-6 * edge_force);
    // The free centre carries no reaction.
    EXPECT_EQ(shown.reactions.count(5), 0u);
}

// A strip 2 long and 1 wide in 4 x 2 cells on rollers at X = 0 (X fixed there, Y fixed at the
// origin, every Z fixed), pulled at X = 2 by the consistent loads F/4, F/2, F/4. The closed form
// has lambda2 = lambda3 = 1/sqrt(lambda1) and F = sigma1 t0 lambda3 W0 lambda2.
TEST_P(homogeneous_stretch, uniaxial_strip) {
    const double f = 0.1, length = 2.0, width = 1.0;
    melvar::model m;
    m.problem.thickness = 0.1;
    set_law(m, GetParam());
    tight_settings(m, 1e-11);
    make_grid(m, 4, 2, length / 4, width / 2);
    for (int r = 0; r <= 2; ++r) {
        prescribe(m, grid_node(4, 0, r), 1, 0.0);
        m.problem.loads(grid_node(4, 4, r), 1) = r == 1 ? f / 2 : f / 4;
    }
    prescribe(m, 1, 2, 0.0);
    for (std::int32_t i = 1; i <= m.problem.mesh.node_count; ++i) prescribe(m, i, 3, 0.0);
    melvar::program::start(m);
    const nlp::minimiser_result result = solve(m);
    ASSERT_TRUE(result.optimal) << result.minor;

    const double l1 = uniaxial_stretch(m, f, width, m.problem.thickness);
    const double l2 = 1.0 / std::sqrt(l1);
    ASSERT_GT(l1, 1.2);
    for (std::int32_t i = 1; i <= m.problem.mesh.node_count; ++i) {
        EXPECT_NEAR(sheet::displacement(m, i, 1), (l1 - 1.0) * m.problem.mesh.node_x(i), 1e-8) << i;
        EXPECT_NEAR(sheet::displacement(m, i, 2), (l2 - 1.0) * m.problem.mesh.node_y(i), 1e-8) << i;
    }
    const double sigma1 = closed_form_stress(m, l1, l1, l2);
    EXPECT_NEAR(closed_form_stress(m, l2, l1, l2), 0.0, 1e-12);
    sheet::element_forces forces;
    for (std::int32_t e = m.problem.mesh.elements.first(); e <= m.problem.mesh.elements.last();
         ++e) {
        const melvar::element_result r =
            sheet::element_at<melvar::kinematics>(m, e, m.unknowns.x, forces);
        EXPECT_NEAR(r.stretch3, l2, 1e-8) << e;
        const std::vector<double> s = element_stresses(r);
        EXPECT_NEAR(s[0], sigma1, 1e-6 * sigma1) << e;
        EXPECT_NEAR(s[1], 0.0, 1e-6 * sigma1) << e;
    }

    const report shown = written_report(m);
    ASSERT_EQ(shown.stresses.size(), 16u);
    for (const auto& s : shown.stresses) {
        EXPECT_NEAR(s[0], sigma1, 1e-6 * sigma1);
        EXPECT_NEAR(s[1], 0.0, 1e-6 * sigma1);
    }
    // The rollers hold the loads back; nothing else is reported.
    ASSERT_EQ(shown.reactions.size(), 3u);
    for (int r = 0; r <= 2; ++r) {
        const std::array<double, 3>& reaction = shown.reactions.at(grid_node(4, 0, r));
        const double expected = r == 1 ? -f / 2 : -f / 4;
        EXPECT_NEAR(reaction[0], expected, 1e-6 * f) << r;
        EXPECT_NEAR(reaction[1], 0.0, 1e-9);
        EXPECT_EQ(reaction[2], 0.0);
    }
}

std::string law_name(const ::testing::TestParamInfo<int>& info) {
    return info.param == 1 ? "neo_hookean" : info.param == 2 ? "mooney_rivlin" : "arruda_boyce";
}

INSTANTIATE_TEST_SUITE_P(laws, homogeneous_stretch, ::testing::Values(1, 2, 3), law_name);

}  // namespace
