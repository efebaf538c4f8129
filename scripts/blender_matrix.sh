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
    if [ -f "$root/../shared/corpus/mqo/SOURCES.md" ]; then
        mount_into "$system" "$root/../shared" /root/mivka/shared --bind -o ro
    fi
    share_packages "$suite"
    echo "blender_matrix: Debian $suite: $(chroot "$system" sh -c '. /etc/os-release; echo "$PRETTY_NAME"')"
    enter "$suite" sh -c "$INSIDE"
}

# One system: in this process. Several: side by side (most of the time
# goes to one Blender at a time in each), each line marked with its system.
set -- $systems
if [ $# -eq 1 ]; then
    start=$(date +%s)
    if run_in "$1"; then
        echo "blender_matrix: Debian $1 passed in $(( $(date +%s) - start )) s"
    else
        echo "blender_matrix: Debian $1 FAILED after $(( $(date +%s) - start )) s"
        exit 1
    fi
    exit 0
fi
pids=""
for suite in "$@"; do rm -f "$systems_place/$suite.status"; done
for suite in "$@"; do
    { "$root/scripts/blender_matrix.sh" "$suite" 2>&1; echo $? >"$systems_place/$suite.status"; } | sed -u "s/^/[$suite] /" &
    pids="$pids $!"
done
wait $pids
failed=""
for suite in "$@"; do
    [ "$(cat "$systems_place/$suite.status" 2>/dev/null)" = 0 ] || failed="$failed $suite"
done
[ -z "$failed" ] || { echo "blender_matrix: failed in:$failed"; exit 1; }
echo "blender_matrix: passed in:$systems"
