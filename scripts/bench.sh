#!/bin/sh
# Builds Mivka with the benchmark of its document reader and runs the
# conversion benchmarks (bench/run.py, whose arguments these are), then how
# time grows with objects, parent links and materials (bench/growth.py).
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh libbenchmark-dev
scripts/build.sh -DMIVKA_BENCH=ON
/usr/bin/python3 bench/run.py "$@"
exec /usr/bin/python3 bench/growth.py
