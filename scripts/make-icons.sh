#!/usr/bin/env bash
# Renders the Windows icons from their SVG sources: icon 133 (the program)
# at 256, 128, 96, 64, 48, 32 and 16 pixels, icon 135 (the apply button) at
# 128, 96, 64, 48 and 32, all 32-bit colour. The .ico files are committed;
# run this after changing an SVG. Needs librsvg2-bin and icoutils.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh icons
cd resources
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

make_icon() { # name sizes...
  local name=$1; shift
  local pngs=()
  for size in "$@"; do
    rsvg-convert -w "$size" -h "$size" "$name.svg" -o "$work/$name-$size.png"
    # 256 pixels are stored as PNG inside the icon, the rest as bitmaps.
    if [ "$size" -ge 256 ]; then pngs+=(-r "$work/$name-$size.png"); else pngs+=("$work/$name-$size.png"); fi
  done
  icotool -c -o "$name.ico" "${pngs[@]}"
}
make_icon icon133 256 128 96 64 48 32 16
make_icon icon135 128 96 64 48 32
icotool -l icon133.ico icon135.ico
