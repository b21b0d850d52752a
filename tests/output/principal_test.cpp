// The principal stresses of the element table: the root helper on its own, and both programs'
// Sigma1, Sigma2, thickness and reactions under a homogeneous in-plane stretch, against stresses
// derived here from the strain energy density alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "dorvan/program.hpp"
#include "melvar/program.hpp"
#include "output/hand_model.hpp"
#include "sheet/mechanics/principal.hpp"
#include "support/laws.hpp"
#include "support/program_run.hpp"

namespace {

using namespace writers_test;
using testing_support::read_file;
using testing_support::scratch_dir;

TEST(principal, negative_radicand_counts_as_zero) {
    const sheet::principal_stresses s = sheet::principal(2.0, -1.0E-30, 4.0);
    EXPECT_EQ(s.sigma1, 2.0);
    EXPECT_EQ(s.sigma2, 2.0);
    const sheet::principal_stresses n = sheet::principal(-2.0, -1.0E-30, 4.0);
    EXPECT_EQ(n.sigma1, -2.0);
    EXPECT_EQ(n.sigma2, -2.0);
}

TEST(principal, unstressed_gives_zeros_not_nan) {
    for (const double radicand : {0.0, -0.0, -1.0E-300}) {
        const sheet::principal_stresses s = sheet::principal(0.0, radicand, 0.0);
        EXPECT_EQ(s.sigma1, 0.0);
        EXPECT_EQ(s.sigma2, 0.0);
    }
    const sheet::principal_stresses s = sheet::principal(-0.0, 0.0, 0.0);
    EXPECT_EQ(s.sigma1, 0.0);
    EXPECT_EQ(s.sigma2, 0.0);
}

TEST(principal, both_branches_of_the_half_sum) {
    // s^2 - 6 s + 5: roots 5 and 1.
    const sheet::principal_stresses p = sheet::principal(3.0, 4.0, 5.0);
    EXPECT_EQ(p.sigma1, 5.0);
    EXPECT_EQ(p.sigma2, 1.0);
    // s^2 + 6 s + 5: roots -1 and -5; the smaller comes from T - D, the other from the product.
    const sheet::principal_stresses n = sheet::principal(-3.0, 4.0, 5.0);
    EXPECT_EQ(n.sigma1, -1.0);
    EXPECT_EQ(n.sigma2, -5.0);
}

TEST(principal, roots_of_random_symmetric_tensors) {
    std::mt19937_64 pick(20240611);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> decade(-6, 6);
    for (int trial = 0; trial < 200; ++trial) {
        // Principal values of [[xx, xy], [xy, yy]], with widely different magnitudes.
        const double xx = mantissa(pick) * std::pow(10.0, decade(pick));
        const double yy = mantissa(pick) * std::pow(10.0, decade(pick));
        const double xy = mantissa(pick) * std::pow(10.0, decade(pick));
        const double half = (xx - yy) / 2.0;
        const double root = std::hypot(half, xy);
        const double mean = (xx + yy) / 2.0;
        const double s1 = mean + root;
        const double s2 = (xx * yy - xy * xy) / s1;
        // Built from the two roots, as the element formulas present them.
        const double t = (s1 + s2) / 2.0;
        const double radicand = ((s1 - s2) / 2.0) * ((s1 - s2) / 2.0);
        const double p = s1 * s2;
        const sheet::principal_stresses s = sheet::principal(t, radicand, p);
        const double scale = std::max(std::fabs(s1), std::fabs(s2));
        EXPECT_NEAR(s.sigma1, std::max(s1, s2), 1.0E-13 * scale) << trial;
        EXPECT_NEAR(s.sigma2, std::min(s1, s2), 1.0E-13 * scale) << trial;
        EXPECT_GE(s.sigma1, s.sigma2);
        // The root of the smaller magnitude keeps its own relative accuracy.
        const double small = std::fabs(s1) < std::fabs(s2) ? s1 : s2;
        const double found = std::fabs(s.sigma1) < std::fabs(s.sigma2) ? s.sigma1 : s.sigma2;
        EXPECT_NEAR(found, small, 1.0E-12 * std::fabs(small)) << trial;
    }
}

// ---- Stresses of a homogeneous stretch, from the energy density W(l1, l2, l3) alone ----

// Central difference of f at x.
double slope(const std::function<double(double)>& f, double x) {
    const double h = 1.0E-6 * x;
    return (f(x + h) - f(x - h)) / (2.0 * h);
}

// Root of f in [lo, hi] by bisection, f(lo) and f(hi) of opposite signs.
double bisect(const std::function<double(double)>& f, double lo, double hi) {
    const bool rising = f(hi) > 0.0;
    for (int k = 0; k < 200; ++k) {
        const double mid = 0.5 * (lo + hi);
        if ((f(mid) > 0.0) == rising)
            hi = mid;
        else
            lo = mid;
    }
    return 0.5 * (lo + hi);
}

struct stretch_state {
    double lambda3;           // thickness stretch of the plane-stress state
    double sigma11, sigma22;  // Cauchy stresses along the stretches
};

// Compressible: sigma_i = (lambda_i / J) dW/d lambda_i, with lambda3 where dW/d lambda3 = 0.
stretch_state compressible_state(const std::function<double(double, double, double)>& w, double l1,
                                 double l2) {
    const auto along3 = [&](double l3) {
        return slope([&](double z) { return w(l1, l2, z); }, l3);
    };
    const double l3 = bisect(along3, 0.05, 5.0);
    const double j = l1 * l2 * l3;
    const double s11 = l1 / j * slope([&](double z) { return w(z, l2, l3); }, l1);
    const double s22 = l2 / j * slope([&](double z) { return w(l1, z, l3); }, l2);
    return {l3, s11, s22};
}

// Incompressible membrane: W(l1, l2, 1/(l1 l2)); sigma_i = lambda_i dW/d lambda_i.
stretch_state incompressible_state(const std::function<double(double, double, double)>& w,
                                   double l1, double l2) {
    const auto reduced = [&](double a, double b) { return w(a, b, 1.0 / (a * b)); };
    const double s11 = l1 * slope([&](double z) { return reduced(z, l2); }, l1);
    const double s22 = l2 * slope([&](double z) { return reduced(l1, z); }, l2);
    return {1.0 / (l1 * l2), s11, s22};
}

struct invariants {
    double i1, trace_c2, i3;
};
invariants of(double l1, double l2, double l3) {
    const double a = l1 * l1, b = l2 * l2, c = l3 * l3;
    return {a + b + c, a * a + b * b + c * c, a * b * c};
}

// A unit square of two triangles (1 2 3 and 1 3 4) stretched by l1 along X and l2 along Y
// through prescribed displacements of all its nodes, with a load of 0.25 on the prescribed
// X component of node 3.
template <class Model>
void stretched_square(Model& m, double l1, double l2) {
    fill(m, {{0.0, 0.0, 0.0}, {1.0, 0.0, 0.0}, {1.0, 1.0, 0.0}, {0.0, 1.0, 0.0}},
         {{1, 2, 3}, {1, 3, 4}},
         {{1, 1, 0.0},
          {1, 2, 0.0},
          {1, 3, 0.0},
          {2, 1, l1 - 1.0},
          {2, 2, 0.0},
          {2, 3, 0.0},
          {3, 1, l1 - 1.0},
          {3, 2, l2 - 1.0},
          {3, 3, 0.0},
          {4, 1, 0.0},
          {4, 2, l2 - 1.0},
          {4, 3, 0.0}},
         {{3, 1, 0.25}}, 1.0E-9);
}

double field(const std::string& line, std::size_t from) {
    return std::stod(line.substr(from, 13));
}

// The reported components of a force table line, by direction.
std::vector<std::optional<double>> forces_of(const std::string& line) {
    std::vector<std::optional<double>> values(3);
    for (std::size_t j = 0; j < 3; ++j) {
        const std::size_t from = 5 + 18 * j;
        if (line.size() <= from) break;
        const std::string text = line.substr(from, 18);
        if (text.find_first_not_of(' ') != std::string::npos) values[j] = std::stod(text);
    }
    return values;
}

void expect_close(double reported, double expected, const std::string& what) {
    EXPECT_NEAR(reported, expected, 2.0E-6 * std::fabs(expected) + 1.0E-12) << what;
}

// Checks the element lines, the Max/Min line and the reactions of the stretched square.
void check_report(const std::string& text, bool thickness_column, const stretch_state& s, double t0,
                  double l1, double l2) {
    const std::vector<std::string> lines = crlf_lines(text);
    const std::size_t width = thickness_column ? 59 : 41;
    const std::string header = thickness_column
                                   ? " Elem         Thickness            Sigma1            Sigma2"
                                   : " Elem            Sigma1            Sigma2";
    const auto at = std::find(lines.begin(), lines.end(), header);
    ASSERT_NE(at, lines.end());
    const std::size_t first = static_cast<std::size_t>(at - lines.begin()) + 2;
    ASSERT_GT(lines.size(), first + 4);
    const double larger = std::max(s.sigma11, s.sigma22);
    const double smaller = std::min(s.sigma11, s.sigma22);
    const std::size_t sigma1_at = thickness_column ? 28 : 10;
    for (std::size_t k = first; k < first + 2; ++k) {
        const std::string& line = lines[k];
        ASSERT_EQ(line.size(), width) << line;
        if (thickness_column) expect_close(field(line, 10), t0 * s.lambda3, "thickness " + line);
        expect_close(field(line, sigma1_at), larger, "Sigma1 " + line);
        expect_close(field(line, sigma1_at + 18), smaller, "Sigma2 " + line);
    }
    const std::string& extremes = lines[first + 3];
    ASSERT_EQ(extremes.size(), width) << extremes;
    expect_close(field(extremes, sigma1_at), larger, "Max " + extremes);
    expect_close(field(extremes, sigma1_at + 18), smaller, "Min " + extremes);

    // Nodal forces of the square: half the first Piola-Kirchhoff stress times t0 at each corner,
    // pointing outwards. Node 3 carries a load of 0.25 in X on its prescribed component.
    const double fx = 0.5 * t0 * (l2 * s.lambda3 * s.sigma11);
    const double fy = 0.5 * t0 * (l1 * s.lambda3 * s.sigma22);
    const double expected[4][2] = {{-fx, -fy}, {fx, -fy}, {fx - 0.25, fy}, {-fx, fy}};
    const std::size_t forces = lines.size() - 4;
    ASSERT_EQ(lines[forces - 2], " Node           Force X           Force Y           Force Z");
    for (std::size_t i = 0; i < 4; ++i) {
        const std::string& line = lines[forces + i];
        ASSERT_EQ(line.substr(0, 5), "    " + std::to_string(i + 1));
        const std::vector<std::optional<double>> values = forces_of(line);
        ASSERT_TRUE(values[0] && values[1]) << line;
        EXPECT_FALSE(values[2]) << "no force out of the plane: " << line;
        expect_close(*values[0], expected[i][0], "X reaction " + line);
        expect_close(*values[1], expected[i][1], "Y reaction " + line);
    }
}

struct stretch {
    double l1, l2;
};
// Uniaxial-like, equal biaxial (D of zero), compression (the T < 0 branch), Y the larger.
const stretch stretches[] = {{1.3, 0.9}, {1.2, 1.2}, {0.8, 0.7}, {1.0, 1.5}};

void check_dorvan(dorvan::model& m, const std::function<double(double, double, double)>& w) {
    for (const stretch& st : stretches) {
        SCOPED_TRACE("stretch " + std::to_string(st.l1) + ", " + std::to_string(st.l2));
        stretched_square(m, st.l1, st.l2);
        dorvan::program::start(m);
        const stretch_state s = compressible_state(w, st.l1, st.l2);
        for (std::int32_t e = 1; e <= 2; ++e)
            m.unknowns.x(m.numbering.free_count + e) = std::sqrt(s.lambda3);
        scratch_dir dir;
        {
            working_directory here(dir.path());
            report(m);
        }
        check_report(read_file(dir.path() / "output.txt"), true, s, m.problem.thickness, st.l1,
                     st.l2);
    }
}

TEST(element_stresses, dorvan_neo_hookean_against_the_energy_density) {
    const double mu = 1.0, kappa = 4.0;
    const auto w = [=](double l1, double l2, double l3) {
        const invariants v = of(l1, l2, l3);
        const double u = std::pow(v.i3, 1.0 / 3.0);
        return 0.5 * (mu * v.i1 / u + kappa * (v.i3 - 2.0 * std::sqrt(v.i3)));
    };
    dorvan::model m;
    m.law = dorvan::neo_hookean{mu, kappa};
    check_dorvan(m, w);
}

TEST(element_stresses, dorvan_mooney_rivlin_against_the_energy_density) {
    const double c10 = 0.4, c01 = 0.15, kappa = 6.0;
    const auto w = [=](double l1, double l2, double l3) {
        const invariants v = of(l1, l2, l3);
        const double u = std::pow(v.i3, 1.0 / 3.0);
        // c10 I1 J^(-2/3) + c01 I2 J^(-4/3) + kappa/2 (J^2 - 2J), I2 = (I1^2 - tr C^2)/2
        return c10 * v.i1 / u + c01 * 0.5 * (v.i1 * v.i1 - v.trace_c2) / (u * u) +
               0.5 * kappa * (v.i3 - 2.0 * std::sqrt(v.i3));
    };
    dorvan::model m;
    m.law = dorvan::mooney_rivlin{c10, c01, kappa};
    check_dorvan(m, w);
}

void check_melvar(melvar::model& m, const std::function<double(double, double, double)>& w) {
    for (const stretch& st : stretches) {
        SCOPED_TRACE("stretch " + std::to_string(st.l1) + ", " + std::to_string(st.l2));
        stretched_square(m, st.l1, st.l2);
        melvar::program::start(m);
        const stretch_state s = incompressible_state(w, st.l1, st.l2);
        scratch_dir dir;
        {
            working_directory here(dir.path());
            report(m);
        }
        check_report(read_file(dir.path() / "output.txt"), false, s, m.problem.thickness, st.l1,
                     st.l2);
    }
}

TEST(element_stresses, melvar_neo_hookean_against_the_energy_density) {
    melvar::model m;
    m.law = melvar::neo_hookean{1.5};
    check_melvar(m, [](double l1, double l2, double l3) { return 0.5 * 1.5 * of(l1, l2, l3).i1; });
}

TEST(element_stresses, melvar_mooney_rivlin_against_the_energy_density) {
    melvar::model m;
    m.law = melvar::mooney_rivlin{0.4, 0.15};
    check_melvar(m, [](double l1, double l2, double l3) {
        const invariants v = of(l1, l2, l3);
        return 0.4 * v.i1 + 0.5 * 0.15 * (v.i1 * v.i1 - v.trace_c2);
    });
}

TEST(element_stresses, melvar_arruda_boyce_against_the_energy_density) {
    melvar::model m;
    m.law = testing_support::melvar_law(3, {0.8, 2.0});
    // The series coefficients for a locking stretch of 2.
    const double c[5] = {0.5, 0.0125, 0.0006547619047619047, 4.2410714285714285E-05,
                         3.00904452690167E-06};
    check_melvar(m, [&c](double l1, double l2, double l3) {
        const double i1 = of(l1, l2, l3).i1;
        double sum = 0.0, power = 1.0;
        for (const double ci : c) {
            power *= i1;
            sum += ci * power;
        }
        return 0.8 * sum;
    });
}

}  // namespace
