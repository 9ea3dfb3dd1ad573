#!/usr/bin/env python3
"""Writes the pictures of the sample catalogue in sample/: snapshots for most
games (a title card with the game's name and a game screen at its machine's
resolution), the hardware, software/board and genre icons, the check marks
of the snap-skin dialog, four snap-skin frames (a television, a handheld
held both ways, an upright arcade cabinet), save/skin.dat that selects them
and save/movieinfo.dat naming the games that get a movie
(tools/make-sample-movies.py makes the movies themselves).

Everything is drawn here from the catalogue, so the output is the same on
every run with the same ImageMagick and fonts. The output is committed; run
this again only after changing the sample:
    python3 tools/make-sample-media.py [SAMPLEDIR]
"""

import os
import random
import re
import struct
import subprocess
import sys
import zlib

OUT = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
    os.path.dirname(os.path.abspath(__file__)), "..", "sample")
FONT = "/usr/share/fonts/opentype/noto/NotoSansCJK-Bold.ttc"
PNG_FLAGS = ["-strip", "-define", "png:exclude-chunks=date,time"]

# Screen resolution by hardware key (vertical arcade games turn theirs).
RESOLUTION = {1: (256, 224), 2: (320, 240), 3: (384, 224), 4: (160, 144),
              5: (320, 224), 6: (256, 240), 7: (160, 152), 8: (640, 400)}
# Title-card colours by hardware key.
CARD = {1: "#20305a", 2: "#4a1f3a", 3: "#1d3d2a", 4: "#3c3c1a", 5: "#2a2a4e",
        6: "#45301c", 7: "#1f4046", 8: "#303030"}

# Snap-skin frames: file name (its four "_" give the snapshot rectangle),
# frame size, and the slots (hardware key, orientation) that select it.
TV = "skin/tv_30_30_320_240.png"
HANDHELD_WIDE = "skin/handheld-yoko_120_40_160_144.png"
HANDHELD_TALL = "skin/handheld-tate_48_40_144_176.png"
CABINET = "skin/cabinet-tate_48_72_224_288.png"
SKINS = [
    # name, frame, uses
    ("テレビ", TV, [(1, 0), (2, 1), (5, 0)]),
    ("携帯機（横持ち）", HANDHELD_WIDE, [(4, 1)]),
    ("携帯機（縦持ち）", HANDHELD_TALL, [(4, 2)]),
    ("アーケード筐体", CABINET, [(3, 2)]),
]


def read_cp932(path):
    with open(path, "rb") as f:
        return f.read().decode("cp932")


def elements(text, tag):
    return re.findall(r"<%s>(.*?)</%s>" % (tag, tag), text, re.S)


def field(block, tag, default=""):
    m = re.search(r"<%s>(.*?)</%s>" % (tag, tag), block, re.S)
    return m.group(1) if m else default


def master(name, tag):
    entries = []
    for block in elements(read_cp932(os.path.join(OUT, name)), tag):
        entries.append(dict(key=int(field(block, "index")), image=int(field(block, "imageNumber")),
                            name=field(block, "name"), alias=field(block, "alias"),
                            skin=int(field(block, "skin", "0"))))
    return entries


def games():
    out = []
    for block in elements(read_cp932(os.path.join(OUT, "data.dat")), "game"):
        out.append(dict(number=field(block, "number"), title=field(block, "title"), alias=field(block, "alias"),
                        hard=int(field(block, "hard")), screen=int(field(block, "screen", "0"))))
    return out


# --- A small PNG writer: palette pictures drawn pixel by pixel. -----------

class Canvas:
    def __init__(self, w, h, colour=(0, 0, 0)):
        self.w, self.h = w, h
        self.palette = []
        self.pixels = bytearray(w * h)
        self.rect(0, 0, w, h, colour)

    def index(self, colour):
        if colour not in self.palette:
            self.palette.append(colour)
        return self.palette.index(colour)

    def rect(self, x, y, w, h, colour):
        i = self.index(colour)
        for yy in range(max(y, 0), min(y + h, self.h)):
            row = yy * self.w
            self.pixels[row + max(x, 0):row + min(x + w, self.w)] = bytes([i]) * max(0, min(x + w, self.w) - max(x, 0))

    def round_rect(self, x, y, w, h, r, colour):
        i = self.index(colour)
        for yy in range(y, y + h):
            for xx in range(x, x + w):
                dx = max(x + r - xx, 0, xx - (x + w - 1 - r))
                dy = max(y + r - yy, 0, yy - (y + h - 1 - r))
                if dx * dx + dy * dy <= r * r and 0 <= xx < self.w and 0 <= yy < self.h:
                    self.pixels[yy * self.w + xx] = i

    def circle(self, cx, cy, r, colour):
        self.round_rect(cx - r, cy - r, 2 * r + 1, 2 * r + 1, r, colour)

    def save(self, path):
        raw = b"".join(b"\x00" + bytes(self.pixels[y * self.w:(y + 1) * self.w]) for y in range(self.h))

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

        png = b"\x89PNG\r\n\x1a\n"
        png += chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, 3, 0, 0, 0))
        png += chunk(b"PLTE", b"".join(bytes(c) for c in self.palette))
        png += chunk(b"IDAT", zlib.compress(raw, 9))
        png += chunk(b"IEND", b"")
        with open(path, "wb") as f:
            f.write(png)


def game_screen(path, w, h, seed):
    """A game screen: a tiled backdrop, a ground line, a few sprites and a score bar."""
    rng = random.Random(seed)
    sky = tuple(rng.randrange(0, 90) for _ in range(3))
    c = Canvas(w, h, sky)
    tile = 8 if w <= 400 else 16
    palette = [tuple(rng.randrange(40, 256) for _ in range(3)) for _ in range(4)]
    ground = h * 3 // 4
    for ty in range(ground // tile, h // tile + 1):
        for tx in range(w // tile + 1):
            c.rect(tx * tile, ty * tile, tile, tile, palette[(tx + ty * rng.randrange(1, 3)) % 2])
    for _ in range(6):
        bw, bh = rng.randrange(2, 6) * tile, rng.randrange(1, 4) * tile
        c.rect(rng.randrange(0, w - bw), rng.randrange(tile * 3, ground - bh), bw, bh, palette[2])
    for _ in range(4):
        c.circle(rng.randrange(tile, w - tile), rng.randrange(tile * 3, ground), tile // 2 + 1, palette[3])
    c.rect(0, 0, w, tile * 2, (0, 0, 0))
    for i in range(w // (tile * 2)):
        if rng.random() < 0.4:
            c.rect(i * tile * 2 + 2, tile // 2, tile, tile, (240, 240, 240))
    c.save(path)


def title_card(path, title, hardware_name, colour, vertical):
    """A title screen: the name, a prompt and the machine; upright for a vertical game."""
    w, h = (240, 320) if vertical else (320, 240)
    size = max(12, min(26, (w - 30) // max(len(title), 1)))
    subprocess.run(["convert", "-size", "%dx%d" % (w, h), "xc:" + colour,
                    "-fill", "#00000060", "-draw", "rectangle 0,%d %d,%d" % (h - 64, w, h),
                    "-font", FONT, "-fill", "white", "-pointsize", str(size),
                    "-gravity", "center", "-annotate", "+0-24", title,
                    "-pointsize", "12", "-fill", "#e8e0a0", "-annotate", "+0+34", "PUSH START BUTTON",
                    "-pointsize", "11", "-fill", "#c0c8e0", "-annotate", "+0+%d" % (h // 2 - 24), hardware_name,
                    "-colors", "32", *PNG_FLAGS, "PNG8:" + path], check=True)


def icon(path, text, colour):
    subprocess.run(["convert", "-size", "32x32", "xc:none", "-fill", colour,
                    "-draw", "roundrectangle 1,1 30,30 7,7", "-font", FONT, "-fill", "white",
                    "-pointsize", "18", "-gravity", "center", "-annotate", "+0+0", text,
                    "(", "+clone", "-resize", "16x16", ")", "ICO:" + path], check=True)


def check_icon(path, ticked):
    draw = ["-fill", "white", "-stroke", "#5a5a5a", "-draw", "rectangle 2,2 13,13"]
    if ticked:
        draw += ["-stroke", "#008c00", "-strokewidth", "2", "-fill", "none", "-draw", "polyline 4,8 7,11 12,4"]
    subprocess.run(["convert", "-size", "16x16", "xc:none", *draw, "ICO:" + path], check=True)


# --- Snap-skin frames ------------------------------------------------------

def tv_frame(path):
    c = Canvas(480, 300, (92, 64, 40))
    c.round_rect(4, 4, 472, 292, 24, (120, 86, 54))
    c.round_rect(18, 18, 344, 264, 18, (30, 30, 30))
    c.rect(30, 30, 320, 240, (0, 0, 0))
    c.round_rect(376, 24, 90, 252, 10, (70, 70, 74))
    for y in (60, 120):
        c.circle(421, y, 22, (190, 190, 190))
        c.circle(421, y, 8, (90, 90, 90))
    for y in range(170, 260, 10):
        c.rect(392, y, 58, 4, (40, 40, 44))
    c.save(path)


def handheld_wide_frame(path):
    c = Canvas(400, 224, (0, 0, 0))
    c.round_rect(0, 0, 400, 224, 40, (150, 60, 160))
    c.round_rect(104, 24, 192, 176, 12, (40, 40, 50))
    c.rect(120, 40, 160, 144, (0, 0, 0))
    c.rect(30, 96, 48, 16, (30, 30, 30))
    c.rect(46, 80, 16, 48, (30, 30, 30))
    c.circle(338, 92, 13, (210, 40, 60))
    c.circle(364, 120, 13, (210, 40, 60))
    c.save(path)


def handheld_tall_frame(path):
    c = Canvas(240, 400, (0, 0, 0))
    c.round_rect(0, 0, 240, 400, 30, (180, 180, 170))
    c.round_rect(28, 20, 184, 216, 10, (70, 70, 90))
    c.rect(48, 40, 144, 176, (0, 0, 0))
    c.rect(34, 292, 54, 18, (30, 30, 30))
    c.rect(52, 274, 18, 54, (30, 30, 30))
    c.circle(170, 284, 14, (150, 30, 80))
    c.circle(200, 266, 14, (150, 30, 80))
    for x in range(70, 170, 12):
        c.rect(x, 370, 6, 14, (120, 120, 110))
    c.save(path)


def cabinet_frame(path):
    c = Canvas(320, 470, (0, 0, 0))
    c.rect(10, 0, 300, 470, (24, 24, 80))
    c.rect(20, 8, 280, 46, (230, 190, 40))
    c.round_rect(30, 58, 260, 316, 8, (40, 40, 40))
    c.rect(48, 72, 224, 288, (0, 0, 0))
    c.rect(10, 384, 300, 60, (60, 60, 120))
    c.circle(90, 414, 12, (220, 30, 30))
    for x in (190, 222, 254):
        c.circle(x, 414, 9, (240, 220, 60))
    c.rect(10, 444, 300, 26, (20, 20, 60))
    c.save(path)


# --- Save files ------------------------------------------------------------

def crlf(path, lines):
    with open(path, "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("cp932"))


def skin_dat(hardware):
    """skin.dat for the table the program builds: hardware by alias, rows by skin mode."""
    chosen = {}
    for name, frame, uses in SKINS:
        for key, orientation in uses:
            chosen[(key, orientation)] = (name, frame)
    lines = ["[BEGIN]", "0", "2"]
    for h in sorted(hardware, key=lambda e: e["alias"].encode("cp932")):
        orientations = {1: [0], 2: [1, 2]}.get(h["skin"], [])
        for orientation in orientations:
            for kind in (0, 1, 2):
                skin = chosen.get((h["key"], orientation))
                count, selected = (1, 0) if skin else (0, -1)
                lines.append("[BEGIN_%d_%d_%d_%d_%d]" % (h["key"], kind, orientation, count, selected))
                if skin:
                    x, y, w, hh = (int(v) for v in os.path.splitext(skin[1])[0].split("_")[1:])
                    lines += [skin[0], skin[1], str(x), str(y), str(w), str(hh), "2", "0"]
                lines.append("[END]")
    lines.append("[END]")
    return lines


def movie_positions(all_games):
    """A few games get a movie: the first game, the one a first start selects
    (the top of the list, which is sorted by reading), and the first of some
    machines."""
    top = min(range(len(all_games)), key=lambda i: (all_games[i]["alias"].encode("cp932"), i))
    picks = [0, top]
    for hard, screen in ((2, 0), (3, 1), (4, 0), (3, 0)):
        picks.append(next(i for i, g in enumerate(all_games) if g["hard"] == hard and g["screen"] == screen))
    return sorted(set(picks))


def main():
    hardware = master("hard.dat", "hard")
    software = master("soft.dat", "soft")
    genres = master("genre.dat", "genre")
    names = {h["key"]: h["name"] for h in hardware}
    all_games = games()
    for folder in ("image", "icon", "skin", "save"):
        os.makedirs(os.path.join(OUT, folder), exist_ok=True)

    written = 0
    for i, g in enumerate(all_games):
        # Most games have both snapshots; a few only the title, a few none.
        if i % 9 == 8:
            continue
        title_card(os.path.join(OUT, "image", g["number"] + "a.png"), g["title"], names[g["hard"]], CARD[g["hard"]],
                   g["screen"] == 1)
        written += 1
        if i % 7 == 6:
            continue
        w, h = RESOLUTION[g["hard"]]
        if g["screen"] == 1:
            w, h = h, w
        game_screen(os.path.join(OUT, "image", g["number"] + "b.png"), w, h, int(g["number"]))
        written += 1

    colours = ["#c0392b", "#2471a3", "#1e8449", "#b9770e", "#7d3c98", "#117a65", "#a04000", "#5d6d7e",
               "#922b21", "#1f618d"]
    for prefix, table in (("h", hardware), ("s", software), ("g", genres)):
        for n, e in enumerate(table):
            icon(os.path.join(OUT, "icon", "%s%d.ico" % (prefix, e["image"])), e["name"][0], colours[n % len(colours)])
    check_icon(os.path.join(OUT, "icon", "check0.ico"), False)
    check_icon(os.path.join(OUT, "icon", "check1.ico"), True)

    tv_frame(os.path.join(OUT, TV))
    handheld_wide_frame(os.path.join(OUT, HANDHELD_WIDE))
    handheld_tall_frame(os.path.join(OUT, HANDHELD_TALL))
    cabinet_frame(os.path.join(OUT, CABINET))
    crlf(os.path.join(OUT, "save", "skin.dat"), skin_dat(hardware))

    positions = movie_positions(all_games)
    crlf(os.path.join(OUT, "save", "movieinfo.dat"), ["[BEGIN]", str(len(positions))] +
         [str(p) for p in positions] + ["[END]"])
    print("%d snapshots, %d icons, %d skins and %d movie entries written to %s" % (
        written, len(hardware) + len(software) + len(genres) + 2, len(SKINS), len(positions), os.path.abspath(OUT)))


if __name__ == "__main__":
    main()
