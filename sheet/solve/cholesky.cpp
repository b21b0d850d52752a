// The one file that speaks to CHOLMOD (SuiteSparse): supernodal LL' with its own choice of
// fill-reducing ordering. The BLAS under it is OpenBLAS's serial build, and CHOLMOD's own
// OpenMP loops are held to one thread, so a factor is the same on every run of one machine.
#include "sheet/solve/cholesky.hpp"

#include <omp.h>
#include <suitesparse/cholmod.h>

#include <cstring>

#include "sheet/failure.hpp"

namespace sheet {

struct cholesky::library {
    cholmod_common common{};
    cholmod_sparse* a = nullptr;  // the matrix, its pattern fixed at analysis
    cholmod_factor* l = nullptr;  // the symbolic, then the numeric factor
    cholmod_dense* b = nullptr;   // right-hand side
    cholmod_dense* x = nullptr;   // solution and the solve's workspaces, reused
    cholmod_dense* y = nullptr;
    cholmod_dense* e = nullptr;

    ~library() {
        cholmod_free_dense(&b, &common);
        cholmod_free_dense(&x, &common);
        cholmod_free_dense(&y, &common);
        cholmod_free_dense(&e, &common);
        cholmod_free_factor(&l, &common);
        cholmod_free_sparse(&a, &common);
        cholmod_finish(&common);
    }
};

cholesky::cholesky(const symmetric_matrix& pattern) : lib_(std::make_unique<library>()) {
    omp_set_num_threads(1);
    cholmod_common& c = lib_->common;
    cholmod_start(&c);
    c.print = 0;  // a matrix that is not positive definite is an answer, not a message
    c.supernodal = CHOLMOD_SUPERNODAL;
    c.quick_return_if_not_posdef = 1;
    // Nested dissection by METIS: on the disc of 23k triangles its factor needs 0.59 Gflop
    // against AMD's 1.03 (bench/RESULTS.md), and the gap grows with the mesh.
    c.nmethods = 1;
    c.method[0].ordering = CHOLMOD_METIS;
    const auto n = static_cast<std::size_t>(pattern.n);
    lib_->a = cholmod_allocate_sparse(n, n, pattern.stored(), 1, 1, 1, CHOLMOD_REAL, &c);
    if (lib_->a == nullptr) throw failure("cholesky: no memory for the matrix");
    std::memcpy(lib_->a->p, pattern.column_start.data(), (n + 1) * sizeof(std::int32_t));
    std::memcpy(lib_->a->i, pattern.row.data(), pattern.stored() * sizeof(std::int32_t));
    std::memset(lib_->a->x, 0, pattern.stored() * sizeof(double));
    lib_->l = cholmod_analyze(lib_->a, &c);
    lib_->b = cholmod_zeros(n, 1, CHOLMOD_REAL, &c);
    if (lib_->l == nullptr || lib_->b == nullptr || c.status < CHOLMOD_OK)
        throw failure("cholesky: the analysis of the matrix failed (status " +
                      std::to_string(c.status) + ")");
}

cholesky::~cholesky() = default;

bool cholesky::factor(const symmetric_matrix& a, double smallest) {
    cholmod_common& c = lib_->common;
    std::memcpy(lib_->a->x, a.value.data(), a.stored() * sizeof(double));
    ready_ = false;
    const int done = cholmod_factorize(lib_->a, lib_->l, &c);
    if (c.status == CHOLMOD_NOT_POSDEF || (done == 0 && c.status != CHOLMOD_OUT_OF_MEMORY))
        return false;
    if (c.status < CHOLMOD_OK) throw failure("cholesky: no memory for the factor");
    const double rcond = cholmod_rcond(lib_->l, &c);
    if (!(rcond >= smallest)) return false;
    ready_ = true;
    return true;
}

void cholesky::solve(std::span<const double> b, std::span<double> x) {
    if (!ready_) throw failure("cholesky: solve without a factor");
    cholmod_common& c = lib_->common;
    std::memcpy(lib_->b->x, b.data(), b.size() * sizeof(double));
    if (!cholmod_solve2(CHOLMOD_A, lib_->l, lib_->b, nullptr, &lib_->x, nullptr, &lib_->y, &lib_->e,
                        &c))
        throw failure("cholesky: the solve failed (status " + std::to_string(c.status) + ")");
    std::memcpy(x.data(), lib_->x->x, x.size() * sizeof(double));
}

}  // namespace sheet
