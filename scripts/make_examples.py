#!/usr/bin/env python3
"""Draws the sample product's box art and builds the sample project from it.

The product is made up: "Nimbus Notes 3", a note-taking program by the equally made-up Cirrus
Softworks. Six face pictures and a floor picture are drawn here with a small rasteriser and a
5 x 7 bitmap font of our own (standard library only: the PNG files are written with zlib and
struct), into examples/art/. Then, when a built cartonic-render is found, examples/sample.ctn is
made with it, naming the pictures by paths relative to the project.

Usage: scripts/make_examples.py [path/to/cartonic-render]
       (default: build/src/cli/cartonic-render below the repository; without one only the
       pictures are drawn)

The output is the same on every run, so regenerating leaves git with nothing to commit.
"""

import pathlib
import struct
import subprocess
import sys
import zlib

ROOT = pathlib.Path(__file__).resolve().parent.parent
EXAMPLES = ROOT / "examples"
ART = EXAMPLES / "art"

# Supersampling factor: every picture is drawn this many times larger and averaged down, which
# smooths the edges of circles, slopes and letters.
SS = 3

# Colour scheme: night-sky blues, a warm orange accent, cloud white.
NAVY = (12, 36, 68)
BLUE = (28, 104, 156)
SKY = (120, 196, 232)
ORANGE = (246, 140, 36)
DEEP_ORANGE = (214, 96, 16)
WHITE = (250, 250, 252)
MIST = (206, 226, 240)
INK = (20, 28, 40)

# Face picture sizes in pixels, in the proportions of the default box (5 x 2.5 x 10 units):
# front and back 1:2, the sides 1:4, top and bottom 2:1.
FRONT_SIZE = (360, 720)
SIDE_SIZE = (180, 720)
TOP_SIZE = (360, 180)
FLOOR_SIZE = (512, 512)

# 5 x 7 glyphs ('#' ink, '.' paper); a few are narrower.
FONT = {
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "B": ["####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."],
    "C": [".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."],
    "D": ["####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."],
    "E": ["#####", "#....", "#....", "####.", "#....", "#....", "#####"],
    "F": ["#####", "#....", "#....", "####.", "#....", "#....", "#...."],
    "G": [".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".####"],
    "H": ["#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "I": [".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."],
    "J": ["..###", "...#.", "...#.", "...#.", "...#.", "#..#.", ".##.."],
    "K": ["#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"],
    "L": ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    "M": ["#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"],
    "N": ["#...#", "#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#"],
    "O": [".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "P": ["####.", "#...#", "#...#", "####.", "#....", "#....", "#...."],
    "Q": [".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"],
    "R": ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    "S": [".####", "#....", "#....", ".###.", "....#", "....#", "####."],
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    "U": ["#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "V": ["#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    "W": ["#...#", "#...#", "#...#", "#.#.#", "#.#.#", "#.#.#", ".#.#."],
    "X": ["#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"],
    "Y": ["#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."],
    "Z": ["#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"],
    "0": [".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."],
    "1": ["..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."],
    "2": [".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"],
    "3": ["####.", "....#", "....#", ".###.", "....#", "....#", "####."],
    "4": ["...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."],
    "5": ["#####", "#....", "####.", "....#", "....#", "#...#", ".###."],
    "6": ["..##.", ".#...", "#....", "####.", "#...#", "#...#", ".###."],
    "7": ["#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."],
    "8": [".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."],
    "9": [".###.", "#...#", "#...#", ".####", "....#", "...#.", ".##.."],
    ".": ["..", "..", "..", "..", "..", "##", "##"],
    ",": ["..", "..", "..", "..", "##", ".#", "#."],
    ":": ["..", "##", "##", "..", "##", "##", ".."],
    "!": ["##", "##", "##", "##", "##", "..", "##"],
    "'": ["#", "#", ".", ".", ".", ".", "."],
    "-": ["....", "....", "....", "####", "....", "....", "...."],
    "+": [".....", "..#..", "..#..", "#####", "..#..", "..#..", "....."],
    "/": ["....#", "...#.", "...#.", "..#..", ".#...", ".#...", "#...."],
    "&": [".##..", "#..#.", "#.#..", ".#...", "#.#.#", "#..#.", ".##.#"],
    "(": ["..#", ".#.", "#..", "#..", "#..", ".#.", "..#"],
    ")": ["#..", ".#.", "..#", "..#", "..#", ".#.", "#.."],
    " ": ["...", "...", "...", "...", "...", "...", "..."],
}
GLYPH_ROWS = 7


def mix(a, b, f):
    return tuple(round(x + (y - x) * f) for x, y in zip(a, b))


class Canvas:
    """An RGB picture drawn at SS times its size; coordinates are in output pixels."""

    def __init__(self, width, height, fill=WHITE):
        self.width, self.height = width, height
        self.w, self.h = width * SS, height * SS
        self.data = bytearray(bytes(fill) * (self.w * self.h))

    def _span(self, y, x0, x1, colour, alpha=1.0):
        """Row y (sample units), samples x0..x1-1."""
        x0, x1 = max(0, x0), min(self.w, x1)
        if x1 <= x0 or not 0 <= y < self.h:
            return
        start, end = (y * self.w + x0) * 3, (y * self.w + x1) * 3
        if alpha >= 1.0:
            self.data[start:end] = bytes(colour) * (x1 - x0)
            return
        old = self.data[start:end]
        self.data[start:end] = bytes(
            round(o + (colour[i % 3] - o) * alpha) for i, o in enumerate(old))

    def rect(self, x0, y0, x1, y1, colour, alpha=1.0):
        for y in range(round(y0 * SS), round(y1 * SS)):
            self._span(y, round(x0 * SS), round(x1 * SS), colour, alpha)

    def vgradient(self, x0, y0, x1, y1, top, bottom):
        ys = range(round(y0 * SS), round(y1 * SS))
        for i, y in enumerate(ys):
            self._span(y, round(x0 * SS), round(x1 * SS), mix(top, bottom, i / max(1, len(ys) - 1)))

    def polygon(self, points, colour, alpha=1.0):
        """A convex polygon, corners in order."""
        pts = [(x * SS, y * SS) for x, y in points]
        top = max(0, int(min(p[1] for p in pts)))
        bottom = min(self.h, int(max(p[1] for p in pts)) + 1)
        for y in range(top, bottom):
            cy = y + 0.5
            xs = []
            for (ax, ay), (bx, by) in zip(pts, pts[1:] + pts[:1]):
                if (ay <= cy < by) or (by <= cy < ay):
                    xs.append(ax + (cy - ay) * (bx - ax) / (by - ay))
            if len(xs) >= 2:
                self._span(y, round(min(xs)), round(max(xs)), colour, alpha)

    def circle(self, cx, cy, r, colour, alpha=1.0):
        cx, cy, r = cx * SS, cy * SS, r * SS
        for y in range(max(0, int(cy - r)), min(self.h, int(cy + r) + 1)):
            dy = y + 0.5 - cy
            if dy * dy <= r * r:
                dx = (r * r - dy * dy) ** 0.5
                self._span(y, round(cx - dx), round(cx + dx), colour, alpha)

    def ring(self, cx, cy, r, width, colour, background):
        self.circle(cx, cy, r, colour)
        self.circle(cx, cy, r - width, background)

    def rounded_rect(self, x0, y0, x1, y1, radius, colour, alpha=1.0):
        self.rect(x0 + radius, y0, x1 - radius, y1, colour, alpha)
        self.rect(x0, y0 + radius, x0 + radius, y1 - radius, colour, alpha)
        self.rect(x1 - radius, y0 + radius, x1, y1 - radius, colour, alpha)
        for cx, cy in ((x0 + radius, y0 + radius), (x1 - radius, y0 + radius),
                       (x0 + radius, y1 - radius), (x1 - radius, y1 - radius)):
            self._quarter(cx, cy, radius, colour, alpha, left=cx < (x0 + x1) / 2,
                          up=cy < (y0 + y1) / 2)

    def _quarter(self, cx, cy, r, colour, alpha, left, up):
        scx, scy, sr = cx * SS, cy * SS, r * SS
        for y in range(round(scy - sr) if up else round(scy), round(scy) if up else round(scy + sr)):
            dy = y + 0.5 - scy
            if dy * dy <= sr * sr:
                dx = (sr * sr - dy * dy) ** 0.5
                if left:
                    self._span(y, round(scx - dx), round(scx), colour, alpha)
                else:
                    self._span(y, round(scx), round(scx + dx), colour, alpha)

    def text(self, x, y, string, size, colour, spacing=1, align="left", turned=False):
        """string in the bitmap font; size is the side of a font pixel. Across, (x, y) is the
        top left of the text; turned a quarter turn clockwise (running down), the top right."""
        if align != "left":
            w = text_width(string, size, spacing)
            x -= w if align == "right" else w / 2
        along = 0
        for ch in string.upper():
            glyph = FONT[ch]
            for row, line in enumerate(glyph):
                for col, cell in enumerate(line):
                    if cell != "#":
                        continue
                    u0, u1 = along + col * size, along + (col + 1) * size
                    v0, v1 = row * size, (row + 1) * size
                    if turned:
                        self.rect(x - v1, y + u0, x - v0, y + u1, colour)
                    else:
                        self.rect(x + u0, y + v0, x + u1, y + v1, colour)
            along += (len(glyph[0]) + spacing) * size

    def pixels(self):
        """The picture at its output size: each pixel the mean of its SS x SS samples."""
        out = bytearray(self.width * self.height * 3)
        n = SS * SS
        row_len = self.w * 3
        for oy in range(self.height):
            rows = [self.data[(oy * SS + k) * row_len:(oy * SS + k + 1) * row_len]
                    for k in range(SS)]
            summed = [sum(col) for col in zip(*rows)]
            base = oy * self.width * 3
            for ox in range(self.width):
                for c in range(3):
                    total = 0
                    for k in range(SS):
                        total += summed[(ox * SS + k) * 3 + c]
                    out[base + ox * 3 + c] = (total + n // 2) // n
        return Picture(self.width, self.height, out)


class Picture:
    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, rgb

    def write_png(self, path):
        def chunk(kind, body):
            return (struct.pack(">I", len(body)) + kind + body +
                    struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

        stride = self.width * 3
        raw = bytearray()
        previous = bytes(stride)
        for y in range(self.height):
            row = self.rgb[y * stride:(y + 1) * stride]
            # Filter "Up": smooth gradients and flat areas become runs of zeros.
            raw.append(2)
            raw += bytes((a - b) & 0xFF for a, b in zip(row, previous))
            previous = row
        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        path.write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                         chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def text_width(string, size, spacing=1):
    widths = [len(FONT[ch][0]) for ch in string.upper()]
    return (sum(widths) + spacing * (len(widths) - 1)) * size


def cloud(c, cx, cy, r, colour, shadow=None):
    """The Nimbus logo: a cloud of three puffs on a rounded base, r its half width."""
    def shape(dx, dy, col):
        c.circle(cx - 0.42 * r + dx, cy + 0.05 * r + dy, 0.40 * r, col)
        c.circle(cx + 0.02 * r + dx, cy - 0.22 * r + dy, 0.52 * r, col)
        c.circle(cx + 0.50 * r + dx, cy + 0.10 * r + dy, 0.36 * r, col)
        c.rounded_rect(cx - 0.82 * r + dx, cy + 0.05 * r + dy, cx + 0.86 * r + dx,
                       cy + 0.46 * r + dy, 0.2 * r, col)
    if shadow:
        shape(0.05 * r, 0.07 * r, shadow)
    shape(0, 0, colour)


def note_mark(c, cx, cy, r):
    """A note page with a folded corner and three lines, set on the cloud."""
    x0, y0, x1, y1 = cx - 0.3 * r, cy - 0.32 * r, cx + 0.3 * r, cy + 0.38 * r
    fold = 0.18 * r
    c.polygon([(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)], ORANGE)
    c.polygon([(x1 - fold, y0), (x1, y0 + fold), (x1 - fold, y0 + fold)], DEEP_ORANGE)
    for i in range(3):
        ly = y0 + 0.26 * r + i * 0.14 * r
        c.rect(x0 + 0.1 * r, ly, x1 - (0.1 + 0.08 * i) * r, ly + 0.05 * r, WHITE)


def barcode(c, x, y, height, seed):
    """A made-up barcode: bar widths from a fixed sequence, not any real code."""
    c.rect(x - 6, y - 6, x + 130, y + height + 22, WHITE)
    state = seed
    bx = x
    while bx < x + 122:
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        w = 1 + (state >> 16) % 3
        c.rect(bx, y, bx + w, y + height, INK)
        bx += w + 1 + (state >> 20) % 3
    c.text(x + 61, y + height + 6, "0 12345 67890 5", 1.4, INK, align="center")


def sky(c, x0, y0, x1, y1):
    """The background of the box: a night-to-day gradient with soft diagonal light bands."""
    c.vgradient(x0, y0, x1, y1, NAVY, BLUE)
    h = y1 - y0
    for i, alpha in enumerate((0.06, 0.09, 0.05)):
        off = y0 + h * (0.15 + 0.28 * i)
        c.polygon([(x0, off), (x1, off - 0.35 * (x1 - x0)), (x1, off - 0.35 * (x1 - x0) + 60),
                   (x0, off + 60)], WHITE, alpha)


def draw_front():
    w, h = FRONT_SIZE
    c = Canvas(w, h)
    sky(c, 0, 0, w, h)
    # Small stars in the dark upper part.
    for i in range(14):
        sx = (i * 97 + 31) % (w - 20) + 10
        sy = (i * 53 + 17) % 220 + 12
        c.circle(sx, sy, 1.2 + (i % 3) * 0.5, MIST)
    c.text(w / 2, 28, "CIRRUS SOFTWORKS", 2, MIST, align="center")
    cloud(c, w / 2, 210, 120, WHITE, shadow=(8, 26, 50))
    note_mark(c, w / 2 + 4, 206, 120)
    c.text(w / 2, 330, "NIMBUS", 9, WHITE, align="center")
    c.text(w / 2, 408, "NOTES", 7, SKY, spacing=2, align="center")
    # The version badge.
    c.circle(w / 2, 520, 44, DEEP_ORANGE)
    c.circle(w / 2, 520, 40, ORANGE)
    c.text(w / 2, 520 - 3.5 * 7, "3", 7, WHITE, align="center")
    c.text(w / 2, 586, "WRITE. SYNC. REMEMBER.", 2.4, MIST, align="center")
    c.rect(0, 640, w, h, ORANGE)
    c.rect(0, 640, w, 646, DEEP_ORANGE)
    c.text(w / 2, 662, "FOR WINDOWS, MAC & LINUX", 2.4, WHITE, align="center")
    c.text(w / 2, 690, "1 USER LICENCE", 1.8, NAVY, align="center")
    return c.pixels()


def draw_back():
    w, h = FRONT_SIZE
    c = Canvas(w, h)
    c.vgradient(0, 0, w, h, (240, 246, 250), MIST)
    c.rect(0, 0, w, 96, NAVY)
    cloud(c, 64, 48, 34, WHITE)
    c.text(112, 30, "NIMBUS NOTES 3", 2.6, WHITE)
    c.text(112, 60, "YOUR IDEAS, EVERYWHERE", 1.8, SKY)
    # A mock window of the program.
    c.rounded_rect(30, 124, w - 30, 340, 8, (180, 198, 214))
    c.rounded_rect(26, 120, w - 34, 336, 8, WHITE)
    c.rect(26, 128, w - 34, 148, BLUE)
    c.rect(26, 120 + 8, w - 34, 130, BLUE)
    c.rounded_rect(26, 120, w - 34, 140, 8, BLUE)
    for i, colour in enumerate((ORANGE, SKY, MIST)):
        c.circle(42 + 14 * i, 131, 4, colour)
    c.rect(26, 148, 120, 336, (230, 238, 246))
    for i in range(6):
        c.rect(36, 162 + 26 * i, 108 - (i % 3) * 14, 170 + 26 * i,
               ORANGE if i == 1 else (150, 170, 190))
    for i in range(8):
        c.rect(134, 164 + 20 * i, w - 50 - (i * 37) % 90, 170 + 20 * i, (120, 140, 160))
    # Features.
    features = ["NOTES THAT FOLLOW YOU", "WORKS OFFLINE", "SKETCHES AND TABLES",
                "FIND ANYTHING FAST", "SHARE WITH YOUR TEAM"]
    for i, line in enumerate(features):
        y = 376 + 34 * i
        c.circle(44, y + 7, 7, ORANGE)
        c.text(62, y, line, 2, INK)
    c.rect(30, 560, w - 30, 562, (170, 186, 200))
    c.text(30, 578, "NEEDS: 2 GB MEMORY, 300 MB DISK", 1.6, INK)
    c.text(30, 598, "(C) CIRRUS SOFTWORKS, A MADE-UP FIRM", 1.6, INK)
    barcode(c, w - 170, 630, 44, 7)
    c.rounded_rect(30, 636, 110, 690, 6, ORANGE)
    c.text(70, 656, "V3", 2.4, WHITE, align="center")
    return c.pixels()


def draw_spine(bottom_colour):
    """A side face: the logo and the version upright, the name running top to bottom."""
    w, h = SIDE_SIZE
    c = Canvas(w, h)
    c.vgradient(0, 0, w, h, NAVY, bottom_colour)
    cloud(c, w / 2, 84, 62, WHITE, shadow=(8, 26, 50))
    note_mark(c, w / 2 + 2, 82, 62)
    c.text(w / 2 + 5 * 7 / 2 + 4, 170, "NIMBUS NOTES", 5, WHITE, turned=True)
    c.text(w / 2 - 5 * 7 / 2 - 6, 172, "WRITE. SYNC. REMEMBER.", 2.2, MIST, turned=True)
    c.circle(w / 2, h - 80, 44, DEEP_ORANGE)
    c.circle(w / 2, h - 80, 40, ORANGE)
    c.text(w / 2, h - 80 - 3.5 * 7, "3", 7, WHITE, align="center")
    return c.pixels()


def draw_top():
    w, h = TOP_SIZE
    c = Canvas(w, h)
    sky(c, 0, 0, w, h)
    cloud(c, 70, 86, 44, WHITE)
    note_mark(c, 72, 84, 44)
    c.text(130, 58, "NIMBUS", 5, WHITE)
    c.text(130, 104, "NOTES 3", 3, SKY, spacing=2)
    c.rect(0, h - 14, w, h, ORANGE)
    return c.pixels()


def draw_bottom():
    w, h = TOP_SIZE
    c = Canvas(w, h)
    c.vgradient(0, 0, w, h, (240, 246, 250), MIST)
    c.text(20, 20, "NIMBUS NOTES 3", 2.4, NAVY)
    c.text(20, 48, "CIRRUS SOFTWORKS", 1.6, INK)
    c.text(20, 66, "A FICTIONAL PRODUCT FOR THE", 1.6, INK)
    c.text(20, 84, "CARTONIC SAMPLE PROJECT", 1.6, INK)
    barcode(c, w - 150, 104, 36, 11)
    c.rect(0, h - 10, w, h, NAVY)
    return c.pixels()


def draw_floor():
    """A studio floor: large warm tiles with thin joints, lighter towards the middle."""
    w, h = FLOOR_SIZE
    tiles = 16
    size = w // tiles
    rgb = bytearray(w * h * 3)
    base, joint = (214, 206, 194), (150, 140, 128)
    for y in range(h):
        for x in range(w):
            tx, ty = x // size, y // size
            on_joint = x % size == 0 or y % size == 0
            if on_joint:
                colour = joint
            else:
                # A fixed shade per tile, so the floor does not look printed.
                shade = ((tx * 7 + ty * 13) % 5 - 2) * 4
                colour = tuple(v + shade for v in base)
            dx, dy = (x - w / 2) / (w / 2), (y - h / 2) / (h / 2)
            light = 1.0 - 0.25 * min(1.0, dx * dx + dy * dy)
            i = (y * w + x) * 3
            rgb[i:i + 3] = bytes(max(0, min(255, round(v * light))) for v in colour)
    return Picture(w, h, rgb)


FACES = {
    "Top": ("top.png", draw_top),
    "Bottom": ("bottom.png", draw_bottom),
    "Front": ("front.png", draw_front),
    "Back": ("back.png", draw_back),
    "Right": ("right.png", lambda: draw_spine((40, 120, 170))),
    "Left": ("left.png", lambda: draw_spine(BLUE)),
}


def main():
    ART.mkdir(parents=True, exist_ok=True)
    for name, (file_name, draw) in FACES.items():
        draw().write_png(ART / file_name)
        print(f"wrote {ART / file_name}")
    draw_floor().write_png(ART / "floor.png")
    print(f"wrote {ART / 'floor.png'}")

    render = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else (
        ROOT / "build" / "src" / "cli" / "cartonic-render")
    if not render.is_file():
        print(f"no cartonic-render at {render}: pictures drawn, project not made")
        return
    # Run from the repository root: the pictures are named relative to it, and cartonic-render
    # stores them relative to the saved project's folder (art/front.png and so on).
    args = [str(render.resolve())]
    for name, (file_name, _) in FACES.items():
        args += ["--face", f"{name}=examples/art/{file_name}"]
    # The top picture's upper edge lies along the box's front edge, so seen from in front and
    # above it would show mirrored top to bottom; mirrored once more it reads the right way.
    args += ["--orientation", "Top=1"]
    args += ["--floor", "examples/art/floor.png", "--save", "examples/sample.ctn"]
    subprocess.run(args, cwd=ROOT, check=True)
    print(f"wrote {EXAMPLES / 'sample.ctn'}")


if __name__ == "__main__":
    main()
