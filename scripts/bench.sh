#!/bin/sh
# Builds Mivka with the benchmark of its document reader and runs the
# conversion benchmarks (bench/run.py); arguments go to bench/run.py.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh libbenchmark-dev
scripts/build.sh -DMIVKA_BENCH=ON
exec /usr/bin/python3 bench/run.py "$@"
