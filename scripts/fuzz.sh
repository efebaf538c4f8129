#!/bin/sh
# Builds the libFuzzer targets with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer into build-fuzz/ and fuzzes one of them for the
# given number of seconds (default 60): "readmqo" (the default: the whole
# conversion into the in-memory host, through Python) or "grammar" (the
# document reader alone on the recording sink, no Python; far more inputs a
# second). Seeds: the real documents beside the project, the sample and the
# test documents. Inputs that crash are written to build-fuzz/crashes/.
#
#     scripts/fuzz.sh [SECONDS] [readmqo|grammar] [libFuzzer options...]
set -eu
cd "$(dirname "$0")/.."
seconds="${1:-60}"
target="${2:-readmqo}"
[ $# -gt 2 ] && shift 2 || set --
scripts/setup.sh clang libclang-rt-14-dev
build="$(pwd)/build-fuzz"
CC=clang CXX=clang++ cmake -S . -B "$build" -DPython3_EXECUTABLE=/usr/bin/python3 -DMIVKA_FUZZ=ON \
    -DMIVKA_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target "fuzz_$target"

corpus="$build/corpus-$target"
mkdir -p "$corpus" "$build/crashes"
corpus_folder="${MIVKA_CORPUS:-../shared/corpus/mqo}"
# The rigged sample's companion is a seed too, and lies beside the sample
# there, so that the whole conversion reads it.
for seed in "$corpus_folder"/*.mqo samples/*.mqo samples/*.mqx tests/data/*/*.mqo; do
    [ -f "$seed" ] && cp -n "$seed" "$corpus/" 2>/dev/null || true
done
# An archive of the sample, stored uncompressed so that mutations reach the
# document inside it.
/usr/bin/python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1], "w").write("samples/lantern.mqo", "lantern.mqo")' \
    "$corpus/lantern.mqoz"

export PYTHONMALLOC=malloc
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export ASAN_OPTIONS=detect_leaks=0
"$build/fuzz_$target" -dict=fuzz/mqo.dict -max_total_time="$seconds" -max_len="${MIVKA_FUZZ_MAX_LEN:-32768}" -timeout=20 \
    -rss_limit_mb=6144 -print_final_stats=1 -artifact_prefix="$build/crashes/" "$@" "$corpus"
