// The gradient of both programs' objectives against central differences of their energy, at a
// state moved off the start at random.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "support/input_text.hpp"
#include "support/objectives.hpp"

namespace testing_support {

// Reads text_of(dorvan) into either program and starts it, moves its unknowns off the start at
// random (seed; dorvan's thickness variables about 1), checks every displacement entry of the
// objective's gradient against central differences of its energy (label in the failures), and
// hands after(model, objective, energy) that state.
template <class TextOf, class After>
void check_gradient_by_differences(TextOf&& text_of, unsigned seed, const std::string& label,
                                   After&& after) {
    for (const bool dorvan : {false, true}) {
        const std::string text = text_of(dorvan);
        dorvan::model d;
        melvar::model m;
        dorvan ? (d = input_text::read_dorvan(text), (void)dorvan::program::start(d))
               : (m = input_text::read_melvar(text), (void)melvar::program::start(m));
        sheet::model& model = dorvan ? static_cast<sheet::model&>(d) : m;
        terms::real_vector& x = model.unknowns.x;
        terms::real_vector g(1, x.last()), scratch(1, x.last());
        const auto f = [&](terms::real_vector& gradient) {
            return dorvan ? dorvan_objective(d, d.numbering.unknown_count, x, gradient)
                          : melvar_objective(m, m.numbering.free_count, x, gradient);
        };
        std::mt19937 random(seed);
        std::uniform_real_distribution<double> shift(-0.05, 0.05);
        for (std::int32_t k = 1; k <= x.last(); ++k)
            x(k) = (k > model.numbering.free_count) + shift(random);
        const double energy = f(g);
        for (std::int32_t k = 1; k <= model.numbering.free_count; ++k) {
            const double h = 1.0E-6, kept = x(k);
            x(k) = kept + h;
            const double up = f(scratch);
            x(k) = kept - h;
            const double down = f(scratch);
            x(k) = kept;
            EXPECT_NEAR(g(k), (up - down) / (2.0 * h), 1.0E-7)
                << label << ", " << (dorvan ? "dorvan" : "melvar") << ", entry " << k;
        }
        after(
            model, [&] { return f(scratch); }, energy);
    }
}

}  // namespace testing_support
