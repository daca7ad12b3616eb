#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz (or $ZD_FUZZ_BUILD_DIR)
# and runs each for SECONDS (default 60; at least 1, as libFuzzer would take
# 0 for "no limit"):
#
#   fuzz/run.sh [SECONDS] [TARGET]...
#
# Targets: list_file, front_offset, output_names, image_read, manifest,
# layout_plan (all by default). Each run
# starts from the committed seeds in fuzz/corpus/<target>/ plus what earlier
# runs found (kept in the build folder, never in the repository). Exits
# non-zero when any target finds a crash, a leak or a broken invariant; the
# input that did it is left in <build>/artifacts/<target>/ and named in the
# output.
#
# Needs clang and its runtime (Debian: clang, libclang-rt-14-dev or the
# clang version's own), cmake, ninja and GoogleTest (the top-level project
# configures its tests).
set -euo pipefail
export LC_ALL=C

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${ZD_FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${1:-60}
shift || true
targets=("$@")
((${#targets[@]})) || targets=(list_file front_offset output_names image_read manifest layout_plan)

[[ $seconds =~ ^[0-9]+$ ]] && ((seconds > 0)) ||
    { echo "usage: fuzz/run.sh [SECONDS] [TARGET]...  (SECONDS at least 1)" >&2; exit 2; }
[[ -n ${CC:-} ]] || "$root/scripts/install-deps.sh" fuzz
cc=${CC:-clang}
cxx=${CXX:-clang++}
command -v "$cxx" >/dev/null || { echo "fuzz: $cxx not found (Debian package clang)" >&2; exit 2; }

echo "fuzz: building with $cxx in $build"
mkdir -p "$build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZD_FUZZ=ON -DZD_WITH_UI=OFF -DZD_WITH_BENCH=OFF \
    -DZD_SANITIZE=OFF >"$build/configure.log" 2>&1 ||
    { cat "$build/configure.log" >&2; exit 2; }
ninja -C "$build" -j2 "${targets[@]/%/_fuzz}" >"$build/build.log" 2>&1 ||
    { tail -40 "$build/build.log" >&2; exit 2; }

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
failed=()
summary=()
for target in "${targets[@]}"; do
    seeds=$root/fuzz/corpus/$target
    work=$build/corpus/$target
    artifacts=$build/artifacts/$target
    log=$build/logs/$target.log
    [[ -d $seeds ]] || { echo "fuzz: no seed corpus $seeds" >&2; exit 2; }
    mkdir -p "$work" "$artifacts" "$(dirname "$log")"
    echo "fuzz: $target for ${seconds}s"
    status=0
    # New inputs go to the first folder (the build's); the seeds are read only.
    "$build/fuzz/${target}_fuzz" "$work" "$seeds" -max_total_time="$seconds" -max_len=4096 \
        -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts/" \
        >"$log" 2>&1 || status=$?
    runs=$(awk '/stat::number_of_executed_units/ { print $2 }' "$log" | tail -1)
    if ((status != 0)); then
        failed+=("$target")
        summary+=("$(printf '%-14s FAILED (exit %d) after %s runs; input: %s' "$target" "$status" \
            "${runs:-?}" "$(ls -t "$artifacts" | head -1)")")
        grep -E 'ERROR|invariant broken|runtime error|SUMMARY' "$log" | head -5 >&2 || true
    else
        summary+=("$(printf '%-14s ok, %s runs in %ss, corpus %s inputs' "$target" "${runs:-?}" \
            "$seconds" "$(find "$work" -type f | wc -l)")")
    fi
done
echo
printf '%s\n' "${summary[@]}"
if ((${#failed[@]})); then
    echo "fuzz: crashes in ${failed[*]}; logs in $build/logs, inputs in $build/artifacts" >&2
    exit 1
fi
