#!/usr/bin/env bash
# Builds the libFuzzer targets in build-fuzz and fuzzes them for 2.5 x SECONDS seconds in all
# (default 60): 2 x SECONDS split evenly over dorvan's and melvar's input.txt and sheetprep's
# problem file, and SECONDS / 2 for sheetprep's .geo guard and gmsh behind it (sheetprep's two
# take inputs up to 256 KB, so that deep nesting is tried), each after replaying its kept
# regression inputs. Exits non-zero on any finding: a crash, a sanitizer report, a leak, a
# timeout, running out of memory, or a file written past the guard.
#   usage: bash fuzz/run.sh [SECONDS]
set -euo pipefail

seconds="${1:-60}"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"
build="$root/build-fuzz"

if ! command -v clang >/dev/null 2>&1 || ! command -v clang++ >/dev/null 2>&1; then
    echo "fuzz/run.sh: clang and clang++ (with the libFuzzer runtime) are needed but not found;" \
         "install them (e.g. the Debian package clang) and run again" >&2
    exit 1
fi

mkdir -p "$build"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DSHEET_FUZZ=ON -DSHEET_TESTS=OFF \
    -DSHEET_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$build/configure.log" 2>&1 || {
    cat "$build/configure.log" >&2
    echo "fuzz/run.sh: configuring the fuzz build failed" >&2
    exit 1
}
cmake --build "$build" -j2 --target fuzz_dorvan_input fuzz_melvar_input fuzz_sheetprep_problem \
    fuzz_sheetprep_geo

# Each target: its name, the seeds (corpus/NAME), its dictionary, its kept regressions, its share
# of SECONDS and any further options.
targets=("dorvan fuzz_dorvan_input input.dict regressions/*.txt 2/3"
         "melvar fuzz_melvar_input input.dict regressions/*.txt 2/3"
         "sheetprep fuzz_sheetprep_problem problem.dict regressions-problem/*.toml 2/3 -max_len=262144"
         "geo fuzz_sheetprep_geo geo.dict regressions-geo/*.geo 1/2 -max_len=262144")

status=0
for entry in "${targets[@]}"; do
    read -r name fuzzer dictionary kept fraction extra <<<"$entry"
    share=$(( seconds * ${fraction%/*} / ${fraction#*/} ))
    [ "$share" -ge 1 ] || share=1
    target="$build/$fuzzer"
    work="$build/corpus-work/$name"
    findings="$build/findings/$name"
    mkdir -p "$work" "$findings"
    options=(-timeout=10 -rss_limit_mb=2048 -dict="$here/$dictionary"
             -artifact_prefix="$findings/" -print_final_stats=1 $extra)

    # Every input that once failed runs once more, alone.
    regressions=($here/$kept)
    if [ -e "${regressions[0]}" ]; then
        echo "== $name: replaying ${#regressions[@]} regression inputs"
        if ! "$target" "${options[@]}" "${regressions[@]}" >"$findings/replay.log" 2>&1; then
            tail -n 40 "$findings/replay.log" >&2
            echo "fuzz/run.sh: FINDING: a regression input fails $fuzzer" >&2
            status=1
            continue
        fi
    fi

    # New inputs go to the work corpus; the seeds and regressions are only read.
    corpora=("$work" "$here/corpus/$name")
    [ -e "${regressions[0]}" ] && corpora+=("$(dirname "${regressions[0]}")")
    echo "== $name: fuzzing for $share s"
    if ! "$target" "${options[@]}" -max_total_time="$share" "${corpora[@]}" \
            >"$findings/fuzz.log" 2>&1; then
        tail -n 60 "$findings/fuzz.log" >&2
        echo "fuzz/run.sh: FINDING in $fuzzer; the input is in $findings/" >&2
        status=1
        continue
    fi
    grep -E '^(Done|stat::number_of_executed_units)' "$findings/fuzz.log" || true
done

if [ "$status" -eq 0 ]; then
    echo "fuzz/run.sh: no findings"
fi
exit "$status"
