#!/usr/bin/env bash
# Shows that two builds of the command line write and print the same: runs
# the same cases with each, in the same scratch folder one after the other
# (so every path they print or write is the same), and compares every file
# they wrote byte for byte, and each case's standard output, standard error
# and exit status.
#
#   scripts/compare-outputs.sh OLD_CLI NEW_CLI
#
# Prints one line a case and a last line saying whether all are the same;
# exits 0 when they are, 1 when anything differs. The cases cover the merge
# (plain, -i, -l of a saved list, --relative, the firmware outputs, --dry-run,
# a flash overflow and an output that is an input) and verify (good and
# damaged), inspect and unpack.
set -euo pipefail
export LC_ALL=C
(($# == 2)) || { echo "usage: $0 OLD_CLI NEW_CLI" >&2; exit 2; }
old=$(realpath "$1") new=$(realpath "$2")

scratch=$(mktemp -d "${TMPDIR:-/tmp}/zd-compare.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
res=$scratch/res
work=$scratch/work
mkdir -p "$res"

# The inputs, made once for both: random bytes, an erased run inside a file
# (left out of HEX records), an empty file.
head -c 1234 /dev/urandom >"$res/logo.bin"
head -c 5000 /dev/urandom >"$res/font16.dot"
{ head -c 3000 /dev/urandom; head -c 200 /dev/zero | tr '\0' '\377'; head -c 77 /dev/urandom; } >"$res/clip.avi"
: >"$res/empty.bin"

# Each case: a name, then the arguments ($W: the work folder, $R: the
# inputs). Later cases read what earlier ones wrote.
cases=(
    "plain|merge -o \$W/plain -f 4096 \$R/logo.bin \$R/font16.dot"
    "info|merge -o \$W/info -i -f 0x1000 \$R"
    "info-left-out|merge -o \$W/small -i -f 8 \$R/logo.bin"
    "saved-list|merge -o \$W/again -f 64 -l \$W/info.h \$R/logo.bin"
    "relative|merge -o \$W/rel --relative -f 4K \$R/logo.bin \$R/font16.dot"
    "c-header|merge -o \$W/hdr -f 4096 --c-header \$W/layout.h --prefix FW_ \$R"
    "manifest|merge -o \$W/man -i -f 4096 --manifest \$W/man.json \$R"
    "ihex|merge -o \$W/hex -i -f 100 --ihex \$W/hex.hex \$R"
    "srec-base|merge -o \$W/srec -f 4097 --srec \$W/srec.s37 --base 0x0800FFF3 \$R"
    "flash-pad|merge -o \$W/pad -i -f 4096 --flash-size 64K --pad \$R"
    "everything|merge -o \$W/all -i -f 0x1003 --c-header \$W/all_layout.h --manifest \$W/all.json --ihex \$W/all.hex --srec \$W/all.s37 --base 0x08000000 --flash-size 1M --pad --relative \$R"
    "flash-overflow|merge -o \$W/over --flash-size 6000 \$R/logo.bin \$R/font16.dot"
    "hex-past-4GiB|merge -o \$W/far --ihex \$W/far.hex --base 0xFFFFF000 \$R"
    "output-is-input|merge -o \$W/in.bin \$W/in.bin"
    "dry-run|merge --dry-run -i -f 4096 --flash-size 1M --ihex \$W/dry.hex \$R"
    "verify-list|verify \$W/info.bin -l \$W/info.h"
    "verify-manifest|verify \$W/all.bin --manifest \$W/all.json"
    "verify-damaged-list|verify \$W/damaged.bin -l \$W/info.h"
    "verify-damaged-manifest|verify \$W/damaged-all.bin --manifest \$W/all.json"
    "inspect|inspect \$W/info.bin"
    "inspect-no-table|inspect \$W/plain.bin"
    "unpack|unpack \$W/info.bin -d \$W/unpacked"
    "unpack-named|unpack \$W/all.bin -d \$W/named -l \$W/all.h"
)

# Runs every case with the program $1, leaving in $work what it wrote and,
# under $work/.said, each case's stdout, stderr and exit status.
run_all() {
    local program=$1 entry name words
    rm -rf "$work"
    mkdir -p "$work/.said" "$work/unpacked" "$work/named"
    cp "$res/logo.bin" "$work/in.bin"
    for entry in "${cases[@]}"; do
        name=${entry%%|*}
        words=${entry#*|}
        words=${words//\$W/$work}
        words=${words//\$R/$res}
        case $name in
        verify-damaged-list) damage "$work/info.bin" "$work/damaged.bin" 5000 ;;
        verify-damaged-manifest) damage "$work/all.bin" "$work/damaged-all.bin" 6000 ;;
        esac
        # shellcheck disable=SC2086 # the words are split on purpose
        (cd "$scratch" && "$program" $words >"$work/.said/$name.out" 2>"$work/.said/$name.err") &&
            echo 0 >"$work/.said/$name.status" || echo $? >"$work/.said/$name.status"
    done
}

# A copy of image $1 as $2 with the byte at offset $3 changed.
damage() {
    cp "$1" "$2"
    printf '\x5a' | dd of="$2" bs=1 seek="$3" conv=notrunc status=none
}

run_all "$old"
mv "$work" "$scratch/old"
run_all "$new"
mv "$work" "$scratch/new"

status=0
for entry in "${cases[@]}"; do
    name=${entry%%|*}
    differs=()
    for stream in out err status; do
        cmp -s "$scratch/old/.said/$name.$stream" "$scratch/new/.said/$name.$stream" ||
            differs+=("$stream")
    done
    printf '%-24s exit %s  %s\n' "$name" "$(cat "$scratch/new/.said/$name.status")" \
        "${differs[*]:-same}"
    ((${#differs[@]} == 0)) || status=1
done
# Every file either wrote, byte for byte, and no file one wrote and the other not.
if diff -r -q --exclude=.said "$scratch/old" "$scratch/new"; then
    echo "files: $(find "$scratch/new" -path '*/.said' -prune -o -type f -print | wc -l) written, the same"
else
    status=1
fi
((status == 0)) && echo "all the same" || echo "DIFFERENT"
exit $status
