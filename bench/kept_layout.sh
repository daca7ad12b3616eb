#!/usr/bin/env bash
# What keeping a layout costs a merge: reading the earlier list file,
# planning the slots and writing the room between them, against the plain
# merge of the same files.
#
#   bench/kept_layout.sh CLI OUTPUT_FOLDER RUNS INPUT...
#
# Makes the layout once (merge -f 4096 --align 4K --reserve 1% -o
# OUTPUT_FOLDER/kept), then times, in turns, round by round after a warm-up
# round, `merge -q -f 4096 -o OUTPUT_FOLDER/plain INPUT...` against the same
# merge with `--align 4K --reserve 1% --keep-layout -o OUTPUT_FOLDER/kept`,
# which reads kept.h each time. Each run starts from a removed image (the
# kept list file stays) and a `sync`, with the page cache warm, without the
# durability flush (--no-sync, or eatmydata). Prints the medians and their
# ratio (goal: at most 1.25), and checks that the layout stayed put and that
# the last image verifies against its list file.
set -euo pipefail
export LC_ALL=C
(($# >= 4)) || { echo "usage: $0 CLI OUTPUT_FOLDER RUNS INPUT..." >&2; exit 2; }
cli=$1 out=$2 runs=$3
shift 3
inputs=("$@")

nosync=(eatmydata "$cli" merge)
if "$cli" merge --help 2>&1 | grep -q -- '--no-sync'; then
    nosync=("$cli" merge --no-sync)
fi
command -v "${nosync[0]}" >/dev/null || { echo "eatmydata not found" >&2; exit 1; }
kept=(-f 4096 --align 4K --reserve 1%)

# Milliseconds one merge takes; $1: plain or kept.
timed() {
    local start end
    if [[ $1 == plain ]]; then
        rm -f "$out/plain.bin" "$out/plain.h"
    else
        rm -f "$out/kept.bin"
    fi
    sync
    start=${EPOCHREALTIME/./}
    if [[ $1 == plain ]]; then
        "${nosync[@]}" -q -f 4096 -o "$out/plain" "${inputs[@]}"
    else
        "${nosync[@]}" -q "${kept[@]}" --keep-layout -o "$out/kept" "${inputs[@]}"
    fi
    end=${EPOCHREALTIME/./}
    echo $(((end - start) / 1000))
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

"$cli" merge -q "${kept[@]}" -o "$out/kept" "${inputs[@]}"
cp "$out/kept.h" "$out/kept.first.h"
timed plain >/dev/null
timed kept >/dev/null
plain=() kept_runs=()
for ((round = 0; round < runs; ++round)); do
    plain+=("$(timed plain)")
    kept_runs+=("$(timed kept)")
done
cmp -s "$out/kept.h" "$out/kept.first.h" || { echo "$0: the kept layout moved" >&2; exit 1; }
"$cli" verify -q "$out/kept.bin" -l "$out/kept.h" || { echo "$0: the kept image does not verify" >&2; exit 1; }

pm=$(printf '%s\n' "${plain[@]}" | median)
km=$(printf '%s\n' "${kept_runs[@]}" | median)
echo "runs: $runs each; load average: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "plain merge:       median $pm ms of ${plain[*]}"
echo "kept-layout merge: median $km ms of ${kept_runs[*]}"
echo "image sizes: plain $(stat -c %s "$out/plain.bin") bytes, kept $(stat -c %s "$out/kept.bin") bytes"
echo "ratio: $(echo "scale=2; $km / $pm" | bc) x (goal: at most 1.25 x)"
rm -f "$out/plain.bin" "$out/plain.h" "$out/kept.bin" "$out/kept.h" "$out/kept.first.h"
