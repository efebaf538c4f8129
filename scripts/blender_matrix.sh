#!/bin/sh
# Builds and tests Mivka in the other Debian systems that users run it on:
# Debian 13 (Blender 4.3, Python 3.13) and Debian unstable (Blender 5.2,
# Python 3.14). Each system is made once with debootstrap in a folder
# outside the checkout ($MIVKA_MATRIX_DIR, /var/cache/mivka-matrix by
# default) and reused by later runs; the checkout's files are copied in,
# then the README's test command and the package test run inside it.
#
#   scripts/blender_matrix.sh [trixie] [sid]
#
# Needs root (debootstrap, chroot, mounts). The real documents beside the
# checkout (../shared) are mounted read-only into each system when present.
set -eu
cd "$(dirname "$0")/.."
root="$(pwd)"
systems="${*:-trixie sid}"

. scripts/debian_systems.sh

# What runs inside a system: the README's test command and the package
# test, on a copy of the checkout in root's home (a folder of mode 0700).
# Blender 5's own extension manager imports modules its Debian package
# does not depend on; without them every Blender start prints a traceback.
INSIDE='
set -eu
export DEBIAN_FRONTEND=noninteractive CCACHE_DIR=/var/cache/mivka-ccache
cd /root/mivka/main
scripts/setup.sh blender python3-numpy
if [ "$(scripts/blender_version.sh)" -ge 500 ]; then
    scripts/setup.sh python3-cattr python3-requests
fi
MIVKA_BUILD_DIR=/root/mivka/build scripts/test.sh
MIVKA_BUILD_DIR=/root/mivka/build scripts/package_test.sh
'

run_in() {
    suite="$1" system="$systems_place/$1"
    copy_system "$suite" "$suite"
    # A fresh copy of the checkout's files (as git sees them, changes included).
    chmod 700 "$system/root"
    copy_checkout "$system/root/mivka/main"
    # The copy keeps the files' times, which may be older than a build left
    # by an earlier run: each run builds afresh (ccache keeps it quick).
    rm -rf "$system/root/mivka/build"
    if [ -f "$root/../shared/corpus/mqo/SOURCES.md" ]; then
        mount_into "$system" "$root/../shared" /root/mivka/shared --bind -o ro
    fi
    share_packages "$suite"
    echo "blender_matrix: Debian $suite: $(chroot "$system" sh -c '. /etc/os-release; echo "$PRETTY_NAME"')"
    enter "$suite" sh -c "$INSIDE"
}

each_suite blender_matrix $systems
