#!/usr/bin/env python3
"""Draws Varnel's icon and writes resources/varnel.ico.

The mark is a folder whose front carries three share bars of falling length,
the way the program shows where space went. 48 and 256 pixels are drawn from
shapes laid out on that size's own pixel grid (so straight edges stay sharp);
16 and 32 pixels are hand-placed pixel art, since a downscale turns the bars
into mud. Standard library only and deterministic: the same script always
writes the same bytes.

    python3 resources/icon/make_icon.py [--preview DIR]

--preview also writes each size as a PNG into DIR for a look.
"""

import argparse
import os
import struct
import sys
import zlib

# Colours (red, green, blue).
OUTLINE = (168, 104, 8)
BACK_TOP = (236, 166, 30)
BACK_BOTTOM = (216, 140, 12)
FRONT_TOP = (255, 214, 92)
FRONT_BOTTOM = (247, 168, 26)
HIGHLIGHT = (255, 232, 150)
BLUE = (37, 99, 235)
TEAL = (13, 148, 136)
PINK = (219, 39, 119)
TRACK_SHADE = 0.16  # how much darker the empty part of a bar is than the folder


def mix(a, b, t):
    t = min(max(t, 0.0), 1.0)
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def shade(colour, amount):
    return mix(colour, (0, 0, 0), amount)


# ---------------------------------------------------------------- canvas


class Canvas:
    """RGBA canvas (straight alpha, floats) with source-over compositing."""

    def __init__(self, size):
        self.size = size
        self.pixels = [(0.0, 0.0, 0.0, 0.0)] * (size * size)

    def blend(self, x, y, colour, alpha):
        if alpha <= 0 or not (0 <= x < self.size and 0 <= y < self.size):
            return
        r, g, b, a = self.pixels[y * self.size + x]
        out = alpha + a * (1 - alpha)
        if out <= 0:
            return
        keep = a * (1 - alpha)
        self.pixels[y * self.size + x] = (
            (colour[0] * alpha + r * keep) / out,
            (colour[1] * alpha + g * keep) / out,
            (colour[2] * alpha + b * keep) / out,
            out,
        )

    def fill(self, shape, colour, alpha=1.0, samples=8):
        """Fills a shape with anti-aliased edges. colour may be a function of y."""
        x0, y0, x1, y1 = shape.bounds
        for py in range(max(0, int(y0)), min(self.size, int(y1) + 1)):
            for px in range(max(0, int(x0)), min(self.size, int(x1) + 1)):
                covered = 0
                for sy in range(samples):
                    for sx in range(samples):
                        if shape.contains(px + (sx + 0.5) / samples, py + (sy + 0.5) / samples):
                            covered += 1
                if covered:
                    c = colour(py + 0.5) if callable(colour) else colour
                    self.blend(px, py, c, alpha * covered / (samples * samples))

    def rgba_bytes(self):
        out = bytearray()
        for r, g, b, a in self.pixels:
            out += bytes((round(r), round(g), round(b), round(a * 255)))
        return bytes(out)


class RoundRect:
    def __init__(self, x0, y0, x1, y1, radius):
        self.x0, self.y0, self.x1, self.y1, self.r = x0, y0, x1, y1, radius
        self.bounds = (x0, y0, x1, y1)

    def contains(self, x, y):
        if not (self.x0 <= x <= self.x1 and self.y0 <= y <= self.y1):
            return False
        cx = min(max(x, self.x0 + self.r), self.x1 - self.r)
        cy = min(max(y, self.y0 + self.r), self.y1 - self.r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= self.r * self.r


class Polygon:
    def __init__(self, points):
        self.points = points
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        self.bounds = (min(xs), min(ys), max(xs), max(ys))

    def contains(self, x, y):
        inside = False
        n = len(self.points)
        for i in range(n):
            (xa, ya), (xb, yb) = self.points[i], self.points[(i + 1) % n]
            if (ya > y) != (yb > y) and x < (xb - xa) * (y - ya) / (yb - ya) + xa:
                inside = not inside
        return inside


def inset(rect, d):
    return RoundRect(rect.x0 + d, rect.y0 + d, rect.x1 - d, rect.y1 - d, max(rect.r - d, 0))


# ---------------------------------------------------------------- drawn sizes

# Geometry per size, in that size's pixels. Edges that should be sharp sit
# on whole pixels; only the corners are anti-aliased.
LAYOUTS = {
    256: dict(left=14, right=242, tab_top=30, tab_right=98, tab_slope=28, back_top=56,
              front_top=76, bottom=226, radius=16, line=4, bar_left=40, bar_right=216,
              bar_tops=(102, 144, 186), bar_height=28, bar_radius=6, shadow=5),
    48: dict(left=2, right=46, tab_top=6, tab_right=19, tab_slope=5, back_top=10,
             front_top=14, bottom=43, radius=3, line=1, bar_left=7, bar_right=41,
             bar_tops=(19, 26, 33), bar_height=5, bar_radius=1, shadow=1),
}

# Share of the full bar for each of the three bars.
BAR_SHARES = (1.0, 0.68, 0.37)
BAR_COLOURS = (BLUE, TEAL, PINK)


def draw_folder(size):
    g = LAYOUTS[size]
    canvas = Canvas(size)
    samples = 4 if size > 64 else 8
    line, r = g["line"], g["radius"]
    left, right, bottom = g["left"], g["right"], g["bottom"]

    def fill(shape, colour, alpha=1.0):
        canvas.fill(shape, colour, alpha, samples)

    # Back plate and tab: outline first, then the body inside it.
    tab = RoundRect(left, g["tab_top"], g["tab_right"], g["back_top"] + r * 2, r)
    slope = Polygon([(g["tab_right"] - r, g["tab_top"]), (g["tab_right"], g["tab_top"]),
                     (g["tab_right"] + g["tab_slope"], g["back_top"] + 1),
                     (g["tab_right"] - r, g["back_top"] + 1)])
    back = RoundRect(left, g["back_top"], right, bottom - line, r)
    for shape in (tab, slope, back):
        fill(shape, OUTLINE)
    back_span = bottom - g["tab_top"]
    back_colour = lambda y: mix(BACK_TOP, BACK_BOTTOM, (y - g["tab_top"]) / back_span)
    fill(inset(tab, line), back_colour)
    # The slope's inner edge follows the outer one, moved in by the line width.
    slant = line * 1.414
    fill(Polygon([(g["tab_right"] - r, g["tab_top"] + line), (g["tab_right"] - slant + line, g["tab_top"] + line),
                  (g["tab_right"] + g["tab_slope"] - slant + line, g["back_top"] + line + 1),
                  (g["tab_right"] - r, g["back_top"] + line + 1)]), back_colour)
    fill(inset(back, line), back_colour)

    # The front plate casts a soft shadow on the back.
    front = RoundRect(left, g["front_top"], right, bottom, r)
    fill(RoundRect(left, g["front_top"] - g["shadow"], right, bottom, r), (0, 0, 0), 0.14)
    fill(front, OUTLINE)
    inner = inset(front, line)
    front_span = inner.y1 - inner.y0
    front_colour = lambda y: mix(FRONT_TOP, FRONT_BOTTOM, (y - inner.y0) / front_span)
    # A lit top edge that follows the rounded corners.
    fill(inner, HIGHLIGHT)
    fill(RoundRect(inner.x0, inner.y0 + line, inner.x1, inner.y1, inner.r), front_colour)

    # Share bars: the empty track, then the share over it.
    full = g["bar_right"] - g["bar_left"]
    for top, share, colour in zip(g["bar_tops"], BAR_SHARES, BAR_COLOURS):
        y0, y1 = top, top + g["bar_height"]
        fill(RoundRect(g["bar_left"], y0, g["bar_right"], y1, g["bar_radius"]),
             lambda y: shade(front_colour(y), TRACK_SHADE))
        end = g["bar_left"] + round(full * share)
        fill(RoundRect(g["bar_left"], y0, end, y1, g["bar_radius"]), colour)
    return canvas


# ---------------------------------------------------------------- pixel art

# o outline, c outline at half strength (rounded corners), b back plate,
# f front plate, h front highlight, t empty bar track, B/T/P the bars.
ART_32 = """
................................
................................
................................
................................
..coooooooo.....................
.cbbbbbbbbbo....................
.obbbbbbbbbbo...................
.obbbbbbbbbbbooooooooooooooooc..
.obbbbbbbbbbbbbbbbbbbbbbbbbbbbo.
.oooooooooooooooooooooooooooooo.
.ohhhhhhhhhhhhhhhhhhhhhhhhhhhho.
.offffffffffffffffffffffffffffo.
.offffffffffffffffffffffffffffo.
.offfBBBBBBBBBBBBBBBBBBBBBBfffo.
.offfBBBBBBBBBBBBBBBBBBBBBBfffo.
.offfBBBBBBBBBBBBBBBBBBBBBBfffo.
.offffffffffffffffffffffffffffo.
.offffffffffffffffffffffffffffo.
.offfTTTTTTTTTTTTTTTtttttttfffo.
.offfTTTTTTTTTTTTTTTtttttttfffo.
.offfTTTTTTTTTTTTTTTtttttttfffo.
.offffffffffffffffffffffffffffo.
.offffffffffffffffffffffffffffo.
.offfPPPPPPPPttttttttttttttfffo.
.offfPPPPPPPPttttttttttttttfffo.
.offfPPPPPPPPttttttttttttttfffo.
.offffffffffffffffffffffffffffo.
.offffffffffffffffffffffffffffo.
.cooooooooooooooooooooooooooooc.
................................
................................
................................
"""

ART_16 = """
.coooo..........
obbbbbo.........
obbbbbbooooooooc
obbbbbbbbbbbbbbo
oooooooooooooooo
ohhhhhhhhhhhhhho
offBBBBBBBBBBffo
offBBBBBBBBBBffo
offffffffffffffo
offTTTTTTTtttffo
offTTTTTTTtttffo
offffffffffffffo
offPPPPttttttffo
offPPPPttttttffo
offffffffffffffo
cooooooooooooooc
"""


def parse_art(text, size):
    rows = [row for row in text.strip("\n").split("\n")]
    if len(rows) != size or any(len(row) != size for row in rows):
        raise SystemExit(f"pixel art for {size} is {len(rows)} rows of lengths {sorted(set(map(len, rows)))}")
    return rows


def draw_art(size, rows):
    canvas = Canvas(size)
    front_rows = [y for y, row in enumerate(rows) if "f" in row or "h" in row]
    back_rows = [y for y, row in enumerate(rows) if "b" in row]

    def along(y, ys):
        return (y - ys[0]) / max(ys[-1] - ys[0], 1)

    for y, row in enumerate(rows):
        front = mix(FRONT_TOP, FRONT_BOTTOM, along(y, front_rows)) if front_rows else FRONT_TOP
        back = mix(BACK_TOP, BACK_BOTTOM, along(y, back_rows)) if back_rows else BACK_TOP
        colours = {
            "o": (OUTLINE, 1.0), "c": (OUTLINE, 0.5), "b": (back, 1.0), "f": (front, 1.0),
            "h": (HIGHLIGHT, 1.0), "t": (shade(front, TRACK_SHADE), 1.0),
            "B": (BLUE, 1.0), "T": (TEAL, 1.0), "P": (PINK, 1.0),
        }
        for x, key in enumerate(row):
            if key == ".":
                continue
            if key not in colours:
                raise SystemExit(f"unknown pixel {key!r} at {x},{y} in the {size} art")
            colour, alpha = colours[key]
            canvas.blend(x, y, colour, alpha)
    return canvas


# ---------------------------------------------------------------- file formats


def png_bytes(size, rgba):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    stride = size * 4
    raw = b"".join(b"\x00" + rgba[y * stride:(y + 1) * stride] for y in range(size))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def dib_bytes(size, rgba):
    """A 32-bit icon image: BITMAPINFOHEADER, bottom-up BGRA rows, AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for y in reversed(range(size)):
        for x in range(size):
            r, g, b, a = rgba[(y * size + x) * 4:(y * size + x) * 4 + 4]
            pixels += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in reversed(range(size)):
        row = bytearray(mask_stride)
        for x in range(size):
            if rgba[(y * size + x) * 4 + 3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    return header + bytes(pixels) + bytes(mask)


def ico_bytes(images):
    """images: list of (size, image bytes). Sizes of 256 are stored as 0."""
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, data = b"", b""
    for size, blob in images:
        dim = 0 if size >= 256 else size
        entries += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
        data += blob
    return directory + entries + data


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--preview", metavar="DIR", help="also write each size as a PNG into DIR")
    parser.add_argument("--output", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "varnel.ico"))
    args = parser.parse_args()

    images = {
        16: draw_art(16, parse_art(ART_16, 16)),
        32: draw_art(32, parse_art(ART_32, 32)),
        48: draw_folder(48),
        256: draw_folder(256),
    }
    entries = []
    for size in sorted(images):
        rgba = images[size].rgba_bytes()
        # Small sizes as classic bitmaps, which every loader reads; 256 as PNG.
        entries.append((size, png_bytes(size, rgba) if size == 256 else dib_bytes(size, rgba)))
        if args.preview:
            os.makedirs(args.preview, exist_ok=True)
            with open(os.path.join(args.preview, f"varnel-{size}.png"), "wb") as f:
                f.write(png_bytes(size, rgba))
    with open(args.output, "wb") as f:
        f.write(ico_bytes(entries))
    return 0


if __name__ == "__main__":
    sys.exit(main())
