#!/bin/sh
# Configures and builds the module and the C++ tests into build/ (or
# $MIVKA_BUILD_DIR). Extra arguments go to the CMake configuration.
set -eu
cd "$(dirname "$0")/.."
build="${MIVKA_BUILD_DIR:-build}"
cmake -S . -B "$build" -DPython3_EXECUTABLE=/usr/bin/python3 "$@" >/dev/null
cmake --build "$build" -j2
