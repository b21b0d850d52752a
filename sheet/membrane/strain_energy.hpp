// The elements' strain energy as a term of the energy, for a program of kinematics K: evaluated
// in blocks of elements over vector lanes, each adding its nodal forces into the gradient of the
// free components in ascending element order (and, with internal unknowns, writing its own
// entries); its element Hessians (the program's); the inside-out test of a trial point; and the
// element rows of the final state with the elements' share of the out-of-balance forces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "sheet/assembly/element_rows.hpp"
#include "sheet/assembly/objective.hpp"
#include "sheet/assembly/upright.hpp"
#include "sheet/energy/term.hpp"
#include "sheet/mechanics/deformation.hpp"
#include "sheet/mechanics/tension_field.hpp"
#include "sheet/membrane/kinematics.hpp"

namespace sheet {

// Element e of m at the unknowns xs = x(1..) and the prescribed values (by component), each
// index checked: its result, its nodal forces into forces and its current shape into shape when
// given.
template <class K>
auto element_at(const model_of<K>& m, std::int32_t e, std::span<const double> xs,
                const terms::real_matrix& prescribed, element_forces& forces,
                current_shape<double>* shape = nullptr) {
    const triangle& corners = m.problem.mesh.elements(e);
    const numbering& n = m.numbering;
    const auto unknown = [&](std::int32_t k) {
        if (k < 1 || static_cast<std::size_t>(k) > xs.size())
            throw terms::range_error("unknown " + std::to_string(k) + " outside the bounds 1.." +
                                     std::to_string(xs.size()));
        return xs[static_cast<std::size_t>(k - 1)];
    };
    double u[3][3];
    for (int l = 0; l < 3; ++l)
        for (std::int32_t j = 1; j <= 3; ++j) {
            const std::int32_t k = n.dof_map(corners.node[l], j);
            u[l][j - 1] = k <= n.free_count ? unknown(k) : prescribed(corners.node[l], j);
        }
    double internal[1] = {0.0};
    if constexpr (K::internal_unknowns > 0) internal[0] = unknown(n.free_count + e);
    return std::visit(
        [&](const auto& law) {
            return element_of<K>(law, m.problem.thickness, m.geometry(e), u, internal, forces,
                                 shape);
        },
        m.law);
}

// The same at m's unknowns x(1..unknown_count) and the problem's prescribed values.
template <class K>
auto element_at(const model_of<K>& m, std::int32_t e, const terms::real_vector& x,
                element_forces& forces, current_shape<double>* shape = nullptr) {
    return element_at<K>(m, e, x.view(1, m.numbering.unknown_count), m.problem.supports.prescribed,
                         forces, shape);
}

template <class K>
class strain_energy {
public:
    using model_type = model_of<K>;
    // Each element's unknowns in its Hessian: corner l, direction j at 3 l + j, its own after.
    static constexpr int local_count = 9 + K::internal_unknowns;

    // The elements of m, which must outlive the term.
    explicit strain_energy(const model_type& m) : m_(m) {}

    const model_type& model() const { return m_; }

    bool present(const term_point&) const { return true; }

    // The evaluation of blocks of elements at p, as assemble_in_runs calls it: the elements'
    // own gradient entries go into gs.
    auto block_evaluator(const term_point& p, std::span<double> gs) const {
        double* slopes = nullptr;
        if constexpr (K::internal_unknowns > 0)
            slopes = gs.data() + m_.numbering.free_count + (m_.problem.mesh.elements.first() - 1);
        return [this, xs = p.xs, prescribed = p.prescribed(), slopes](
                   std::size_t begin, std::size_t end, const block_io& io) {
            evaluate_elements(m_, xs, prescribed, begin, end, io, slopes);  // the program's
        };
    }

    // Every element in ascending order, its energy added into energy.
    void add_energy(const term_point& p, std::span<double> gs, double& energy) const {
        const std::size_t count = p.plan.element_count();
        const entry_run all{0, p.plan.free_count(), 0, count, 0, count};
        auto evaluate = block_evaluator(p, gs);
        detail::assemble_run(all, p.plan, {}, gs, evaluate,
                             [&energy](std::size_t, double e) { energy = energy + e; });
    }

    void add_element_hessian(const term_point& p, std::size_t at, double* packed) const {
        element_hessian(m_, p.plan.table(), at, p.xs, p.prescribed(), packed);  // the program's
    }

    bool admissible(const term_point& p, const term_point& q) const {
        return no_triangle_turned_over(q.plan.table(), q.plan.element_count(), p.xs, q.xs,
                                       q.prescribed());
    }

    // Whether no triangle at q is upside down against the sheet at rest.
    bool upright(const term_point& q) const {
        return no_triangle_upside_down(q.plan.table(), q.plan.element_count(), q.xs,
                                       q.prescribed());
    }

    void add_forces(const term_point& p, terms::real_matrix& forces) const {
        rows_adding_forces(p, forces);
    }
    void add_fields(const term_point&, std::vector<field_value>&) const {}

    // Every element's row at p (its current thickness, principal stresses and deformation), in
    // element order, its nodal forces added into forces in the same order: both from one
    // evaluation of each element, on the worker pool.
    std::vector<element_row> rows_adding_forces(const term_point& p,
                                                terms::real_matrix& forces) const {
        const terms::real_matrix& prescribed = p.load.prescribed(m_.problem);
        const element_row_of row_of = [&](std::int32_t e, element_forces& element) {
            current_shape<double> shape;
            const auto r = element_at<K>(m_, e, p.xs, prescribed, element, &shape);
            double internal[1] = {0.0};
            if constexpr (K::internal_unknowns > 0)
                internal[0] = p.xs[static_cast<std::size_t>(m_.numbering.free_count + e - 1)];
            const double stretch3 = K::thickness_stretch(r, internal);
            // a wrinkled element's tension lies along lambda1, its wrinkles across it
            const bool wrinkled = r.tension.state == tension_state::wrinkled;
            return element_row{m_.problem.thickness * stretch3,
                               stresses_of(r),
                               stretch3,
                               principal_deformation(m_.geometry(e), shape, wrinkled ? 1.0 : r.w1,
                                                     wrinkled ? 0.0 : r.w2),
                               static_cast<std::uint8_t>(r.tension.state),
                               r.tension.lost_width};
        };
        return element_rows(m_.problem.mesh, row_of, forces);
    }

    // Newton's method: the energy's true gradient at p from the objective's g (the free
    // components' entries as they are, each element's own through K::energy_slope), and the
    // tension of the shift that stands in for a flat sheet's missing stiffness.
    void true_gradient(const term_point& p, std::span<const double> g,
                       std::span<double> out) const {
        const auto free = static_cast<std::size_t>(m_.numbering.free_count);
        const double t0 = m_.problem.thickness;
        for (std::size_t k = 0; k < free; ++k) out[k] = g[k];
        if constexpr (K::internal_unknowns > 0)
            for (std::size_t k = free; k < g.size(); ++k)
                out[k] = K::energy_slope(g[k], p.xs[k], t0);
    }
    double shift_tension() const { return sheet::shift_tension(m_.law, m_.problem.thickness); }

private:
    const model_type& m_;
};

}  // namespace sheet
