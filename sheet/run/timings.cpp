// The time split's stages and its lines on standard error.
#include "sheet/run/timings.hpp"

#include <cstdio>

namespace sheet {

void run_timings::mark(const char* stage) {
    const clock::time_point now = clock::now();
    const double seconds = std::chrono::duration<double>(now - last_).count();
    last_ = now;
    for (auto& [name, sum] : stages_)
        if (name == stage) {
            sum += seconds;
            return;
        }
    stages_.emplace_back(stage, seconds);
}

void run_timings::print(const char* program) const {
    if (!wanted_) return;
    std::string line = std::string(program) + ": timings:";
    char number[64];
    for (const auto& [name, seconds] : stages_) {
        std::snprintf(number, sizeof number, " %s %.3f s,", name.c_str(), seconds);
        line += number;
    }
    std::snprintf(number, sizeof number, " total %.3f s",
                  std::chrono::duration<double>(clock::now() - first_).count());
    line += number;
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", line.c_str());
    if (!has_newton_) return;
    const newton_times& n = newton_;
    std::fprintf(stderr,
                 "%s: timings: newton: pattern and analysis %.3f s, start %.3f s, assembly %.3f s, "
                 "%lld factorisations (+%lld failed) %.3f s, %lld CG solves (%lld iterations) + "
                 "direct solves %.3f s, line search and the rest %.3f s\n",
                 program, n.setup, n.start, n.assembly, static_cast<long long>(n.factorisations),
                 static_cast<long long>(n.failed_factorisations), n.factor,
                 static_cast<long long>(n.cg_solves), static_cast<long long>(n.cg_iterations),
                 n.solve, n.total - n.setup - n.start - n.assembly - n.factor - n.solve);
}

}  // namespace sheet
