#!/bin/sh
# Builds the Blender add-on: build/addon/io_import_mqo_mivka/ (install it as
# a folder) and build/io_import_mqo_mivka.zip (install it from the zip),
# each holding the add-on, the Mivka module and the bpy host package.
set -eu
cd "$(dirname "$0")/.."
build="${MIVKA_BUILD_DIR:-build}"
# The module as built for the system's python3, which its Blender embeds.
module="Mivka$(/usr/bin/python3 -c 'import sysconfig; print(sysconfig.get_config_var("EXT_SUFFIX"))')"
[ -f "$build/$module" ] || scripts/build.sh
target="$build/addon/io_import_mqo_mivka"
rm -rf "$build/addon" "$build/io_import_mqo_mivka.zip"
mkdir -p "$target"
cp addon/io_import_mqo_mivka/__init__.py "$build/$module" "$target/"
cp -r hosts/bpy/Blender hosts/common/blender24 "$target/"
find "$target" -name __pycache__ -prune -exec rm -rf {} +
(cd "$build/addon" && /usr/bin/python3 -m zipfile -c ../io_import_mqo_mivka.zip io_import_mqo_mivka)
echo "$build/io_import_mqo_mivka.zip"
