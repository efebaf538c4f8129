#!/bin/sh
# Builds the Blender add-on: build/addon/io_import_mqo_mivka/ (install it as
# a folder) and build/io_import_mqo_mivka.zip (install it from the zip),
# each holding the add-on, the Mivka module and the bpy host package. Where
# the system's Blender is 4.2 or later, also the extension that Blender
# builds and checks from that folder: build/io_import_mqo_mivka-VERSION.zip.
# Prints the path of what fits the system's Blender last.
set -eu
cd "$(dirname "$0")/.."
build="${MIVKA_BUILD_DIR:-build}"
# The module as built for the system's python3, which its Blender embeds.
module="Mivka$(/usr/bin/python3 -c 'import sysconfig; print(sysconfig.get_config_var("EXT_SUFFIX"))')"
[ -f "$build/$module" ] || scripts/build.sh
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
target="$build/addon/io_import_mqo_mivka"
rm -rf "$build/addon" "$build"/io_import_mqo_mivka*.zip
mkdir -p "$target"
cp addon/io_import_mqo_mivka/__init__.py "$build/$module" "$target/"
cp "$build/blender_manifest.toml" "$target/"
cp -r hosts/bpy/Blender hosts/common/* "$target/"
find "$target" -name __pycache__ -prune -exec rm -rf {} +
(cd "$build/addon" && /usr/bin/python3 -m zipfile -c ../io_import_mqo_mivka.zip io_import_mqo_mivka)

blender_version="$(scripts/blender_version.sh)"
if [ "$blender_version" -ge 402 ]; then
    blender -b --factory-startup --command extension validate "$target" >"$build/extension.log" 2>&1 &&
        blender -b --factory-startup --command extension build --source-dir "$target" --output-dir "$build" \
            >>"$build/extension.log" 2>&1 ||
        { cat "$build/extension.log" >&2; exit 1; }
    echo "$build/io_import_mqo_mivka-$version.zip"
else
    echo "$build/io_import_mqo_mivka.zip"
fi
