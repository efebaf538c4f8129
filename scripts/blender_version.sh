#!/bin/sh
# The version of the system's Blender as one number, major * 100 + minor
# (304 for 3.4, 502 for 5.2); 0 when there is no Blender.
set -eu
version="$(blender --version 2>/dev/null | sed -n 's/^Blender \([0-9]*\)\.\([0-9]*\).*/\1 \2/p' | head -n 1)"
[ -n "$version" ] || { echo 0; exit 0; }
echo $(( ${version% *} * 100 + ${version#* } ))
