#!/usr/bin/env bash
# Starts the Windows window under Wine on a virtual display and saves a
# screenshot.
#
# Usage: scripts/screenshot-windows.sh OUTPUT.png [FILE...]
#
# With FILEs, the window adds them as a drop would (they are its command
# line); the count message that follows is shot as OUTPUT-message.png and
# closed with Enter before OUTPUT.png is taken. Then the tools menu is
# opened with Alt+T and shot as OUTPUT-tools.png, and its last item, the
# merge settings, as OUTPUT-settings.png.
# ZD_SHOT_DPI sets the display's scale in dots per inch (default 96, that
# is 100 %; 120 is 125 %, 144 is 150 %).
# Needs build-win/zadodaziderav.exe (scripts/windows.sh) and
# scripts/install-deps.sh shot windows.
set -euo pipefail

if [ $# -lt 1 ]; then
  echo "usage: $0 OUTPUT.png [FILE...]" >&2
  exit 2
fi
output=$(realpath -m "$1")
shift
root=$(cd "$(dirname "$0")/.." && pwd)
program=$root/build-win/zadodaziderav.exe
if [ ! -f "$program" ]; then
  echo "$0: $program not built (scripts/windows.sh)" >&2
  exit 1
fi
"$root/scripts/install-deps.sh" shot windows

# A prefix of its own that draws on X, beside the tests' headless one.
export WINEPREFIX=$root/build-win/wine-x11
files=()
for f in "$@"; do files+=("$(realpath "$f")"); done

export ZD_SHOT_OUTPUT="$output" ZD_SHOT_PROGRAM="$program" ZD_SHOT_ROOT="$root"
export ZD_SHOT_DPI=${ZD_SHOT_DPI:-96}
xvfb-run --auto-servernum --server-args="-screen 0 1600x1000x24" bash -c '
  set -euo pipefail
  # The scale is set every time: the prefix keeps the last one.
  ZD_WINE_DPI=$ZD_SHOT_DPI source "$ZD_SHOT_ROOT/scripts/wine-env.sh" x11
  trap zd_wine_stop EXIT
  # Windows paths for the files to add, worked out here, as
  # any other Wine program started now would undo the font settings.
  files=()
  for f in "$@"; do files+=("Z:${f//\//\\}"); done
  # Windows that no window manager looks after: Wine draws caption and frame.
  wine "$ZD_SHOT_PROGRAM" "${files[@]}" </dev/null >/dev/null 2>&1 &
  sleep 6
  if [ $# -gt 0 ]; then
    import -window root "${ZD_SHOT_OUTPUT%.png}-message.png"
    xdotool key Return
    sleep 1
  fi
  # The main window alone, by its title.
  window=$(xdotool search --name "^Tessarine Tool" | head -n 1)
  import -window "${window:-root}" "$ZD_SHOT_OUTPUT"
  # The menu is a window of its own, over the main one: the screen is shot
  # where the main window lies.
  eval "$(xdotool getwindowgeometry --shell "$window")"
  xdotool windowfocus --sync "$window" key alt+t
  sleep 1
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "${ZD_SHOT_OUTPUT%.png}-tools.png"
  # Up from the first item wraps round to the last, the merge settings.
  xdotool key Up Return
  sleep 2
  dialog=$(xdotool search --name "^合并选项$" | head -n 1)
  import -window "${dialog:-root}" "${ZD_SHOT_OUTPUT%.png}-settings.png"
  xdotool key Escape
' shot "${files[@]}"
echo "saved $output"
