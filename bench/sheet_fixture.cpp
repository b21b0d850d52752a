// Loading, starting and deforming the benchmarks' sheets once per process.
#include "bench/sheet_fixture.hpp"

#include <unistd.h>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>

#include "sheet/input/scanner.hpp"
#include "support/laws.hpp"

namespace bench {

namespace {

// Displacement noise relative to the grid spacing of the generated unit square.
constexpr double displacement_noise = 0.05 / BENCH_SHEET_SIZE;
constexpr double thickness_noise = 0.01;

void deform(terms::real_vector& x, std::int32_t free_count, std::int32_t unknown_count) {
    std::mt19937_64 random(20240601);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    for (std::int32_t k = 1; k <= free_count; ++k) x(k) = displacement_noise * unit(random);
    for (std::int32_t k = free_count + 1; k <= unknown_count; ++k)
        x(k) = 1.0 + thickness_noise * unit(random);
}

}  // namespace

const std::string& sheet_text(const std::string& program) {
    static std::map<std::string, std::string> texts;
    auto found = texts.find(program);
    if (found == texts.end()) {
        const std::string name = std::string(BENCH_DATA_DIR) + "/sheet" +
                                 std::to_string(BENCH_SHEET_SIZE) + "-" + program + ".txt";
        std::ifstream file(name, std::ios::binary);
        if (!file) throw std::runtime_error("cannot read " + name);
        std::ostringstream text;
        text << file.rdbuf();
        found = texts.emplace(program, text.str()).first;
    }
    return found->second;
}

started_sheet<dorvan::kinematics>& dorvan_sheet(std::int32_t material) {
    static std::map<std::int32_t, std::unique_ptr<started_sheet<dorvan::kinematics>>> models;
    std::unique_ptr<started_sheet<dorvan::kinematics>>& sheet = models[material];
    if (!sheet) {
        sheet = std::make_unique<started_sheet<dorvan::kinematics>>();
        dorvan::model& m = sheet->model;
        sheet::scanner in("input.txt", sheet_text("dorvan"));
        dorvan::program::input(m, in);
        if (material == 2) m.law = dorvan::mooney_rivlin{0.4, 0.1, 4.0};
        sheet->run.emplace(dorvan::program::start(m));
        deform(m.unknowns.x, m.numbering.free_count, m.numbering.unknown_count);
    }
    return *sheet;
}

started_sheet<melvar::kinematics>& melvar_sheet(std::int32_t material) {
    static std::map<std::int32_t, std::unique_ptr<started_sheet<melvar::kinematics>>> models;
    std::unique_ptr<started_sheet<melvar::kinematics>>& sheet = models[material];
    if (!sheet) {
        sheet = std::make_unique<started_sheet<melvar::kinematics>>();
        melvar::model& m = sheet->model;
        sheet::scanner in("input.txt", sheet_text("melvar"));
        melvar::program::input(m, in);
        if (material == 2) m.law = melvar::mooney_rivlin{0.4, 0.1};
        if (material == 3) m.law = testing_support::melvar_law(3, {1.0, 2.0});
        sheet->run.emplace(melvar::program::start(m));
        deform(m.unknowns.x, m.numbering.free_count, m.numbering.free_count);
    }
    return *sheet;
}

namespace {

// The scratch directory, removed with its contents when the process ends.
struct scratch {
    std::filesystem::path path;
    scratch() {
        std::string pattern = std::filesystem::temp_directory_path() / "sheet-bench.XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot create a scratch directory");
        path = pattern;
        std::filesystem::current_path(path);
    }
    ~scratch() {
        std::error_code ignored;
        std::filesystem::current_path(std::filesystem::temp_directory_path(), ignored);
        std::filesystem::remove_all(path, ignored);
    }
};

}  // namespace

const std::filesystem::path& enter_scratch_dir() {
    static const scratch dir;
    return dir.path;
}

}  // namespace bench
