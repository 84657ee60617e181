#!/usr/bin/env bash
# Installs a Flashmere package on a clean, minimal Debian 12 and starts the program there:
# what apt must bring along shows up here, not on a developer's full desktop. Makes the
# system with debootstrap (as root, with Debian's package archive reachable), installs the
# package with apt, starts flashmere with a .syx file on a virtual display of this machine,
# checks that its window comes up titled with the file, saves a screenshot, removes the
# package again and deletes the system. Not part of the test suite: it downloads a few
# hundred megabytes.
# Usage: packaging/try-on-clean-debian.sh <flashmere_*.deb> [screenshot.png]
set -euo pipefail

deb=$(readlink -f "${1:?usage: $0 <flashmere_*.deb> [screenshot.png]}")
shot=${2:-clean-debian.png}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

for tool in debootstrap chroot Xvfb xdotool import; do
    command -v "$tool" > /dev/null || {
        echo "needs $tool (debootstrap, xvfb, xdotool, imagemagick)" >&2
        exit 2
    }
done

root=$(mktemp -d /tmp/flashmere-clean-debian.XXXXXX)
chmod 755 "$root"
xvfb_pid=
cleanup()
{
    if [[ -f "$root/tmp/flashmere.pid" ]]; then
        kill -KILL "$(cat "$root/tmp/flashmere.pid")" 2> /dev/null || true
    fi
    if [[ -n "$xvfb_pid" ]]; then
        kill "$xvfb_pid" 2> /dev/null || true
    fi
    rm -rf --one-file-system "$root"
}
trap cleanup EXIT

echo "== A minimal Debian 12 in $root"
debootstrap --variant=minbase bookworm "$root" > "$root.debootstrap.log" 2>&1 || {
    tail "$root.debootstrap.log"
    exit 1
}
rm -f "$root.debootstrap.log"

echo "== apt install $(basename "$deb")"
cp "$deb" "$root/tmp/"
chroot "$root" sh -c "apt-get update -q && DEBIAN_FRONTEND=noninteractive \
    apt-get install -y /tmp/$(basename "$deb")" > "$root/apt.log" 2>&1 || {
    cat "$root/apt.log"
    exit 1
}
sed -n '/NEW packages/,/upgraded/p' "$root/apt.log"

echo "== flashmere with a .syx file"
mkdir -p "$root/root/Pedal updates"
cp "$here/../src/firmware/velamor-1.01-r353.syx" "$root/root/Pedal updates/Pedal Firmware.syx"

display_file=$(mktemp)
Xvfb -displayfd 5 -screen 0 1024x768x24 -listen tcp -ac 5> "$display_file" 2> /dev/null &
xvfb_pid=$!
for _ in $(seq 1 50); do
    [[ -s "$display_file" ]] && break
    sleep 0.1
done
display=$(cat "$display_file")
rm -f "$display_file"

chroot "$root" sh -c "HOME=/root DISPLAY=127.0.0.1:$display \
    flashmere '/root/Pedal updates/Pedal Firmware.syx' > /tmp/flashmere.log 2>&1 & echo \$! > /tmp/flashmere.pid"

window=
for _ in $(seq 1 100); do
    window=$(DISPLAY=:$display xdotool search --onlyvisible --name '^Pedal Firmware version 0\.00$' 2> /dev/null | head -n 1 || true)
    [[ -n "$window" ]] && break
    sleep 0.1
done
if [[ -z "$window" ]]; then
    echo "FAIL: no window came up; the program said:"
    cat "$root/tmp/flashmere.log"
    exit 1
fi
sleep 1
DISPLAY=:$display import -window root "$shot"
kill -TERM "$(cat "$root/tmp/flashmere.pid")"
echo "the window came up; screenshot: $shot"

echo "== apt remove --purge flashmere"
chroot "$root" sh -c "DEBIAN_FRONTEND=noninteractive apt-get remove -y --purge flashmere" > "$root/apt.log" 2>&1 || {
    cat "$root/apt.log"
    exit 1
}
left=$(chroot "$root" sh -c 'ls /usr/bin/flashmere /usr/share/doc/flashmere /usr/share/applications/flashmere.desktop 2> /dev/null' || true)
[[ -z "$left" ]] || {
    echo "FAIL: left behind: $left"
    exit 1
}
echo "removed without a trace"
