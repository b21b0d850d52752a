// The texts of a sweep's scripts, with the places they need written in (each a quoted shell
// word). The solvers' own options pass through untouched; --vtu and --history are the scripts',
// so that every case leaves the files the gathering reads.
#include "sheetprep/sweep_scripts.hpp"

#include <unistd.h>

#include <cctype>
#include <string_view>

namespace sheetprep {

namespace {

namespace fs = std::filesystem;

// text as one shell word in single quotes.
std::string shell_word(std::string_view text) {
    std::string out = "'";
    for (const char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string filled(std::string_view text, std::string_view mark, const std::string& value) {
    std::string out;
    for (std::size_t from = 0;;) {
        const std::size_t at = text.find(mark, from);
        out.append(text.substr(from, at == std::string_view::npos ? at : at - from));
        if (at == std::string_view::npos) return out;
        out += value;
        from = at + mark.size();
    }
}

const char* const run_case = R"script(#!/bin/bash
# Runs one case of a sweep made by sheetprep --sweep: the solver in the case's directory with
# --vtu result.vtu --history history.csv and the options given after PROGRAM. What it prints goes
# to stdout.txt and stderr.txt, its exit status to status.txt ("running" while it runs); an
# earlier result of the case is removed first. Exits with the solver's status.
#   usage: run-case.sh CASE_DIRECTORY PROGRAM [SOLVER OPTIONS...]
# DORVAN and MELVAR, when set, name the solvers; else those beside the sheetprep that made the
# sweep, else those on PATH.
set -u
if [ $# -lt 2 ]; then
    echo "usage: run-case.sh CASE_DIRECTORY PROGRAM [SOLVER OPTIONS...]" >&2
    exit 2
fi
directory=$1
program=$2
shift 2
case $program in
dorvan) solver=${DORVAN:-} built=@DORVAN@ ;;
melvar) solver=${MELVAR:-} built=@MELVAR@ ;;
*)
    echo "run-case.sh: unknown program '$program' (dorvan or melvar)" >&2
    exit 2
    ;;
esac
if [ -z "$solver" ]; then
    if [ -n "$built" ] && [ -x "$built" ]; then solver=$built; else solver=$program; fi
fi
cd "$directory" || exit 1
rm -f output.txt ansys.txt autocad.scr result.vtu result.pvd result-[0-9]*.vtu history.csv \
    stdout.txt stderr.txt status.txt.part
echo running > status.txt
# A signal that stops the solver (a job's time limit, Ctrl-C) is noted only once the solver has
# ended, so that its exit status is kept.
trap ':' INT TERM
"$solver" --vtu result.vtu --history history.csv "$@" > stdout.txt 2> stderr.txt < /dev/null
status=$?
echo "$status" > status.txt.part && mv -f status.txt.part status.txt
exit "$status"
)script";

const char* const run_parallel = R"script(#!/bin/bash
# Runs every case of this sweep with GNU parallel: one run per CPU at a time, each solver with
# --threads 1, the cases in the manifest's order; a case that fails stops none of the others.
# GNU parallel's job log goes to joblog.txt. Then: sheetprep --gather on this directory.
#   usage: run-parallel.sh [--jobs N] [--resume | --resume-failed] [SOLVER OPTIONS...]
# --jobs N: N runs at a time (default: one per CPU). --resume: run only the cases the job log
# does not list (after an interrupted run); --resume-failed: also those that failed. The SOLVER
# OPTIONS (--method newton, --steps 5, --tolerance-factor F, ...) go to every run; a --threads N
# among them takes the place of --threads 1.
set -u
here=$(cd "$(dirname "$0")" && pwd) || exit 1
jobs=100%
resume=()
while [ $# -gt 0 ]; do
    case $1 in
    --jobs)
        if [ $# -lt 2 ]; then
            echo "run-parallel.sh: --jobs needs a value" >&2
            exit 2
        fi
        jobs=$2
        shift 2
        ;;
    --jobs=*) jobs=${1#--jobs=} && shift ;;
    --resume | --resume-failed) resume=("$1") && shift ;;
    --) shift && break ;;
    *) break ;;
    esac
done
threads=(--threads 1)
for option in "$@"; do
    case $option in
    --threads | --threads=*) threads=() ;;
    --vtu | --vtu=* | --history | --history=*)
        echo "run-parallel.sh: $option is the script's own (result.vtu, history.csv)" >&2
        exit 2
        ;;
    esac
done
if ! command -v parallel > /dev/null; then
    echo "run-parallel.sh: GNU parallel is not installed (Debian: apt install parallel)" >&2
    exit 1
fi
bar=()
[ -t 2 ] && bar=(--bar)
tail -n +2 "$here/manifest.csv" |
    parallel --will-cite --jobs "$jobs" --joblog "$here/joblog.txt" "${resume[@]}" "${bar[@]}" \
        --colsep , -q "$here/run-case.sh" "$here/{2}" "{3}" "${threads[@]}" "$@"
status=$?
if [ "$status" -gt 0 ] && [ "$status" -le 101 ]; then
    echo "run-parallel.sh: $status case(s) failed (more than 100 if 101); each case's" \
        "stderr.txt says why, and sheetprep --gather tabulates them" >&2
fi
exit "$status"
)script";

const char* const run_slurm = R"script(#!/bin/bash
#SBATCH --job-name=@NAME@
#SBATCH --array=1-@CASES@
#SBATCH --ntasks=1
#SBATCH --cpus-per-task=1
#SBATCH --output=slurm-%A_%a.out
# A Slurm job array over the cases of this sweep: array task k runs case k (the manifest's line
# k + 1) through run-case.sh, with --threads as many as the CPUs the task is given. Each case is
# a task of its own, so one that fails stops none of the others.
#   usage, from this directory: sbatch run-slurm.sh [SOLVER OPTIONS...]
# sbatch's own options change the defaults above: --cpus-per-task=4, --time=1:00:00, or
# --array=1-@CASES@%50 to run at most 50 cases at a time. A cluster whose MaxArraySize is below
# the number of cases takes the sweep in parts, CASE_OFFSET added to the task's number:
#   sbatch --array=1-1000 run-slurm.sh
#   sbatch --array=1-1000 --export=ALL,CASE_OFFSET=1000 run-slurm.sh
# SWEEP_DIR names this directory when the job starts elsewhere and the one below is not seen.
set -u
sweep=${SWEEP_DIR:-${SLURM_SUBMIT_DIR:-$PWD}}
[ -f "$sweep/manifest.csv" ] || sweep=@SWEEP@
task=${SLURM_ARRAY_TASK_ID:-}
case $task in
'' | *[!0-9]*)
    echo "run-slurm.sh: SLURM_ARRAY_TASK_ID is '$task': submit this script with sbatch" >&2
    exit 2
    ;;
esac
offset=${CASE_OFFSET:-0}
case $offset in
'' | *[!0-9]*)
    echo "run-slurm.sh: CASE_OFFSET is '$offset', not a whole number" >&2
    exit 2
    ;;
esac
number=$((10#$task + 10#$offset))
line=$(sed -n "$((number + 1))p" "$sweep/manifest.csv")
IFS=, read -r case_number directory program rest <<< "$line"
if [ "$number" -lt 1 ] || [ "${case_number:-}" != "$number" ]; then
    echo "run-slurm.sh: the sweep in $sweep has no case $number" >&2
    exit 1
fi
threads=(--threads "${SLURM_CPUS_PER_TASK:-1}")
for option in "$@"; do
    case $option in
    --threads | --threads=*) threads=() ;;
    esac
done
exec "$sweep/run-case.sh" "$sweep/$directory" "$program" "${threads[@]}" "$@"
)script";

}  // namespace

script_places find_solvers(const fs::path& solver_dir, const fs::path& sweep) {
    script_places out;
    out.sweep = sweep;
    const auto beside = [&solver_dir](const char* name) {
        const fs::path candidate = solver_dir / name;
        return !solver_dir.empty() && ::access(candidate.c_str(), X_OK) == 0 ? candidate.string()
                                                                             : std::string();
    };
    out.dorvan = beside("dorvan");
    out.melvar = beside("melvar");
    return out;
}

std::string run_case_script(const script_places& places) {
    return filled(filled(run_case, "@DORVAN@", shell_word(places.dorvan)), "@MELVAR@",
                  shell_word(places.melvar));
}

std::string run_parallel_script(const script_places&) {
    return run_parallel;
}

std::string run_slurm_script(const script_places& places, std::size_t cases) {
    // The job's name goes on an #SBATCH line, which is not read as shell: no blanks nor quotes.
    std::string name = "sweep-" + places.sweep.filename().string();
    for (char& c : name)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.'))
            c = '_';
    return filled(filled(filled(run_slurm, "@NAME@", name), "@CASES@", std::to_string(cases)),
                  "@SWEEP@", shell_word(places.sweep.string()));
}

}  // namespace sheetprep
