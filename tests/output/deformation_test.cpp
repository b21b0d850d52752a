// The deformation the .vtu shows of one triangle: a right triangle stretched 1.5 along X and 0.8
// along Y, then turned about X, gives back its stretches, the directions of sigma1 and sigma2
// turned with it, and its area ratio, which no turn makes negative (a fold is told by the
// triangle's neighbours: folds_test.cpp).
#include <gtest/gtest.h>

#include <cmath>

#include "sheet/mechanics/deformation.hpp"

namespace {

struct turned_stretch {
    double angle;       // of the turn about X, in degrees
    double w1, w2;      // the law's derivatives: their sign decides which stretch sigma1 follows
    int sigma1_axis;    // 0: sigma1 along the turned X, 1: along the turned Y
    double area_ratio;  // 1.5 * 0.8
};

class deformation : public ::testing::TestWithParam<turned_stretch> {};

TEST_P(deformation, follows_the_stretch_and_the_turn) {
    const turned_stretch c = GetParam();
    const double cosine = std::cos(c.angle * M_PI / 180.0), sine = std::sin(c.angle * M_PI / 180.0);
    // Corners (0, 0, 0), (1, 0, 0), (0, 1, 0): edge_a = P3 - P2, edge_b = P1 - P3.
    const sheet::element_geometry r{1.0, 2.0, -1.0, 1.0, {-1.0, 1.0, 0.0}, {0.0, -1.0, 0.0}};
    const double u[3][3] = {{0, 0, 0}, {0.5, 0, 0}, {0, 0.8 * cosine - 1.0, 0.8 * sine}};
    const sheet::in_plane_deformation d =
        sheet::principal_deformation(r, sheet::shape_of(r, u), c.w1, c.w2);
    EXPECT_NEAR(d.stretch1, 1.5, 1e-15);
    EXPECT_NEAR(d.stretch2, 0.8, 1e-15);
    EXPECT_NEAR(d.area_ratio, c.area_ratio, 1e-15);
    const double axes[2][3] = {{1.0, 0.0, 0.0}, {0.0, cosine, sine}};
    EXPECT_NEAR(std::abs(sheet::dot(d.direction1, axes[c.sigma1_axis])), 1.0, 1e-15);
    // direction2 = n x direction1, n the turned Z
    const double normal[3] = {0.0, -sine, cosine};
    double turned[3];
    sheet::cross(normal, d.direction1, turned);
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(d.direction2[j], turned[j], 1e-15) << j;
}

INSTANTIATE_TEST_SUITE_P(
    turns, deformation,
    ::testing::Values(
        turned_stretch{0.0, 0.5, 0.0, 0, 1.2}, turned_stretch{60.0, 0.5, -0.05, 0, 1.2},
        // w1 + 2 w2 (lambda1^2 + lambda2^2) < 0: sigma1 along the smaller stretch
        turned_stretch{60.0, 0.1, -0.1, 1, 1.2}, turned_stretch{-30.0, -1.0, 0.0, 1, 1.2},
        turned_stretch{120.0, 0.5, 0.0, 0, 1.2}, turned_stretch{180.0, 0.5, 0.0, 0, 1.2}));

}  // namespace
