#!/usr/bin/env bash
# Starts the desktop window on a virtual display and saves a screenshot.
#
# Usage: scripts/screenshot.sh OUTPUT.png [FILE...]
#
# With FILEs, the window is started with them, so they are added as a drop
# adds them; the count message that follows is shot as OUTPUT-message.png and
# then closed with Enter (needs xdotool) before OUTPUT.png is taken. Then
# the tools menu is opened with Alt+T and shot as OUTPUT-tools.png, and its
# last item, the merge settings, as OUTPUT-settings.png.
# Needs xvfb, xauth, imagemagick and fonts-wqy-microhei (scripts/install-deps.sh shot).
set -euo pipefail

if [ $# -lt 1 ]; then
  echo "usage: $0 OUTPUT.png [FILE...]" >&2
  exit 2
fi
output=$(realpath -m "$1")
shift
root=$(cd "$(dirname "$0")/.." && pwd)
program=${ZD_PROGRAM:-$root/build/ui/zadodaziderav}
if [ ! -x "$program" ]; then
  echo "$0: $program not built (cmake --build build, or set ZD_PROGRAM)" >&2
  exit 1
fi

export ZD_SHOT_OUTPUT="$output" ZD_SHOT_PROGRAM="$program"
# The inner script runs on the virtual display xvfb-run sets up.
xvfb-run --auto-servernum --server-args="-screen 0 1280x800x24" bash -c '
  set -euo pipefail
  unset QT_QPA_PLATFORM
  "$ZD_SHOT_PROGRAM" "$@" &
  pid=$!
  trap "kill $pid 2>/dev/null || true" EXIT
  sleep 3
  if [ $# -gt 0 ]; then
    import -window root "${ZD_SHOT_OUTPUT%.png}-message.png"
    if command -v xdotool >/dev/null; then
      xdotool key Return
      sleep 1
    fi
  fi
  import -window root "$ZD_SHOT_OUTPUT"
  if command -v xdotool >/dev/null; then
    # No window manager gives the window the focus: it is given here.
    xdotool search --name "^Tessarine Tool" windowfocus --sync key alt+t
    sleep 1
    import -window root "${ZD_SHOT_OUTPUT%.png}-tools.png"
    # Up from the first item wraps round to the last, the merge settings.
    xdotool key Up Return
    sleep 1
    dialog=$(xdotool search --name "^合并选项$" | head -n 1)
    import -window "${dialog:-root}" "${ZD_SHOT_OUTPUT%.png}-settings.png"
    xdotool key Escape
  fi
' screenshot "$@"
echo "saved $output"
