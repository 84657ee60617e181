#!/usr/bin/env bash
# Flashmere.exe under Wine on the virtual display: it starts with the window and title
# of the Linux build, 650 x 400, and closes cleanly with Alt+F4, as Windows closes a
# window. The window is photographed once it is up (SCREENSHOT), to be looked at.
#
# JUCE 7.0.5 waits for a vertical blank before each repaint on Windows, which Wine only
# stubs: after the first paint the window does not repaint under Wine, so nothing here
# checks a change on the screen; a real Windows machine has to show those.
# Usage: window_under_wine.sh WINE_RUN FLASHMERE_EXE LIBFAKESEQ_PRELOAD SCREENSHOT
set -uo pipefail

wine_run=$1 app=$2 preload=$3 screenshot=$4
readonly TITLE="Velamor version 1.01 - R353"

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

LD_PRELOAD="$preload" FAKESEQ_PORTS="Pedal MIDI" "$wine_run" "$app" < /dev/null &
runner=$!
app_pid=
# On a failure the program goes too (Wine gives its window the program's process id),
# not only its runner, so that nothing is left waiting for the time limit.
trap 'kill $app_pid "$runner" 2> /dev/null' EXIT

# Wine may map a window with the title before it has its size (and keeps other, hidden
# windows of that name): the one looked for is shown and 650 x 400.
geometry() { xwininfo -id "$1" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } /Map State:/ { m = $3 } END { print w "x" h " " m }'; }
win= seen=
for _ in $(seq 120); do
    for candidate in $(xdotool search --name "^$TITLE\$" 2> /dev/null); do
        seen=$(geometry "$candidate")
        app_pid=${app_pid:-$(xdotool getwindowpid "$candidate" 2> /dev/null)}
        [[ "$seen" == "650x400 IsViewable" ]] && win=$candidate && break 2
    done
    sleep 0.5
done
[[ -n "$win" ]] || fail "no 650x400 window titled '$TITLE' shown within 60 s (last seen: ${seen:-none})"
echo "ok: a 650x400 window titled '$TITLE'"

sleep 1 # the first paint
import -window root "$screenshot" || fail "no screenshot"

xdotool windowfocus "$win"
xdotool key --window "$win" alt+F4
for _ in $(seq 60); do
    kill -0 "$runner" 2> /dev/null || break
    sleep 0.5
done
kill -0 "$runner" 2> /dev/null && fail "still running 30 s after Alt+F4"
wait "$runner"
rc=$?
trap - EXIT
[[ "$rc" -eq 0 ]] || fail "it ended with exit code $rc"
echo "ok: Alt+F4 closed it with exit code 0"
