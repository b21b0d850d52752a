#!/usr/bin/env bash
# The installed layout and the Debian package: every program under bin/ answers --version, the
# README, the manual's chapters, the examples, the copyright file (the terms of LICENSE), the
# changelog and the three manual pages are installed and packaged, each page renders without a
# warning and names every option its program's --help names, the package depends on every
# library the programs load (the serial OpenBLAS among them), and lintian finds no error in the
# package but the one about the maintainer address, which names nobody.
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
documents=(README.md CITATION.cff copyright changelog.gz examples/prestretched-square/input.txt)
for chapter in "$source_dir"/doc/*.md "$source_dir"/doc/*.png; do
    documents+=("doc/$(basename "$chapter")")
done
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
    plain=$(LC_ALL=C MANWIDTH=200 man -l "$page" 2>/dev/null)
    for option in $("$work/prefix/bin/$program" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
        grep -q -- "$option\b" <<<"$plain" || fail "$program.1 does not mention $option"
    done
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

# Every library the installed programs load belongs to a package the .deb depends on, or to one
# that such a package names among its dependencies, down the tree; a virtual package's providers
# do not count, so the BLAS that CHOLMOD reaches through "libblas3 | libblas.so.3" must be named
# by the .deb itself.
depends=$(dpkg-deb -f "$deb" Depends)
grep -q -E '(^|, )libopenblas0-serial(,| |$)' <<<"$depends" ||
    fail "$deb does not depend on libopenblas0-serial: $depends"
libraries=$(ldd "$work"/prefix/bin/* | awk '$2 == "=>" && $3 ~ /^\// { print $3 }' | sort -u)
unowned=$(/usr/bin/python3 - "$depends" $libraries <<'PYTHON'
import os, subprocess, sys

def groups(field):
    return [[a.split()[0].split(":")[0] for a in g.split("|")]
            for g in field.split(",") if g.strip()]

status = subprocess.run(["dpkg-query", "-W", "-f", "${Package}\t${Depends}, ${Pre-Depends}\n"],
                        capture_output=True, text=True, check=True).stdout
depends_of = {}
for line in status.splitlines():
    name, _, field = line.partition("\t")
    depends_of[name] = [a for g in groups(field) for a in g]
held = set()
todo = [a for g in groups(sys.argv[1]) for a in g]
while todo:
    name = todo.pop()
    if name not in held:
        held.add(name)
        todo.extend(depends_of.get(name, []))
paths = {}
for library in sys.argv[2:]:
    real = os.path.realpath(library)
    for candidate in (real, real.removeprefix("/usr"), library, "/usr" + library):
        paths.setdefault(candidate, library)
found = subprocess.run(["dpkg", "-S", *paths], capture_output=True, text=True).stdout
owner = {}
for line in found.splitlines():
    packages, _, path = line.partition(": ")
    owner.setdefault(paths.get(path), packages.split(", ")[0].split(":")[0])
for library in sys.argv[2:]:
    if owner.get(library) not in held:
        print(f"{library} ({owner.get(library, 'no package')})")
PYTHON
)
[ -z "$unowned" ] || fail "$deb does not depend on the packages of: $unowned"

report=$(lintian --tag-display-limit 0 "$deb" 2>/dev/null || true)
errors=$(grep '^E: ' <<<"$report" | grep -v -E ': bogus-mail-host(-in-debian-changelog)? ' || true)
[ -z "$errors" ] || fail "lintian finds errors in $deb: $errors"
dpkg-deb -f "$deb" Package Version | tr '\n' ' '
echo "- installed and packaged; lintian: $(grep -c '^W: ' <<<"$report" || true) warnings"
