#!/bin/sh
# Runs inside the Debian 11 build system of scripts/wheels.sh: builds
# Boost (Boost.Python for each Python named, Boost.Filesystem), libzip and
# expat as static, position-independent libraries from the Debian sources in
# /mivka/downloads once, then the module for each Python, carrying its C++
# runtime, into /mivka/out/PYTHON/.
#
#   wheels_inside.sh BOOST_SOURCE PYTHON...
set -eu
boost_source="$1"
shift
downloads=/mivka/downloads
prefix=/opt/mivka
export CCACHE_DIR=/var/cache/mivka-ccache
mkdir -p "$prefix" /mivka/work

# Each Python's headers, unpacked from its development package.
for python in "$@"; do
    [ -f "$prefix/include/python$python/Python.h" ] && continue
    dpkg-deb -x "$downloads"/libpython"$python"-dev_*.deb /mivka/work/python
    mkdir -p "$prefix/include"
    # Debian's pyconfig.h leads to the one of the machine's architecture:
    # that one stands in its place, so that one folder holds the headers.
    cp -r /mivka/work/python/usr/include/python"$python" "$prefix/include/"
    cp /mivka/work/python/usr/include/x86_64-linux-gnu/python"$python"/pyconfig.h "$prefix/include/python$python/"
done
[ -f "$prefix/fast-float/fast_float/fast_float.h" ] || {
    dpkg-deb -x "$downloads"/libfast-float-dev_*.deb /mivka/work/fast-float
    mkdir -p "$prefix/fast-float"
    cp -r /mivka/work/fast-float/usr/include/fast_float "$prefix/fast-float/"
}

# libzip, reading deflated members only (what archives of documents hold),
# with the system's zlib linked in from its static library.
if [ ! -f "$prefix/lib/libzip.a" ]; then
    rm -rf /mivka/work/libzip
    mkdir -p /mivka/work/libzip
    (cd /mivka/work/libzip && dpkg-source -x "$downloads"/libzip_*.dsc source >/dev/null 2>&1)
    cmake -S /mivka/work/libzip/source -B /mivka/work/libzip/build -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF -DCMAKE_POSITION_INDEPENDENT_CODE=ON \
        -DCMAKE_C_FLAGS="-fvisibility=hidden" \
        -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF -DENABLE_GNUTLS=OFF -DENABLE_OPENSSL=OFF \
        -DENABLE_MBEDTLS=OFF -DENABLE_COMMONCRYPTO=OFF -DENABLE_WINDOWS_CRYPTO=OFF \
        -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF >/mivka/work/libzip.log 2>&1 &&
        cmake --build /mivka/work/libzip/build -j2 >>/mivka/work/libzip.log 2>&1 &&
        cmake --install /mivka/work/libzip/build >>/mivka/work/libzip.log 2>&1 ||
        { tail -n 40 /mivka/work/libzip.log; exit 1; }
fi

# expat, the library alone (no tools, tests or documentation).
if [ ! -f "$prefix/lib/libexpat.a" ]; then
    rm -rf /mivka/work/expat
    mkdir -p /mivka/work/expat
    (cd /mivka/work/expat && dpkg-source -x "$downloads"/expat_*.dsc source >/dev/null 2>&1)
    expat_source=/mivka/work/expat/source
    [ -f "$expat_source/CMakeLists.txt" ] || expat_source=/mivka/work/expat/source/expat
    cmake -S "$expat_source" -B /mivka/work/expat/build -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DEXPAT_SHARED_LIBS=OFF -DCMAKE_POSITION_INDEPENDENT_CODE=ON \
        -DCMAKE_C_FLAGS="-fvisibility=hidden" -DEXPAT_BUILD_TOOLS=OFF -DEXPAT_BUILD_EXAMPLES=OFF \
        -DEXPAT_BUILD_TESTS=OFF -DEXPAT_BUILD_DOCS=OFF -DEXPAT_BUILD_PKGCONFIG=OFF >/mivka/work/expat.log 2>&1 &&
        cmake --build /mivka/work/expat/build -j2 >>/mivka/work/expat.log 2>&1 &&
        cmake --install /mivka/work/expat/build >>/mivka/work/expat.log 2>&1 ||
        { tail -n 40 /mivka/work/expat.log; exit 1; }
fi

# Boost from Debian's source package (its patches applied; the source has
# no generated parser for its build engine, which bison makes): the libraries
# are built once for all the Pythons named so far.
boost_stamp="$prefix/boost-$boost_source-$(echo "$@" | tr ' ' '-')"
if [ ! -f "$boost_stamp" ]; then
    rm -rf /mivka/work/boost "$prefix"/lib/libboost_* "$prefix"/lib/cmake/[Bb]oost* "$prefix/include/boost"
    mkdir -p /mivka/work/boost
    (cd /mivka/work/boost && dpkg-source -x "$downloads/$boost_source"_*.dsc source >/dev/null 2>&1)
    cd /mivka/work/boost/source
    (cd tools/build && bison -y -d -o src/engine/jamgram.cpp src/engine/jamgram.y)
    using=""
    for python in "$@"; do
        using="${using}using python : $python : /usr/bin/false : $prefix/include/python$python : $prefix/lib ;
"
    done
    printf '%s' "$using" >/mivka/work/boost/user-config.jam
    ./bootstrap.sh --with-libraries=python,filesystem >/mivka/work/boost.log 2>&1 ||
        { tail -n 40 /mivka/work/boost.log; exit 1; }
    ./b2 -j2 -q -d0 --user-config=/mivka/work/boost/user-config.jam --prefix="$prefix" \
        python="$(echo "$@" | tr ' ' ',')" link=static runtime-link=shared variant=release threading=multi \
        cxxflags="-fPIC -fvisibility=hidden -fvisibility-inlines-hidden" cflags="-fPIC -fvisibility=hidden" \
        install >>/mivka/work/boost.log 2>&1 ||
        { tail -n 60 /mivka/work/boost.log; exit 1; }
    cd /
    rm -rf /mivka/work/boost
    touch "$boost_stamp"
fi

# The module for each Python.
for python in "$@"; do
    out="/mivka/work/build-$python"
    rm -rf "$out"
    cmake -S /mivka/main -B "$out" -DCMAKE_BUILD_TYPE=Release -DMIVKA_BUILD_TESTS=OFF -DMIVKA_WERROR=ON \
        -DMIVKA_SELF_CONTAINED=ON -DCMAKE_PREFIX_PATH="$prefix" -DBoost_USE_STATIC_LIBS=ON \
        -DPython3_INCLUDE_DIR="$prefix/include/python$python" -DCMAKE_CXX_FLAGS="-isystem $prefix/fast-float" \
        -DZLIB_LIBRARY=/usr/lib/x86_64-linux-gnu/libz.a \
        -DEXPAT_INCLUDE_DIR="$prefix/include" -DEXPAT_LIBRARY="$prefix/lib/libexpat.a" \
        >"$out.log" 2>&1 &&
        cmake --build "$out" -j2 --target Mivka >>"$out.log" 2>&1 ||
        { tail -n 60 "$out.log"; exit 1; }
    rm -rf "/mivka/out/$python"
    mkdir -p "/mivka/out/$python"
    cp "$out"/Mivka*.so "/mivka/out/$python/"
    strip --strip-unneeded --remove-section=.comment "/mivka/out/$python"/Mivka*.so
done
