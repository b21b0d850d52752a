// The files a run of either program writes, looked at before it computes anything: a run that
// could not write one of them ends at once instead of after its minimisation.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace sheet {

// What the command line asks a run to write beside ansys.txt, autocad.scr and output.txt.
struct requested_outputs {
    std::string vtu;      // --vtu FILE, or empty
    std::string history;  // --history FILE, or empty
    int steps = 1;        // --steps N: above 1, FILE-0001.vtu ... and FILE.pvd with --vtu
};

// Refuses a FILE of --vtu or --history (or a file of the load steps' series) that is something
// other than a regular file, a directory, a pipe or a device say, taken in directory (DIR, or
// empty for the working directory) as the run will take it: reports it on standard error as a
// mistake on the command line ("<program>: --vtu: '<FILE>' is a directory, not a regular file"
// and "Try '<program> --help'.") and returns 2. Otherwise nothing.
std::optional<int> refuse_irregular_outputs(const char* program, const std::string& directory,
                                            const requested_outputs& asked);

// In the run's directory, before input.txt is read: makes sure each of the run's files can be
// written (see prepare_outputs below), the fixed three and those asked for.
void prepare_run_outputs(const requested_outputs& asked);

// Makes sure each of names can be written, failing as its writer would ("cannot create <name>:
// <reason>"): what stands at the name (or where its symbolic links lead) is a regular file this
// process may write, or nothing, and its directory takes a new file (one is made and removed
// there). Removes first the temporaries that killed runs left for these names.
void prepare_outputs(const std::vector<std::string>& names);

}  // namespace sheet
