# Debian systems made with debootstrap, for the scripts that build or test
# in a Debian release other than the machine's own (sourced, not run):
#
#   . scripts/debian_systems.sh
#   base_system trixie            # a bare system, made once and kept
#   copy_system trixie NAME       # a system of our own, copied from it once
#   enter NAME COMMAND...         # runs COMMAND in it (/proc and /dev mounted)
#   each_suite LABEL SUITE...     # run_in SUITE for each, side by side
#
# Systems live in $MIVKA_MATRIX_DIR (/var/cache/mivka-matrix by default),
# outside the checkout, and are reused by later runs. Needs root.

systems_place="${MIVKA_MATRIX_DIR:-/var/cache/mivka-matrix}"

[ "$(id -u)" -eq 0 ] || { echo "$(basename "$0"): run as root (debootstrap and chroot need it)" >&2; exit 2; }

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

# Settings every system gets each time it is used: the machine's name
# servers, the frozen lists of unstable, the mount table Blender lists.
settle_system() {  # settle_system SYSTEM SUITE
    cp /etc/resolv.conf "$1/etc/resolv.conf"
    if [ "$2" = sid ]; then
        # Unstable's package lists here are a frozen snapshot whose Release
        # file has expired.
        echo 'Acquire::Check-Valid-Until "false";' >"$1/etc/apt/apt.conf.d/99mivka-frozen-lists"
    fi
    ln -sf ../proc/self/mounts "$1/etc/mtab"
}

# A bare system of a release, made once: debootstrap into a temporary
# folder, renamed when whole, so that an interrupted run starts it again.
base_system() {  # base_system SUITE
    base="$systems_place/base/$1"
    if [ ! -x "$base/usr/bin/apt-get" ]; then
        command -v debootstrap >/dev/null || scripts/setup.sh debootstrap
        echo "$(basename "$0"): making Debian $1 in $base" >&2
        rm -rf "$base.partial"
        mkdir -p "$systems_place/base"
        debootstrap --variant=minbase "$1" "$base.partial" >"$base.debootstrap.log" 2>&1 ||
            { tail -n 20 "$base.debootstrap.log"; exit 1; }
        mv "$base.partial" "$base"
    fi
    settle_system "$base" "$1"
}

# The bare systems of several releases, those missing made side by side.
base_systems() {  # base_systems SUITE...
    command -v debootstrap >/dev/null || scripts/setup.sh debootstrap
    pids=""
    for suite in "$@"; do
        [ -x "$systems_place/base/$suite/usr/bin/apt-get" ] && continue
        (base_system "$suite") &
        pids="$pids $!"
    done
    for pid in $pids; do
        wait "$pid" || exit 1
    done
    for suite in "$@"; do
        base_system "$suite"
    done
}

# A system of our own, copied once from the bare system of its release.
copy_system() {  # copy_system SUITE NAME
    base_system "$1"
    system="$systems_place/$2"
    if [ ! -x "$system/usr/bin/apt-get" ]; then
        rm -rf "$system.partial"
        cp -a "$systems_place/base/$1" "$system.partial"
        mv "$system.partial" "$system"
    fi
    settle_system "$system" "$1"
}

# Mounts the folder of downloaded packages that the systems of one release
# share as the system's own.
share_packages() {  # share_packages NAME
    release="$(. "$systems_place/$1/etc/os-release" && echo "${VERSION_CODENAME:-$ID}")"
    mkdir -p "$systems_place/packages/$release/partial"
    mount_into "$systems_place/$1" "$systems_place/packages/$release" /var/cache/apt/archives --bind
}

# Installs the packages named that a system lacks. Systems of one release
# share the packages they download.
install_into() {  # install_into NAME PACKAGE...
    name="$1"
    shift
    share_packages "$name"
    status=0
    chroot "$systems_place/$name" sh -c '
        missing=""
        for package in "$@"; do
            dpkg-query -W -f="\${Status}" "$package" 2>/dev/null | grep -q "install ok installed" ||
                missing="$missing $package"
        done
        [ -z "$missing" ] && exit 0
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -qq && apt-get install -y -qq -o Dpkg::Use-Pty=0 --no-install-recommends $missing >/dev/null' sh "$@" ||
        status=$?
    umount "$systems_place/$name/var/cache/apt/archives"
    return $status
}

# Runs a command in a system with /proc and /dev mounted and a clean
# environment; unmounts afterwards.
enter() {  # enter NAME COMMAND...
    system="$systems_place/$1"
    shift
    mount_into "$system" /proc /proc -t proc
    mount_into "$system" /dev /dev --rbind
    mount --make-rslave "$system/dev"
    status=0
    chroot "$system" env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 CI="${CI:-}" "$@" ||
        status=$?
    unmount_all
    return $status
}

# The checkout's files as git sees them (changes included), copied into a
# folder of a system.
copy_checkout() {  # copy_checkout FOLDER
    rm -rf "$1"
    mkdir -p "$1"
    git ls-files -z --cached --others --exclude-standard |
        tar --null -T - --ignore-failed-read -cf - 2>/dev/null | tar -xf - -C "$1"
}

# Runs the calling script's `run_in SUITE` for each suite and exits with the
# outcome: one suite in this process; several side by side, the script run
# again for each (with the environment as exported), each line marked with
# its suite. Most of the time goes to one Blender at a time in each.
each_suite() {  # each_suite LABEL SUITE...
    each_label="$1"
    shift
    if [ $# -eq 1 ]; then
        start=$(date +%s)
        if run_in "$1"; then
            echo "$each_label: Debian $1 passed in $(( $(date +%s) - start )) s"
            exit 0
        fi
        echo "$each_label: Debian $1 FAILED after $(( $(date +%s) - start )) s"
        exit 1
    fi
    script="$(pwd)/scripts/$(basename "$0")"
    for suite in "$@"; do rm -f "$systems_place/$each_label-$suite.status"; done
    for suite in "$@"; do
        { "$script" "$suite" 2>&1; echo $? >"$systems_place/$each_label-$suite.status"; } | sed -u "s/^/[$suite] /" &
    done
    wait
    failed=""
    for suite in "$@"; do
        [ "$(cat "$systems_place/$each_label-$suite.status" 2>/dev/null)" = 0 ] || failed="$failed $suite"
    done
    [ -z "$failed" ] || { echo "$each_label: failed in:$failed"; exit 1; }
    echo "$each_label: passed in: $*"
    exit 0
}
