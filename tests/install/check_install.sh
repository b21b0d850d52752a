#!/usr/bin/env bash
# The installed layout and the Debian package: every program under bin/ answers --version, and
# the README and the examples lie under share/doc/.
#   usage: check_install.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/prefix" >/dev/null
doc="$work/prefix/share/doc/membrane-solvers"
for program in dorvan melvar sheetprep; do
    out=$("$work/prefix/bin/$program" --version)
    [ "$out" = "$program 0.2.0" ] || { echo "installed $program --version says '$out'" >&2; exit 1; }
done
for file in README.md doc/prestretched-square.png examples/prestretched-square/input.txt; do
    [ -f "$doc/$file" ] || { echo "$doc/$file is not installed" >&2; exit 1; }
done

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" >/dev/null)
deb=$(ls "$work"/*.deb)
listing=$(dpkg-deb -c "$deb")
for file in ./usr/bin/dorvan ./usr/bin/melvar ./usr/bin/sheetprep ./usr/share/doc/membrane-solvers/README.md; do
    grep -q " $file\$" <<<"$listing" || { echo "$file is not in $deb" >&2; exit 1; }
done
dpkg-deb -f "$deb" Package Version | tr '\n' ' '
echo "- installed and packaged"
