#!/bin/sh
# Installs the Debian packages that building and testing Mivka need, and
# any further ones named as arguments, when any of them is missing.
set -eu

# libzip's CMake package names its command-line tools too, and fails when
# they are missing: Debian ships them apart (zipcmp, zipmerge, ziptool).
# NumPy: the tests describe faces as the polygons Blender holds for them.
packages="g++ make cmake ccache python3 python3-dev python3-pytest
libboost-dev libboost-python-dev libboost-filesystem-dev libgtest-dev
libzip-dev zipcmp zipmerge ziptool libexpat1-dev libfast-float-dev python3-numpy $*"

missing=""
for package in $packages; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $package"
    fi
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
