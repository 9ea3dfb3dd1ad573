#!/usr/bin/env python3
"""Makes the sample's movies: one short MJPEG AVI (a few seconds, a small
frame, a quiet tone) for every game that movieinfo.dat names, made with
GStreamer's gst-launch-1.0 into movie/ of the folder given. Movies are
generated rather than kept in the repository; files already there are left
alone, so running it again costs nothing.
    python3 tools/make-sample-movies.py BASEDIR [MOVIEINFO]
MOVIEINFO defaults to BASEDIR/save/movieinfo.dat.
"""

import os
import re
import shutil
import subprocess
import sys

PATTERNS = ["ball", "smpte", "pinwheel", "zone-plate", "spokes", "circular", "gamut"]
SECONDS = 4
FPS = 15


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit("usage: make-sample-movies.py BASEDIR [MOVIEINFO]")
    base = sys.argv[1]
    info = sys.argv[2] if len(sys.argv) == 3 else os.path.join(base, "save", "movieinfo.dat")
    if not shutil.which("gst-launch-1.0"):
        print("make-sample-movies: gst-launch-1.0 is not installed (bash scripts/setup.sh); no movies made")
        return
    with open(info, "rb") as f:
        lines = f.read().decode("cp932").splitlines()
    positions = [int(v) for v in lines[2:] if v.strip().isdigit()]
    with open(os.path.join(base, "data.dat"), "rb") as f:
        games = re.findall(r"<game>(.*?)</game>", f.read().decode("cp932"), re.S)
    os.makedirs(os.path.join(base, "movie"), exist_ok=True)
    made = 0
    for n, p in enumerate(positions):
        if p >= len(games):
            continue
        block = games[p]
        number = re.search(r"<number>(.*?)</number>", block).group(1)
        vertical = "<screen>1</screen>" in block
        path = os.path.join(base, "movie", number + ".avi")
        if os.path.exists(path):
            continue
        w, h = (120, 160) if vertical else (160, 120)
        frames = SECONDS * FPS
        args = ["gst-launch-1.0", "-q",
                "videotestsrc", "num-buffers=%d" % frames, "pattern=" + PATTERNS[n % len(PATTERNS)], "!",
                "video/x-raw,width=%d,height=%d,framerate=%d/1" % (w, h, FPS), "!",
                "jpegenc", "quality=80", "!", "avimux", "name=mux", "!", "filesink", "location=" + path,
                "audiotestsrc", "num-buffers=%d" % (SECONDS * 44100 // 1024), "freq=%d" % (330 + 110 * n),
                "volume=0.08", "!", "audio/x-raw,rate=44100,channels=1", "!", "audioconvert", "!", "mux."]
        subprocess.run(args, check=True)
        made += 1
    print("make-sample-movies: %d movies made in %s" % (made, os.path.join(base, "movie")))


if __name__ == "__main__":
    main()
