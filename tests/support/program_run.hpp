// Running a built program in a fresh directory of its own and reading what it left behind.
#pragma once

#include <filesystem>
#include <string>

namespace testing_support {

struct run_result {
    int exit_status = -1;       // exit status, or 128 + signal when killed
    std::string out;            // standard output
    std::string err;            // standard error
    std::filesystem::path dir;  // the working directory of the run
};

// A new empty directory under the system's temporary directory, removed by the destructor.
class scratch_dir {
public:
    scratch_dir();
    ~scratch_dir();
    scratch_dir(const scratch_dir&) = delete;
    scratch_dir& operator=(const scratch_dir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Runs program with the working directory dir and returns what it printed and its status.
// arguments is appended to the command as the shell reads it.
run_result run_in(const std::string& program, const std::filesystem::path& dir,
                  const std::string& arguments = "");

// Writes input_text as input.txt into dir, then runs program there.
run_result run_with_input(const std::string& program, const std::filesystem::path& dir,
                          const std::string& input_text);

std::string read_file(const std::filesystem::path& file);
void write_file(const std::filesystem::path& file, const std::string& text);

// The text of a worked example's file, e.g. example_file("one-triangle-dorvan", "input.txt") or
// example_file("one-triangle-dorvan", "expected/output.txt").
std::string example_file(const std::string& example, const std::string& name);

// Program paths, as built beside the tests.
inline std::string dorvan_exe() {
    return DORVAN_EXE;
}
inline std::string melvar_exe() {
    return MELVAR_EXE;
}

}  // namespace testing_support
