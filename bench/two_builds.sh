#!/usr/bin/env bash
# Two builds of the command line on the same merge, side by side: time and
# peak memory, to show what a change costs or saves.
#
#   bench/two_builds.sh OLD_CLI NEW_CLI PEAK_RSS OUTPUT_FOLDER RUNS CASE INPUT...
#
# CASE is what the merge writes beside the image and its list file:
#   plain     nothing      merge --no-sync -q -f 4096 -o OUT/img INPUT...
#   manifest  a manifest   the same with --manifest OUT/img.json
#   hex       HEX and S-records, the same with --ihex OUT/img.hex --srec OUT/img.s37
#
# The two builds run in turns, round by round after a warm-up round, each run
# starting from removed outputs and a `sync`, with the page cache warm.
# PEAK_RSS is bench/peak_rss from a build. Prints the median time and peak
# memory of each build and their ratios, and checks that the last outputs of
# both are the same byte for byte.
set -euo pipefail
export LC_ALL=C
(($# >= 7)) || {
    echo "usage: $0 OLD_CLI NEW_CLI PEAK_RSS OUTPUT_FOLDER RUNS plain|manifest|hex INPUT..." >&2
    exit 2
}
old=$1 new=$2 peak=$3 out=$4 runs=$5 case=$6
shift 6
inputs=("$@")

case $case in
plain) extra=() ;;
manifest) extra=(--manifest "$out/img.json") ;;
hex) extra=(--ihex "$out/img.hex" --srec "$out/img.s37") ;;
*) echo "$0: unknown case $case" >&2; exit 2 ;;
esac

# "SECONDS KIB" of one merge by the program $1, its outputs left in $out.
timed() {
    rm -f "$out"/img.*
    sync
    local start end kib
    start=${EPOCHREALTIME/./}
    kib=$("$peak" "$1" merge --no-sync -q -f 4096 -o "$out/img" "${extra[@]}" "${inputs[@]}" \
        2>&1 >/dev/null | awk '/^peak_rss_kib/ { print $2 }')
    end=${EPOCHREALTIME/./}
    echo "$(((end - start) / 1000)) $kib"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

timed "$old" >/dev/null
timed "$new" >/dev/null
old_runs=() new_runs=()
for ((round = 0; round < runs; ++round)); do
    old_runs+=("$(timed "$old")")
    mkdir -p "$out/old"
    mv "$out"/img.* "$out/old/"
    new_runs+=("$(timed "$new")")
done
for file in "$out"/old/img.*; do
    cmp -s "$file" "$out/$(basename "$file")" || { echo "$0: $(basename "$file") differs" >&2; exit 1; }
done
rm -rf "$out/old"

row() { # NAME RUN...
    local name=$1
    shift
    local ms kib
    ms=$(printf '%s\n' "$@" | cut -d' ' -f1 | median)
    kib=$(printf '%s\n' "$@" | cut -d' ' -f2 | median)
    printf '%s: median %s ms, peak memory %s KiB (%s MiB)\n' "$name" "$ms" "$kib" \
        "$(echo "scale=1; $kib / 1024" | bc)"
    echo "$ms $kib" >"$out/.$name"
}
echo "case $case, $runs runs each, load average $(cut -d' ' -f1-3 /proc/loadavg)"
row old "${old_runs[@]}"
row new "${new_runs[@]}"
read -r om ok <"$out/.old"
read -r nm nk <"$out/.new"
rm -f "$out/.old" "$out/.new"
echo "new / old: time $(echo "scale=2; $nm / $om" | bc) x, memory $(echo "scale=2; $nk / $ok" | bc) x; outputs the same"
