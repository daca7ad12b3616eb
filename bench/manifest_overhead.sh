#!/usr/bin/env bash
# What --manifest costs a merge: the CRC-32 of every input and of the image,
# taken while the bytes are copied (plain reads and writes instead of the
# kernel's splice).
#
#   bench/manifest_overhead.sh CLI OUTPUT_FOLDER RUNS INPUT...
#
# Runs `merge -q -f 4096 -o OUTPUT_FOLDER/img INPUT...` without and with
# `--manifest`, in turns, round by round after a warm-up round, each run
# starting from removed outputs and a `sync`, with the page cache warm. The
# durability flush is taken out of both (eatmydata, or --no-sync where the
# command line has it), as for the merge figures of bench/run.sh. Prints the
# median, the fastest run and the ratio of both, and checks the manifest's
# image CRC-32 against the image.
set -euo pipefail
export LC_ALL=C
(($# >= 4)) || { echo "usage: $0 CLI OUTPUT_FOLDER RUNS INPUT..." >&2; exit 2; }
cli=$1 out=$2 runs=$3
shift 3

nosync=(eatmydata "$cli" merge)
if "$cli" merge --help 2>&1 | grep -q -- '--no-sync'; then
    nosync=("$cli" merge --no-sync)
fi
command -v "${nosync[0]}" >/dev/null || { echo "eatmydata not found" >&2; exit 1; }

# Seconds one merge takes; $1: plain or manifest.
timed() {
    rm -f "$out/img.bin" "$out/img.h" "$out/img.json"
    sync
    local extra=()
    [[ $1 == manifest ]] && extra=(--manifest "$out/img.json")
    local start end
    start=$(date +%s.%N)
    "${nosync[@]}" -q -f 4096 -o "$out/img" "${extra[@]}" "${inputs[@]}"
    end=$(date +%s.%N)
    echo "$end - $start" | bc
}
inputs=("$@")

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
fastest() { sort -n | head -1; }

timed plain >/dev/null
timed manifest >/dev/null
plain=() manifest=()
for ((round = 0; round < runs; ++round)); do
    plain+=("$(timed plain)")
    manifest+=("$(timed manifest)")
done

python3 - "$out/img.bin" "$out/img.json" <<'PY'
import json, sys, zlib
crc = 0
with open(sys.argv[1], "rb") as image:
    while piece := image.read(1 << 20):
        crc = zlib.crc32(piece, crc)
said = json.load(open(sys.argv[2]))["image_crc32"]
if said != f"{crc:08x}":
    sys.exit(f"the manifest says {said}, the image has {crc:08x}")
print(f"image CRC-32 {said}, as the manifest says")
PY

pm=$(printf '%s\n' "${plain[@]}" | median)
mm=$(printf '%s\n' "${manifest[@]}" | median)
pf=$(printf '%s\n' "${plain[@]}" | fastest)
mf=$(printf '%s\n' "${manifest[@]}" | fastest)
echo "runs: $runs each; load average: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "without --manifest: median ${pm} s, fastest ${pf} s"
echo "with --manifest:    median ${mm} s, fastest ${mf} s"
echo "ratio: median $(echo "scale=2; $mm / $pm" | bc) x, fastest $(echo "scale=2; $mf / $pf" | bc) x (goal: at most 1.5 x)"
