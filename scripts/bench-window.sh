#!/bin/bash
# Times the real program on a generated catalogue, from outside, as a user
# sees it: the first start (everything parsed, the caches written), then
# RUNS starts with valid caches, each followed by a close with nothing
# changed (SIGTERM), and the resident memory a moment after each start.
#
#   scripts/bench-window.sh GAMES [RUNS] [PROGRAM]
#
# BUILD (default build/release) holds gen-catalogue and window_timer;
# PROGRAM defaults to BUILD/app/kolmar. The folder is FOLDER, by default
# /tmp/kolmar-window-GAMES (made once; the program runs on the folder it
# lives in, so it is copied there). Without $DISPLAY an Xvfb of its own is
# started. The disk is synced before the first start, so that the write-back
# of an earlier run's caches does not land in its figures.
set -euo pipefail
games=${1:?usage: bench-window.sh GAMES [RUNS] [PROGRAM]}
runs=${2:-5}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build/release}
program=${3:-$build/app/kolmar}
timer=$build/bench/window_timer
folder=${FOLDER:-/tmp/kolmar-window-$games}

[ -x "$timer" ] || { echo "no $timer (build the window_timer target)" >&2; exit 2; }
[ -f "$folder/data.dat" ] || "$build/tools/gen-catalogue" "$folder" "$games" >/dev/null
cp "$program" "$folder/kolmar"

if [ -z "${DISPLAY:-}" ]; then
    display=:$((90 + RANDOM % 100))
    Xvfb "$display" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    trap 'kill $xvfb 2>/dev/null || true' EXIT
    export DISPLAY=$display
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
fi

echo "== $games games, load: $(cut -d' ' -f1-3 /proc/loadavg)"
rm -f "$folder"/cache/*.cache "$folder"/save/*.dat
sync
echo "-- first start"
"$timer" 3000 "$folder/kolmar" | sed 's/^/   /'
for i in $(seq "$runs"); do
    echo "-- start with valid caches #$i"
    "$timer" 1500 "$folder/kolmar" | sed 's/^/   /'
done
