#!/usr/bin/env bash
# Two builds side by side on the same generated sheets: whole runs of dorvan and melvar taken in
# alternation (before, after, before, ...), the fastest wall time and the largest peak resident
# memory of each, and whether the two builds wrote the same three files.
#
#   bench/compare_builds.sh BEFORE_DIR AFTER_DIR   (each holding dorvan and melvar)
# Environment:
#   SIZES    squares per side, default "100 300"
#   CAP      max_iterations written into every input, default 50
#   ROUNDS   alternating rounds, default 5
#   OPTIONS  further options for both programs, default none
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
before=$(cd "$1" && pwd)
after=$(cd "$2" && pwd)
sizes=${SIZES:-100 300}
cap=${CAP:-50}
rounds=${ROUNDS:-5}
read -r -a options <<< "${OPTIONS:-}"
work=$(mktemp -d "${TMPDIR:-/tmp}/compare-builds.XXXXXX")
trap 'rm -rf "$work"' EXIT

# one BUILD PROGRAM DIR: a run in DIR; prints "wall_seconds peak_kilobytes"
one() {
    (cd "$3" && /usr/bin/time -f '%e %M' -o time.txt "$1/$2" --quiet "${options[@]}" \
        > /dev/null 2>&1 || true)
    cat "$3/time.txt"
}

printf '| program | size | before s | after s | after / before | before MB | after MB | same files |\n'
printf '|---|---|---|---|---|---|---|---|\n'
for size in $sizes; do
    for program in dorvan melvar; do
        input="$work/$program-$size.txt"
        python3 "$here/make_sheet.py" --program "$program" --size "$size" \
            --settings "0.9 10 0.001 0.0 $cap 5" -o "$input"
        best_before=999999 best_after=999999 peak_before=0 peak_after=0
        for ((r = 0; r < rounds; ++r)); do
            for side in before after; do
                dir="$work/$side"
                rm -rf "$dir" && mkdir -p "$dir" && cp "$input" "$dir/input.txt"
                build=$before
                [[ $side == after ]] && build=$after
                read -r wall peak <<< "$(one "$build" "$program" "$dir")"
                if [[ $side == before ]]; then
                    best_before=$(awk -v a="$best_before" -v b="$wall" 'BEGIN { print (b < a ? b : a) }')
                    ((peak > peak_before)) && peak_before=$peak
                else
                    best_after=$(awk -v a="$best_after" -v b="$wall" 'BEGIN { print (b < a ? b : a) }')
                    ((peak > peak_after)) && peak_after=$peak
                fi
            done
        done
        same=yes
        for name in ansys.txt autocad.scr output.txt; do
            cmp -s "$work/before/$name" "$work/after/$name" || same=no
        done
        awk -v p="$program" -v s="$size" -v b="$best_before" -v a="$best_after" \
            -v pb="$peak_before" -v pa="$peak_after" -v same="$same" 'BEGIN {
                printf "| %s | %d x %d | %.2f | %.2f | %.2f | %.1f | %.1f | %s |\n",
                       p, s, s, b, a, a / b, pb / 1024, pa / 1024, same }'
    done
done
