// Runs the programs as a user would: in a directory holding input.txt.
#include "support/program_run.hpp"

#include <sys/wait.h>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace testing_support {

namespace fs = std::filesystem;

scratch_dir::scratch_dir() {
    std::random_device seed;
    std::mt19937_64 pick(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path candidate = fs::temp_directory_path() / ("sheet-test-" + std::to_string(pick()));
        if (fs::create_directory(candidate)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a scratch directory");
}

scratch_dir::~scratch_dir() {
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
}

std::string read_file(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + file.string());
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_file(const fs::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary);
    out << text;
    if (!out) throw std::runtime_error("cannot write " + file.string());
}

run_result run_in(const std::string& program, const fs::path& dir, const std::string& arguments) {
    run_result result;
    result.dir = dir;
    const fs::path out = dir / ".stdout.capture";
    const fs::path err = dir / ".stderr.capture";
    const std::string command = "cd '" + dir.string() + "' && '" + program + "' " + arguments +
                                " > '" + out.string() + "' 2> '" + err.string() + "' < /dev/null";
    const int status = std::system(command.c_str());
    if (WIFEXITED(status))
        result.exit_status = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        result.exit_status = 128 + WTERMSIG(status);
    result.out = read_file(out);
    result.err = read_file(err);
    fs::remove(out);
    fs::remove(err);
    return result;
}

run_result run_with_input(const std::string& program, const fs::path& dir,
                          const std::string& input_text) {
    write_file(dir / "input.txt", input_text);
    return run_in(program, dir);
}

std::string example_file(const std::string& example, const std::string& name) {
    return read_file(fs::path(TEST_DATA_DIR) / "examples" / example / name);
}

}  // namespace testing_support
