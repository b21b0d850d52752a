#!/usr/bin/env bash
# The end-to-end targets in one run: melvar against the scipy peer on the 100 x 100 benchmark
# sheet, dorvan's whole-run time per element evaluation against the bare one-thread element loop
# at 300 x 300, and the peak memory of both programs at 300 x 300 against what they must hold.
#
#   bench/peer_compare.sh [BUILD_DIR]   (default: build; needs BUILD_DIR/dorvan, BUILD_DIR/melvar
#                                        and BUILD_DIR/objects/bench/count_evaluations)
# Environment:
#   SHARED   the directory with peer/perfgen.py, peer/scipy_melvar.py and calib/kernel.cpp,
#            default ../shared beside the repository
#   REPEAT   runs of each timed command, the fastest counts, default 3 (melvar's and the peer's
#            runs alternate)
#   THREADS  a --threads value for both programs, default none (their own choice)
#   WORK     directory for the sheets and runs, default a fresh temporary one (removed after)
# Every ratio is formed from figures of this one invocation.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
shared=$(cd "${SHARED:-$here/../../shared}" && pwd)
repeat=${REPEAT:-3}
threads=()
[[ -n "${THREADS:-}" ]] && threads=(--threads "$THREADS")
if [[ -n "${WORK:-}" ]]; then
    work=$WORK
    mkdir -p "$work"
else
    work=$(mktemp -d "${TMPDIR:-/tmp}/peer-compare.XXXXXX")
    trap 'rm -rf "$work"' EXIT
fi
counter=$build/objects/bench/count_evaluations
for exe in "$build/dorvan" "$build/melvar" "$counter"; do
    [[ -x "$exe" ]] || { echo "peer_compare: $exe not built" >&2; exit 1; }
done

/usr/bin/python3 -c 'import numpy, scipy' 2>/dev/null ||
    { echo "peer_compare: the peers need numpy and scipy for /usr/bin/python3 (Debian: python3-scipy)" >&2; exit 1; }
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg); CPUs: $(nproc)"

# fastest COMMAND...: runs the command $repeat times in the current directory under
# /usr/bin/time, its standard output into stdout.txt; prints "wall cpu peak_kb" of the fastest
# run (peak: the largest of all runs).
fastest() {
    local best="" peak=0 line wall cpu kb
    for _ in $(seq "$repeat"); do
        /usr/bin/time -o time.txt -f "%e %U %S %M" "$@" >stdout.txt 2>/dev/null
        read -r wall user system kb <time.txt
        cpu=$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }')
        (( kb > peak )) && peak=$kb
        if [[ -z "$best" ]] || awk -v a="$wall" -v b="${best%% *}" 'BEGIN { exit !(a < b) }'; then
            best="$wall $cpu"
        fi
    done
    echo "$best $peak"
}

# The bare element loop, built with the project's flags.
g++ -std=c++20 -O3 -ffp-contract=off -fno-math-errno "$shared/calib/kernel.cpp" -o "$work/kernel"
kernel_ns=$(for _ in $(seq "$repeat"); do "$work/kernel" 300; done |
    sed -n 's/.* \([0-9.]*\) ns\/element.*/\1/p' | sort -g | head -1)

# melvar 100 x 100 to convergence against the scipy peer (its own total: reading and minimising).
mkdir -p "$work/m100"
/usr/bin/python3 "$shared/peer/perfgen.py" 100 100 --program melvar --out "$work/m100" >/dev/null
cd "$work/m100"
# The two alternate, one run each in turn, so that both meet the same minutes of the machine.
m_wall=""
for _ in $(seq "$repeat"); do
    read -r wall cpu _ < <(repeat=1 fastest "$build/melvar" "${threads[@]}")
    if [[ -z "$m_wall" ]] || awk -v a="$wall" -v b="$m_wall" 'BEGIN { exit !(a < b) }'; then
        m_wall=$wall
        m_cpu=$cpu
    fi
    env -u OPENBLAS_CORETYPE -u OPENBLAS_L2_SIZE /usr/bin/python3 "$shared/peer/scipy_melvar.py"
done >peer.txt
m_iterations=$(sed -n 's/^Minor = *\([0-9]*\).*/\1/p' stdout.txt)
peer_total=$(sed -n 's/.*nit \([0-9]*\).*total_s \([0-9.]*\).*/\2 \1/p' peer.txt | sort -g | head -1)
read -r peer_s peer_iterations <<<"$peer_total"

# dorvan 300 x 300, 40 iterations, memory 10; melvar the same for its memory.
for program in dorvan melvar; do
    mkdir -p "$work/$program-300"
    /usr/bin/python3 "$shared/peer/perfgen.py" 300 300 --program "$program" \
        --out "$work/$program-300" >/dev/null
    sed -i '3s/^\(\S* \S* \S* \S*\) 2000 /\1 40 /' "$work/$program-300/input.txt"
done
cd "$work/dorvan-300"
read -r d_wall d_cpu d_peak < <(fastest "$build/dorvan" "${threads[@]}")
read -r d_evaluations d_elements d_iterations d_free < <("$counter" dorvan)
cd "$work/melvar-300"
read -r _ _ mv_peak < <(repeat=1 fastest "$build/melvar" "${threads[@]}")
read -r _ mv_elements _ mv_free < <("$counter" melvar)

echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| figure | measured | floor or peer | ratio | target |"
echo "|---|---|---|---|---|"
awk -v ours="$m_wall" -v cpu="$m_cpu" -v k="$m_iterations" -v peer="$peer_s" -v pk="$peer_iterations" \
    'BEGIN { printf "| melvar 100x100 to convergence, wall s | %.3f (%d iterations, CPU %.2f s) | scipy peer %.3f (%d iterations) | %.2fx faster | >= 5x |\n",
             ours, k, cpu, peer, pk, peer / ours }'
awk -v wall="$d_wall" -v cpu="$d_cpu" -v ev="$d_evaluations" -v e="$d_elements" -v kn="$kernel_ns" \
    'BEGIN { per = wall * 1e9 / (ev * e)
             printf "| dorvan 300x300, 40 iterations, whole-run wall ns per element evaluation | %.1f (%d evaluations, wall %.2f s, CPU %.2f s) | kernel.cpp %.1f ns | %.2f | <= 1.0 |\n",
             per, ev, wall, cpu, kn, per / kn }'
# What a run must hold: per node 3 coordinates, prescribed values and loads (doubles) and
# 3 dof_map entries; per element its 96-byte record; per unknown x, gradient, three work
# vectors and 2 x 10 history reals; the objective's store: per element its geometry in columns,
# nine corner sources, three corner starts and an energy (136 bytes), and a component per free
# entry.
memory() {
    awk -v p="$1" -v peak="$2" -v e="$3" -v free="$4" -v nodes=$(( 301 * 301 )) \
        'BEGIN { n = (p == "dorvan") ? free + e : free
                 base = nodes * 84 + e * 96 + n * 8 * (5 + 2 * 10)
                 added = free * 4 + e * 136
                 printf "| %s 300x300 peak RSS MB / must hold MB | %.1f | %.1f (of which the objective store %.1f) | %.2f | <= 1.3 |\n",
                 p, peak / 1024, (base + added) / 1048576, added / 1048576, peak * 1024 / (base + added) }'
}
memory dorvan "$d_peak" "$d_elements" "$d_free"
memory melvar "$mv_peak" "$mv_elements" "$mv_free"
