#!/usr/bin/env bash
# Installs what is missing, builds Flashmere and its tests, and runs the whole suite on a
# virtual display. Extra arguments go to ctest (for example -L protocol).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${FLASHMERE_TEST_BUILD:-$root/build/test}"
sanitizer="${FLASHMERE_SANITIZER:-}"

"$root/scripts/install-deps.sh" test

export CCACHE_BASEDIR="$root"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DFLASHMERE_SANITIZER="$sanitizer" > /dev/null
cmake --build "$build" -j"$(nproc)"

cd "$build"
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j"$(nproc)" "$@"
