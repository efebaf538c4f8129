#!/bin/sh
# Builds Mivka as users install it into Blender, in build/extension/ (or
# $MIVKA_BUILD_DIR/extension):
#
#   io_import_mqo_mivka-VERSION-linux_x64.zip   the extension for Blender 4.2
#       and later (Edit > Preferences > Get Extensions > Install from Disk):
#       the add-on, the host packages and a wheel of the module for each
#       Python that Blender bundles (3.11, 3.13, 3.14); Blender installs the
#       one that fits.
#   io_import_mqo_mivka-VERSION-addon-linux_x64.zip   the add-on for Blender
#       3.4 to 4.1 (Preferences > Add-ons > Install), with the module for
#       Python 3.11.
#   index.json   the repository index that Blender's package manager reads,
#       for a repository served from this folder.
#
# The wheels come from scripts/wheels.sh; Blender's own commands build,
# validate and index the extension, in a Debian 13 system with Debian's
# Blender 4.3 (made with debootstrap, kept for later runs). Needs root.
# Prints the extension's path last.
set -eu
cd "$(dirname "$0")/.."
build="$(mkdir -p "${MIVKA_BUILD_DIR:-build}" && cd "${MIVKA_BUILD_DIR:-build}" && pwd)"
. scripts/debian_systems.sh

scripts/wheels.sh >/dev/null
version="$(sed -n 's/^project(Mivka VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
out="$build/extension"
rm -rf "$out"
mkdir -p "$out/source/io_import_mqo_mivka/wheels" "$out/addon/io_import_mqo_mivka"

# What every form of the add-on holds: the add-on and the host packages.
for target in "$out/source/io_import_mqo_mivka" "$out/addon/io_import_mqo_mivka"; do
    cp addon/io_import_mqo_mivka/__init__.py "$target/"
    cp -r hosts/bpy/Blender hosts/common/* "$target/"
    find "$target" -name __pycache__ -prune -exec rm -rf {} +
done

# The extension: the wheels, listed in its manifest.
cp "$build"/wheels/*.whl "$out/source/io_import_mqo_mivka/wheels/"
wheels="$(cd "$out/source/io_import_mqo_mivka" && ls wheels/*.whl | sed 's|.*|"./&"|' | paste -sd, - | sed 's/,/, /g')"
sed -e "s/@VERSION@/$version/" -e "s|@WHEELS@|wheels = [$wheels]|" \
    addon/io_import_mqo_mivka/blender_manifest.toml.in >"$out/source/io_import_mqo_mivka/blender_manifest.toml"

# The add-on for Blenders before extensions: the module for Python 3.11
# beside it.
(cd "$out/addon/io_import_mqo_mivka" &&
    /usr/bin/python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(".", [n for n in zipfile.ZipFile(sys.argv[1]).namelist() if n.endswith(".so")])' \
        "$(ls "$build"/wheels/*-cp311-cp311-*.whl)")
(cd "$out/addon" && /usr/bin/python3 -m zipfile -c "../io_import_mqo_mivka-$version-addon-linux_x64.zip" io_import_mqo_mivka)

# Blender checks the extension, builds its zip for each platform and
# writes the repository's index.
copy_system trixie blender-trixie
install_into blender-trixie blender
tool="$systems_place/blender-trixie/root/mivka-extension"
rm -rf "$tool"
mkdir -p "$tool/out"
cp -r "$out/source" "$tool/"
enter blender-trixie sh -c '
    set -e
    cd /root/mivka-extension
    blender -b --factory-startup --command extension validate source/io_import_mqo_mivka
    blender -b --factory-startup --command extension build --split-platforms \
        --source-dir source/io_import_mqo_mivka --output-dir out
    blender -b --factory-startup --command extension validate out/*.zip
    blender -b --factory-startup --command extension server-generate --repo-dir out' \
    >"$out/blender.log" 2>&1 || { cat "$out/blender.log" >&2; exit 1; }
cp "$tool"/out/* "$out/"
rm -rf "$tool"
ls "$out/index.json" "$out/io_import_mqo_mivka-$version-addon-linux_x64.zip" >/dev/null
ls "$out/io_import_mqo_mivka-$version-linux_x64.zip"
