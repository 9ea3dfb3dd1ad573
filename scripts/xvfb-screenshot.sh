#!/usr/bin/env bash
# Runs a program on a virtual X display managed by openbox (so its window
# gets a frame, a work area and the window manager's placement, as on a
# desktop), saves a screenshot of the whole screen once its window is up,
# then closes it normally (SIGTERM, which Kolmar handles like "終了") and
# stops the window manager and the display.
#   usage: xvfb-screenshot.sh BINARY OUT.png [SECONDS_TO_WAIT]
set -euo pipefail
BIN=$1
OUT=$2
WAIT=${3:-20}

for tool in Xvfb openbox xprop xwininfo import; do
  command -v "$tool" >/dev/null || { echo "xvfb-screenshot: $tool is not installed (bash scripts/setup.sh)" >&2; exit 2; }
done

# Xvfb picks a free display and writes its number to the pipe. -noreset:
# the probes below come and go before openbox holds its connection, and a
# server reset as the last client leaves would drop openbox.
exec {DFD}< <(Xvfb -displayfd 1 -screen 0 1600x1000x24 -nolisten tcp -noreset 2>/dev/null & echo "PID $!")
read -r -u "$DFD" _ XVFB_PID
read -r -u "$DFD" DISPLAY_NUM
export DISPLAY=":$DISPLAY_NUM"
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb

cleanup() {
  [ -n "${APP_PID:-}" ] && kill "$APP_PID" 2>/dev/null || true
  [ -n "${WM_PID:-}" ] && kill "$WM_PID" 2>/dev/null || true
  kill "$XVFB_PID" 2>/dev/null || true
  [ -n "${WM_HOME:-}" ] && rm -rf "$WM_HOME"
}
trap cleanup EXIT

# openbox in its stock configuration (whatever the user's own is), with
# what it writes kept in a temporary folder.
WM_HOME=$(mktemp -d)
XDG_CONFIG_HOME="$WM_HOME" XDG_CACHE_HOME="$WM_HOME" XDG_DATA_HOME="$WM_HOME" \
  openbox --sm-disable >/dev/null 2>&1 &
WM_PID=$!
# It manages the screen once it has set its check window on the root.
for _ in $(seq 1 100); do
  if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then break; fi
  if ! kill -0 "$WM_PID" 2>/dev/null; then echo "xvfb-screenshot: openbox exited early" >&2; break; fi
  sleep 0.1
done

"$BIN" &
APP_PID=$!

# Wait for the main window to be mapped, then let it paint.
for _ in $(seq 1 $((WAIT * 10))); do
  if xwininfo -root -tree 2>/dev/null | grep -q '"Kolmar'; then break; fi
  if ! kill -0 "$APP_PID" 2>/dev/null; then echo "xvfb-screenshot: $BIN exited early" >&2; break; fi
  sleep 0.1
done
sleep 1.5
import -window root "$OUT"
echo "screenshot: $OUT"

# A normal close writes the save files; give it time to finish.
if kill -0 "$APP_PID" 2>/dev/null; then
  kill -TERM "$APP_PID"
  for _ in $(seq 1 100); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.1; done
fi
wait "$APP_PID" 2>/dev/null && STATUS=0 || STATUS=$?
APP_PID=
echo "$(basename "$BIN") exited with status $STATUS"
