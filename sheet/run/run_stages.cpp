// Failure reporting, the handling of an interrupt, and the console summary.
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

}  // namespace sheet
