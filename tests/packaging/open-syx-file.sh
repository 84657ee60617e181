#!/usr/bin/env bash
# Opens a .syx file the way a file manager does, through the desktop's MIME and
# application databases (gio open), with only the installed prefix's Flashmere known, and
# checks that the installed program starts with that file and shows its window: titled
# with the file's name, of the class the desktop entry names, carrying the icon. Leaves a
# screenshot of the screen beside the prefix.
# Usage: open-syx-file.sh <prefix left by check-install.sh> <a .syx file>
set -euo pipefail
. "$(dirname "$0")/lib.sh"

prefix=$(readlink -f "$1")
firmware=$2

# A display of its own: windows of other tests must not be taken for ours.
if [[ -z "${PACKAGING_OWN_DISPLAY:-}" ]]; then
    PACKAGING_OWN_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

work=$(mktemp -d /tmp/flashmere-open.XXXXXX)
pid=
cleanup()
{
    if [[ -n "$pid" ]] && running "$pid"; then
        kill -KILL "$pid" 2> /dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail()
{
    echo "FAIL: $*"
    exit 1
}

# Started by gio, the program is no child of ours: once ended it may linger as a zombie.
running()
{
    [[ -r "/proc/$1/status" ]] && ! grep -q '^State:[[:space:]]*Z' "/proc/$1/status" 2> /dev/null
}

[[ -f "$prefix/share/applications/mimeinfo.cache" ]] || fail "run check-install.sh first"

# A blank in the name, as file names often have.
file="$work/Pedal Firmware.syx"
cp "$firmware" "$file"

# Only the prefix's applications and file types, and no user's choices, are seen.
export XDG_DATA_DIRS="$prefix/share:/usr/share"
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_CONFIG_DIRS="$work/config"
export PATH="$prefix/bin:$PATH"
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME"

mime_type=$(gio info -a standard::content-type "$file" | sed -n 's/^ *standard::content-type: //p')
expected_type=$(desktop_value "$prefix/share/applications/flashmere.desktop" MimeType)
[[ "$mime_type;" == "$expected_type" ]] || fail "the file is typed '$mime_type', not '${expected_type%;}'"

gio open "$file" > "$work/gio.log" 2>&1 || {
    cat "$work/gio.log"
    fail "gio open failed"
}

title="Pedal Firmware version 0.00"
window=
for _ in $(seq 1 150); do
    window=$(xdotool search --onlyvisible --name "^$title\$" 2> /dev/null | head -n 1 || true)
    [[ -n "$window" ]] && break
    sleep 0.1
done
[[ -n "$window" ]] || {
    xwininfo -root -tree | grep '"' || true
    fail "no visible window titled '$title'"
}

pid=$(xdotool getwindowpid "$window")
[[ "$(readlink -f "/proc/$pid/exe")" == "$prefix/bin/flashmere" ]] \
    || fail "the window belongs to $(readlink -f "/proc/$pid/exe"), not the installed flashmere"

# The desktop ties the window to its entry by the window's class.
wm_class=$(xprop -id "$window" WM_CLASS | sed -n 's/^WM_CLASS(STRING) = "\([^"]*\)", "\([^"]*\)"$/\2/p')
startup_class=$(desktop_value "$prefix/share/applications/flashmere.desktop" StartupWMClass)
[[ "$wm_class" == "$startup_class" ]] || fail "window class '$wm_class', desktop entry says '$startup_class'"

# The icon the desktop shows for the window: 128 x 128, the tile's corner clear, its
# middle opaque.
read -r width height corner middle < <(xprop -id "$window" -notype -f _NET_WM_ICON 32c \
    '=$0 $1 $2 $8258\n' _NET_WM_ICON | sed -n 's/^_NET_WM_ICON=//p')
[[ "$width x $height" == "128 x 128" ]] || fail "the window's icon is ${width:-no} x ${height:-icon}"
((((corner >> 24) & 255) == 0)) || fail "the icon's corner is not clear"
((((middle >> 24) & 255) == 255)) || fail "the icon's middle is not opaque"

sleep 0.5
import -window root "$prefix.screen.png" 2> /dev/null || true

# The program ends when asked.
kill -TERM "$pid"
for _ in $(seq 1 100); do
    running "$pid" || break
    sleep 0.1
done
! running "$pid" || fail "Flashmere did not end on SIGTERM"
pid=

echo "gio open started the installed Flashmere with the file; its window is titled, classed and iconed as expected"
