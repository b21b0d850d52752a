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
    std::size_t n = 0;                         // rows and columns
    std::size_t stored = 0;                    // entries of the analysed pattern
    supernodal_structure structure;            // the factor's
    std::optional<supernodal_factor> numeric;  // the numbers on it
    std::optional<supernodal_solve> solver;
    bool taken = false;  // whether the solver has the latest factor
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

// CHOLMOD's workspace for one call, started and finished with it.
struct common_scope {
    cholmod_common c{};
    common_scope() {
        cholmod_start(&c);
        c.print = 0;
    }
    ~common_scope() { cholmod_finish(&c); }
    common_scope(const common_scope&) = delete;
    common_scope& operator=(const common_scope&) = delete;
};

// The analysis makes supernodes and orders by nested dissection (METIS) or, quick, by
// approximate minimum degree. Nested dissection: on the disc of 23k triangles its factor needs
// 0.59 Gflop against AMD's 1.03 (bench/RESULTS.md), and the gap grows with the mesh.
void choose_analysis(cholmod_common& c, bool quick_order) {
    c.supernodal = CHOLMOD_SUPERNODAL;
    c.nmethods = 1;
    c.method[0].ordering = quick_order ? CHOLMOD_AMD : CHOLMOD_METIS;
}

// A symbolic factor of the library, freed with its scope.
struct factor_scope {
    cholmod_factor* l;
    cholmod_common& c;
    factor_scope(cholmod_factor* made, cholmod_common& common) : l(made), c(common) {}
    ~factor_scope() { cholmod_free_factor(&l, &c); }
    factor_scope(const factor_scope&) = delete;
    factor_scope& operator=(const factor_scope&) = delete;
};

std::span<const std::int32_t> view(void* data, std::size_t count) {
    return {static_cast<const std::int32_t*>(data), count};
}

// Whether the analysis gave a factor (not when the library failed at it, as for memory);
// throws when that factor is not supernodal with 32-bit indices, which we cannot read.
bool readable(const cholmod_factor* l, const cholmod_common& c) {
    if (l == nullptr || c.status < CHOLMOD_OK) return false;
    if (!l->is_super || l->itype != CHOLMOD_INT)
        throw failure("cholesky: the analysis gave no supernodal factor");
    return true;
}

// The structure of the symbolic factor l of the graph of the groups that hold unknowns
// (index: a group's number among them, -1 for the others; count of them), each group's unknowns
// put in its place.
supernodal_structure expand_groups(const cholmod_factor& l, std::span<const std::int32_t> groups,
                                   std::span<const std::int32_t> index, std::size_t count) {
    const std::size_t supernodes = l.nsuper;
    const std::span<const std::int32_t> perm = view(l.Perm, count);
    const std::span<const std::int32_t> super = view(l.super, supernodes + 1);
    const std::span<const std::int32_t> pi = view(l.pi, supernodes + 1);
    const std::span<const std::int32_t> rows = view(l.s, static_cast<std::size_t>(pi[supernodes]));
    // each held group's unknowns, ascending, by a counting sort
    std::vector<std::size_t> member_start(count + 1, 0);
    for (const std::int32_t g : groups)
        ++member_start[static_cast<std::size_t>(index[static_cast<std::size_t>(g)]) + 1];
    for (std::size_t h = 0; h < count; ++h) member_start[h + 1] += member_start[h];
    std::vector<std::int32_t> members(groups.size());
    std::vector<std::size_t> fill(member_start.begin(), member_start.end() - 1);
    for (std::size_t k = 0; k < groups.size(); ++k)
        members[fill[static_cast<std::size_t>(index[static_cast<std::size_t>(groups[k])])]++] =
            static_cast<std::int32_t>(k);
    // the order, and where each place of the groups' order begins in it
    supernodal_structure out;
    out.order.reserve(groups.size());
    std::vector<std::int32_t> place(count + 1, 0);
    for (std::size_t k = 0; k < count; ++k) {
        const auto h = static_cast<std::size_t>(perm[k]);
        for (std::size_t m = member_start[h]; m < member_start[h + 1]; ++m)
            out.order.push_back(members[m]);
        place[k + 1] = static_cast<std::int32_t>(out.order.size());
    }
    out.first_column.resize(supernodes + 1);
    out.row_start.resize(supernodes + 1);
    out.value_start.resize(supernodes + 1);
    std::int64_t entries = 0;
    for (std::size_t s = 0; s <= supernodes; ++s) {
        out.first_column[s] = place[static_cast<std::size_t>(super[s])];
        out.row_start[s] = static_cast<std::int32_t>(out.rows.size());
        out.value_start[s] = static_cast<std::int32_t>(entries);
        if (s == supernodes) break;
        for (auto r = static_cast<std::size_t>(pi[s]); r < static_cast<std::size_t>(pi[s + 1]);
             ++r) {
            const auto k = static_cast<std::size_t>(rows[r]);
            for (std::int32_t u = place[k]; u < place[k + 1]; ++u) out.rows.push_back(u);
        }
        const std::int64_t width = place[static_cast<std::size_t>(super[s + 1])] -
                                   place[static_cast<std::size_t>(super[s])];
        const std::int64_t height = static_cast<std::int64_t>(out.rows.size()) - out.row_start[s];
        entries += width * height;
        if (entries > INT32_MAX || out.rows.size() > static_cast<std::size_t>(INT32_MAX))
            throw failure("cholesky: the factor has more entries than 32-bit numbers can count");
    }
    return out;
}

// The analysis of the graph of the groups that links name (see grouped_analysis).
std::optional<supernodal_structure> analyse_groups(std::span<const std::int32_t> groups,
                                                   std::span<const std::size_t> start,
                                                   std::span<std::int32_t> links,
                                                   bool quick_order) {
    const std::size_t count = start.size() - 1;
    // the groups that hold unknowns, numbered in ascending order
    std::vector<std::int32_t> index(count, -1), held;
    for (const std::int32_t g : groups) {
        if (g < 0 || static_cast<std::size_t>(g) >= count)
            throw failure("cholesky: an unknown's group beyond the groups linked");
        index[static_cast<std::size_t>(g)] = 0;
    }
    for (std::size_t g = 0; g < count; ++g)
        if (index[g] == 0) {
            index[g] = static_cast<std::int32_t>(held.size());
            held.push_back(static_cast<std::int32_t>(g));
        }
    const std::size_t n = held.size();
    // the upper triangle of the graph, its diagonal with it
    std::vector<std::size_t> next(count);
    std::size_t entries = 0;
    for (std::size_t g = 0; g < count; ++g) {
        const auto first = links.begin() + static_cast<std::ptrdiff_t>(start[g]);
        const auto last = links.begin() + static_cast<std::ptrdiff_t>(start[g + 1]);
        std::sort(first, last);
        next[g] = static_cast<std::size_t>(std::unique(first, last) - links.begin());
        entries += next[g] - start[g] + 1;
    }
    common_scope scope;
    cholmod_common& c = scope.c;
    choose_analysis(c, quick_order);
    // Supernodes are merged by their count of columns, here groups: a third of the library's
    // own counts (4, 16, 48) keeps them as wide as the matrix's own analysis makes them for a
    // mesh node's three components. The library's counts on the groups made the peak memory of
    // the 300 x 300 sheet's run a sixth larger and its factorisation and solves slower.
    c.nrelax[0] = 1;
    c.nrelax[1] = 5;
    c.nrelax[2] = 16;
    cholmod_sparse* graph = cholmod_allocate_sparse(n, n, entries, 1, 1, 1, CHOLMOD_PATTERN, &c);
    if (graph == nullptr) return std::nullopt;
    auto* p = static_cast<std::int32_t*>(graph->p);
    auto* i = static_cast<std::int32_t*>(graph->i);
    std::int32_t at = 0;
    for (std::size_t j = 0; j < n; ++j) {
        const auto g = static_cast<std::size_t>(held[j]);
        p[j] = at;
        for (std::size_t l = start[g]; l < next[g]; ++l) {
            const std::int32_t h = index[static_cast<std::size_t>(links[l])];
            if (h >= 0 && h < static_cast<std::int32_t>(j)) i[at++] = h;
        }
        i[at++] = static_cast<std::int32_t>(j);
    }
    p[n] = at;
    factor_scope l{cholmod_analyze(graph, &c), c};
    cholmod_free_sparse(&graph, &c);
    if (!readable(l.l, c)) return std::nullopt;
    return expand_groups(*l.l, groups, index, n);
}

}  // namespace

std::optional<supernodal_structure> grouped_analysis(std::span<const std::int32_t> groups,
                                                     std::span<const std::size_t> start,
                                                     std::span<std::int32_t> links) {
    return analyse_groups(groups, start, links, false);
}

cholesky::cholesky(const symmetric_matrix& pattern, std::span<const std::int32_t> groups,
                   bool quick_order)
    : lib_(std::make_unique<library>()) {
    analyse(pattern, groups, quick_order);
}

cholesky::cholesky(const symmetric_matrix& pattern, supernodal_structure analysed)
    : lib_(std::make_unique<library>()) {
    if (analysed.order.size() != static_cast<std::size_t>(pattern.n))
        throw failure("cholesky: a structure analysed for another matrix");
    take(pattern, std::move(analysed));
}

void cholesky::analyse(const symmetric_matrix& pattern, std::span<const std::int32_t> groups,
                       bool quick_order) {
    const auto n = static_cast<std::size_t>(pattern.n);
    if (n == 0) {
        take(pattern, {});
        return;
    }
    if (!groups.empty()) {
        std::vector<std::size_t> start;
        std::vector<std::int32_t> links;
        matrix_links(pattern, groups, start, links);
        if (std::optional<supernodal_structure> analysed =
                analyse_groups(groups, start, links, quick_order)) {
            take(pattern, std::move(*analysed));
            return;
        }
    }
    common_scope scope;
    cholmod_common& c = scope.c;
    choose_analysis(c, quick_order);
    cholmod_sparse a = view_of(pattern);
    factor_scope l{cholmod_analyze(&a, &c), c};
    if (!readable(l.l, c))
        throw failure("cholesky: the analysis of the matrix failed (status " +
                      std::to_string(c.status) + ")");
    const std::size_t supernodes = l.l->nsuper;
    const std::span<const std::int32_t> row_start = view(l.l->pi, supernodes + 1);
    const auto copy = [](std::span<const std::int32_t> from) {
        return std::vector<std::int32_t>(from.begin(), from.end());
    };
    take(pattern, {copy(view(l.l->super, supernodes + 1)), copy(row_start),
                   copy(view(l.l->px, supernodes + 1)),
                   copy(view(l.l->s, static_cast<std::size_t>(row_start[supernodes]))),
                   copy(view(l.l->Perm, n))});
}

void cholesky::take(const symmetric_matrix& pattern, supernodal_structure structure) {
    lib_->n = static_cast<std::size_t>(pattern.n);
    lib_->stored = pattern.stored();
    if (lib_->n == 0)
        return;  // nothing to factorise: every factor of it succeeds, every solve is empty
    lib_->structure = std::move(structure);
    lib_->numeric.emplace(lib_->structure.layout(), pattern);
    lib_->solver.emplace(lib_->structure.layout());
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
