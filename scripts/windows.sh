#!/usr/bin/env bash
# Flashmere for Windows, cross-built on Debian 12: installs what is missing (MinGW-w64,
# Wine, NSIS), builds the image libraries once, builds flashmere.exe and
# flashmere-cli.exe in build/windows, packs the zip and the installer, and runs the
# Windows tests under Wine on a virtual display. Extra arguments go to ctest.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/install-deps.sh" windows
"$root/scripts/build-windows-libs.sh"

export CCACHE_BASEDIR="$root"

# The tests preload the MIDI stand-in into Wine, whose MIDI goes through ALSA: it is a
# Linux library, made by the Linux test build.
cmake -S "$root" -B "$root/build/test" -DCMAKE_BUILD_TYPE=Debug > /dev/null
cmake --build "$root/build/test" --target fakeseq_preload -j"$(nproc)"

cd "$root"
cmake --preset windows > /dev/null
cmake --build build/windows -j"$(nproc)"
(cd build/windows && cpack > /dev/null && ls -l Flashmere-*-win64.zip Flashmere-*-win64.exe)

cd build/windows
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure "$@"
