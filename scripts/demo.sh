#!/bin/sh
# Sets up a fresh Debian 12 machine, builds Mivka and converts the bundled
# sample document.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
tools/mivka samples/lantern.mqo
