#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, when they are missing: compiler,
# CMake, clang-format (CI checks every source file's formatting), GoogleTest, Google Benchmark, CLI11, toml++, gmsh's API, Highway, meshio (the tests read
# our .vtu files back with it), clang's fuzzing runtime for CI, for Newton's method Eigen,
# SuiteSparse (CHOLMOD) and the serial OpenBLAS (no threads of its own, faster than the
# reference BLAS), man-db and lintian (the package test renders the manual pages and checks
# the .deb), and GNU parallel (the sweep test runs its cases through run-parallel.sh). Does
# nothing when all are here.
#   usage: bash tools/install-packages.sh
set -euo pipefail

packages=(g++ cmake make clang-format python3 libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
          libtomlplusplus-dev libgmsh-dev gmsh libhwy-dev python3-meshio python3-numpy clang
          libclang-rt-14-dev libeigen3-dev libsuitesparse-dev libopenblas0-serial man-db lintian
          parallel)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
        missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}" >&2
sudo=
[ "$(id -u)" -eq 0 ] || sudo=sudo
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
