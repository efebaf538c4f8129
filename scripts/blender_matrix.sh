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
place="${MIVKA_MATRIX_DIR:-/var/cache/mivka-matrix}"
systems="${*:-trixie sid}"

[ "$(id -u)" -eq 0 ] || { echo "blender_matrix: run as root (debootstrap and chroot need it)" >&2; exit 2; }
scripts/setup.sh debootstrap

mounted=""
unmount_all() {
    for target in $mounted; do
        umount -R "$target" 2>/dev/null || umount -R -l "$target" 2>/dev/null || true
    done
    mounted=""
}
trap unmount_all EXIT
trap 'unmount_all; exit 130' INT TERM

mount_into() {  # mount_into SYSTEM SOURCE TARGET [options]
    system="$1" source="$2" target="$1$3"
    shift 3
    mkdir -p "$target"
    mount "$@" "$source" "$target"
    mounted="$target $mounted"
}

# A system made once: debootstrap into a temporary folder, renamed when
# whole, so that an interrupted run starts it again.
make_system() {
    suite="$1" system="$place/$1"
    if [ ! -x "$system/usr/bin/apt-get" ]; then
        echo "blender_matrix: making Debian $suite in $system"
        rm -rf "$system.partial"
        mkdir -p "$place"
        debootstrap --variant=minbase "$suite" "$system.partial" >"$place/$suite.debootstrap.log" 2>&1 ||
            { tail -n 20 "$place/$suite.debootstrap.log"; exit 1; }
        mv "$system.partial" "$system"
    fi
    if [ "$suite" = sid ]; then
        # Unstable's package lists here are a frozen snapshot whose Release
        # file has expired.
        echo 'Acquire::Check-Valid-Until "false";' >"$system/etc/apt/apt.conf.d/99mivka-frozen-lists"
    fi
    cp /etc/resolv.conf "$system/etc/resolv.conf"
    # As on a booted system: Blender lists the mounted file systems.
    ln -sf ../proc/self/mounts "$system/etc/mtab"
}

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
    suite="$1" system="$place/$1"
    make_system "$suite"
    mount_into "$system" /proc /proc -t proc
    mount_into "$system" /dev /dev --rbind
    mount --make-rslave "$system/dev"
    # A fresh copy of the checkout's files (as git sees them, changes included).
    rm -rf "$system/root/mivka/main"
    mkdir -p "$system/root/mivka/main"
    chmod 700 "$system/root"
    git ls-files -z --cached --others --exclude-standard |
        tar --null -T - --ignore-failed-read -cf - 2>/dev/null | tar -xf - -C "$system/root/mivka/main"
    if [ -f "$root/../shared/corpus/mqo/SOURCES.md" ]; then
        mount_into "$system" "$root/../shared" /root/mivka/shared --bind -o ro
    fi
    echo "blender_matrix: Debian $suite: $(chroot "$system" sh -c '. /etc/os-release; echo "$PRETTY_NAME"')"
    status=0
    chroot "$system" env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 CI="${CI:-}" \
        sh -c "$INSIDE" || status=$?
    unmount_all
    return $status
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
for suite in "$@"; do rm -f "$place/$suite.status"; done
for suite in "$@"; do
    { "$root/scripts/blender_matrix.sh" "$suite" 2>&1; echo $? >"$place/$suite.status"; } | sed -u "s/^/[$suite] /" &
    pids="$pids $!"
done
wait $pids
failed=""
for suite in "$@"; do
    [ "$(cat "$place/$suite.status" 2>/dev/null)" = 0 ] || failed="$failed $suite"
done
[ -z "$failed" ] || { echo "blender_matrix: failed in:$failed"; exit 1; }
echo "blender_matrix: passed in:$systems"
