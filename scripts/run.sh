#!/usr/bin/env bash
# Builds Kolmar and starts it on the sample catalogue shipped in sample/.
# The program keeps its data beside its executable, so the sample is copied
# next to a copy of the binaries in build/run/ (the shipped sample is never
# written to). On a machine without a display, Kolmar runs on a virtual X
# display and a screenshot is saved to build/run/screenshot.png.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
JOBS=${JOBS:-$(nproc)}

bash scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build/release -j"$JOBS"

RUN=build/run
mkdir -p "$RUN"
# Copy the sample once; later runs keep what the user changed there.
if [ ! -f "$RUN/data.dat" ]; then
  cp -r sample/. "$RUN/"
fi
# Pictures added to the sample since reach an older copy too (never
# replacing a file there); the movies are generated, not shipped.
cp -rn sample/image sample/icon sample/skin "$RUN/"
python3 tools/make-sample-movies.py "$RUN" sample/save/movieinfo.dat
find "$RUN" \( -name .gitkeep -o -name .gitignore \) -delete

if [ -x build/release/app/kolmar ]; then
  cp build/release/app/kolmar "$RUN/kolmar"
  if [ -n "${DISPLAY:-}" ] && [ -z "${KOLMAR_SCREENSHOT:-}" ]; then
    exec "$RUN/kolmar"
  fi
  # Headless: a virtual display, a screenshot after start-up, then a normal close.
  exec bash scripts/xvfb-screenshot.sh "$RUN/kolmar" "$ROOT/$RUN/screenshot.png"
fi

# Until the window exists, check the sample catalogue the way start-up loads it.
build/release/tools/kolmar-cli check "$RUN"
