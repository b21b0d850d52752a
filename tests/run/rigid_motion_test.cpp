// The rigid-body motions the supports leave free: a table of flat sheets held in various ways,
// near the origin and far from it, with dead loads that steady a free rotation as a weight
// steadies a pendulum (and one that cannot), and the parts of a mesh apart.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "output/hand_model.hpp"
#include "sheet/model/rigid_motion.hpp"
#include "sheet/run/run_stages.hpp"

namespace {

using writers_test::component_value;
using writers_test::point;

struct holding {
    const char* name;
    // held components of node 1 (at the origin), node 5 (at x = 1), the rest of the edge y = 0
    // and all other nodes
    std::vector<std::int32_t> corner, far, edge, rest;
    std::vector<component_value> loads;
    const char* free;  // the free motions in words, "" for none
};

// The unit square in the X-Y plane from offset, 4 x 4 cells of two triangles; node (i, j) is
// 1 + i + 5 j.
dorvan::model square(const holding& h, point offset) {
    std::vector<point> nodes;
    std::vector<writers_test::triangle> triangles;
    std::vector<component_value> supports;
    for (int j = 0; j <= 4; ++j)
        for (int i = 0; i <= 4; ++i) {
            nodes.push_back({offset.x + i / 4.0, offset.y + j / 4.0, offset.z});
            const std::vector<std::int32_t>& held = j > 0    ? h.rest
                                                    : i == 0 ? h.corner
                                                    : i == 4 ? h.far
                                                             : h.edge;
            for (const std::int32_t d : held) supports.push_back({1 + i + 5 * j, d, 0.0});
        }
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) {
            const int a = 1 + i + 5 * j;
            triangles.push_back({a, a + 1, a + 6});
            triangles.push_back({a, a + 6, a + 5});
        }
    dorvan::model m;
    writers_test::fill(m, nodes, triangles, supports, h.loads);
    return m;
}

TEST(rigid_motion, the_supports_leave_free_what_every_held_component_allows) {
    const std::vector<std::int32_t> xyz = {1, 2, 3}, z = {3}, none;
    const holding table[] = {
        {"at an edge and in Z", xyz, xyz, xyz, z, {}, ""},
        {"only in Z", z, z, z, z, {}, "translation in X and Y, rotation about Z"},
        {"nowhere",
         none,
         none,
         none,
         none,
         {},
         "translation in X, Y and Z, rotation about X, Y and Z"},
        {"in X and Y",
         {1, 2},
         {1, 2},
         {1, 2},
         {1, 2},
         {},
         "translation in Z, rotation about X and Y"},
        {"at a corner", xyz, none, none, none, {}, "rotation about X, Y and Z"},
        {"at a corner and in Z", xyz, z, z, z, {}, "rotation about Z"},
        {"at two corners", xyz, xyz, none, none, {}, "rotation about X"},
        // a pull away from the hinge, or across the sheet, holds it as a weight holds a
        // pendulum; a pull along the hinge cannot
        {"at two corners, pulled away", xyz, xyz, none, none, {{13, 2, 0.5}}, ""},
        {"at two corners, weighed", xyz, xyz, none, none, {{13, 3, -0.5}}, ""},
        {"at two corners, pulled along",
         xyz,
         xyz,
         none,
         none,
         {{13, 1, 0.5}, {15, 1, -0.25}},
         "rotation about X"},
        // pulled apart in X: the sheet lines up with the pulls, and may still slide
        {"only in Z, pulled apart",
         z,
         z,
         z,
         z,
         {{11, 1, -0.5}, {15, 1, 0.5}},
         "translation in X and Y"},
    };
    for (const point offset : {point{0, 0, 0}, point{1.0E6, -3.0E5, 2.0E6}, point{1.0E9, 1.0E9, 0}})
        for (const holding& h : table) {
            const sheet::rigid_freedom found = sheet::free_rigid_motions(square(h, offset).problem);
            EXPECT_EQ(found.parts, 1);
            EXPECT_EQ(found.free.empty() ? "" : found.free[0].described, h.free)
                << h.name << " at x " << offset.x;
        }
    // held on the diagonal: a rotation off the axes, by its direction
    dorvan::model m = square({"on the diagonal", {}, {}, {}, {}, {}, ""}, {0, 0, 0});
    for (std::int32_t node = 1; node <= 25; node += 6)
        for (std::int32_t d = 1; d <= 3; ++d) m.problem.supports.held(node, d) = true;
    EXPECT_EQ(sheet::free_rigid_motions(m.problem).free.at(0).described,
              "rotation about (0.707, 0.707, 0)");
}

TEST(rigid_motion, each_part_of_a_mesh_is_held_on_its_own) {
    // Two triangles apart: the first held at its three corners, the second only in Z.
    dorvan::model m;
    std::vector<component_value> held;
    for (std::int32_t i = 1; i <= 6; ++i)
        for (std::int32_t d = i <= 3 ? 1 : 3; d <= 3; ++d) held.push_back({i, d, 0.0});
    writers_test::fill(m, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {5, 0, 0}, {6, 0, 0}, {5, 1, 0}},
                       {{1, 2, 3}, {4, 5, 6}}, held, {});
    EXPECT_EQ(sheet::rigid_motion_in_words(sheet::free_rigid_motions(m.problem)),
              "the supports leave the part of the sheet with node 4 free to move as a rigid "
              "body (translation in X and Y, rotation about Z)");
}

}  // namespace
