#!/bin/sh
# Builds the libFuzzer target with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer into build-fuzz/ and fuzzes readmqo for the
# given number of seconds (default 60). Seeds: the real documents beside the
# project, the sample and the test documents. Inputs that crash are written
# to build-fuzz/crashes/.
set -eu
cd "$(dirname "$0")/.."
seconds="${1:-60}"
scripts/setup.sh clang libclang-rt-14-dev
build="$(pwd)/build-fuzz"
CC=clang CXX=clang++ cmake -S . -B "$build" -DPython3_EXECUTABLE=/usr/bin/python3 -DMIVKA_FUZZ=ON \
    -DMIVKA_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target fuzz_readmqo

corpus="$build/corpus"
mkdir -p "$corpus" "$build/crashes"
corpus_folder="${MIVKA_CORPUS:-../shared/corpus/mqo}"
for seed in "$corpus_folder"/*.mqo samples/*.mqo tests/data/*/*.mqo; do
    [ -f "$seed" ] && cp -n "$seed" "$corpus/" 2>/dev/null || true
done

export PYTHONMALLOC=malloc
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export ASAN_OPTIONS=detect_leaks=0
"$build/fuzz_readmqo" -dict=fuzz/mqo.dict -max_total_time="$seconds" -max_len="${MIVKA_FUZZ_MAX_LEN:-32768}" -timeout=20 \
    -rss_limit_mb=6144 -print_final_stats=1 -artifact_prefix="$build/crashes/" "$corpus"
