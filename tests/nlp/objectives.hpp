// Objectives the minimiser tests run on: smooth problems with known minimisers, and a scripted
// objective that plays back chosen energies and gradients while recording every point it sees;
// and the settings the tests run the minimisers with.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "arrays/terms.hpp"
#include "nlp/settings.hpp"

namespace nlp_test {

inline terms::real_vector vec(const std::vector<double>& values) {
    terms::real_vector v(1, static_cast<std::int32_t>(values.size()));
    for (std::size_t i = 0; i < values.size(); ++i) v(static_cast<std::int32_t>(i) + 1) = values[i];
    return v;
}

inline std::vector<double> values(const terms::real_vector& v, std::int32_t n) {
    std::vector<double> out;
    for (std::int32_t i = 1; i <= n; ++i) out.push_back(v(i));
    return out;
}

// Records every point the minimiser asks for.
struct recorder {
    std::vector<std::vector<double>> points;
    void note(std::int32_t n, const terms::real_vector& x) { points.push_back(values(x, n)); }
    std::size_t calls() const { return points.size(); }
};

// f = 1/2 x'Ax - b'x with A = tridiag(-1, 4, -1) and b = A m, so the minimiser is m, m(i) = i/10.
struct quadratic : recorder {
    double operator()(std::int32_t n, const terms::real_vector& x, terms::real_vector& g) {
        note(n, x);
        double f = 0.0;
        for (std::int32_t i = 1; i <= n; ++i) {
            const double m = i / 10.0;
            double ax = 4.0 * x(i);
            double am = 4.0 * m;
            if (i > 1) {
                ax -= x(i - 1);
                am -= (i - 1) / 10.0;
            }
            if (i < n) {
                ax -= x(i + 1);
                am -= (i + 1) / 10.0;
            }
            g(i) = ax - am;
            f += 0.5 * x(i) * ax - am * x(i);
        }
        return f;
    }
    static double minimiser(std::int32_t i) { return i / 10.0; }
};

// Extended Rosenbrock: sum over pairs of 100 (x2 - x1^2)^2 + (1 - x1)^2; minimiser all ones.
struct rosenbrock : recorder {
    double operator()(std::int32_t n, const terms::real_vector& x, terms::real_vector& g) {
        note(n, x);
        double f = 0.0;
        for (std::int32_t i = 1; i + 1 <= n; i += 2) {
            const double a = x(i + 1) - x(i) * x(i);
            const double b = 1.0 - x(i);
            f += 100.0 * a * a + b * b;
            g(i) = -400.0 * a * x(i) - 2.0 * b;
            g(i + 1) = 200.0 * a;
        }
        return f;
    }
    static terms::real_vector start(std::int32_t n) {
        terms::real_vector x(1, n);
        for (std::int32_t i = 1; i <= n; ++i) x(i) = i % 2 == 1 ? -1.2 : 1.0;
        return x;
    }
};

// Plays back energies and gradients call by call, whatever the point; records the points.
struct scripted : recorder {
    struct answer {
        double f;
        std::vector<double> g;
    };
    std::vector<answer> script;
    double operator()(std::int32_t n, const terms::real_vector& x, terms::real_vector& g) {
        note(n, x);
        if (calls() > script.size()) throw std::logic_error("script exhausted");
        const answer& a = script[calls() - 1];
        for (std::int32_t i = 1; i <= n; ++i) g(i) = a.g[static_cast<std::size_t>(i - 1)];
        return a.f;
    }
};

// The minimisers' settings with the line search of every test run: at most 20 sectioning
// trials, curvature factor 0.9.
inline nlp::lbfgs_settings lbfgs_with(std::int32_t memory_size, std::int32_t max_iterations,
                                      double tolerance) {
    return {.memory_size = memory_size,
            .max_iterations = max_iterations,
            .tolerance = tolerance,
            .search = {.search_limit = 20, .search_factor = 0.9}};
}
inline nlp::bfgs_settings bfgs_with(std::int32_t max_iterations, double tolerance) {
    return {.max_iterations = max_iterations,
            .tolerance = tolerance,
            .search = {.search_limit = 20, .search_factor = 0.9}};
}

// Raised by an objective that stops a run on purpose.
struct stop_run : std::runtime_error {
    stop_run() : std::runtime_error("stopped") {}
};

}  // namespace nlp_test
