#!/usr/bin/env bash
# A sweep of 64 small cases (the balloon octant of examples/balloon meshed finer, 2450
# triangles, its wall thickness and pressure 8 x 8, in 3 load steps) run two ways side by side,
# in alternating rounds: GNU parallel with one single-threaded run per CPU (run-parallel.sh
# --jobs CPUS), and one case after another, each run with --threads CPUS (run-case.sh in a
# loop). Both write the same files per case. Prints each round's times, the machine load
# before it, and the ratio.
#   usage: bash bench/sweep_speed.sh [BUILD_DIR] [ROUNDS] [CPUS] [MESH_SIZE]
# (defaults: build 2 2 0.04; MESH_SIZE "" keeps the example's mesh of 398 triangles).
# On a machine shared with other work, Linux gives each session's processes together one
# share of the CPUs (autogroups), so that two runs at once get no more than one: run it as
#   setsid bash -c 'echo -19 > /proc/self/autogroup && bash bench/sweep_speed.sh'
# (as root) for figures near those of an idle machine.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
rounds=${2:-2}
cpus=${3:-2}
mesh_size=${4-0.04}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cp "$here/examples/balloon/octant.geo" "$work/"
sed "s/^title = .*/&${mesh_size:+\\nmesh_size = $mesh_size}/" "$here/examples/balloon/problem.toml" \
    > "$work/problem.toml"
cat >> "$work/problem.toml" << 'EOF'

[sweep]
"sheet.thickness" = [0.010, 0.011, 0.012, 0.013, 0.014, 0.015, 0.016, 0.017]
"load.skin.pressure" = [0.002, 0.003, 0.004, 0.005, 0.006, 0.007, 0.008, 0.009]
EOF
"$build/sheetprep" --sweep "$work/study" "$work/problem.toml" > /dev/null
export MELVAR="$build/melvar"

seconds() { date +%s.%N; }
# a op b in floating point
calc() { awk "BEGIN { print $1 }"; }
total_one=0
total_parallel=0
for round in $(seq "$rounds"); do
    echo "round $round: load $(cut -d' ' -f1-3 /proc/loadavg)"
    start=$(seconds)
    while IFS=, read -r _ directory program _; do
        "$work/study/run-case.sh" "$work/study/$directory" "$program" --threads "$cpus" \
            --steps 3 --quiet || true
    done < <(tail -n +2 "$work/study/manifest.csv")
    one=$(calc "$(seconds) - $start")
    rm -f "$work/study/joblog.txt"
    start=$(seconds)
    "$work/study/run-parallel.sh" --jobs "$cpus" --steps 3 --quiet || true
    all=$(calc "$(seconds) - $start")
    printf '  one after another (--threads %s)  %7.2f s\n' "$cpus" "$one"
    printf '  GNU parallel (--jobs %s)            %7.2f s   ratio %.2f\n' "$cpus" "$all" \
        "$(calc "$one / $all")"
    total_one=$(calc "$total_one + $one")
    total_parallel=$(calc "$total_parallel + $all")
done
"$build/sheetprep" --gather "$work/study" | sed 's/^/  /'
printf 'all rounds: one after another %.2f s, GNU parallel %.2f s, ratio %.2f\n' "$total_one" \
    "$total_parallel" "$(calc "$total_one / $total_parallel")"
