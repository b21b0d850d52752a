// Failure reporting, the handling of an interrupt, the console summary and the warning of folds.
#include "sheet/run/run_stages.hpp"

#include <csignal>
#include <cstdio>
#include <exception>
#include <new>

#include "sheet/run/interrupt.hpp"

namespace sheet {

int run_stages(const char* program, const std::function<void()>& stages) {
    // A file-size limit then fails the write (and the run) instead of killing the process.
    std::signal(SIGXFSZ, SIG_IGN);
    clean_up_on_interrupt();
    try {
        stages();
        return 0;
    } catch (const std::bad_alloc&) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s: out of memory\n", program);
    } catch (const std::exception& failure) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s: %s\n", program, failure.what());
    }
    return 1;
}

void print_summary(std::int32_t minor, bool optimal) {
    std::printf("\nMinor = %5d%s\n", static_cast<int>(minor),
                optimal ? "     Optimal" : "     NOT Optimal");
    std::fflush(stdout);
}

void warn_of_inverted_triangles(const char* program, const std::vector<element_row>& rows) {
    std::size_t inverted = 0;
    for (const element_row& row : rows) inverted += row.deformation.area_ratio <= 0.0 ? 1 : 0;
    if (inverted == 0) return;
    std::fflush(stdout);
    std::fprintf(stderr,
                 "%s: warning: %zu of %zu triangles are inverted (the sheet has folded); see "
                 "area_ratio in the .vtu\n",
                 program, inverted, rows.size());
}

}  // namespace sheet
