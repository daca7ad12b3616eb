#!/usr/bin/env bash
# Runs the README's shell examples and compares what each command prints with
# what the README shows, so that no example drifts from the tool.
#
#   scripts/check-readme.sh README.md BIN_DIR...
#
# The examples run in the README's order as one shell session (bash), started
# in an empty scratch folder with each BIN_DIR first on PATH, HOME and TMPDIR
# inside the scratch folder, LC_ALL=C.UTF-8 and TZ=UTC (and the sanitizers'
# options, when set). So examples chain: a later block sees the files, the current folder and the
# variables that the earlier ones left, as a reader following along would.
#
# How a block is marked: by its fence's tag, and by a marker, an HTML comment
# (not shown on the page) on the line just before the opening fence.
#
#   ```sh, no marker
#       Run. A line starting with "$ " is a command (a line ending in "\"
#       continues it on the next line); the lines after it, up to the next
#       "$ ", are what it prints, exactly: standard output and standard error
#       into one file, as "2>&1" has them (the command line flushes its
#       results before it writes a message). A block without any "$ " line is run line by line and must
#       print nothing.
#   <!-- example: not run: WHY -->
#       A shell block that cannot run here (Windows, sudo, the set-up itself);
#       WHY says which.
#   <!-- example: varies -->
#       Run as above, but in its shown output "…" stands for any text within
#       its line. Only where the output truly varies: the reader's folder, a
#       time.
#   <!-- example: file PATH -->
#       Any block (make, c, text): its text is written to PATH, from the
#       session's current folder, before the blocks after it run.
#
# A command that exits with other than 0 must be followed by "$ echo $?",
# which shows its status. Fences tagged bash, shell, console or
# shell-session are refused (tag shell examples sh, so that they run); other
# blocks (c, cmake, bat, untagged) are text.
#
# Prints each command whose output differs (its README line, the command, a
# diff of shown against printed) and a count; exits 0 when every example
# printed what is shown, 1 otherwise, 2 on a malformed README.
set -uo pipefail
(($# >= 2)) || { echo "usage: $0 README.md BIN_DIR..." >&2; exit 2; }
readme=$1
shift
bins=""
for dir in "$@"; do
  bins+="$(realpath "$dir"):"
done

scratch=$(mktemp -d "${TMPDIR:-/tmp}/zd-readme.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
work=$scratch/.check # the parsed examples and their outputs, beside the session
session=$scratch/session
mkdir -p "$work" "$session/home" "$session/tmp"

# The README into steps, one line each in $work/plan:
#   cmd N LINE VARIES   command N (N.cmd) shown at LINE, its output N.want
#   file N LINE PATH    block N (N.file) to be written to PATH
#   skip - LINE         a block not run
awk -v work="$work" -v name="$readme" '
  function fail(line, what) {
    printf "%s:%d: %s\n", name, line, what > "/dev/stderr"
    failed = 1
    exit 2
  }
  function put(text, file) { printf "%s", text > file; close(file) }
  # One run block: its commands and what each prints.
  function commands(   i, k, prompted, text, want, line) {
    prompted = 0
    for (i = 1; i <= count; ++i) {
      if (body[i] ~ /^\$ /) { prompted = 1 }
    }
    for (i = 1; i <= count; ++i) {
      if (prompted && body[i] !~ /^\$ /) { fail(start + i, "output before the first command") }
      if (!prompted && body[i] ~ /^[ \t]*$/) { continue }
      text = prompted ? substr(body[i], 3) : body[i]
      line = start + i
      while (text ~ /\\$/ && i < count) { text = text "\n" body[++i] }
      want = ""
      while (prompted && i < count && body[i + 1] !~ /^\$ /) { want = want body[++i] "\n" }
      k = ++steps
      put(text "\n", work "/" k ".cmd")
      put(want, work "/" k ".want")
      print "cmd", k, line, (kind == "varies") > (work "/plan")
    }
  }
  !open && /^[ \t]*<!-- example:/ {
    if (!match($0, /<!-- example: (not run: .+|varies|file [^ ]+) -->[ \t]*$/)) {
      fail(NR, "unknown example marker: " $0)
    }
    marker = $0
    sub(/^[ \t]*<!-- example: /, "", marker)
    sub(/ -->[ \t]*$/, "", marker)
    markerLine = NR
    next
  }
  !open && /^ *```/ {
    indent = $0
    sub(/```.*/, "", indent)
    tag = substr($0, length(indent) + 4)
    sub(/[ \t].*/, "", tag)
    if (tag ~ /^(bash|shell|console|shell-session)$/) {
      fail(NR, "tag shell examples sh, so that they are run")
    }
    kind = tag == "sh" ? "run" : "text"
    if (markerLine == NR - 1) {
      if (marker ~ /^not run: /) {
        kind = "skip"
      } else if (marker == "varies") {
        kind = "varies"
      } else {
        kind = "file"
        path = substr(marker, 6)
      }
      if (tag != "sh" && kind != "file") { fail(NR, "\"" marker "\" marks sh blocks only") }
    } else if (markerLine) {
      fail(markerLine, "a marker must stand on the line just before its block")
    }
    markerLine = 0
    open = 1
    start = NR
    count = 0
    next
  }
  open && substr($0, 1, length(indent)) == indent && substr($0, length(indent) + 1) ~ /^```[ \t]*$/ {
    open = 0
    if (kind == "run" || kind == "varies") {
      commands()
    } else if (kind == "file") {
      text = ""
      for (i = 1; i <= count; ++i) { text = text body[i] "\n" }
      k = ++steps
      put(text, work "/" k ".file")
      print "file", k, start, path > (work "/plan")
    } else if (kind == "skip") {
      print "skip", "-", start > (work "/plan")
    }
    next
  }
  open {
    line = $0
    if (substr(line, 1, length(indent)) == indent) { line = substr(line, length(indent) + 1) }
    body[++count] = line
    next
  }
  markerLine && markerLine == NR - 1 && !/^ *```/ {
    fail(markerLine, "a marker must stand on the line just before its block")
  }
  END {
    if (failed) { exit 2 }
    if (open) { fail(start, "block never closed") }
    if (markerLine) { fail(markerLine, "a marker must stand on the line just before its block") }
  }
' "$readme" || exit 2
[ -s "$work/plan" ] || { echo "$readme: no examples" >&2; exit 2; }

# One session script: each command in a group of its own, its output and
# status kept; the status is handed on, so that "echo $?" shows it.
# shellcheck disable=SC2016 # the session expands these, not this script
{
  echo "__zd_status=0"
  while read -r what k line rest; do
    case "$what" in
      cmd)
        printf '( exit $__zd_status )\n{\n%s} >%q 2>&1 </dev/null\n' \
          "$(cat "$work/$k.cmd")"$'\n' "$work/$k.out"
        printf '__zd_status=$?\necho "$__zd_status" >%q\n' "$work/$k.status" ;;
      file)
        printf 'cp %q %q\n' "$work/$k.file" "$rest" ;;
    esac
  done <"$work/plan"
} >"$work/session.sh"
(cd "$session" && env -i PATH="$bins/usr/local/bin:/usr/bin:/bin" HOME="$session/home" \
  TMPDIR="$session/tmp" LC_ALL=C.UTF-8 TZ=UTC TERM=dumb \
  ${ASAN_OPTIONS+ASAN_OPTIONS="$ASAN_OPTIONS"} ${UBSAN_OPTIONS+UBSAN_OPTIONS="$UBSAN_OPTIONS"} \
  bash "$work/session.sh" >/dev/null 2>&1 </dev/null)

# The shown output as a pattern: "…" any text, every other character itself.
pattern() { sed -e 's/[][*?\\]/\\&/g' -e 's/…/*/g' <<<"$1"; }
# The printed lines, each that its shown line's pattern matches written as
# shown, so that a diff names only what truly differs.
asShown() { # shown printed
  local -a shown printed
  mapfile -t shown <"$1"
  mapfile -t printed <"$2"
  local i
  for ((i = 0; i < ${#printed[@]}; ++i)); do
    # shellcheck disable=SC2053 # the right side is a pattern on purpose
    if ((i < ${#shown[@]})) && [[ ${printed[i]} == $(pattern "${shown[i]}") ]]; then
      printf '%s\n' "${shown[i]}"
    else
      printf '%s\n' "${printed[i]}"
    fi
  done
}

ran=0 skipped=0 bad=0
mapfile -t plan <"$work/plan"
for ((p = 0; p < ${#plan[@]}; ++p)); do
  read -r what k line varies <<<"${plan[p]}"
  [ "$what" = skip ] && ((++skipped))
  [ "$what" = cmd ] || continue
  ((++ran))
  command=$(cat "$work/$k.cmd")
  where="$readme:$line: \$ ${command%%$'\n'*}"
  if [ ! -f "$work/$k.status" ]; then
    echo "$where"$'\n'"  did not run: the session ended before it"
    ((++bad))
    continue
  fi
  got=$work/$k.out
  if [ "$varies" = 1 ]; then
    asShown "$work/$k.want" "$got" >"$work/$k.seen"
    got=$work/$k.seen
  fi
  wrong=0
  if ! cmp -s "$work/$k.want" "$got"; then
    echo "$where"$'\n'"  printed otherwise:"
    diff -u --label shown --label printed "$work/$k.want" "$got" | sed 's/^/  /'
    wrong=1
  fi
  status=$(cat "$work/$k.status")
  read -r nextWhat nextK _ <<<"${plan[p + 1]:-}"
  if [ "$status" != 0 ] && ! { [ "$nextWhat" = cmd ] && [ "$(cat "$work/$nextK.cmd")" = 'echo $?' ]; }; then
    echo "$where"$'\n'"  exited with $status: show it with \"\$ echo \$?\" after it, or mend it"
    wrong=1
  fi
  ((bad += wrong))
done
echo "$readme: $ran commands run, $bad of them wrong; $skipped blocks not run"
((bad == 0))
