// Work in a child process: its result or failure comes back, and a loop without end, a
// hunger for memory, a crash or an exit without a result is told apart and never reaches us.
#include <gtest/gtest.h>

#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <thread>
#include <vector>

#include "sheet/failure.hpp"
#include "sheetprep/child_process.hpp"

namespace {

using namespace sheetprep;

const child_limits some{20.0, std::uint64_t{2} << 30};

TEST(run_in_child, hands_back_the_bytes_of_the_work_or_its_failure) {
    std::string big(3 << 20, 'x');  // more than a pipe holds at once
    big[12345] = '\0';
    const child_result r = run_in_child([&] { return big; }, some);
    EXPECT_EQ(r.end, child_end::done);
    EXPECT_EQ(r.bytes, big);
    const child_result failed = run_in_child(
        []() -> std::string { throw sheet::failure("gmsh failed on a.geo: no"); }, some);
    EXPECT_EQ(failed.end, child_end::failed);
    EXPECT_EQ(failed.bytes, "gmsh failed on a.geo: no");
}

TEST(run_in_child, kills_a_work_without_end_at_the_time_limit) {
    const child_result r = run_in_child(
        []() -> std::string {
            volatile int spin = 0;
            while (spin == 0) {
            }
            return "";
        },
        {0.3, 0});
    EXPECT_EQ(r.end, child_end::timed_out);
    EXPECT_EQ(r.bytes, "");
}

TEST(run_in_child, stops_a_work_that_takes_more_memory_than_allowed) {
    const child_result r = run_in_child(
        [] {
            std::vector<std::vector<char>> blocks;
            for (int k = 0; k < 64; ++k) blocks.emplace_back(std::size_t{16} << 20, 'x');
            return std::string(1, blocks.back().back());
        },
        {20.0, std::uint64_t{256} << 20});
    EXPECT_EQ(r.end, child_end::out_of_memory);
}

// As a std::bad_alloc thrown in one of gmsh's threads did (std::terminate, then abort), and as
// gmsh's Exit did (status 0 and no result).
TEST(run_in_child, tells_a_crash_by_its_signal_and_an_exit_without_a_result) {
    const child_result crash = run_in_child([]() -> std::string { std::abort(); }, some);
    EXPECT_EQ(crash.end, child_end::crashed);
    EXPECT_EQ(crash.signal, SIGABRT);
    const child_result exit = run_in_child([]() -> std::string { std::_Exit(0); }, some);
    EXPECT_EQ(exit.end, child_end::crashed);
    EXPECT_EQ(exit.signal, 0);
    EXPECT_EQ(exit.exit_status, 0);
}

// gmsh throws its errors from inside its OpenMP loops, where they end in std::terminate.
TEST(run_in_child, hands_back_the_message_of_an_exception_that_left_a_thread) {
    const child_result r = run_in_child(
        [] {
            std::thread([] { throw std::string("not a closed loop"); }).join();
            return std::string("unreached");
        },
        some);
    EXPECT_EQ(r.end, child_end::failed);
    EXPECT_TRUE(r.escaped);
    EXPECT_EQ(r.bytes, "not a closed loop");
}

TEST(run_in_child, keeps_the_work_off_our_standard_output) {
    testing::internal::CaptureStdout();
    const child_result r = run_in_child(
        [] {
            std::puts("from the child");
            std::fflush(stdout);
            return std::string("done");
        },
        some);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(r.bytes, "done");
}

}  // namespace
