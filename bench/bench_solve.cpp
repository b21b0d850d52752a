// Newton's factorisations and solves with a supernodal Cholesky factor: CHOLMOD's own against
// ours, one after another and by parts of the factor's tree on the workers, with the same
// symbolic factor. The matrix is
// that of a triangulated square grid of side x side nodes with three unknowns per node, ordered
// by nested dissection (METIS), as a Newton run's matrix is; per_solve is one x = A^-1 b.
#include <benchmark/benchmark.h>
#include <suitesparse/cholmod.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <span>
#include <vector>

#include "sheet/assembly/worker_pool.hpp"
#include "sheet/solve/cholesky.hpp"
#include "sheet/solve/supernodal_factor.hpp"
#include "sheet/solve/supernodal_solve.hpp"
#include "sheet/solve/symmetric_matrix.hpp"

namespace {

// The grid's matrix factorised once per side, and our solver of its factor.
struct factored {
    cholmod_common common{};
    std::vector<int> p, i;
    std::vector<double> x;
    cholmod_factor* l = nullptr;
    std::unique_ptr<sheet::supernodal_solve> ours;
    sheet::symmetric_matrix matrix;  // the same, as ours
    std::unique_ptr<sheet::supernodal_factor> our_factor;

    // CHOLMOD's view of the matrix, its upper triangle
    cholmod_sparse matrix_view() {
        cholmod_sparse a{};
        a.nrow = a.ncol = p.size() - 1;
        a.nzmax = i.size();
        a.p = p.data();
        a.i = i.data();
        a.x = x.data();
        a.stype = 1;
        a.itype = CHOLMOD_INT;
        a.xtype = CHOLMOD_REAL;
        a.dtype = CHOLMOD_DOUBLE;
        a.sorted = 1;
        a.packed = 1;
        return a;
    }

    explicit factored(int side) {
        sheet::hold_library_threads();  // as a run holds CHOLMOD's loops
        cholmod_start(&common);
        common.supernodal = CHOLMOD_SUPERNODAL;
        common.nmethods = 1;
        common.method[0].ordering = CHOLMOD_METIS;
        const int n = 3 * side * side;
        // upper triangle by columns: each node with its left, lower and lower-right neighbours
        for (int column = 0; column < n; ++column) {
            const int node = column / 3, a = column % 3, r = node / side, q = node % side;
            p.push_back(static_cast<int>(i.size()));
            std::vector<int> near;
            if (r > 0) near.push_back(node - side);
            if (r > 0 && q + 1 < side) near.push_back(node - side + 1);
            if (q > 0) near.push_back(node - 1);
            std::sort(near.begin(), near.end());
            for (const int m : near)
                for (int b = 0; b < 3; ++b) i.push_back(3 * m + b), x.push_back(-0.3 - 0.01 * b);
            for (int b = 0; b <= a; ++b)
                i.push_back(3 * node + b), x.push_back(b == a ? 13.0 : 0.5);
        }
        p.push_back(static_cast<int>(i.size()));
        cholmod_sparse a = matrix_view();
        l = cholmod_analyze(&a, &common);
        cholmod_factorize(&a, l, &common);
        const auto view = [](void* data, std::size_t count) {
            return std::span<const int>(static_cast<const int*>(data), count);
        };
        const std::size_t supernodes = l->nsuper;
        const std::span<const int> row_start = view(l->pi, supernodes + 1);
        const sheet::supernodal_layout layout{
            view(l->super, supernodes + 1), row_start, view(l->px, supernodes + 1),
            view(l->s, static_cast<std::size_t>(row_start[supernodes])),
            view(l->Perm, static_cast<std::size_t>(n))};
        ours = std::make_unique<sheet::supernodal_solve>(layout);
        matrix = {n, p, i, x};
        our_factor = std::make_unique<sheet::supernodal_factor>(layout, matrix);
    }
};

factored& of_side(int side) {
    static std::map<int, std::unique_ptr<factored>> made;
    auto& f = made[side];
    if (!f) f = std::make_unique<factored>(side);
    return *f;
}

// range(0) = side, range(1) = 0 CHOLMOD's solve, 1 ours one part after another, 2 ours on the
// workers (every CPU).
void solve(benchmark::State& state) {
    factored& f = of_side(static_cast<int>(state.range(0)));
    const std::size_t n = f.l->n;
    cholmod_dense* b = cholmod_zeros(n, 1, CHOLMOD_REAL, &f.common);
    cholmod_dense *x = nullptr, *y = nullptr, *e = nullptr;
    auto* bv = static_cast<double*>(b->x);
    for (std::size_t k = 0; k < n; ++k) bv[k] = std::sin(0.001 * static_cast<double>(k));
    std::vector<double> out(n);
    f.ours->take(std::span<const double>(static_cast<const double*>(f.l->x), f.l->xsize));
    for (auto _ : state) {
        if (state.range(1) == 0)
            cholmod_solve2(CHOLMOD_A, f.l, b, nullptr, &x, nullptr, &y, &e, &f.common);
        else
            f.ours->solve(std::span<const double>(bv, n), out, state.range(1) == 2);
        benchmark::ClobberMemory();
    }
    state.counters["per_solve"] =
        benchmark::Counter(static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["factor_entries"] = static_cast<double>(f.l->xsize);
    cholmod_free_dense(&b, &f.common);
    cholmod_free_dense(&x, &f.common);
    cholmod_free_dense(&y, &f.common);
    cholmod_free_dense(&e, &f.common);
}

// range(0) = side, range(1) = 0 CHOLMOD's numeric factorisation, 1 ours on one thread, 2 ours
// on the workers (every CPU).
void factorise(benchmark::State& state) {
    factored& f = of_side(static_cast<int>(state.range(0)));
    cholmod_sparse a = f.matrix_view();
    for (auto _ : state) {
        if (state.range(1) == 0)
            cholmod_factorize(&a, f.l, &f.common);
        else
            f.our_factor->factor(f.matrix.value, state.range(1) == 2);
        benchmark::ClobberMemory();
    }
    state.counters["factor_entries"] = static_cast<double>(f.l->xsize);
}

BENCHMARK(factorise)
    ->ArgsProduct({{100, 300}, {0, 1, 2}})
    ->ArgNames({"side", "how"})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK(solve)
    ->ArgsProduct({{100, 300}, {0, 1, 2}})
    ->ArgNames({"side", "how"})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
