#!/usr/bin/env bash
# Quick check that every benchmark runs: each executable once, briefly, then a whole run of a
# 20 x 20 sheet with both programs. Exits non-zero when anything fails. Measures nothing.
#
#   bench/smoke.sh [BUILD_DIR]     (default: build; needs the bench_* targets built there)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
objects="$build/objects/bench"

for name in bench_input bench_objective bench_direction bench_writers; do
    if [[ ! -x "$objects/$name" ]]; then
        echo "smoke: $objects/$name is not built" >&2
        exit 1
    fi
    echo "== $name"
    "$objects/$name" --benchmark_min_time=0.001 --benchmark_repetitions=1
done

echo "== whole run, 20 x 20"
SIZES=20 CAP=20 bash "$here/whole_run.sh" "$build"
echo "smoke: all benchmarks ran"
