#!/bin/sh
# Builds the module as wheels that carry everything they need, one for each
# Python that users' Blenders bundle: build/wheels/ (or $MIVKA_BUILD_DIR/wheels)
# then holds mivka-VERSION-cpXY-cpXY-manylinux_2_NN_x86_64.whl for 3.11, 3.13
# and 3.14, each checked by scripts/wheel_check.py. Prints their paths.
#
# The build runs in a Debian 11 system (glibc 2.31, GCC 10) made with
# debootstrap, so that the wheels run on every Linux system with that C
# library or a later one. Boost (Boost.Python for each Python, and
# Boost.Filesystem) and libzip are built there as static libraries from
# Debian's own sources; each Python's headers come from the Debian release
# that ships it. Everything built is kept for the next run. Needs root.
#
#   scripts/wheels.sh [3.11 3.13 3.14]
set -eu
cd "$(dirname "$0")/.."
root="$(pwd)"
pythons="${*:-3.11 3.13 3.14}"
build="$(mkdir -p "${MIVKA_BUILD_DIR:-build}" && cd "${MIVKA_BUILD_DIR:-build}" && pwd)"
. scripts/debian_systems.sh
scripts/setup.sh python3-pyelftools

# What is taken from Debian, and from which release: the Boost of Debian 13
# (its Boost.Python knows the Pythons up to 3.14), the libzip, expat and zlib
# of the build system itself, each Python's development files from the release that
# ships it, and the header-only fast_float (GCC 10 converts no reals with
# from_chars).
boost_source=boost1.83
downloads="$systems_place/downloads"
mkdir -p "$downloads"

# Downloads a package or a source package in the release that has it; apt
# there checks it against that release's keys.
fetch() {  # fetch SUITE source|binary NAME
    suite="$1" kind="$2" name="$3"
    if ls "$downloads/${name}_"* >/dev/null 2>&1; then
        return 0
    fi
    base_system "$suite"
    base="$systems_place/base/$suite"
    # Source packages are listed only while one is fetched: the systems
    # copied from this one later need no lists of sources.
    if [ "$kind" = source ]; then
        echo "deb-src http://deb.debian.org/debian $suite main" >"$base/etc/apt/sources.list.d/mivka-sources.list"
    fi
    rm -rf "$base/tmp/mivka-fetch"
    mkdir -p "$base/tmp/mivka-fetch"
    chown _apt "$base/tmp/mivka-fetch" 2>/dev/null || chmod 777 "$base/tmp/mivka-fetch"
    if [ "$kind" = source ]; then
        what="apt-get source --download-only -qq $name"
    else
        what="apt-get download -qq $name"
    fi
    chroot "$base" sh -c "apt-get update -qq && cd /tmp/mivka-fetch && $what" >"$downloads/$name.log" 2>&1 ||
        { cat "$downloads/$name.log"; exit 1; }
    rm -f "$base/etc/apt/sources.list.d/mivka-sources.list"
    mv "$base/tmp/mivka-fetch/"* "$downloads/"
    rm -rf "$base/tmp/mivka-fetch"
}

base_systems bullseye bookworm trixie sid
fetch trixie source "$boost_source"
fetch bullseye source libzip
fetch bullseye source expat
fetch bookworm binary libfast-float-dev
for python in $pythons; do
    case "$python" in
        3.11) fetch bookworm binary libpython3.11-dev ;;
        3.13) fetch trixie binary libpython3.13-dev ;;
        3.14) fetch sid binary libpython3.14-dev ;;
        *) echo "wheels: no Debian release is known to ship Python $python" >&2; exit 2 ;;
    esac
done

# The build system: Debian 11 with a compiler and CMake, nothing of Boost
# or libzip.
copy_system bullseye wheel-root
install_into wheel-root g++ make cmake ccache pkg-config zlib1g-dev dpkg-dev xz-utils bison
wheel_root="$systems_place/wheel-root"
rm -rf "$wheel_root/mivka/downloads" "$wheel_root/mivka/out"
mkdir -p "$wheel_root/mivka/downloads" "$wheel_root/mivka/out"
cp "$downloads"/*.deb "$downloads"/*.dsc "$downloads"/*.tar.* "$wheel_root/mivka/downloads/"
copy_checkout "$wheel_root/mivka/main"
echo "wheels: building for Python $pythons in Debian 11" >&2
enter wheel-root sh /mivka/main/scripts/wheels_inside.sh "$boost_source" $pythons

# Each module becomes a wheel, tagged with the oldest C library it needs.
rm -rf "$build/wheels"
mkdir -p "$build/wheels"
version="$(sed -n 's/^project(Mivka VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
for python in $pythons; do
    /usr/bin/python3 scripts/make_wheel.py "$wheel_root/mivka/out/$python/"Mivka*.so "$version" "$python" "$build/wheels"
done
/usr/bin/python3 scripts/wheel_check.py "$build/wheels"/*.whl >&2
ls "$build/wheels"/*.whl
