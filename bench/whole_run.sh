#!/usr/bin/env bash
# Whole runs of dorvan and melvar on generated square sheets: wall and CPU time, peak resident
# memory, iterations, the cost of one iteration per element, and the memory the run must hold.
#
#   bench/whole_run.sh [BUILD_DIR]          (default: build; the programs are BUILD_DIR/dorvan
#                                            and BUILD_DIR/melvar)
# Environment:
#   SIZES   squares per side, default "100 300 1000"
#   CAP     max_iterations written into every input, default 50 (so that the 1000 x 1000 runs,
#           2 million triangles, stay within a few minutes each)
#   MEMORY  memory_size of the settings, default 5
#   WORK    directory for the inputs and runs, default a fresh temporary one (removed after)
#
# Each size and program is run twice: with max_iterations = CAP and with max_iterations = 1.
# The difference of the two CPU times over the difference of their iteration counts is the cost
# of one iteration (its line search, objective calls and L-BFGS vector work), free of reading,
# starting and writing. CPU time (user + system) is used because the machine may be shared;
# wall time is reported beside it.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
sizes=${SIZES:-100 300 1000}
cap=${CAP:-50}
memory=${MEMORY:-5}
if [[ -n "${WORK:-}" ]]; then
    work=$WORK
    mkdir -p "$work"
else
    work=$(mktemp -d "${TMPDIR:-/tmp}/whole-run.XXXXXX")
    trap 'rm -rf "$work"' EXIT
fi
for program in dorvan melvar; do
    [[ -x "$build/$program" ]] || { echo "whole_run: $build/$program not built" >&2; exit 1; }
done

# field NAME FILE: the value after "NAME: " in the report of /usr/bin/time -v
field() { sed -n "s/^[[:space:]]*$1: //p" "$2"; }

# run PROGRAM INPUT DIR: runs the program on a copy of INPUT in DIR; prints
# "minor cpu_seconds wall_seconds peak_kb". Fails when the program fails.
run() {
    local program=$1 input=$2 dir=$3
    rm -rf "$dir"
    mkdir -p "$dir"
    cp "$input" "$dir/input.txt"
    local status=0
    (cd "$dir" && /usr/bin/time -v "$build/$program" >stdout.txt 2>time.txt) || status=$?
    if [[ $status -ne 0 ]]; then
        echo "whole_run: $program failed with status $status in $dir:" >&2
        grep -v '^\s' "$dir/time.txt" >&2 || true
        return 1
    fi
    local minor user system wall peak
    minor=$(sed -n 's/^Minor = *\([0-9]*\).*/\1/p' "$dir/stdout.txt")
    user=$(field "User time (seconds)" "$dir/time.txt")
    system=$(field "System time (seconds)" "$dir/time.txt")
    wall=$(field "Elapsed (wall clock) time (h:mm:ss or m:ss)" "$dir/time.txt")
    peak=$(field "Maximum resident set size (kbytes)" "$dir/time.txt")
    wall=$(awk -v t="$wall" 'BEGIN { n = split(t, p, ":"); s = 0;
                                     for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s }')
    echo "$minor $(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }') $wall $peak"
    rm -f "$dir"/ansys.txt "$dir"/autocad.scr "$dir"/output.txt "$dir"/input.txt
}

printf '| program | squares | elements | unknowns | iterations | wall s | CPU s | CPU ms/iteration'
printf ' | ns/iteration/element | peak RSS MB | must hold MB | RSS / must hold |\n'
printf '|---|---|---|---|---|---|---|---|---|---|---|---|\n'
results=()
for size in $sizes; do
    base="$work/sheet$size"
    python3 "$here/make_sheet.py" --program dorvan --size "$size" \
        --settings "0.9 10 0.001 0.0 $cap $memory" -o "$base-dorvan.txt"
    # The melvar input differs in its material line (line 5) alone; the 1-iteration inputs in
    # max_iterations alone.
    sed '5s/.*/0.5 1 1.0/' "$base-dorvan.txt" >"$base-melvar.txt"
    for program in dorvan melvar; do
        sed "3s/.*/0.9 10 0.001 0.0 1 $memory/" "$base-$program.txt" >"$base-$program-1.txt"
        run "$program" "$base-$program.txt" "$work/run" >"$work/capped"
        run "$program" "$base-$program-1.txt" "$work/run" >"$work/single"
        read -r minor cpu wall peak <"$work/capped"
        read -r minor1 cpu1 _ _ <"$work/single"
        # Counts of the generated sheet: nodes, triangles, free components, unknowns.
        nodes=$(( (size + 1) * (size + 1) ))
        elements=$(( 2 * size * size ))
        free=$(( 3 * (size - 1) * (size - 1) ))
        unknowns=$free
        [[ $program == dorvan ]] && unknowns=$(( free + elements ))
        # What the run must hold: per node 3 coordinates, 3 prescribed values and 3 loads
        # (doubles) and 3 dof_map entries (int32); per element its 96-byte record; per unknown
        # x, gradient, three work vectors and 2 * memory_size history reals.
        pairs=$(( memory > 1 ? memory : 1 ))
        must=$(( nodes * 84 + elements * 96 + unknowns * 8 * (5 + 2 * pairs) ))
        awk -v p="$program" -v size="$size" -v e="$elements" -v n="$unknowns" -v k="$minor" \
            -v wall="$wall" -v cpu="$cpu" -v k1="$minor1" -v cpu1="$cpu1" -v peak="$peak" \
            -v must="$must" 'BEGIN {
                per = k > k1 ? (cpu - cpu1) / (k - k1) : 0
                printf "| %s | %dx%d | %d | %d | %d | %.2f | %.2f | %.2f | %.1f | %.1f | %.1f | %.2f |\n",
                    p, size, size, e, n, k, wall, cpu, per * 1e3, per / e * 1e9,
                    peak / 1024, must / 1048576, peak * 1024 / must }'
        results+=("$program $elements $(awk -v c="$cpu" -v c1="$cpu1" -v k="$minor" -v k1="$minor1" \
            'BEGIN { print (k > k1 ? (c - c1) / (k - k1) : 0) }')")
    done
    rm -f "$base"-*.txt
done

# Growth of the cost per iteration with the element count between successive sizes:
# exponent = log(t2 / t1) / log(E2 / E1); 1.0 is linear.
echo
for program in dorvan melvar; do
    printf '%s\n' "${results[@]}" | awk -v p="$program" '$1 == p {
        if (have && prev_t > 0 && $3 > 0)
            printf "%s: cost per iteration from %d to %d elements grows with exponent %.3f\n",
                p, prev_e, $2, log($3 / prev_t) / log($2 / prev_e)
        prev_e = $2; prev_t = $3; have = 1 }'
done
