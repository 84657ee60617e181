#!/usr/bin/env bash
# The committed icon sizes are what packaging/render-icons.sh makes of the drawing today,
# byte for byte, and there are no others.
# Usage: check-icons.sh <source dir> <work dir>
set -euo pipefail

source_dir=$1
work=$2
icons="$source_dir/packaging/icons"

rm -rf "$work"
mkdir -p "$work"
"$source_dir/packaging/render-icons.sh" "$work"

status=0
for rendered in "$work"/*.png; do
    name=$(basename "$rendered")
    if ! cmp -s "$rendered" "$icons/$name"; then
        echo "FAIL: $name differs from a fresh rendering of flashmere.svg: run packaging/render-icons.sh"
        status=1
    fi
done

for committed in "$icons"/*.png; do
    name=$(basename "$committed")
    if [[ ! -f "$work/$name" ]]; then
        echo "FAIL: $name is not made by packaging/render-icons.sh"
        status=1
    fi
done

[[ $status -eq 0 ]] && echo "$(find "$work" -name '*.png' | wc -l) icon sizes match their drawing"
exit $status
