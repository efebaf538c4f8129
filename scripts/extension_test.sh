#!/bin/sh
# Installs Mivka as users do, in Debian systems that have Debian's Blender
# and none of Mivka's build dependencies: Debian 12 (Blender 3.4, the
# add-on zip), Debian 13 (Blender 4.3) and Debian unstable (Blender 5.2),
# each installing the extension zip with Blender's own command and from the
# repository index. Each imports every document of the corpus and the
# samples through the add-on's operator and compares the scenes with the
# in-memory host's (tests/extension/clean_room.sh).
#
#   scripts/extension_test.sh [bookworm] [trixie] [sid]
#
# Builds the extension first (scripts/extension.sh) unless
# MIVKA_EXTENSION_BUILT is set. Needs root.
set -eu
cd "$(dirname "$0")/.."
root="$(pwd)"
build="$(mkdir -p "${MIVKA_BUILD_DIR:-build}" && cd "${MIVKA_BUILD_DIR:-build}" && pwd)"
suites="${*:-bookworm trixie sid}"
. scripts/debian_systems.sh

if [ -z "${MIVKA_EXTENSION_BUILT:-}" ]; then
    scripts/extension.sh >/dev/null
fi

# The wheel's module beside the one built here on the system's shared
# Boost.Python, in one process (the README's test command built that one).
if [ -z "${MIVKA_EXTENSION_CHILD:-}" ] && ls "$build"/Mivka.cpython-*.so >/dev/null 2>&1; then
    /usr/bin/python3 tests/extension/two_boosts.py "$build" "$build/wheels"
fi

run_in() {
    suite="$1" name="blender-$1"
    copy_system "$suite" "$name"
    # NumPy, which Blender's own builds carry and Debian's Blender does not
    # ask for.
    install_into "$name" blender python3-numpy
    # Blender 5's own extension manager imports modules its Debian package
    # does not depend on.
    if chroot "$systems_place/$name" blender --version 2>/dev/null | grep -q '^Blender [5-9]'; then
        install_into "$name" python3-cattr python3-requests
    fi
    test_folder="$systems_place/$name/root/mivka-test"
    rm -rf "$test_folder"
    mkdir -p "$test_folder/extension" "$test_folder/wheels" "$test_folder/corpus"
    chmod 700 "$systems_place/$name/root"
    copy_checkout "$test_folder/main"
    cp "$build"/extension/*.zip "$build/extension/index.json" "$test_folder/extension/"
    cp "$build"/wheels/*.whl "$test_folder/wheels/"
    documents="$(ls "$root"/samples/*.mqo | sed "s|^$root/|/root/mivka-test/main/|")"
    if [ -f "$root/../shared/corpus/mqo/SOURCES.md" ]; then
        mount_into "$systems_place/$name" "$root/../shared/corpus/mqo" /root/mivka-test/corpus --bind -o ro
        documents="$documents $(cd "$root/../shared/corpus/mqo" && ls *.mqo *.mqoz | sed 's|^|/root/mivka-test/corpus/|')"
    else
        echo "extension_test: the corpus (../shared/corpus/mqo) is not there: the samples only"
    fi
    echo "extension_test: Debian $suite: $(chroot "$systems_place/$name" sh -c '. /etc/os-release; echo "$PRETTY_NAME"')"
    enter "$name" sh /root/mivka-test/main/tests/extension/clean_room.sh /root/mivka-test $documents
}

# Each system's run takes the extension as built here.
export MIVKA_EXTENSION_BUILT=1 MIVKA_EXTENSION_CHILD=1
each_suite extension_test $suites
