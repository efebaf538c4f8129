#!/bin/sh
# Builds the Debian package mivka_VERSION_amd64.deb into build/ (or
# $MIVKA_BUILD_DIR) from the installed layout of the build: the module for
# Debian's python3, the host packages and scripts under /usr/lib/mivka, the
# command /usr/bin/mivka, the Blender add-on in Blender's system add-on
# folder, the manual page. Prints the package's path.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh dpkg-dev
# The add-on in the form the system's Blender takes: an extension from 4.2 on.
blender_version="$(scripts/blender_version.sh)"
if [ "$blender_version" -ge 402 ]; then
    scripts/build.sh -DMIVKA_BLENDER_EXTENSION=ON
    recommends="blender (>= 4.2), python3-numpy"
else
    scripts/build.sh -DMIVKA_BLENDER_EXTENSION=OFF
    recommends="blender, python3-numpy"
fi
build="$(cd "${MIVKA_BUILD_DIR:-build}" && pwd)"
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
architecture="$(dpkg --print-architecture)"
stage="$build/package/mivka"
deb="$build/mivka_${version}_${architecture}.deb"

rm -rf "$build/package" "$deb"
mkdir -p "$stage/DEBIAN"
DESTDIR="$stage" cmake --install "$build" --prefix /usr --strip >/dev/null
module="$(find "$stage/usr/lib/python3" -name 'Mivka*.so')"
strip --remove-section=.comment --remove-section=.note "$module"
mkdir -p "$stage/usr/bin"
ln -s ../lib/mivka/tools/mivka "$stage/usr/bin/mivka"
gzip -9n "$stage/usr/share/man/man1/mivka.1"

doc="$stage/usr/share/doc/mivka"
mkdir -p "$doc"
cp packaging/copyright "$doc/copyright"
sed "s/@VERSION@/$version/" packaging/changelog | gzip -9n >"$doc/changelog.gz"

# The libraries the module needs, as Debian's own tool names their packages.
mkdir -p "$build/package/debian"
printf 'Source: mivka\n\nPackage: mivka\nArchitecture: any\n' >"$build/package/debian/control"
libraries="$(cd "$build/package" && dpkg-shlibdeps -O -e"$module" 2>/dev/null | sed -n 's/^shlibs:Depends=//p')"
rm -rf "$build/package/debian"

# The module serves the python3 it was built for, and no other.
python="$(/usr/bin/python3 -c 'import sys; print("%d.%d %d.%d" % (sys.version_info[:2] + (sys.version_info[0], sys.version_info[1] + 1)))')"
python_depends="python3 (>= ${python% *}), python3 (<< ${python#* })"

sed -e "s/@VERSION@/$version/" -e "s/@ARCHITECTURE@/$architecture/" \
    -e "s/@DEPENDS@/$libraries, $python_depends/" -e "s/@RECOMMENDS@/$recommends/" \
    -e "s/@SIZE@/$(du -sk --exclude=DEBIAN "$stage" | cut -f1)/" packaging/control >"$stage/DEBIAN/control"
install -m 755 packaging/postinst packaging/prerm "$stage/DEBIAN/"
(cd "$stage" && find usr -type f | sort | xargs md5sum) >"$stage/DEBIAN/md5sums"
chmod 644 "$stage/DEBIAN/md5sums"
find "$stage" -type d -exec chmod 755 {} +

dpkg-deb --root-owner-group -Zxz --build "$stage" "$deb" >/dev/null
echo "$deb"
