#!/bin/sh
# Sets up a fresh Debian 12 machine, builds Mivka with warnings as errors and
# runs every test: the C++ tests of the document reader, then the Python
# tests of the module, the host package and the command.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh valgrind blender python3-numpy
scripts/build.sh -DMIVKA_WERROR=ON
build="${MIVKA_BUILD_DIR:-build}"
ctest --test-dir "$build" --output-on-failure -j2
MIVKA_BUILD_DIR="$(cd "$build" && pwd)" /usr/bin/python3 -m pytest -q -rs -p no:cacheprovider tests
