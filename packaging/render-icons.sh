#!/usr/bin/env bash
# Renders the application icon's raster sizes from its drawing, icons/flashmere.svg, into
# icons/flashmere-<size>.png (or into the folder given as the first argument). The PNGs
# are committed; the packaging tests render them again and compare byte for byte, so run
# this after every change to the drawing. Needs rsvg-convert (Debian: librsvg2-bin).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out=${1:-"$here/icons"}
sizes=(16 22 24 32 48 64 128 256 512)

mkdir -p "$out"
for size in "${sizes[@]}"; do
    rsvg-convert --width="$size" --height="$size" --format=png \
        --output="$out/flashmere-$size.png" "$here/icons/flashmere.svg"
done
