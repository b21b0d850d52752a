#!/usr/bin/env bash
# The installed layout and the Debian package: every program under bin/ answers --version, the
# README, the examples, the copyright file (the terms of LICENSE), the changelog and the three
# manual pages are installed and packaged, each page renders without a warning, and lintian finds
# no error in the package but the one about the maintainer address, which names nobody.
#   usage: check_install.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "$*" >&2; exit 1; }

cmake --install "$build" --prefix "$work/prefix" >/dev/null
doc="$work/prefix/share/doc/membrane-solvers"
man1="$work/prefix/share/man/man1"
for program in dorvan melvar sheetprep; do
    out=$("$work/prefix/bin/$program" --version)
    [ "$out" = "$program 0.2.0" ] || fail "installed $program --version says '$out'"
done
documents=(README.md CITATION.cff copyright changelog.gz doc/prestretched-square.png
           examples/prestretched-square/input.txt)
for file in "${documents[@]}"; do
    [ -f "$doc/$file" ] || fail "$doc/$file is not installed"
done

# The License paragraph of the copyright file, unindented, is LICENSE from its terms on.
terms=$(awk 'f { print } last == "" && /^License: BSD-3-Clause$/ { f = 1 } { last = $0 }' \
            "$doc/copyright" | sed 's/^ //; s/^\.$//')
diff <(echo "$terms") \
     <(sed -n '/^Redistribution/,$p' "$source_dir/LICENSE") ||
    fail "the copyright file does not hold the terms of LICENSE"
zcat "$doc/changelog.gz" | grep -q '^membrane-solvers (0\.2\.0) unstable; urgency=medium$' ||
    fail "the changelog has no entry for 0.2.0"

# Each page renders with its sections, and man finds nothing to warn of.
for program in dorvan melvar sheetprep; do
    page="$man1/$program.1.gz"
    [ -f "$page" ] || fail "$page is not installed"
    warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man warns of $program.1: $warnings"
    text=$(MANWIDTH=80 man -l "$page" 2>/dev/null)
    for section in NAME SYNOPSIS DESCRIPTION OPTIONS FILES "EXIT STATUS" EXAMPLES "SEE ALSO"; do
        grep -q "^$section\$" <<<"$text" || fail "$program.1 has no $section section"
    done
    grep -q "^       $program - " <<<"$text" || fail "$program.1 does not name $program"
done

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" >/dev/null)
deb=$(ls "$work"/*.deb)
listing=$(dpkg-deb -c "$deb")
packaged=(./usr/bin/dorvan ./usr/bin/melvar ./usr/bin/sheetprep
          ./usr/share/man/man1/dorvan.1.gz ./usr/share/man/man1/melvar.1.gz
          ./usr/share/man/man1/sheetprep.1.gz)
for file in "${documents[@]}"; do packaged+=("./usr/share/doc/membrane-solvers/$file"); done
for file in "${packaged[@]}"; do
    grep -q " $file\$" <<<"$listing" || fail "$file is not in $deb"
done

report=$(lintian --tag-display-limit 0 "$deb" 2>/dev/null || true)
errors=$(grep '^E: ' <<<"$report" | grep -v -E ': bogus-mail-host(-in-debian-changelog)? ' || true)
[ -z "$errors" ] || fail "lintian finds errors in $deb: $errors"
dpkg-deb -f "$deb" Package Version | tr '\n' ' '
echo "- installed and packaged; lintian: $(grep -c '^W: ' <<<"$report" || true) warnings"
