#!/bin/sh
# Builds the module and the C++ tests with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-asan/ and runs every test against
# that build; any sanitizer report fails the run.
set -eu
cd "$(dirname "$0")/.."
build="$(pwd)/build-asan"
MIVKA_BUILD_DIR="$build" scripts/build.sh -DMIVKA_SANITIZE=ON -DMIVKA_WERROR=OFF

export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ASAN_OPTIONS=abort_on_error=1 ctest --test-dir "$build" --output-on-failure -j2

# Python itself is not instrumented: the runtime goes first into the
# process (with the C++ runtime, so that exceptions can be intercepted),
# Python's own allocator steps aside, and the interpreter's deliberate leaks
# at exit are not reported.
LD_PRELOAD="$(g++ -print-file-name=libasan.so) $(g++ -print-file-name=libstdc++.so.6)" \
ASAN_OPTIONS=abort_on_error=1:detect_leaks=0 PYTHONMALLOC=malloc MIVKA_BUILD_DIR="$build" \
    /usr/bin/python3 -m pytest -q -p no:cacheprovider tests
