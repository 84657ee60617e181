#!/usr/bin/env bash
# Installs what is missing, builds Flashmere and starts it, passing the arguments on
# (the one argument Flashmere takes is the path of a .syx firmware file).
#
# Without a display it runs Flashmere on a virtual one, saves a screenshot of the window
# and prints where, so that the program can be seen starting on a headless machine too.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build/release"

"$root/scripts/install-deps.sh" run

export CCACHE_BASEDIR="$root"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DFLASHMERE_BUILD_TESTS=OFF > /dev/null
cmake --build "$build" --target Flashmere -j"$(nproc)"

program="$build/Flashmere"

if [[ -n "${DISPLAY:-}" ]] && xdpyinfo > /dev/null 2>&1; then
    exec "$program" "$@"
fi

shot="$build/flashmere-screenshot.png"
echo "No display found: starting Flashmere on a virtual display (Xvfb) to show that it runs."

xvfb-run -a -s "-screen 0 1024x768x24" bash -s "$program" "$shot" "$@" << 'INNER'
program=$1 shot=$2
shift 2
"$program" "$@" &
pid=$!
# Wait for the main window (or a message box) to be mapped, then a moment for its paint.
for _ in $(seq 1 100); do
    if xwininfo -root -tree 2> /dev/null | grep -qE '"(Velamor|.* version [0-9]|File not found)'; then
        break
    fi
    sleep 0.1
done
sleep 1
import -window root "$shot"
kill -TERM "$pid" 2> /dev/null || true
wait "$pid" 2> /dev/null || true
INNER

echo "Flashmere started and was closed again. Screenshot of its window: $shot"
