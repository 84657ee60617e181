#!/usr/bin/env bash
# The program's rooms depend one way: app and cli on top, then protocol, then midi,
# firmware, look and help, with platform at the bottom. A room may include its own
# headers and those of rooms below it (the four rooms of the middle row may include each
# other); nothing includes a room above it, and app and cli do not include each other.
# Usage: include_direction.sh SOURCE_DIR
set -euo pipefail
cd "$1/src"

level() {
    case "$1" in
        platform) echo 0 ;;
        midi | firmware | look | help) echo 1 ;;
        protocol) echo 2 ;;
        app | cli) echo 3 ;;
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

        if ((to > from)) || { ((to == 3)) && [[ "$target" != "$room" ]]; }; then
            echo "$file includes $target/, a room above or beside it: $included"
            faults=$((faults + 1))
        fi
    done < <(grep -Hn '#include "[a-z]*/' "$room"/*.h "$room"/*.cpp 2>/dev/null || true)
done

if ((faults > 0)); then
    echo "$faults include(s) against the direction of the rooms"
    exit 1
fi

echo "every include points down"
