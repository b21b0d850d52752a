// The table of temporary files that an interrupted run removes: it holds the files being
// written and no finished one, and a full table leaves a write unprotected but working.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "sheet/output/temporaries.hpp"
#include "sheet/output/text_file.hpp"
#include "support/program_run.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::read_file;

std::size_t entries(const fs::path& dir) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

TEST(temporaries, hold_the_files_being_written_and_no_finished_one) {
    testing_support::scratch_dir dir;
    sheet::text_file finished((dir.path() / "finished.txt").string());
    finished.put("whole");
    finished.commit();
    std::vector<std::unique_ptr<sheet::text_file>> open;
    for (int i = 0; i < 20; ++i)  // more than the table holds
        open.push_back(std::make_unique<sheet::text_file>(
            (dir.path() / ("open" + std::to_string(i))).string()));
    EXPECT_EQ(entries(dir.path()), 21u);
    sheet::temporaries::remove_all();
    EXPECT_EQ(entries(dir.path()), 5u) << "sixteen temporaries are removed, four unprotected stay";
    EXPECT_EQ(read_file(dir.path() / "finished.txt"), "whole");
    open.back()->put("written all the same");
    open.back()->commit();
    EXPECT_EQ(read_file(dir.path() / "open19"), "written all the same");
    open.clear();
    EXPECT_EQ(entries(dir.path()), 2u);
}

}  // namespace
