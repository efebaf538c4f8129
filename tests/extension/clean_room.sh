#!/bin/sh
# Runs inside a Debian system that has Debian's Blender and nothing of
# Mivka's build (scripts/extension_test.sh makes it): checks that Boost.Python,
# Boost.Filesystem and libzip are absent, installs Mivka as a user does
# (the extension zip with Blender's own command from Blender 4.2 on, the
# add-on zip before), imports every document named through the add-on's
# operator and compares each scene with the in-memory host's, run by the
# system's Python with the module from the wheel for it. From Blender 4.2
# on, it also installs the extension from the repository folder through
# Blender's package manager, in a home of its own, and imports the sample.
#
#   clean_room.sh TEST_FOLDER DOCUMENT...
#
# TEST_FOLDER holds main/ (the checkout), extension/ (what
# scripts/extension.sh built) and wheels/.
set -eu
test_folder="$1"
shift
main="$test_folder/main"
extension="$test_folder/extension"
cd "$test_folder"

# None of the libraries the module was once linked with may be on the
# system: the wheel must carry its own.
left="$(find / -xdev \( -path /proc -o -path "$test_folder" \) -prune -o \
    \( -name 'libboost_python*' -o -name 'libboost_filesystem*' -o -name 'libzip.so*' -o -name 'libzip.a' \
       -o -name 'boost_python*' -o -name 'zip.h' \) -print)"
dev="$(dpkg-query -W -f='${Package} ${Status}\n' 'libboost*' 'libzip*' 2>/dev/null | grep ' installed$' |
    grep -E '^libzip|^libboost[^ ]*(-dev|python|filesystem)' || true)"
if [ -n "$left$dev" ]; then
    echo "clean_room: the system is not clean:"
    echo "$left$dev"
    exit 1
fi
echo "clean_room: no Boost.Python, Boost.Filesystem or libzip, no Boost or libzip headers on the system"

blender_version="$(blender --version 2>/dev/null | sed -n 's/^Blender \([0-9]*\)\.\([0-9]*\).*/\1 \2/p' | head -n 1)"
blender_version=$(( ${blender_version% *} * 100 + ${blender_version#* } ))
zip="$(ls "$extension"/io_import_mqo_mivka-*-linux_x64.zip | grep -v -- -addon-)"
addon_zip="$(ls "$extension"/io_import_mqo_mivka-*-addon-linux_x64.zip)"

# A user's own home: the extension goes into the user's repository.
export HOME="$test_folder/home"
rm -rf "$HOME"
mkdir -p "$HOME"
if [ "$blender_version" -ge 402 ]; then
    echo "clean_room: Blender $blender_version: blender --command extension install-file $(basename "$zip")"
    blender -b --factory-startup --command extension install-file -r user_default --enable "$zip" >install.log 2>&1 ||
        { cat install.log; exit 1; }
else
    echo "clean_room: Blender $blender_version: the add-on installed from $(basename "$addon_zip")"
    blender -b --factory-startup --python-exit-code 1 --python-expr "
import bpy, sys
bpy.ops.preferences.addon_install(filepath=sys.argv[-1], overwrite=True)
bpy.ops.preferences.addon_enable(module='io_import_mqo_mivka')
bpy.ops.wm.save_userpref()" -- "$addon_zip" >install.log 2>&1 || { cat install.log; exit 1; }
fi

# Blender with the user's preferences, as the user starts it.
blender -b --python-exit-code 1 --python "$main/tests/extension/import_in_blender.py" -- scenes.json "$@" \
    >blender.log 2>&1 || { tail -n 40 blender.log; exit 1; }
python3 "$main/tests/extension/compare.py" scenes.json "$test_folder/wheels"

# The repository that Blender's package manager reads, served from a folder
# (which Blender reaches only when allowed to go online).
if [ "$blender_version" -ge 402 ]; then
    export HOME="$test_folder/home-repository"
    rm -rf "$HOME"
    mkdir -p "$HOME"
    blender -b --factory-startup --command extension repo-add --name Mivka --url "file://$extension" mivka \
        >repository.log 2>&1 &&
        blender -b --online-mode --command extension install --sync --enable io_import_mqo_mivka \
            >>repository.log 2>&1 &&
        blender -b --python-exit-code 1 --python "$main/tests/extension/import_in_blender.py" -- \
            repository.json "$main/samples/lantern.mqo" >>repository.log 2>&1 ||
        { tail -n 40 repository.log; exit 1; }
    python3 "$main/tests/extension/compare.py" repository.json "$test_folder/wheels"
    echo "clean_room: installed from the repository file://$extension"
fi
