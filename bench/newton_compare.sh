#!/usr/bin/env bash
# The figures of Newton's method (bench/RESULTS.md, "Newton's method"), each run beside the
# same program's L-BFGS on the same input, alternating, one thread each:
#   iterations  the disc series (both programs) and perfgen sheets 25^2 .. 300^2 (melvar)
#   speed       dorvan and melvar discs of ~23k triangles, melvar perfgen 200^2, with the split
#   memory      peak RSS on the 300^2 sheet (L-BFGS capped at 50 iterations: its RSS is flat)
#   agreement   disc and strip: Newton at --tolerance-factor 1e-8 against L-BFGS at 1e-6;
#               sigma1 >= sigma2 on examples/prestretched-square; the disc in SI units
#
#   bench/newton_compare.sh [BUILD_DIR] [WORK_DIR]     PARTS="iterations speed memory agreement"
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
work=${2:-$(mktemp -d /tmp/newton-compare.XXXXXX)}
parts=${PARTS:-iterations speed memory agreement}
threads=${THREADS:-1}
figures="/usr/bin/python3 $here/newton_figures.py"
perfgen=${PERFGEN:-$here/../../shared/peer/perfgen.py}
mkdir -p "$work"
echo "work in $work; load: $(cut -d' ' -f1-3 /proc/loadavg)"

# A disc of examples/inflated-disc at mesh size $3 for program $2, in $1 (max_iterations 20000).
disc() {
    mkdir -p "$1"
    cp "$here/../examples/inflated-disc/disc.geo" "$1/"
    sed -e "s/^title = .*/title = \"disc $3\"\nmesh_size = $3/" -e "s/^max_iterations = .*/max_iterations = 20000/" \
        -e "s/program = \"dorvan\"/program = \"$2\"/" "$here/../examples/inflated-disc/problem.toml" |
        { if [ "$2" = melvar ]; then sed '/^bulk/d'; else cat; fi; } >"$1/problem.toml"
    "$build/sheetprep" "$1/problem.toml" >/dev/null
}

# A 100 x 10 strip held at x = 0 and pulled along X at x = 100 by a line load, in $1.
strip() {
    mkdir -p "$1"
    cat >"$1/strip.geo" <<'GEO'
size = 1.0;
Point(1) = {0, 0, 0, size}; Point(2) = {100, 0, 0, size};
Point(3) = {100, 10, 0, size}; Point(4) = {0, 10, 0, size};
Line(1) = {1, 2}; Line(2) = {2, 3}; Line(3) = {3, 4}; Line(4) = {4, 1};
Curve Loop(1) = {1, 2, 3, 4}; Plane Surface(1) = {1};
Physical Curve("held") = {4}; Physical Curve("end") = {2}; Physical Surface("strip") = {1};
GEO
    cat >"$1/problem.toml" <<TOML
program = "$2"
mesh = "strip.geo"
[settings]
max_iterations = 200000
[sheet]
thickness = 0.5
law = "neo-hookean"
shear = 1.0
$( [ "$2" = dorvan ] && echo "bulk = 100.0" )
[[support]]
group = "held"
x = 0.0
y = 0.0
z = 0.0
[[load]]
group = "end"
line_load = [0.9, 0.0, 0.0]
TOML
    "$build/sheetprep" "$1/problem.toml" >/dev/null
}

# The inflated disc in SI units: radius 0.1 m, thickness 5e-4 m, shear 4e5 Pa, bulk 4e7 Pa,
# pressure 200 Pa, in $1.
si_disc() {
    mkdir -p "$1"
    sed -e 's/^size = 2.0;/size = 0.02;/' -e 's/{10, 0, 0/{0.1, 0, 0/' -e 's/{0, 10, 0/{0, 0.1, 0/' \
        -e 's/{-10, 0, 0/{-0.1, 0, 0/' -e 's/{0, -10, 0/{0, -0.1, 0/' \
        "$here/../examples/inflated-disc/disc.geo" >"$1/disc.geo"
    sed -e 's/^thickness = .*/thickness = 5e-4/' -e 's/^shear = .*/shear = 4e5/' \
        -e 's/^bulk = .*/bulk = 4e7/' -e 's/^pressure = .*/pressure = 200.0/' \
        "$here/../examples/inflated-disc/problem.toml" >"$1/problem.toml"
    "$build/sheetprep" "$1/problem.toml" >/dev/null
}

# Runs program $1 on the input.txt of $2 in $2/$3 with the further arguments $4; prints
# "<tag> minor <n> <Optimal|NOT Optimal|failed> wall <s> cpu <s> rss_mb <m>" (cpu: user +
# system, the figure that a loaded machine disturbs least) and Newton's split.
run() {
    local program=$1 dir=$2 tag=$3 arguments=$4
    mkdir -p "$dir/$tag"
    cp "$dir/input.txt" "$dir/$tag/"
    (cd "$dir/$tag" && /usr/bin/time -f "%e %U %S %M" -o time.txt \
        "$build/$program" --quiet --timings --threads "$threads" $arguments >stdout.txt 2>stderr.txt)
    local status=$? minor="-" outcome="failed"
    if [ $status -eq 0 ]; then
        minor=$($figures minor "$dir/$tag/output.txt")
        outcome=$(grep -o 'NOT Optimal\|Optimal' "$dir/$tag/stdout.txt")
    fi
    read -r seconds user system kilobytes < <(tail -1 "$dir/$tag/time.txt")
    printf '%-34s %-7s minor %6s %-12s wall %8.2f cpu %8.2f rss_mb %6d\n' "$(basename "$dir") $tag" \
        "$program" "$minor" "$outcome" "$seconds" "$(awk "BEGIN { print $user + $system }")" "$((kilobytes / 1024))"
    grep "timings: newton" "$dir/$tag/stderr.txt" | sed "s/^/    /"
}

sizes=(2.0 1.0 0.5 0.25 0.178)
if [[ " $parts " == *" iterations "* ]]; then
    echo "== iterations: the disc series and perfgen sheets (Newton)"
    for program in dorvan melvar; do
        for size in "${sizes[@]}"; do
            disc "$work/$program-disc-$size" "$program" "$size"
            run "$program" "$work/$program-disc-$size" newton "--method newton"
        done
    done
    for n in 25 50 100 200 300; do
        mkdir -p "$work/perfgen-$n"
        /usr/bin/python3 "$perfgen" "$n" "$n" --program melvar --out "$work/perfgen-$n" >/dev/null
        run melvar "$work/perfgen-$n" newton "--method newton"
    done
fi

if [[ " $parts " == *" speed "* ]]; then
    echo "== speed: Newton and L-BFGS side by side, alternating"
    for program in dorvan melvar; do
        [ -f "$work/$program-disc-0.178/input.txt" ] || disc "$work/$program-disc-0.178" "$program" 0.178
        for round in 1 2; do
            run "$program" "$work/$program-disc-0.178" "lbfgs-$round" ""
            run "$program" "$work/$program-disc-0.178" "newton-$round" "--method newton"
        done
    done
    [ -f "$work/perfgen-200/input.txt" ] ||
        /usr/bin/python3 "$perfgen" 200 200 --program melvar --out "$work/perfgen-200" >/dev/null
    for round in 1 2; do
        run melvar "$work/perfgen-200" "lbfgs-$round" ""
        run melvar "$work/perfgen-200" "newton-$round" "--method newton"
    done
fi

if [[ " $parts " == *" memory "* ]]; then
    echo "== memory: the 300^2 sheet"
    [ -f "$work/perfgen-300/input.txt" ] ||
        /usr/bin/python3 "$perfgen" 300 300 --program melvar --out "$work/perfgen-300" >/dev/null
    mkdir -p "$work/perfgen-300-capped"
    sed '3s/^\(\S* \S* \S* \S*\) \S* /\1 50 /' "$work/perfgen-300/input.txt" >"$work/perfgen-300-capped/input.txt"
    run melvar "$work/perfgen-300-capped" lbfgs-50-iterations ""
    run melvar "$work/perfgen-300" newton-memory "--method newton"
fi

if [[ " $parts " == *" agreement "* ]]; then
    echo "== agreement: Newton at 1e-8 against L-BFGS at 1e-6 (largest difference / largest displacement)"
    for program in dorvan melvar; do
        for case in disc strip; do
            dir="$work/$program-$case-agreement"
            if [ $case = disc ]; then disc "$dir" "$program" 2.0; else strip "$dir" "$program"; fi
            run "$program" "$dir" newton-1e-8 "--method newton --tolerance-factor 1e-8"
            run "$program" "$dir" lbfgs-1e-6 "--tolerance-factor 1e-6"
            run "$program" "$dir" lbfgs-default ""
            echo "    $program $case: agree $($figures agree "$dir/newton-1e-8/output.txt" "$dir/lbfgs-1e-6/output.txt")"
        done
    done
    dir="$work/prestretched-square"
    mkdir -p "$dir" && cp "$here/../examples/prestretched-square/input.txt" "$dir/"
    run dorvan "$dir" newton "--method newton"
    run dorvan "$dir" lbfgs ""
    echo "    sigma1 < sigma2: newton $($figures order "$dir/newton/output.txt"), lbfgs $($figures order "$dir/lbfgs/output.txt")"
    si_disc "$work/si-disc"
    run dorvan "$work/si-disc" newton "--method newton"
    run dorvan "$work/si-disc" lbfgs ""
fi
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
