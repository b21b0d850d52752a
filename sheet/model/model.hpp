// The problem model both programs share, in two halves: the problem as input.txt states it
// (settings, sheet, mesh, supports, loads, pressures), which nothing changes after it has been
// read, and what the run computes from it (initial geometry, numbering, unknowns, results). Each
// program's model adds its material law to the first half (membrane_model).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "arrays/terms.hpp"

namespace sheet {

// The tolerance factor that input.txt's factor of 0 or below stands for.
constexpr double default_tolerance_factor = 0.001;

// Section 1 of input.txt: the minimiser's settings as read.
struct solver_settings {
    double search_factor = 0.0;
    std::int32_t search_limit = 0;
    double tolerance_factor = 0.0;
    double reference_force = 0.0;
    std::int32_t max_iterations = 0;
    std::int32_t memory_size = 0;
};

// One triangle as read: its corner nodes N1, N2, N3.
struct triangle {
    std::int32_t node[3] = {0, 0, 0};
};

struct mesh {
    std::int32_t node_count = 0;
    terms::real_vector node_x, node_y, node_z;  // initial coordinates by node
    terms::array1<triangle> elements;
};

// The prescribed displacements, by (node, direction).
struct supports {
    terms::flag_matrix held;        // the component is prescribed
    terms::real_matrix prescribed;  // its value (0.0 where it is free)
};

// A follower pressure on one triangle: it acts on the current area along the current normal
// (N2 - N1) x (N3 - N1).
struct pressure {
    std::int32_t element = 0;
    double value = 0.0;
};

// A chamber: pressurised triangles that enclose a volume (closed, or closed by held edges and
// by coordinate planes through the origin) and share one pressure, controlled in one of three
// ways. Its volume V is the sum of its triangles' signed volumes with the origin.
enum class chamber_control {
    pressure,  // the pressure is given: a follower pressure on every triangle
    volume,    // the volume is given, as its change from the start; the pressure is unknown
    gas,       // a fixed amount of gas: p (V + extra_volume)^exponent stays constant
};

struct chamber {
    std::int32_t number = 0;  // as input.txt numbers it
    chamber_control control = chamber_control::pressure;
    double value = 0.0;             // the pressure; the change of volume; or the gas's pressure at
                                    // reference_volume
    double reference_volume = 0.0;  // gas only
    double exponent = 1.0;          // gas only: 1 isothermal, 1.4 adiabatic air
    double extra_volume = 0.0;      // gas only: a hose's or a reservoir's, beside V
    std::vector<std::int32_t> elements;  // ascending
};

// A chamber as a run finds it at a point: its volume and its pressure there (the given one, the
// multiplier that holds the volume, or the gas's).
struct chamber_reading {
    std::int32_t number = 0;
    chamber_control control = chamber_control::pressure;
    double volume = 0.0;
    double pressure = 0.0;
};

// Everything input.txt states but the material law.
struct problem {
    std::string title;  // the first line of input.txt, unless it is a section's header
    solver_settings settings;
    double thickness = 0.0;  // initial thickness of the sheet
    sheet::mesh mesh;
    sheet::supports supports;
    terms::real_matrix loads;         // applied nodal forces, by (node, direction)
    std::vector<pressure> pressures;  // the optional section after the loads, by element, ascending
    std::vector<chamber> chambers;    // the optional section of chambers, by number
    // The optional membrane section: the relaxed energy of tension-field theory, under which
    // the sheet wrinkles instead of carrying compression.
    bool tension_field = false;
};

// Where a run in load steps stands: step number of count, whose load factor scales the loads,
// the prescribed displacements and the pressures. At the factor 1 (every run without steps, and
// the last step) the problem's own values apply and the scaled copies are left empty. It is a
// value the run makes for each step and passes to what applies the loads.
struct load_state {
    std::int32_t number = 1;
    std::int32_t count = 1;
    double factor = 1.0;
    terms::real_matrix scaled_loads;         // factor x the problem's, when the factor is not 1
    terms::real_matrix scaled_prescribed;    // the same
    std::vector<pressure> scaled_pressures;  // the same

    // What is applied at this state to problem p: nodal loads and prescribed values by (node,
    // direction), and the pressures by element, ascending.
    const terms::real_matrix& loads(const problem& p) const {
        return factor == 1.0 ? p.loads : scaled_loads;
    }
    const terms::real_matrix& prescribed(const problem& p) const {
        return factor == 1.0 ? p.supports.prescribed : scaled_prescribed;
    }
    const std::vector<pressure>& pressures(const problem& p) const {
        return factor == 1.0 ? p.pressures : scaled_pressures;
    }
};

// The initial geometry of one triangle, from its corners' coordinates.
struct element_geometry {
    double area2 = 0.0;                  // |edge_a x edge_b|: twice the initial area
    double a_a = 0.0;                    // edge_a . edge_a
    double a_b = 0.0;                    // edge_a . edge_b
    double b_b = 0.0;                    // edge_b . edge_b
    double edge_a[3] = {0.0, 0.0, 0.0};  // P(N3) - P(N2)
    double edge_b[3] = {0.0, 0.0, 0.0};  // P(N1) - P(N3)
};

// Where each component's displacement lives: dof_map(i, j) <= free_count names the unknown
// x(dof_map(i, j)); a larger entry marks a prescribed component.
struct numbering {
    terms::index_matrix dof_map;
    std::int32_t free_count = 0;
    std::int32_t unknown_count = 0;  // entries of x: the free components, then any others
};

// The minimiser's vectors: the unknowns and the gradient of the energy over them.
struct unknowns {
    terms::real_vector x;
    terms::real_vector gradient;
};

// The two in-plane principal stresses of an element, sigma1 >= sigma2.
struct principal_stresses {
    double sigma1 = 0.0;
    double sigma2 = 0.0;
};

// How an element has deformed in its plane: the principal stretches, the directions of the
// principal stresses in the current configuration and the signed change of area.
struct in_plane_deformation {
    double stretch1 = 0.0;  // the larger principal in-plane stretch, lambda1
    double stretch2 = 0.0;  // the smaller, lambda2
    // Unit vectors tangent to the current triangle along sigma1 and sigma2; direction2 is the
    // current unit normal crossed with direction1.
    double direction1[3] = {0.0, 0.0, 0.0};
    double direction2[3] = {0.0, 0.0, 0.0};
    // Current area over initial area, negative when the triangle has folded: turned over
    // against the triangles that share its edges (or, sharing none, against its initial
    // normal).
    double area_ratio = 0.0;
};

// What the final state holds of one element: the report's thickness and stresses, and the
// deformation the .vtu shows beside them, all from one evaluation of the element.
struct element_row {
    double thickness = 0.0;  // current: dorvan's t0 s^2, melvar's t0 lambda3
    principal_stresses stress;
    double stretch3 = 0.0;  // lambda3, the thickness stretch
    in_plane_deformation deformation;
    // Under the tension-field energy: 0 taut, 1 wrinkled (direction2 is the wrinkles'
    // compressed direction), 2 slack; and the natural width less lambda2 (0 where taut).
    std::uint8_t tension = 0;
    double lost_width = 0.0;
};

// A value of the run written as field data of the .vtu beside the others, as one Float64.
struct field_value {
    std::string name;
    double value;
    bool in_every_file = false;  // also in a single run's .vtu, not only in a series' files
};

// What the run finds: the minimisation's outcome, then what the elements give at its final
// point.
struct results {
    double tolerance = 0.0;         // the stopping bound on the largest gradient component
    double energy = 0.0;            // total potential energy at x
    std::int32_t minor = 0;         // iterations made
    bool optimal = false;           // the stopping test was met
    std::vector<element_row> rows;  // by element, in element order
    // Out-of-balance force of every component, by (node, direction): its elements' forces less
    // its load. At a prescribed component it is the support's reaction.
    terms::real_matrix reactions;
    terms::real_matrix displacements;       // of every component at the final point
    load_state load;                        // the load state the final state was found at
    std::vector<field_value> fields;        // the energy terms' values there, for the .vtu
    std::vector<chamber_reading> chambers;  // the chambers there, by number
};

struct model {
    sheet::problem problem;                    // as read, unchanged after input
    terms::array1<element_geometry> geometry;  // by element, made by start
    sheet::numbering numbering;                // made by start
    sheet::unknowns unknowns;                  // made by start, moved by the minimiser
    sheet::results results;
};

// Internal nodal forces of one element: row l = node N(l+1), column j = direction j+1. T is a
// real, or a vector of reals holding several elements' forces, one per lane.
template <class T>
struct nodal_forces {
    T row[3][3];
};
using element_forces = nodal_forces<double>;

// Whether component (i, j) is prescribed, once start has numbered the components.
inline bool is_prescribed(const model& m, std::int32_t i, std::int32_t j) {
    return m.numbering.dof_map(i, j) > m.numbering.free_count;
}

// Displacement of component (i, j) at m's unknowns under the full loads: the unknown when it is
// free, its prescribed value otherwise. (The writers read the final state's, at the load state
// the run reached: results.displacements.)
inline double displacement(const model& m, std::int32_t i, std::int32_t j) {
    const std::int32_t k = m.numbering.dof_map(i, j);
    return k <= m.numbering.free_count ? m.unknowns.x(k) : m.problem.supports.prescribed(i, j);
}

// The model of a program whose material law is one of Laws (a std::variant of law structs).
template <class Laws>
struct membrane_model : model {
    Laws law;  // as read, with its constants
};

}  // namespace sheet
