#!/bin/sh
# Sets up a fresh Debian 12 machine, builds Mivka with warnings as errors and
# runs every test: the C++ tests of the document reader, then the Python
# tests of the module, the host package and the command. With --quick, only
# the build and the tests not marked slow (no Blender, valgrind, sweeps or
# documents of many megabytes), in seconds.
set -eu
cd "$(dirname "$0")/.."
marks=""
if [ "${1:-}" = "--quick" ]; then
    scripts/setup.sh
    marks="not slow"
else
    scripts/setup.sh valgrind blender
fi
scripts/build.sh -DMIVKA_WERROR=ON
build="${MIVKA_BUILD_DIR:-build}"
ctest --test-dir "$build" --output-on-failure -j2
MIVKA_BUILD_DIR="$(cd "$build" && pwd)" /usr/bin/python3 -m pytest -q -rs -p no:cacheprovider -m "$marks" tests
