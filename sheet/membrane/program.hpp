// What both membrane programs do alike, for a program of kinematics K: reading input.txt, the
// starting state with its assembly plan and the list of the energy's terms, the deck's material
// table, the report, and the law as the .vtu names it. Each program keeps only what differs: its
// kinematics and its laws.
#pragma once

#include <cstdint>
#include <string>

#include "sheet/energy/chambers.hpp"
#include "sheet/energy/follower_pressure.hpp"
#include "sheet/energy/terms.hpp"
#include "sheet/energy/total.hpp"
#include "sheet/failure.hpp"
#include "sheet/input/law_reader.hpp"
#include "sheet/input/optional_sections.hpp"
#include "sheet/input/sections.hpp"
#include "sheet/membrane/kinematics.hpp"
#include "sheet/membrane/strain_energy.hpp"
#include "sheet/model/start.hpp"
#include "sheet/output/ansys.hpp"
#include "sheet/output/report.hpp"

namespace sheet {

// The terms of a membrane program's energy: the one place their list is made.
template <class K>
using membrane_terms = energy_terms<strain_energy<K>, follower_pressure, chambers>;

template <class K>
membrane_terms<K> make_terms(const model_of<K>& m) {
    const strain_energy<K> elements(m);
    return {dead_loads{},
            elements,
            {follower_pressure(m.problem, m.numbering),
             chambers(m.problem, m.numbering, elements.shift_tension())}};
}

// The total potential energy as the minimisers call it, objective(n, x, g[, along]): the terms
// of m at x under the load state load. Everything it refers to must outlive it.
template <class Terms>
struct objective_of {
    const model& m;
    assembly_plan& plan;
    const Terms& terms;
    const load_state& load;

    double operator()(std::int32_t, const terms::real_vector& x, terms::real_vector& g,
                      nlp::slope_request along = {}) const {
        const std::int32_t n = m.numbering.unknown_count;
        const term_point p{m.problem, plan, load, x.view(1, n)};
        return total_energy(terms, plan, p, g.view(1, n), along);
    }
};

// What start makes for the run besides the model's own parts.
template <class K>
struct started {
    assembly_plan plan;
    membrane_terms<K> terms;
};

template <kinematics K>
struct membrane {
    using model_type = model_of<K>;

    // Reads the text that in holds (input.txt) into the model.
    static void input(model_type& m, scanner& in) {
        read_title(in, m.problem);
        read_settings(in, m.problem.settings);
        m.law = read_law<typename K::laws>(in, read_sheet(in, m.problem));
        in.discard_rest_of_line();
        read_mesh(in, m.problem);
        read_optional_sections(in, m.problem);
        if (m.problem.tension_field) m.law = relaxed_law(m.law);
    }
    static void input(model_type& m) {
        scanner in = scanner::open("input.txt");
        input(m, in);
    }

    // Element geometry, numbering of the unknowns (the free components, then the elements' own:
    // element e's at free_count + e, each at 1.0), x, the gradient, the plan and the terms, and
    // the stopping tolerance from the tolerance factor (evaluating the energy at the full loads
    // when the tolerance is relative).
    static started<K> start(model_type& m, double tolerance_factor) {
        complete_geometry(m);
        const std::int32_t free_count = count_free(m.problem);
        const std::int64_t unknowns = std::int64_t{free_count} +
                                      std::int64_t{K::internal_unknowns} *
                                          static_cast<std::int64_t>(m.problem.mesh.elements.size());
        if (unknowns > INT32_MAX)
            throw failure("the model has more unknowns than 32-bit numbers can count");
        const auto unknown_count = static_cast<std::int32_t>(unknowns);
        number_components(m, free_count, unknown_count, unknown_count);
        m.unknowns.x = terms::real_vector(1, unknown_count);
        for (std::int32_t k = free_count + 1; k <= unknown_count; ++k) m.unknowns.x(k) = 1.0;
        m.unknowns.gradient = terms::real_vector(1, unknown_count);
        started<K> out{assembly_plan(m), make_terms<K>(m)};
        const load_state full;
        fix_tolerance(m, tolerance_factor,
                      objective_of<membrane_terms<K>>{m, out.plan, out.terms, full});
        return out;
    }
    // With the tolerance factor of input.txt.
    static started<K> start(model_type& m) { return start(m, m.problem.settings.tolerance_factor); }

    // The energy of the started model m at x under the full loads, and its gradient into g,
    // with the plan and terms its start made (s).
    static double objective(const model_type& m, started<K>& s, std::int32_t n,
                            const terms::real_vector& x, terms::real_vector& g,
                            nlp::slope_request along = {}) {
        const load_state full;
        return objective_of<membrane_terms<K>>{m, s.plan, s.terms, full}(n, x, g, along);
    }

    // The final state of m at its unknowns under load (sheet/energy/total.hpp), with the plan
    // and terms its start made (s); or, without s, with a plan and terms made for the call.
    static void find_final_state(model_type& m, started<K>& s, const load_state& load) {
        const term_point p{m.problem, s.plan, load,
                           m.unknowns.x.view(1, m.numbering.unknown_count)};
        sheet::find_final_state(m, s.terms, p);
    }
    static void find_final_state(model_type& m) {
        started<K> s{assembly_plan(m), make_terms<K>(m)};
        find_final_state(m, s, load_state{});
    }

    // Writes ansys.txt with the law's material table.
    static void ansys(const model_type& m) {
        sheet::ansys(m, std::visit([](const auto& law) { return law.deck(); }, m.law));
    }
    // Writes output.txt from the final state.
    static void output(const model_type& m) { sheet::output(m, K::thickness_column); }
};

}  // namespace sheet
