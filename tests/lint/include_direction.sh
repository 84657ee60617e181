#!/usr/bin/env bash
# The program's rooms depend one way: app and cli on top, then protocol, then midi,
# firmware, look and help, then ui (the user's boxes and keys, which midi and firmware
# show), with platform at the bottom. A room may include its own headers and those of
# rooms below it (the four rooms of the middle row may include each other); nothing
# includes a room above it, and app and cli do not include each other.
#
# What differs between the systems lives in platform/, one file per system chosen by
# CMake, and in the MIDI output's ALSA back-end: a system conditional anywhere else
# fails, and those that remain are spelled one way, JUCE_WINDOWS or JUCE_LINUX.
# Usage: include_direction.sh SOURCE_DIR
set -euo pipefail
cd "$1/src"

level() {
    case "$1" in
        platform) echo 0 ;;
        ui) echo 1 ;;
        midi | firmware | look | help) echo 2 ;;
        protocol) echo 3 ;;
        app | cli) echo 4 ;;
        *) echo -1 ;;
    esac
}

faults=0
for room in */; do
    room=${room%/}
    from=$(level "$room")
    ((from >= 0)) || continue

    while IFS=: read -r file _ included; do
        target=$(sed -E 's/.*#include "([a-z]+)\/.*/\1/' <<<"$included")
        to=$(level "$target")
        ((to >= 0)) || continue

        if ((to > from)) || { ((to == 4)) && [[ "$target" != "$room" ]]; }; then
            echo "$file includes $target/, a room above or beside it: $included"
            faults=$((faults + 1))
        fi
    done < <(grep -Hn '#include "[a-z]*/' "$room"/*.h "$room"/*.cpp 2>/dev/null || true)
done

backends='^(\./)?(platform/|midi/(PortNames|PortListWatch|OutputConnectionCheck)\.cpp:)'
while IFS= read -r line; do
    if ! grep -Eq "$backends" <<<"$line" || grep -Eq '_WIN32|__linux__|__APPLE__|JUCE_MAC' <<<"$line"; then
        echo "a system conditional outside platform/ or the MIDI back-end, or spelled another way: $line"
        faults=$((faults + 1))
    fi
done < <(grep -rnE '^\s*#\s*(if|elif|ifdef|ifndef).*(WIN32|_WIN64|linux|__APPLE__|JUCE_(WINDOWS|LINUX|MAC|BSD|IOS|ANDROID))' . || true)

if ((faults > 0)); then
    echo "$faults fault(s) against the rooms' direction or their system code"
    exit 1
fi

echo "every include points down and every system conditional is in its place"
