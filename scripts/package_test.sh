#!/bin/sh
# Builds the Debian package, checks it with lintian (no errors), installs it,
# converts the sample with /usr/bin/mivka, imports it in Blender through the
# installed add-on, then purges the package and checks that nothing of it is
# left. Installs and removes a system package: run it as root on a machine
# that can be thrown away (CI does).
set -eu
cd "$(dirname "$0")/.."
root="$(pwd)"
scripts/setup.sh lintian blender python3-numpy
deb="$(scripts/package.sh | tail -n 1)"
lintian --allow-root --fail-on error "$deb"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
# Blender and the command keep their settings under the user's home: a home
# of its own keeps the real one as it was, which is checked at the end.
real_home="${HOME:-/root}"
before="$(find "$real_home/.config/blender" -path '*mivka*' 2>/dev/null | sort)"
export HOME="$work/home"
unset XDG_CONFIG_HOME
mkdir "$HOME"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" >/dev/null
dpkg -L mivka | grep -v '^/\.$' >installed.txt

# The installed command, away from the checkout and its build.
env -u MIVKA_BUILD_DIR /usr/bin/mivka "$root/samples/lantern.mqo" >summary.txt
grep -q "^Objects" summary.txt || { cat summary.txt; echo "no objects in the summary"; exit 1; }
env -u MIVKA_BUILD_DIR /usr/bin/mivka "$root/samples/lantern.mqo" -o lantern.glb >export.txt 2>&1 ||
    { cat export.txt; exit 1; }
test -s lantern.glb
man -l /usr/share/man/man1/mivka.1.gz >/dev/null 2>&1 || zcat /usr/share/man/man1/mivka.1.gz | grep -q "^.SH NAME"

# The installed add-on, as Blender lists it for every user: an extension of
# the system's repository from Blender 4.2 on.
cat >import.py <<EOF
import addon_utils, bpy, sys
bpy.ops.wm.read_factory_settings(use_empty=True)
name = "bl_ext.system.io_import_mqo_mivka" if bpy.app.version >= (4, 2) else "io_import_mqo_mivka"
addon_utils.enable(name, default_set=True)
module = sys.modules.get(name)
assert module is not None and module.__file__.startswith("/usr/share/blender/"), module
result = bpy.ops.import_scene.mivka_mqo(filepath="$root/samples/lantern.mqo")
assert result == {"FINISHED"}, result
import Mivka
assert Mivka.__file__.startswith("/usr/lib/python3/"), Mivka.__file__
assert len(bpy.data.meshes) > 0 and len(bpy.data.materials) > 0
print("imported", len(bpy.data.objects), "objects")
EOF
blender -b --factory-startup --python-exit-code 1 --python import.py 2>&1 | grep "^imported"

DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq mivka >/dev/null
left=""
while read -r path; do
    if [ -e "$path" ] || [ -L "$path" ]; then
        dpkg -S "$path" >/dev/null 2>&1 || left="$left $path"
    fi
done <installed.txt
after="$(find "$real_home/.config/blender" -path '*mivka*' 2>/dev/null | sort)"
[ "$before" = "$after" ] || left="$left (in $real_home)"
if [ -n "$left" ]; then
    echo "left behind after purging mivka:$left"
    exit 1
fi
echo "package: built, lintian clean, installed, converted, imported in Blender, purged"
