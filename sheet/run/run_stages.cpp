// Failure reporting, the handling of an interrupt, the console summary and the warning of folds.
#include "sheet/run/run_stages.hpp"

#include <csignal>
#include <cstdio>
#include <exception>
#include <new>
#include <string>

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

void print_chambers(const std::vector<chamber_reading>& chambers) {
    for (const chamber_reading& c : chambers)
        std::printf("Chamber %d: volume %.6g, pressure %.6g\n", static_cast<int>(c.number),
                    c.volume, c.pressure);
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

std::string rigid_motion_in_words(const rigid_freedom& freedom) {
    if (freedom.free.empty()) return "";
    const free_part& first = freedom.free.front();
    const std::string node = std::to_string(first.first_node);
    if (freedom.free.size() > 1)
        return "the supports leave " + std::to_string(freedom.free.size()) +
               " parts of the sheet free to move as rigid bodies (the one with node " + node +
               ": " + first.described + ")";
    if (freedom.parts > 1)
        return "the supports leave the part of the sheet with node " + node +
               " free to move as a rigid body (" + first.described + ")";
    return "the supports leave the sheet free to move as a rigid body (" + first.described + ")";
}

std::string with_rigid_motion(const std::string& what, const rigid_freedom& freedom) {
    if (freedom.free.empty()) return what;
    return what + "; " + rigid_motion_in_words(freedom);
}

void warn_of_rigid_motion(const char* program, const rigid_freedom& freedom) {
    if (freedom.free.empty()) return;
    std::fflush(stdout);
    std::fprintf(stderr,
                 "%s: warning: %s; hold a component against each of these motions, or the "
                 "result may drift along them\n",
                 program, rigid_motion_in_words(freedom).c_str());
}

}  // namespace sheet
