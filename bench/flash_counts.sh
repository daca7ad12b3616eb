#!/usr/bin/env bash
# What an update costs on the chip: flash onto flashrom's dummy chip (a
# W25Q128FV of 16 MiB kept in a file), counting the 4 KiB sectors our diff
# names and the erase blocks flashrom erased and wrote, for a full program,
# a plain re-merge after one asset grew, and the same with a kept layout
# (merge --reserve / --keep-layout, when this build has them).
#
#   bench/flash_counts.sh [CLI]     (default: build/cli/zadodaziderav-cli)
#
# Needs flashrom (Debian package flashrom). Prints one table row per case.
set -euo pipefail
cli=$(realpath "${1:-build/cli/zadodaziderav-cli}")
work=$(mktemp -d "${TMPDIR:-/tmp}/zd-flash-counts.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

# 24 assets, 4.6 MiB: 16 pictures of 60 KiB, 6 fonts of 150 KiB, 2 clips
# of 1.5 MiB, random bytes; the fourth picture grows by 1000 bytes.
mkdir res
for i in $(seq -w 1 16); do head -c 61440 /dev/urandom >res/pic$i.jpg; done
for i in 1 2 3 4 5 6; do head -c 153600 /dev/urandom >res/font$i.dot; done
for i in 1 2; do head -c 1572864 /dev/urandom >res/clip$i.avi; done
grow() { head -c 1000 /dev/urandom >>res/pic04.jpg; }
files=(res/pic*.jpg res/font*.dot res/clip*.avi)

# flash IMAGE [OPTIONS]: one row of the table from what flash printed.
flash() {
  local label=$1 image=$2; shift 2
  local start=${EPOCHREALTIME/./} out
  out=$("$cli" flash "$image" -p "dummy:emulate=W25Q128FV,image=$work/chip.bin" "$@" 2>/dev/null)
  local ms=$(((${EPOCHREALTIME/./} - start) / 1000))
  local sectors blocks
  sectors=$(grep -oE '^[0-9]+ of [0-9]+ sectors' <<<"$out" || echo "-")
  blocks=$(grep -oE 'erased [0-9]+ and wrote [0-9]+ of [0-9]+ blocks' <<<"$out" || echo "-")
  printf '| %s | `flash %s` | %s | %s | %d.%01d s |\n' "$label" "$image${*:+ $*}" "$sectors" \
    "$blocks" $((ms / 1000)) $((ms % 1000 / 100))
}

echo "| Case | Command | Sectors our diff names | flashrom's erase blocks | Time (dummy) |"
echo "| --- | --- | --- | --- | --- |"
"$cli" merge -q -o v1 -f 4K -i "${files[@]}"
flash "full program, erased chip" v1.bin
cp res/pic04.jpg pic04.orig
grow
"$cli" merge -q -o v2 -f 4K -i "${files[@]}"
flash "plain re-merge, flashrom reads the range" v2.bin
rm chip.bin
flash "(the chip holds v1 again)" v1.bin >/dev/null
flash "plain re-merge, \`--previous\`" v2.bin --previous v1.bin
echo "diff --sector 4K v1.bin v2.bin: $("$cli" diff v1.bin v2.bin | tail -1)" >&2

if "$cli" merge --help | grep -q -- --keep-layout; then
  cp pic04.orig res/pic04.jpg
  rm chip.bin
  "$cli" merge -q -o k -f 4K -i --align 4K --reserve 25% "${files[@]}"
  cp k.bin k1.bin
  flash "(kept layout: the chip holds its first image)" k1.bin >/dev/null
  grow
  "$cli" merge -q -o k -f 4K -i --align 4K --reserve 25% --keep-layout "${files[@]}"
  flash "kept-layout re-merge, \`--previous\`" k.bin --previous k1.bin
  echo "diff --sector 4K k1.bin k.bin: $("$cli" diff k1.bin k.bin | tail -1)" >&2
else
  echo "| kept-layout re-merge, \`--previous\` | (this build has no --keep-layout) | | | |"
fi
