#!/usr/bin/env bash
# All benchmarks in one command: bench/run.sh
#
# Builds a Release tree in build-bench (or $ZD_BENCH_BUILD_DIR), makes the
# inputs in a fresh temporary folder (under $ZD_BENCH_TMPDIR, else $TMPDIR,
# else /tmp), times every measurement as the median of $ZD_BENCH_RUNS runs
# (at least 5) with a warm page cache, and prints one Markdown table of our
# figures beside the references, with the ratios and the goals.
#
#   A  256 files of 4 MiB          merge -f 4096 against cat (of the inputs,
#                                  and of the same image) and srec_cat; the
#                                  merge without its durability flush, and
#                                  with it, to tell what the flush costs; and
#                                  with --align 4096 --fill 0x00
#   B  20,000 files of 1 to 8 KiB  the same
#   C  a list file of 100,000 rows the list operations, core and window
#   diff of two equal copies of A's image against cmp of them
#   2 GiB image (8 real files of 256 MiB) for the peak memory of a merge;
#                                  four of them (1 GiB) merged keeping the
#                                  layout (--align 4K --reserve 1%
#                                  --keep-layout) against the plain merge
#   A again on XFS (with reflink) and on btrfs, each made in a loop file of
#                                  3 GiB and mounted for the run: the merge
#                                  with its flush against cat, and the disk
#                                  space each image takes (both file systems
#                                  share the inputs' blocks instead of copying
#                                  them); run as root with mkfs.xfs and
#                                  mkfs.btrfs, else left out with the reason
#
# Needs: cmake, ninja, a C++20 compiler, srecord (srec_cat), and eatmydata
# where the command line has no --no-sync yet; xfsprogs and btrfs-progs for
# the rows on those file systems.
#
# On a busy machine the merge rows alone: ZD_BENCH_SREC=0 leaves out the
# srec_cat rows (about a minute a run), ZD_BENCH_LISTS=0 the list rows (and
# with them the window's build). Outputs of every
# tool go into the same temporary folder, so all write to one file system;
# each run starts from a removed output and a `sync`, so none inherits
# another's dirty pages.
set -euo pipefail
export LC_ALL=C

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${ZD_BENCH_BUILD_DIR:-$root/build-bench}
runs=${ZD_BENCH_RUNS:-5}
((runs >= 5)) || runs=5
with_srec=${ZD_BENCH_SREC:-1}
with_lists=${ZD_BENCH_LISTS:-1}

say() { printf '%s\n' "$*" >&2; }
die() { say "bench: $*"; exit 1; }

"$root/scripts/install-deps.sh" build bench
command -v srec_cat >/dev/null || die "srec_cat not found (Debian package srecord)"
command -v cmake >/dev/null && command -v ninja >/dev/null || die "cmake and ninja are needed"

# --- build -----------------------------------------------------------------
configure() {
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZD_WITH_BENCH=ON \
        -DZD_FUZZ=OFF -DZD_SANITIZE=OFF "$@" >"$build/configure.log" 2>&1
}
say "bench: building Release in $build"
mkdir -p "$build"
if ((!with_lists)); then
    configure -DZD_WITH_UI=OFF || die "cannot configure; see $build/configure.log"
elif ! configure -DZD_WITH_UI=ON; then
    say "bench: configuring with the window failed (see $build/configure.log); without it"
    configure -DZD_WITH_UI=OFF || die "cannot configure; see $build/configure.log"
fi
targets=(zadodaziderav-cli bench_inputs core_list_bench peak_rss)
have_window_bench=0
if ((with_lists)) && ninja -C "$build" -t targets all 2>/dev/null | grep -q '^list_model_bench:'; then
    have_window_bench=1
fi
ninja -C "$build" -j2 "${targets[@]}" >"$build/build.log" 2>&1 ||
    die "build failed; see $build/build.log"
if ((have_window_bench)) && ! ninja -C "$build" -j2 list_model_bench >>"$build/build.log" 2>&1; then
    say "bench: the window benchmark does not build (see $build/build.log); left out"
    have_window_bench=0
fi
cli=$build/cli/zadodaziderav-cli
tools=$build/bench

# The merge without its durability flush (every output flushed to the disk
# before it is renamed into place): the command line's --no-sync where it
# has one, else the same program under eatmydata, which makes fsync and
# fdatasync return at once.
nosync_prefix=()
nosync_flag=()
# Help read whole first: grep -q leaving early would end the program on
# SIGPIPE, which pipefail takes for "no such option".
if grep -q -- '--no-sync' <<<"$("$cli" merge --help 2>&1)"; then
    nosync_flag=(--no-sync)
else
    command -v eatmydata >/dev/null || die "eatmydata not found (Debian package eatmydata)"
    nosync_prefix=(eatmydata)
fi
merge_nosync() { "${nosync_prefix[@]}" "$cli" merge "${nosync_flag[@]}" "$@"; }

# --- inputs ----------------------------------------------------------------
parent=${ZD_BENCH_TMPDIR:-${TMPDIR:-/tmp}}
free_kib=$(df -Pk "$parent" | awk 'NR == 2 { print $4 }')
((free_kib > 7 * 1024 * 1024)) || die "$parent needs 7 GiB free (has $((free_kib / 1024)) MiB)"
tmp=$(mktemp -d "$parent/zd-bench.XXXXXX")
mounted=()
cleanup() {
    local point
    for point in "${mounted[@]}"; do
        umount "$point" 2>/dev/null || umount -l "$point" 2>/dev/null || true
    done
    rm -rf "$tmp"
}
trap cleanup EXIT
out=$tmp/out
mkdir -p "$out"

say "bench: making inputs in $tmp"
"$tools/bench_inputs" files "$tmp/A" 256 4194304 4194304
"$tools/bench_inputs" files "$tmp/B" 20000 1024 8192
"$tools/bench_inputs" list "$tmp/C.h" 100000
head -c 4096 /dev/zero | tr '\0' '\377' >"$tmp/front"
head -c 4096 /dev/zero >"$tmp/front0"
a_files=("$tmp"/A/*.bin)
b_files=("$tmp"/B/*.bin)
a_bytes=$(du -cb --apparent-size "${a_files[@]}" | tail -1 | cut -f1)
b_bytes=$(du -cb --apparent-size "${b_files[@]}" | tail -1 | cut -f1)

# The srec_cat argument file: 0xFF filler over the front area, then every
# input at its address. It goes through "@file" because 20,000 inputs are
# too many for one command line.
srec_args() { # FILE OUTPUT INPUT...
    local file=$1 output=$2
    shift 2
    {
        echo "-generate 0 4096 -constant 0xFF"
        stat -c '%s %n' -- "$@" |
            awk '{ size = $1; sub(/^[0-9]+ /, ""); print $0 " -binary -offset " offset; offset += size }' offset=4096
        echo "-o $output -binary"
    } >"$file"
}
srec_args "$tmp/srec_a.args" "$out/srec_a.bin" "${a_files[@]}"
srec_args "$tmp/srec_b.args" "$out/srec_b.bin" "${b_files[@]}"

warm() { cat "$@" >/dev/null; }

# --- timing ----------------------------------------------------------------
load_start=$(cut -d' ' -f1-3 /proc/loadavg)
declare -A median_ms
# Each tool is a pair of functions: prep_NAME (untimed: remove its output)
# and run_NAME (timed). Tools measured together run in turns, round by round,
# so a slow spell on the shared machine falls on all of them alike. With
# WARMUP 1 an extra first round warms caches and is not counted.
measure() { # ROUNDS WARMUP NAME...
    local rounds=$1 warmup=$2 name round start stop
    shift 2
    declare -A samples
    for ((round = 1 - warmup; round <= rounds; round++)); do
        for name; do
            "prep_$name"
            sync
            start=${EPOCHREALTIME/./}
            "run_$name" || die "$name failed"
            stop=${EPOCHREALTIME/./}
            ((round == 0)) || samples[$name]+="$(((stop - start)))"$'\n'
        done
    done
    for name; do
        median_ms[$name]=$(printf '%s' "${samples[$name]}" | sort -n |
            awk '{ v[NR] = $1 } END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.1f", m / 1000 }')
        say "bench:   $name median ${median_ms[$name]} ms of $(printf '%s' "${samples[$name]}" | awk '{ printf "%s%.1f", (NR > 1 ? " " : ""), $1 / 1000 }')"
    done
}

prep_cli_a() { rm -f "$out/cli_a.bin" "$out/cli_a.h"; }
run_cli_a() { merge_nosync -f 4096 -o "$out/cli_a" "${a_files[@]}" >/dev/null; }
# Aligned to 4 KiB with a 0x00 filler: A's inputs all start aligned, so the
# image is cat of a 4096-byte 0x00 file and the inputs.
prep_align_a() { rm -f "$out/align_a.bin" "$out/align_a.h"; }
run_align_a() { merge_nosync -f 4096 --align 4096 --fill 0x00 -o "$out/align_a" "${a_files[@]}" >/dev/null; }
prep_sync_a() { rm -f "$out/sync_a.bin" "$out/sync_a.h"; }
run_sync_a() { "$cli" merge -f 4096 -o "$out/sync_a" "${a_files[@]}" >/dev/null; }
prep_cat_a() { rm -f "$out/cat_a.bin"; }
run_cat_a() { cat -- "${a_files[@]}" >"$out/cat_a.bin"; }
# cat writing the very same image: a 4096-byte 0xFF file, then the inputs.
prep_catimg_a() { rm -f "$out/catimg_a.bin"; }
run_catimg_a() { cat -- "$tmp/front" "${a_files[@]}" >"$out/catimg_a.bin"; }
prep_srec_a() { rm -f "$out/srec_a.bin"; }
run_srec_a() { srec_cat "@$tmp/srec_a.args"; }
prep_cli_b() { rm -f "$out/cli_b.bin" "$out/cli_b.h"; }
run_cli_b() { merge_nosync -f 4096 -o "$out/cli_b" "${b_files[@]}" >/dev/null; }
prep_sync_b() { rm -f "$out/sync_b.bin" "$out/sync_b.h"; }
run_sync_b() { "$cli" merge -f 4096 -o "$out/sync_b" "${b_files[@]}" >/dev/null; }
# The intake alone (list the folder, take every size), to tell its share of
# the merge's time.
prep_dry_b() { :; }
run_dry_b() { "$cli" merge --dry-run -f 4096 "${b_files[@]}" >/dev/null; }
prep_cat_b() { rm -f "$out/cat_b.bin"; }
run_cat_b() { cat -- "${b_files[@]}" >"$out/cat_b.bin"; }
prep_catimg_b() { rm -f "$out/catimg_b.bin"; }
run_catimg_b() { cat -- "$tmp/front" "${b_files[@]}" >"$out/catimg_b.bin"; }
prep_srec_b() { rm -f "$out/srec_b.bin"; }
run_srec_b() { srec_cat "@$tmp/srec_b.args"; }

# The images must be the same, or the times compare different work.
same_image() { # OURS CAT CAT_IMAGE SREC
    cmp -s -i 4096:0 "$1" "$2" || die "$1 and $2 differ after the front area"
    cmp -s "$1" "$3" || die "$1 and $3 differ"
    ((!with_srec)) || cmp -s "$1" "$4" || die "$1 and $4 differ"
}
measure_srec() { # NAME
    if ((with_srec)); then
        say "bench: srec_cat ($runs runs, about a minute each)"
        measure "$runs" 0 "$1" # the inputs are warm already
    else
        median_ms[$1]=""
    fi
}

say "bench: A, merge against cat ($runs runs each)"
warm "${a_files[@]}"
measure "$runs" 1 cli_a align_a sync_a cat_a catimg_a
measure_srec srec_a
same_image "$out/cli_a.bin" "$out/cat_a.bin" "$out/catimg_a.bin" "$out/srec_a.bin"
cmp -s "$out/cli_a.bin" "$out/sync_a.bin" || die "the merges with and without the flush differ"
cat -- "$tmp/front0" "$out/cat_a.bin" | cmp -s - "$out/align_a.bin" ||
    die "the aligned merge differs from cat of a 4096-byte 0x00 file and the inputs"
rm -f "$out/cat_a.bin" "$out/catimg_a.bin" "$out/srec_a.bin" "$out/sync_a.bin" "$out/align_a.bin"

# diff against cmp on two equal copies of A's image, which both read whole.
prep_diff_a() { :; }
run_diff_a() { "$cli" diff "$out/cli_a.bin" "$out/copy_a.bin" >/dev/null; }
prep_cmp_a() { :; }
run_cmp_a() { cmp "$out/cli_a.bin" "$out/copy_a.bin"; }
say "bench: diff of two 1 GiB images against cmp ($runs runs each)"
cp "$out/cli_a.bin" "$out/copy_a.bin"
warm "$out/cli_a.bin" "$out/copy_a.bin"
measure "$runs" 1 diff_a cmp_a
diff_a_bytes=$(stat -L -c %s "$out/cli_a.bin")
rm -f "$out/copy_a.bin"

say "bench: B, merge against cat ($runs runs each)"
warm "${b_files[@]}"
measure "$runs" 1 cli_b sync_b cat_b catimg_b dry_b
measure_srec srec_b
same_image "$out/cli_b.bin" "$out/cat_b.bin" "$out/catimg_b.bin" "$out/srec_b.bin"
cmp -s "$out/cli_b.bin" "$out/sync_b.bin" || die "the merges with and without the flush differ"
rm -f "$out"/*

# --- peak memory -----------------------------------------------------------
median_of() { sort -n | awk '{ v[NR] = $1 } END { print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
rss_of() { # NAME FOLDER: median peak RSS (KiB) of the merge over $runs runs
    local i
    for ((i = 0; i < runs; i++)); do
        rm -f "$out/$1.bin" "$out/$1.h"
        "$tools/peak_rss" "$cli" merge -f 4096 -o "$out/$1" "$2" 2>&1 >/dev/null |
            awk '$1 == "peak_rss_kib" { print $2 }'
    done | median_of
}
say "bench: peak memory on A"
rss_a=$(rss_of rss_a "$tmp/A")
rm -rf "$out"/* "$tmp/A"
say "bench: peak memory on a 2 GiB image (8 real files of 256 MiB)"
"$tools/bench_inputs" files "$tmp/G" 8 268435456 268435456
warm "$tmp"/G/*.bin
rss_g=$(rss_of rss_g "$tmp/G")
g_bytes=$(stat -c %s "$out/rss_g.bin")
prep_cli_g() { rm -f "$out/cli_g.bin" "$out/cli_g.h"; }
run_cli_g() { "$cli" merge -f 4096 -o "$out/cli_g" "$tmp/G" >/dev/null; }
measure "$runs" 1 cli_g
# A layout kept from an earlier merge against the plain merge of the same
# four of G's files (1 GiB): bench/kept_layout.sh.
say "bench: a kept layout of 1 GiB (4 × 256 MiB) against the plain merge ($runs runs each)"
kept_report=$("$root/bench/kept_layout.sh" "$cli" "$out" "$runs" "$tmp"/G/0000[0-3].bin) ||
    die "bench/kept_layout.sh failed"
kept_plain_ms=$(awk '/^plain merge:/ { print $4 }' <<<"$kept_report")
kept_ms=$(awk '/^kept-layout merge:/ { print $4 }' <<<"$kept_report")
rm -rf "$out"/* "$tmp/G"

# --- A on file systems that share blocks -----------------------------------
# Each file system in a sparse loop file of 3 GiB beside the inputs, mounted
# at $tmp/NAME, holding its own copy of A; the merge (as shipped, with its
# flush) and cat of the inputs each write there. Space: what the file
# system's used space grows by when one image is written, after a sync.
declare -A cow_skip cow_used
cow_systems=(xfs btrfs)
declare -A cow_mkfs=([xfs]="mkfs.xfs -q -m reflink=1" [btrfs]="mkfs.btrfs -q")
declare -A cow_label=([xfs]="XFS (reflink)" [btrfs]="btrfs")
used_bytes() { sync -f "$1" && df -B1 --output=used "$1" | tail -1 | tr -d ' '; }
space_of() { # NAME RUN: bytes the file system's use grows by while RUN writes one image
    local before
    "prep_$1"
    before=$(used_bytes "$cow_dir")
    "run_$1" || die "$1 failed"
    echo $(($(used_bytes "$cow_dir") - before))
}
prep_cow_merge() { rm -f "$cow_dir/out/merge.bin" "$cow_dir/out/merge.h"; }
run_cow_merge() { "$cli" merge -f 4096 -o "$cow_dir/out/merge" "${cow_files[@]}" >/dev/null; }
prep_cow_nosync() { rm -f "$cow_dir/out/nosync.bin" "$cow_dir/out/nosync.h"; }
run_cow_nosync() { merge_nosync -f 4096 -o "$cow_dir/out/nosync" "${cow_files[@]}" >/dev/null; }
prep_cow_cat() { rm -f "$cow_dir/out/cat.bin"; }
run_cow_cat() { cat -- "${cow_files[@]}" >"$cow_dir/out/cat.bin"; }
for fs in "${cow_systems[@]}"; do
    mkfs_tool=${cow_mkfs[$fs]%% *}
    if ((EUID != 0)); then
        cow_skip[$fs]="needs root to mount a loop file"
    elif ! command -v "$mkfs_tool" >/dev/null; then
        cow_skip[$fs]="$mkfs_tool not found (Debian package $([[ $fs == xfs ]] && echo xfsprogs || echo btrfs-progs))"
    else
        cow_dir=$tmp/$fs
        truncate -s 3G "$tmp/$fs.img"
        mkdir -p "$cow_dir"
        if ! ${cow_mkfs[$fs]} "$tmp/$fs.img" >"$tmp/$fs.log" 2>&1 ||
            ! mount -o loop "$tmp/$fs.img" "$cow_dir" >>"$tmp/$fs.log" 2>&1; then
            cow_skip[$fs]="cannot be made and mounted: $(tail -1 "$tmp/$fs.log")"
        fi
    fi
    if [[ -n ${cow_skip[$fs]:-} ]]; then
        say "bench: ${cow_label[$fs]} left out: ${cow_skip[$fs]}"
        continue
    fi
    mounted+=("$cow_dir")
    say "bench: A on ${cow_label[$fs]}, merge against cat ($runs runs each)"
    "$tools/bench_inputs" files "$cow_dir/A" 256 4194304 4194304
    mkdir -p "$cow_dir/out"
    cow_files=("$cow_dir"/A/*.bin)
    sync -f "$cow_dir"
    measure "$runs" 1 cow_merge cow_nosync cow_cat
    median_ms[merge_$fs]=${median_ms[cow_merge]} median_ms[cat_$fs]=${median_ms[cow_cat]}
    median_ms[nosync_$fs]=${median_ms[cow_nosync]}
    cat -- "$tmp/front" "$cow_dir/out/cat.bin" | cmp -s - "$cow_dir/out/merge.bin" ||
        die "on $fs the merge differs from cat of a 4096-byte 0xFF file and the inputs"
    cow_used[merge_$fs]=$(space_of cow_merge)
    cow_used[cat_$fs]=$(space_of cow_cat)
    cow_bytes=$(stat -c %s "$cow_dir/out/merge.bin")
    umount "$cow_dir"
    mounted=()
    rm -f "$tmp/$fs.img"
done

# --- the list at 100,000 rows ---------------------------------------------
declare -A core_ms window_ms
if ((with_lists)); then
    say "bench: list of 100,000 rows, core"
    while read -r name ms _; do core_ms[$name]=$ms; done < <("$tools/core_list_bench" "$tmp/C.h" "$tmp" 7)
fi
if ((have_window_bench)); then
    say "bench: list of 100,000 rows, window model (offscreen)"
    while read -r name ms _; do window_ms[$name]=$ms; done < <(
        QT_QPA_PLATFORM=offscreen "$tools/list_model_bench" "$tmp/C.h" "$tmp" 7)
fi

# --- the table -------------------------------------------------------------
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
mibs() { awk -v bytes="$1" -v ms="$2" 'BEGIN { printf "%.0f MiB/s", bytes / 1048576 / (ms / 1000) }'; }
secs() { awk -v ms="$1" 'BEGIN { printf "%.3f s", ms / 1000 }'; }
holds() { awk -v v="$1" -v goal="$2" -v dir="$3" 'BEGIN { ok = dir == "le" ? v <= goal : v >= goal; print ok ? "yes" : "**no**" }'; }
mib() { awk -v kib="$1" 'BEGIN { printf "%.1f MiB", kib / 1024 }'; }

cpu=$(awk -F': *' '/^model name/ { print $2; exit }' /proc/cpuinfo)
device=$(df -P "$tmp" | awk 'NR == 2 { print $1 }')
fstype=$(df -PT "$tmp" | awk 'NR == 2 { print $2 }')
ssd=""
disk=$(lsblk -no PKNAME "$device" 2>/dev/null | head -1)
[[ -n $disk ]] || disk=$(basename "$device")
if [[ -r /sys/block/$disk/queue/rotational ]]; then
    ssd=$([[ $(cat "/sys/block/$disk/queue/rotational") == 0 ]] && echo ", not rotational" || echo ", rotational")
fi

row() { printf '| %s | %s | %s | %s | %s | %s |\n' "$@"; }
echo
echo "Machine: $(nproc) cores, $cpu, $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo) RAM, Linux $(uname -r)"
echo "Temporary folder: $device ($fstype$ssd), $(df -h "$tmp" | awk 'NR == 2 { print $4 }') free"
echo "Load average: $load_start at the start, $(cut -d' ' -f1-3 /proc/loadavg) at the end"
echo "Each figure: median of $runs runs (list: 7), page cache warm; srec_cat $(srec_cat -version | awk 'NR == 1 { print $3 }'), $(cat --version | head -1)"
echo
row "Measurement" "Ours" "Reference" "Ratio" "Goal" "Holds"
row "---" "---" "---" "---" "---" "---"
nosync_how="${nosync_flag[*]:-under ${nosync_prefix[*]}}"
for set in a b; do
    if [[ $set == a ]]; then label="A: 256 × 4 MiB"; bytes=$a_bytes; goal=1.10; else label="B: 20,000 × 1–8 KiB"; bytes=$b_bytes; goal=1.25; fi
    ours=${median_ms[cli_$set]} cat_ms=${median_ms[cat_$set]} srec_ms=${median_ms[srec_$set]}
    synced=${median_ms[sync_$set]}
    r_cat=$(ratio "$ours" "$cat_ms")
    r_srec=$([[ -n $srec_ms ]] && ratio "$srec_ms" "$ours" || echo "")
    img_ms=${median_ms[catimg_$set]}
    r_img=$(ratio "$ours" "$img_ms")
    cost=$(awk -v s="$synced" -v o="$ours" 'BEGIN { printf "%+.0f", 100 * (s - o) / o }')
    row "$label, merge -f 4096 (no flush: $nosync_how) vs cat of the inputs" "$(secs "$ours"), $(mibs "$bytes" "$ours")" \
        "cat $(secs "$cat_ms"), $(mibs "$bytes" "$cat_ms")" "${r_cat} × cat's time" "≤ $goal ×" "$(holds "$r_cat" "$goal" le)"
    row "$label, merge -f 4096 with the flush (as shipped)" "$(secs "$synced"), $(mibs "$bytes" "$synced")" \
        "without it $(secs "$ours")" "${cost} % ($(ratio "$synced" "$cat_ms") × cat's time)" "flush ≤ +10 %" "$(holds "$cost" 10 le)"
    row "$label, merge -f 4096 vs cat of the same image" "$(secs "$ours")" \
        "cat 0xFF×4096 + inputs $(secs "$img_ms"), $(mibs "$bytes" "$img_ms")" "${r_img} × cat's time" "—" "—"
    if [[ -z $srec_ms ]]; then
        : # left out (ZD_BENCH_SREC=0)
    elif [[ $set == a ]]; then goal="≥ 20 × faster"; ok=$(holds "$r_srec" 20 ge); else goal="—"; ok="—"; fi
    [[ -z $srec_ms ]] || row "$label, merge -f 4096 vs srec_cat" "$(secs "$ours")" \
        "srec_cat $(secs "$srec_ms"), $(mibs "$bytes" "$srec_ms")" "${r_srec} × faster" "$goal" "$ok"
    if [[ $set == a ]]; then
        aligned=${median_ms[align_a]}
        r_align=$(ratio "$aligned" "$cat_ms")
        row "$label, merge -f 4096 --align 4096 --fill 0x00 (no flush: $nosync_how) vs cat of the inputs" \
            "$(secs "$aligned"), $(mibs "$bytes" "$aligned")" "cat $(secs "$cat_ms")" "${r_align} × cat's time" \
            "≤ 1.10 ×" "$(holds "$r_align" 1.10 le)"
    fi
    if [[ $set == b ]]; then
        row "$label, intake alone (merge --dry-run)" "$(secs "${median_ms[dry_b]}")" "—" \
            "$(awk -v d="${median_ms[dry_b]}" -v m="$ours" 'BEGIN { printf "%.0f %% of the merge", 100 * d / m }')" "—" "—"
    fi
done
r_diff=$(ratio "${median_ms[diff_a]}" "${median_ms[cmp_a]}")
row "diff of two equal images of A (1 GiB each)" "$(secs "${median_ms[diff_a]}"), $(mibs "$diff_a_bytes" "${median_ms[diff_a]}")" \
    "cmp $(secs "${median_ms[cmp_a]}")" "$r_diff × cmp's time" "≤ 1.5 ×" "$(holds "$r_diff" 1.5 le)"
row "2 GiB image (8 × 256 MiB), merge -f 4096 with the flush" "$(secs "${median_ms[cli_g]}"), $(mibs "$g_bytes" "${median_ms[cli_g]}")" "—" "—" "—" "—"
r_kept=$(ratio "$kept_ms" "$kept_plain_ms")
row "1 GiB (4 × 256 MiB), merge -f 4096 --align 4K --reserve 1% --keep-layout (no flush: $nosync_how)" \
    "$(secs "$kept_ms")" "plain merge -f 4096 $(secs "$kept_plain_ms")" "$r_kept × the plain merge's time" \
    "≤ 1.25 ×" "$(holds "$r_kept" 1.25 le)"
row "Peak RSS, merge of A (1 GiB)" "$(mib "$rss_a")" "—" "—" "< 16 MiB" "$(holds "$rss_a" 16384 le)"
row "Peak RSS, merge of 2 GiB image" "$(mib "$rss_g")" "A: $(mib "$rss_a")" "$(ratio "$rss_g" "$rss_a") × A" "same, < 16 MiB" \
    "$(awk -v g="$rss_g" -v a="$rss_a" 'BEGIN { print (g < 16384 && g <= a * 1.25) ? "yes" : "**no**" }')"
kib() { awk -v b="$1" 'BEGIN { printf "%.0f KiB", b / 1024 }'; }
for fs in "${cow_systems[@]}"; do
    label="A: 256 × 4 MiB on ${cow_label[$fs]}"
    if [[ -n ${cow_skip[$fs]:-} ]]; then
        row "$label" "left out: ${cow_skip[$fs]}" "—" "—" "—" "—"
        continue
    fi
    ours=${median_ms[merge_$fs]} cat_ms=${median_ms[cat_$fs]}
    r_cat=$(ratio "$ours" "$cat_ms")
    row "$label, merge -f 4096 with the flush (as shipped) vs cat of the inputs" \
        "$(secs "$ours"), $(mibs "$cow_bytes" "$ours")" "cat $(secs "$cat_ms"), $(mibs "$cow_bytes" "$cat_ms")" \
        "${r_cat} × cat's time" "≤ 3 ×" "$(holds "$r_cat" 3 le)"
    row "$label, merge -f 4096 without the flush ($nosync_how)" "$(secs "${median_ms[nosync_$fs]}")" \
        "with it $(secs "$ours")" "$(ratio "${median_ms[nosync_$fs]}" "$cat_ms") × cat's time" "—" "—"
    share=$(awk -v u="${cow_used[merge_$fs]}" -v b="$cow_bytes" 'BEGIN { printf "%.3f", 100 * u / b }')
    row "$label, disk space one image takes (used space grown, after a sync)" \
        "$(kib "${cow_used[merge_$fs]}"), ${share} % of the image's $(kib "$cow_bytes")" \
        "cat $(kib "${cow_used[cat_$fs]}")" "—" "< 10 % of the image" "$(holds "$share" 10 le)"
done
declare -A core_label=(
    [read_list]="read the list file (parse into rows)" [append_all]="append all rows"
    [import]="import = read + append" [recompute]="recomputeLayout"
    [write_list]="write the list file" [read_back]="read it back"
    [move_row]="move a row (swap + recompute)" [delete_row]="delete a row (+ recompute)"
    [clear]="clear")
((with_lists)) || exit 0
for name in read_list append_all import recompute write_list read_back move_row delete_row clear; do
    ms=${core_ms[$name]:-}
    [[ -n $ms ]] || die "core_list_bench gave no $name"
    row "List 100,000 rows, core: ${core_label[$name]}" "$ms ms" "—" "—" "< 100 ms" "$(holds "$ms" 100 le)"
done
for name in import move_row delete_row clear; do
    label=${core_label[$name]%% (*}
    label=${label%% =*}
    if ((have_window_bench)) && [[ -n ${window_ms[$name]:-} ]]; then
        w=${window_ms[$name]} c=${core_ms[$name]} bare=${window_ms[${name}_no_repaint]:-?}
        r=$(ratio "$w" "$c")
        ok=$(awk -v w="$w" -v r="$r" 'BEGIN { print (w < 100 && r <= 2) ? "yes" : "**no**" }')
        row "List 100,000 rows, window: $label" "$w ms (without the repaint: $bare ms)" "core $c ms" \
            "$r × core" "< 100 ms, ≤ 2 × core" "$ok"
    else
        row "List 100,000 rows, window: $label" "not built" "core ${core_ms[$name]} ms" "—" "< 100 ms, ≤ 2 × core" "—"
    fi
done
