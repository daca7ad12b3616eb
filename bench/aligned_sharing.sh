#!/usr/bin/env bash
# Inputs of odd sizes on XFS (made with reflink): the merge back to back
# against the same merge with --align 4K, its time (with the flush) and the
# new disk space its image takes. Back to back, only the first input starts
# on a block; aligned, every input does and the image shares its blocks.
#
#   bench/aligned_sharing.sh CLI [RUNS]     (as root; needs mkfs.xfs)
set -euo pipefail
cli=$(realpath "$1")
runs=${2:-3}
tmp=$(mktemp -d "${TMPDIR:-/tmp}/zd-aligned.XXXXXX")
trap 'umount "$tmp/fs" 2>/dev/null || true; rm -rf "$tmp"' EXIT
truncate -s 3G "$tmp/xfs.img"
mkfs.xfs -q -m reflink=1 "$tmp/xfs.img"
mkdir "$tmp/fs"
mount -o loop "$tmp/xfs.img" "$tmp/fs"
mkdir "$tmp/fs/in" "$tmp/fs/out"
# 256 inputs of 4 MiB and 1,007 to 2,792 bytes.
for i in $(seq -w 1 256); do
    head -c $((4194304 + 1000 + 10#$i * 7)) /dev/urandom >"$tmp/fs/in/$i.bin"
done
used() { sync -f "$tmp/fs" && df -B1 --output=used "$tmp/fs" | tail -1 | tr -d ' '; }
for options in "" "--align 4K"; do
    for ((run = 1; run <= runs; run++)); do
        rm -f "$tmp/fs/out/img.bin" "$tmp/fs/out/img.h"
        before=$(used)
        start=${EPOCHREALTIME/./}
        "$cli" merge -q -f 4096 $options -o "$tmp/fs/out/img" "$tmp/fs/in"
        stop=${EPOCHREALTIME/./}
        echo "merge -f 4096 ${options:-(back to back)}: $(((stop - start) / 1000)) ms," \
            "new space $((($(used) - before) / 1024)) KiB of $(($(stat -c %s "$tmp/fs/out/img.bin") / 1024)) KiB"
    done
done
