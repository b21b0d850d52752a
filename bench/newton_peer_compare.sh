#!/usr/bin/env bash
# melvar --method newton against the two scipy peers a user would write, on the perfgen sheets:
#   agreement  on 25 x 25 and 100 x 100: the Newton peer's displacements against melvar's report
#              (largest difference, against the largest displacement), at the tolerance of
#              input.txt and at the tolerance factor TIGHT (default 1e-5) for both
#   speed      on 100 x 100: melvar --method newton, the L-BFGS-B peer (peer/scipy_melvar.py)
#              and the Newton peer (bench/scipy_newton_melvar.py) one after the other, REPEAT
#              rounds; the fastest wall time of each counts, and the ratios are formed from
#              those of this one invocation
#
#   bench/newton_peer_compare.sh [BUILD_DIR]   (default: build; needs BUILD_DIR/melvar)
# Environment:
#   SHARED   the directory with peer/perfgen.py and peer/scipy_melvar.py, default ../shared
#            beside the repository
#   REPEAT   rounds, default 3
#   THREADS  a --threads value for melvar, default none (its own choice)
#   SIZES    the agreement sheets, default "25 100"
#   TIGHT    the tight tolerance factor of the agreement, default 1e-5
#   WORK     directory for the sheets and runs, default a fresh temporary one (removed after)
set -euo pipefail
export LC_NUMERIC=C  # $EPOCHREALTIME with a decimal point

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
shared=$(cd "${SHARED:-$here/../../shared}" && pwd)
repeat=${REPEAT:-3}
sizes=${SIZES:-25 100}
threads=()
[[ -n "${THREADS:-}" ]] && threads=(--threads "$THREADS")
if [[ -n "${WORK:-}" ]]; then
    work=$WORK
    mkdir -p "$work"
else
    work=$(mktemp -d "${TMPDIR:-/tmp}/newton-peer.XXXXXX")
    trap 'rm -rf "$work"' EXIT
fi
[[ -x "$build/melvar" ]] || { echo "newton_peer_compare: $build/melvar not built" >&2; exit 1; }
python=(env -u OPENBLAS_CORETYPE -u OPENBLAS_L2_SIZE /usr/bin/python3)

/usr/bin/python3 -c 'import numpy, scipy' 2>/dev/null ||
    { echo "newton_peer_compare: the peers need numpy and scipy for /usr/bin/python3 (Debian: python3-scipy)" >&2; exit 1; }
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg); CPUs: $(nproc)"

# wall COMMAND...: runs the command in the current directory, its standard output into
# stdout.txt; prints the wall seconds to the millisecond (a whole melvar run is a few tenths of
# a second, where /usr/bin/time's hundredths would move the ratios by several per cent).
wall() {
    local start=$EPOCHREALTIME
    "$@" >stdout.txt 2>stderr.txt || {
        echo "newton_peer_compare: $* failed in $PWD: $(tail -1 stderr.txt)" >&2
        exit 1
    }
    awk -v start="$start" -v end="$EPOCHREALTIME" 'BEGIN { printf "%.3f\n", end - start }'
}

sheet() {
    mkdir -p "$work/m$1"
    [[ -f "$work/m$1/input.txt" ]] ||
        /usr/bin/python3 "$shared/peer/perfgen.py" "$1" "$1" --program melvar --out "$work/m$1" >/dev/null
}

# Both stop on the largest gradient entry; on a fine sheet that leaves the displacements of
# the softest modes free by far more than the stopping test suggests, so the two are also
# compared at a tight tolerance factor.
tight=${TIGHT:-1e-5}
echo
echo "| sheet | tolerance factor | melvar --method newton | Newton peer | largest displacement difference / largest displacement |"
echo "|---|---|---|---|---|"
for n in $sizes; do
    sheet "$n"
    cd "$work/m$n"
    for factor in input "$tight"; do
        option=()
        [[ $factor != input ]] && option=(--tolerance-factor "$factor")
        mkdir -p "agree-$factor"
        cp input.txt "agree-$factor/"
        cd "agree-$factor"
        "$build/melvar" --method newton --quiet "${threads[@]}" "${option[@]}" >/dev/null
        k=$(sed -n 's/.*Minor Iterations *| *\([0-9]*\).*/\1/p' output.txt)
        "${python[@]}" "$here/scipy_newton_melvar.py" --compare output.txt "${option[@]}" >peer.txt
        read -r nit factorisations < <(sed -n 's/.*nit \([0-9]*\) factorisations \([0-9]*\).*/\1 \2/p' peer.txt)
        read -r difference largest < <(sed -n 's/.*output.txt: \([^ ]*\) (largest displacement \([^)]*\)).*/\1 \2/p' peer.txt)
        awk -v n="$n" -v f="$factor" -v k="$k" -v nit="$nit" -v fa="$factorisations" -v d="$difference" -v l="$largest" \
            'BEGIN { printf "| %dx%d | %s | %d iterations | %d iterations, %d factorisations | %.2e / %.3e = %.1e |\n", n, n, f, k, nit, fa, d, l, d / l }'
        cd ..
    done
done

# The three on 100 x 100, one of each in turn.
sheet 100
cd "$work/m100"
best_melvar="" best_lbfgs="" best_newton=""
faster() { [[ -z "$2" ]] || awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }
for _ in $(seq "$repeat"); do
    t=$(wall "$build/melvar" --method newton --quiet "${threads[@]}")
    faster "$t" "$best_melvar" && best_melvar=$t
    melvar_iterations=$(sed -n 's/^Minor = *\([0-9]*\).*/\1/p' stdout.txt)
    "${python[@]}" "$shared/peer/scipy_melvar.py" >lbfgs.txt
    t=$(sed -n 's/.*total_s \([0-9.]*\).*/\1/p' lbfgs.txt)
    faster "$t" "$best_lbfgs" && best_lbfgs=$t
    "${python[@]}" "$here/scipy_newton_melvar.py" >newton.txt
    t=$(sed -n 's/.*total_s \([0-9.]*\).*/\1/p' newton.txt)
    faster "$t" "$best_newton" && best_newton=$t
done
lbfgs_iterations=$(sed -n 's/.*nit \([0-9]*\).*/\1/p' lbfgs.txt)
newton_iterations=$(sed -n 's/.*nit \([0-9]*\) factorisations \([0-9]*\).*/\1, \2 factorisations/p' newton.txt)

echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| 100x100, fastest of $repeat, wall s | seconds | iterations | against melvar --method newton |"
echo "|---|---|---|---|"
echo "| melvar --method newton ${threads[*]} | $best_melvar | $melvar_iterations | 1 |"
awk -v t="$best_lbfgs" -v m="$best_melvar" -v k="$lbfgs_iterations" \
    'BEGIN { printf "| scipy L-BFGS-B peer (reading and minimising) | %.3f | %s | %.2fx |\n", t, k, t / m }'
awk -v t="$best_newton" -v m="$best_melvar" -v k="$newton_iterations" \
    'BEGIN { printf "| scipy Newton peer (reading and minimising) | %.3f | %s | %.2fx |\n", t, k, t / m }'
