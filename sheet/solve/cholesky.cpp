// The one file that speaks to CHOLMOD (SuiteSparse): its fill-reducing ordering and the
// structure of the supernodal LL' factor, whose numbers our own factorisation then finds on
// that structure. CHOLMOD's own OpenMP loops are held to one thread.
#include "sheet/solve/cholesky.hpp"

#include <omp.h>
#include <suitesparse/cholmod.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "sheet/failure.hpp"
#include "sheet/solve/group_links.hpp"
#include "sheet/solve/supernodal_factor.hpp"
#include "sheet/solve/supernodal_solve.hpp"

namespace sheet {

struct cholesky::library {
    cholmod_common common{};
    std::size_t n = 0;                         // rows and columns
    std::size_t stored = 0;                    // entries of the analysed pattern
    cholmod_factor* l = nullptr;               // the symbolic factor: its structure
    std::optional<supernodal_factor> numeric;  // the numbers on it
    std::optional<supernodal_solve> solver;
    bool taken = false;  // whether the solver has the latest factor

    // the symbolic factor's structure, in place
    supernodal_layout layout() const {
        const auto view = [](void* data, std::size_t count) {
            return std::span<const std::int32_t>(static_cast<const std::int32_t*>(data), count);
        };
        const std::size_t supernodes = l->nsuper;
        const std::span<const std::int32_t> row_start = view(l->pi, supernodes + 1);
        return {view(l->super, supernodes + 1), row_start, view(l->px, supernodes + 1),
                view(l->s, static_cast<std::size_t>(row_start[supernodes])), view(l->Perm, n)};
    }

    ~library() {
        cholmod_free_factor(&l, &common);
        cholmod_finish(&common);
    }
};

namespace {

// The library's view of the pattern of a matrix: our own arrays, which it only reads, not a copy
// of them.
cholmod_sparse view_of(const symmetric_matrix& shape) {
    cholmod_sparse a{};
    a.nrow = a.ncol = static_cast<std::size_t>(shape.n);
    a.nzmax = shape.stored();
    a.p = const_cast<std::int32_t*>(shape.column_start.data());
    a.i = const_cast<std::int32_t*>(shape.row.data());
    a.stype = 1;  // symmetric: its upper triangle is stored
    a.itype = CHOLMOD_INT;
    a.xtype = CHOLMOD_PATTERN;
    a.dtype = CHOLMOD_DOUBLE;
    a.sorted = 1;
    a.packed = 1;
    return a;
}

// The order of the unknowns that METIS finds for the graph of their groups (links: each group's
// neighbours at start[g] .. start[g + 1], any order, repeats allowed; sorted and made unique
// here), each group's unknowns together and ascending; empty when CHOLMOD fails at it.
std::vector<std::int32_t> order_of_links(std::span<const std::int32_t> groups,
                                         std::span<const std::size_t> start,
                                         std::span<std::int32_t> links, cholmod_common& c) {
    const std::size_t n = start.size() - 1;
    std::vector<std::size_t> next(n);
    std::size_t entries = 0;
    for (std::size_t g = 0; g < n; ++g) {
        const auto first = links.begin() + static_cast<std::ptrdiff_t>(start[g]);
        const auto last = links.begin() + static_cast<std::ptrdiff_t>(start[g + 1]);
        std::sort(first, last);
        next[g] = static_cast<std::size_t>(std::unique(first, last) - links.begin());
        entries += next[g] - start[g] + 1;
    }
    cholmod_sparse* graph = cholmod_allocate_sparse(n, n, entries, 1, 1, 0, CHOLMOD_PATTERN, &c);
    std::vector<std::int32_t> order;
    if (graph == nullptr) return order;
    auto* p = static_cast<std::int32_t*>(graph->p);
    auto* i = static_cast<std::int32_t*>(graph->i);
    std::int32_t at = 0;
    for (std::size_t g = 0; g < n; ++g) {
        p[g] = at;
        bool diagonal = false;
        for (std::size_t l = start[g]; l < next[g]; ++l) {
            const std::int32_t h = links[l];
            if (!diagonal && h > static_cast<std::int32_t>(g)) {
                i[at++] = static_cast<std::int32_t>(g);
                diagonal = true;
            }
            i[at++] = h;
        }
        if (!diagonal) i[at++] = static_cast<std::int32_t>(g);
    }
    p[n] = at;
    graph->stype = 1;  // symmetric: its upper triangle is read
    std::vector<std::int32_t> group_order(n);
    const int done = cholmod_metis(graph, nullptr, 0, 1, group_order.data(), &c);
    cholmod_free_sparse(&graph, &c);
    if (!done) return order;
    // each group's unknowns, ascending, by a counting sort
    std::vector<std::size_t> member_start(n + 1, 0);
    for (const std::int32_t g : groups) ++member_start[static_cast<std::size_t>(g) + 1];
    for (std::size_t g = 0; g < n; ++g) member_start[g + 1] += member_start[g];
    std::vector<std::int32_t> members(groups.size());
    std::vector<std::size_t> fill(member_start.begin(), member_start.end() - 1);
    for (std::size_t k = 0; k < groups.size(); ++k)
        members[fill[static_cast<std::size_t>(groups[k])]++] = static_cast<std::int32_t>(k);
    order.reserve(groups.size());
    for (const std::int32_t g : group_order)
        for (std::size_t m = member_start[static_cast<std::size_t>(g)];
             m < member_start[static_cast<std::size_t>(g) + 1]; ++m)
            order.push_back(members[m]);
    return order;
}

// The same for the graph of the groups that the stored entries of a join.
std::vector<std::int32_t> grouped_order(const symmetric_matrix& a,
                                        std::span<const std::int32_t> groups, cholmod_common& c) {
    std::vector<std::size_t> start;
    std::vector<std::int32_t> links;
    matrix_links(a, groups, start, links);
    return order_of_links(groups, start, links, c);
}

}  // namespace

std::vector<std::int32_t> grouped_order(std::span<const std::int32_t> groups,
                                        std::span<const std::size_t> start,
                                        std::span<std::int32_t> links) {
    cholmod_common c;
    cholmod_start(&c);
    c.print = 0;
    std::vector<std::int32_t> order = order_of_links(groups, start, links, c);
    cholmod_finish(&c);
    return order;
}

cholesky::cholesky(const symmetric_matrix& pattern, std::span<const std::int32_t> groups,
                   bool quick_order)
    : lib_(std::make_unique<library>()) {
    analyse(pattern, groups, quick_order, {});
}

cholesky::cholesky(const symmetric_matrix& pattern, ordered given)
    : lib_(std::make_unique<library>()) {
    analyse(pattern, {}, false, given.order);
}

void cholesky::analyse(const symmetric_matrix& pattern, std::span<const std::int32_t> groups,
                       bool quick_order, std::span<const std::int32_t> given) {
    cholmod_common& c = lib_->common;
    cholmod_start(&c);
    c.print = 0;  // a matrix that is not positive definite is an answer, not a message
    c.supernodal = CHOLMOD_SUPERNODAL;
    c.quick_return_if_not_posdef = 1;
    // Nested dissection by METIS: on the disc of 23k triangles its factor needs 0.59 Gflop
    // against AMD's 1.03 (bench/RESULTS.md), and the gap grows with the mesh.
    c.nmethods = 1;
    c.method[0].ordering = quick_order ? CHOLMOD_AMD : CHOLMOD_METIS;
    const auto n = static_cast<std::size_t>(pattern.n);
    lib_->n = n;
    lib_->stored = pattern.stored();
    if (n == 0) return;  // nothing to factorise: every factor of it succeeds, every solve is empty
    cholmod_sparse a = view_of(pattern);
    std::vector<std::int32_t> order(given.begin(), given.end());
    if (order.empty() && !groups.empty()) order = grouped_order(pattern, groups, c);
    if (order.size() == n) {
        c.method[0].ordering = CHOLMOD_GIVEN;
        lib_->l = cholmod_analyze_p(&a, order.data(), nullptr, 0, &c);
    } else {
        lib_->l = cholmod_analyze(&a, &c);
    }
    cholmod_free_work(&c);  // the ordering's workspace
    const cholmod_factor* l = lib_->l;
    if (l == nullptr || c.status < CHOLMOD_OK)
        throw failure("cholesky: the analysis of the matrix failed (status " +
                      std::to_string(c.status) + ")");
    if (!l->is_super || l->itype != CHOLMOD_INT)
        throw failure("cholesky: the analysis gave no supernodal factor");
    lib_->numeric.emplace(lib_->layout(), pattern);
    lib_->solver.emplace(lib_->layout());
}

cholesky::~cholesky() = default;

void hold_library_threads() {
    // CHOLMOD's loops over a supernode's entries ask for their own team of threads, which
    // overrides a thread count set here: only no active parallel level holds them to this one.
    // A team forked per supernode on a busy machine tripled the time of a factorisation.
    omp_set_num_threads(1);
    omp_set_max_active_levels(0);
}

bool cholesky::factor(const symmetric_matrix& shape, std::span<const double> values,
                      double smallest, bool on_workers) {
    ready_ = lib_->n == 0;
    if (ready_) return true;
    if (static_cast<std::size_t>(shape.n) != lib_->n || shape.stored() != lib_->stored ||
        values.size() < shape.stored())
        throw failure("cholesky: a matrix of another pattern than the analysed one");
    if (!lib_->numeric->factor(values, on_workers)) return false;
    const double rcond = lib_->numeric->reciprocal_condition();
    lib_->taken = false;
    if (!(rcond >= smallest)) return false;
    ready_ = true;
    return true;
}

void cholesky::solve(std::span<const double> b, std::span<double> x, bool on_workers) {
    if (!ready_) throw failure("cholesky: solve without a factor");
    if (lib_->n == 0) return;
    if (!lib_->taken) lib_->solver->take(lib_->numeric->values());
    lib_->taken = true;
    lib_->solver->solve(b, x, on_workers);
}

}  // namespace sheet
