#!/usr/bin/env bash
# Cross-builds the image libraries that JUCE needs on Windows and that Debian ships no
# MinGW package of (libpng, libjpeg-turbo), from Debian's own source packages, as static
# libraries in build/windows-deps/prefix. Runs once: a second run finds them and stops.
#
# Debian's JUCE leaves out its bundled copies of these, and MinGW's zlib comes from
# libz-mingw-w64-dev. The sources come through a deb-src list private to the build
# folder, so the machine's apt configuration is not touched.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
deps="${FLASHMERE_WINDOWS_DEPS_DIR:-$root/build/windows-deps}"
prefix="$deps/prefix"
stamp="$prefix/.built"
toolchain="$root/cmake/windows/mingw-w64-x86_64.cmake"

if [[ -f "$stamp" ]]; then
    exit 0
fi

rm -rf "$deps/src" "$deps/build" "$prefix"
mkdir -p "$deps/apt/lists/partial" "$deps/apt/cache/archives/partial" "$deps/src" "$deps/build"

# Only the main archive: its versions' source files are the ones sure to be fetchable.
echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main" \
    > "$deps/apt/sources.list"
apt_options=(
    -o "Dir::Etc::SourceList=$deps/apt/sources.list"
    -o "Dir::Etc::SourceParts=/dev/null"
    -o "Dir::State::Lists=$deps/apt/lists"
    -o "Dir::Cache=$deps/apt/cache"
    -o "APT::Sandbox::User=$(id -un)"
)
apt-get "${apt_options[@]}" -q update
(cd "$deps/src" && apt-get "${apt_options[@]}" -q source libpng1.6 libjpeg-turbo)

png_source=$(find "$deps/src" -maxdepth 1 -type d -name 'libpng1.6-*' | head -1)
jpeg_source=$(find "$deps/src" -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -1)

cross_build() {
    local name=$1 source=$2
    shift 2
    cmake -S "$source" -B "$deps/build/$name" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DFLASHMERE_WINDOWS_DEPS="$prefix" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" "$@" > /dev/null
    cmake --build "$deps/build/$name" -j"$(nproc)" > /dev/null
    cmake --install "$deps/build/$name" > /dev/null
}

cross_build libpng "$png_source" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DZLIB_LIBRARY=/usr/x86_64-w64-mingw32/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/x86_64-w64-mingw32/include
cross_build libjpeg "$jpeg_source" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF

# JUCE compiles its JPEG reader with JPEG_INTERNALS, which wants this header beside
# jpeglib.h; and it includes jpeglib.h inside a namespace after windows.h, so the
# "boolean" type must always be declared there, not only when windows.h has not.
cp "$jpeg_source/jpegint.h" "$prefix/include/"
sed -i 's|^#ifndef __RPCNDR_H__.*|#if 1 /* always: JUCE includes this inside a namespace after windows.h */|' "$prefix/include/jconfig.h"
grep -q 'always: JUCE includes' "$prefix/include/jconfig.h"

touch "$stamp"
echo "Windows image libraries ready in $prefix"
