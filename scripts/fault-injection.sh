#!/usr/bin/env bash
# A failing disk or a kill at every I/O system call. For three commands (a
# merge with every firmware output, two of them in folders of their own; an
# unpack; a diff with Intel HEX and S-records) strace makes each occurrence
# of each I/O system call kind, one at a time, fail with EIO, fail with
# ENOSPC, or kill the command (SIGKILL). Each run starts from the same
# earlier outputs, and then:
#   - a run that fails says so on standard error, and every output is as it
#     was;
#   - a run that succeeds leaves every output new (so does a merge or diff
#     whose outputs were put in place and only its printing failed: it exits
#     with 1 and says so);
#   - after a kill each output is old or new in whole; the next run to the
#     same outputs, made to fail once it has opened them all (its first
#     flush fails), leaves them all old or all new, and no temporary. The
#     next unpack leaves no temporary and each file missing or whole. So
#     does the next run after a failed removal that left a temporary.
#
#   scripts/fault-injection.sh CLI [STEP]
#
# STEP (default 1) samples every STEP-th occurrence of a kind, always its
# first and last ones, and every rename, link and unlink. The runs take
# place on /dev/shm where it can be written (no flush then waits for a
# disk), else under TMPDIR. Prints one line per failed case, a count, and
# exits 0 when every case held, 1 otherwise.
set -uo pipefail
(($# >= 1)) || { echo "usage: $0 CLI [STEP]" >&2; exit 2; }
cli=$(realpath "$1")
step=${2:-1}
command -v strace >/dev/null || { echo "$0: strace is missing (scripts/install-deps.sh test)" >&2; exit 2; }
export LC_ALL=C
shopt -s nullglob

root=${TMPDIR:-/tmp}
[ -w /dev/shm ] && root=/dev/shm
scratch=$(mktemp -d "$root/zd-faults.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 2

# The system calls that reach files, folders or the locks between runs.
io_calls=openat,read,pread64,write,pwrite64,close,newfstatat,statx,getdents64,flock,fsync,fdatasync
io_calls+=,rename,renameat,renameat2,link,linkat,unlink,unlinkat,fchmod,fchown,mkdir,rmdir,ioctl
io_calls+=,splice,copy_file_range,lseek,ftruncate,access,faccessat2,getcwd,readlink,socket,bind
always=" rename renameat renameat2 link linkat unlink unlinkat "

passed=0 failed=0
fail() {
    echo "FAIL $case: $*"
    failed=$((failed + 1))
}

# The md5 of each output, "-" for a missing one, in the order of $outputs.
declare -A sums
state() {
    sums=()
    local sum name
    while read -r sum name; do
        sums[$name]=$sum
    done < <(md5sum "${outputs[@]}" 2>/dev/null)
    local out=""
    for name in "${outputs[@]}"; do
        out+="${sums[$name]:--} "
    done
    echo "$out"
}

# What the output set and unpack leave beside their outputs.
temporaries() {
    local dir found=()
    for dir in "${folders[@]}"; do
        found+=("$dir"/.zd~*)
    done
    echo "${found[*]}"
}

# Whether each output is old or new in whole.
each_old_or_new() {
    local now old new i
    read -ra now <<<"$1"
    read -ra old <<<"$old_state"
    read -ra new <<<"$new_state"
    for i in "${!now[@]}"; do
        [ "${now[$i]}" = "${old[$i]}" ] || [ "${now[$i]}" = "${new[$i]}" ] || return 1
    done
}

# Runs "${cmd[@]}" in run/ (a fresh copy of base/) with `$1` injected.
run_injected() {
    rm -rf run
    cp -a base run
    (cd run && strace -f -o /dev/null -e trace="$kind" -e inject="$kind:$1:when=$when" \
        "${cmd[@]}" >../stdout 2>../stderr)
    status=$?
}

# The occurrences of each kind after the program's start (the loader's
# calls come before its first signal handler), as "kind first last".
occurrences() {
    (cd run && strace -f -o ../trace -e trace="$io_calls,rt_sigaction" "${cmd[@]}" >/dev/null 2>&1)
    awk '{ sub(/^[0-9]+ +/, ""); name = $0; sub(/\(.*/, "", name) }
         name == "rt_sigaction" { started = 1; next }
         name ~ /^[a-z0-9_]+$/ { n[name]++; if (!started) before[name]++ }
         END { for (k in n) if (n[k] > before[k]) print k, before[k] + 1, n[k] }' trace | sort
}

# One command: `cmd` with `outputs` (their `folders`), base/ holding the
# earlier outputs; `follow_up` says what the next run is.
scenario() {
    echo "== $name: ${cmd[*]}"
    rm -rf run && cp -a base run
    old_state=$(cd base && state)
    (cd run && "${cmd[@]}" >/dev/null 2>&1) || { echo "$name: the plain run fails" >&2; exit 2; }
    new_state=$(cd run && state)
    [ "$old_state" != "$new_state" ] || { echo "$name: the run changes nothing" >&2; exit 2; }
    local first last kind when fault sampled=0 kinds
    rm -rf run && cp -a base run
    kinds=$(occurrences)
    while read -r kind first last; do
        for ((when = first; when <= last; when++)); do
            if [[ "$always" != *" $kind "* ]] && ((step > 1)) && ((when != last)) &&
                (((when - first) % step != 0)); then
                continue
            fi
            for fault in error=EIO error=ENOSPC signal=SIGKILL; do
                case="$name $kind#$((when - first + 1)) $fault"
                run_injected "$fault"
                sampled=$((sampled + 1))
                check_case "$fault" || continue
                passed=$((passed + 1))
            done
        done
    done <<<"$kinds"
    echo "   $sampled cases"
}

check_case() {
    local now left
    now=$(cd run && state)
    left=$(cd run && temporaries)
    if [ "$1" = signal=SIGKILL ]; then
        if ((status != 137)) && [ "$now" != "$new_state" ]; then
            fail "not killed (status $status) and not every output new"
            return 1
        fi
        each_old_or_new "$now" || { fail "an output neither old nor new after the kill"; return 1; }
        next_run
        return
    fi
    if ((status == 0)); then
        [ "$now" = "$new_state" ] || { fail "succeeded without every output new"; return 1; }
    elif [ ! -s stderr ]; then
        fail "exit $status with nothing on standard error"
        return 1
    elif [ "$now" != "$old_state" ] &&
        ! { [ "$now" = "$new_state" ] && grep -q 'standard output' stderr; }; then
        fail "failed (status $status: $(head -c 200 stderr)) and changed its outputs"
        return 1
    fi
    # A removal that fails may leave a temporary; the next run removes it.
    [ -z "$left" ] || next_run
}

# The next run to the same outputs finds what a killed one left.
next_run() {
    local now left
    if [ "$follow_up" = fail-after-open ]; then
        (cd run && strace -f -o /dev/null -e trace=fdatasync -e inject=fdatasync:error=EIO:when=1 \
            "${cmd[@]}" >/dev/null 2>../stderr)
        status=$?
        now=$(cd run && state)
        if ((status == 0)) || { [ "$now" != "$old_state" ] && [ "$now" != "$new_state" ]; }; then
            fail "the next run (status $status) leaves a mixed set"
            return 1
        fi
    else
        (cd run && "${cmd[@]}" >/dev/null 2>../stderr)
        now=$(cd run && state)
        each_old_or_new "$now" || { fail "the next run leaves a broken output"; return 1; }
    fi
    left=$(cd run && temporaries)
    [ -z "$left" ] || { fail "the next run leaves temporaries: $left"; return 1; }
}

# The inputs: small files read in one batch, and one of 200 KiB copied on
# its own.
mkdir -p base/res base/out base/inc base/dep base/d
printf 'logo' >base/res/a.bin
head -c 5000 /dev/zero | tr '\0' 'f' >base/res/b.bin
seq -w 1 40000 | head -c 204800 >base/res/c.bin

name=merge
merge=("$cli" merge -q -o out/img -f 4K -i --c-header inc/layout.h --c-table
    --manifest out/img.json --ihex out/img.hex --srec out/img.srec --depfile dep/img.d
    --flash-size 1M --pad res/a.bin res/b.bin res/c.bin)
outputs=(out/img.bin out/img.h inc/layout.h out/img.json out/img.hex out/img.srec dep/img.d)
folders=(out inc dep)
(cd base && "${merge[@]}" && cp out/img.bin old.bin) || exit 2
printf 'logo, version 2' >base/res/a.bin
cmd=("${merge[@]}")
follow_up=fail-after-open
scenario

name="diff"
(cd base && "${merge[@]}" && cp out/img.bin new.bin && "$cli" diff new.bin old.bin \
    --ihex d/up.hex --srec d/up.srec >/dev/null) || exit 2
cmd=("$cli" diff old.bin new.bin --ihex d/up.hex --srec d/up.srec)
outputs=(d/up.hex d/up.srec)
folders=(d)
scenario

name=unpack
cmd=("$cli" unpack -q new.bin -d un -l out/img.h)
outputs=(un/a.bin un/b.bin un/c.bin)
folders=(un)
follow_up=plain
scenario

echo "$passed passed, $failed failed"
((failed == 0))
