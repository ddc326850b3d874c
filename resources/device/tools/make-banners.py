#!/usr/bin/env python3
"""Draws the root page's banner pictures of the settings bundle.

A stylised, recoloured Control Center on a dark card: the stock grid for banner*.png and
Prysm's panel for bannerPrysm*.png. Standard library only (the PNGs are written by hand),
so the pictures can be redrawn on any machine:

    python3 resources/device/tools/make-banners.py resources/Quillane.bundle

The pictures are 375 x 150 points, written at scale 1 and 2.
"""
import math
import struct
import sys
import zlib

WIDTH, HEIGHT = 375, 150  # points
ACCENT = (0.81, 0.06, 0.13)
GLASS = (1.0, 1.0, 1.0, 0.13)
PALETTE = {
    "amber": (1.0, 0.62, 0.04),
    "green": (0.19, 0.82, 0.35),
    "indigo": (0.37, 0.36, 0.90),
    "yellow": (1.0, 0.84, 0.04),
    "teal": (0.25, 0.78, 0.88),
    "white": (1.0, 1.0, 1.0),
}


class Canvas:
    def __init__(self, scale):
        self.s = scale
        self.w, self.h = WIDTH * scale, HEIGHT * scale
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(self.w * self.h)]

    def background(self):
        """Deep graphite with a soft accent glow, on a card with rounded corners."""
        cx, cy, sigma = 0.5 * self.w, 0.55 * self.h, 0.42 * self.w
        for y in range(self.h):
            t = y / (self.h - 1)
            for x in range(self.w):
                u = x / (self.w - 1)
                base = 0.075 + 0.035 * (1 - t) + 0.01 * u
                d2 = ((x - cx) ** 2 + (y - cy) ** 2) / (sigma * sigma)
                glow = 0.55 * math.exp(-d2)
                r = base + glow * ACCENT[0] * 0.55
                g = base + glow * ACCENT[1] * 0.55
                b = base * 1.08 + glow * ACCENT[2] * 0.55
                self.px[y * self.w + x] = [r, g, b, 1.0]
        card = rounded_rect(0, 0, WIDTH, HEIGHT, 14)
        for y in range(self.h):
            for x in range(self.w):
                cover = coverage(card((x + 0.5) / self.s, (y + 0.5) / self.s) * self.s)
                self.px[y * self.w + x][3] = cover

    def fill(self, sdf, box, colour):
        """Composites a shape given by its signed distance (in points) over the picture."""
        r, g, b, a = colour if len(colour) == 4 else (*colour, 1.0)
        x0, y0, x1, y1 = (int(math.floor(v * self.s)) for v in box)
        for y in range(max(0, y0 - 1), min(self.h, y1 + 2)):
            for x in range(max(0, x0 - 1), min(self.w, x1 + 2)):
                cover = coverage(sdf((x + 0.5) / self.s, (y + 0.5) / self.s) * self.s) * a
                if cover <= 0:
                    continue
                p = self.px[y * self.w + x]
                p[0] += (r - p[0]) * cover
                p[1] += (g - p[1]) * cover
                p[2] += (b - p[2]) * cover

    def rect(self, x, y, w, h, radius, colour):
        self.fill(rounded_rect(x, y, w, h, radius), (x, y, x + w, y + h), colour)

    def circle(self, cx, cy, radius, colour):
        self.rect(cx - radius, cy - radius, 2 * radius, 2 * radius, radius, colour)


def coverage(distance_px):
    return min(1.0, max(0.0, 0.5 - distance_px))


def rounded_rect(x, y, w, h, radius):
    cx, cy, hx, hy = x + w / 2, y + h / 2, w / 2 - radius, h / 2 - radius

    def sdf(px, py):
        qx, qy = abs(px - cx) - hx, abs(py - cy) - hy
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - radius

    return sdf


def stock_grid(c):
    """Control Center's grid: connectivity and media blocks, two sliders, small modules."""
    u, g = 30, 8
    x0, y0 = (WIDTH - (6 * u + 5 * g)) / 2, (HEIGHT - (3 * u + 2 * g)) / 2
    big = 2 * u + g
    c.rect(x0, y0, big, big, 16, GLASS)
    toggles = [ACCENT, PALETTE["green"], PALETTE["indigo"], PALETTE["amber"]]
    for i, colour in enumerate(toggles):
        cx = x0 + big / 4 + (i % 2) * big / 2
        cy = y0 + big / 4 + (i // 2) * big / 2
        c.circle(cx, cy, 11, colour)
        c.circle(cx, cy, 3.2, (1.0, 1.0, 1.0, 0.92))
    mx = x0 + big + g
    c.rect(mx, y0, big, big, 16, GLASS)
    c.rect(mx + 9, y0 + 10, 22, 22, 5, PALETTE["teal"])
    c.rect(mx + 36, y0 + 14, 24, 4, 2, (1.0, 1.0, 1.0, 0.85))
    c.rect(mx + 36, y0 + 22, 16, 4, 2, (1.0, 1.0, 1.0, 0.45))
    for i, width in enumerate((7, 10, 7)):
        cx = mx + big / 2 - 17 + 17 * i
        c.rect(cx - width / 2, y0 + 46, width, 10, 2, ACCENT if i == 1 else (1, 1, 1, 0.8))
    sx = mx + big + g
    for i, (level, colour) in enumerate(((0.62, PALETTE["yellow"]), (0.42, ACCENT))):
        x = sx + i * (u + g)
        c.rect(x, y0, u, big, 10, GLASS)
        top = y0 + big * (1 - level)
        c.fill(clipped_bottom(x, y0, u, big, 10, top), (x, top, x + u, y0 + big), colour)
    row = y0 + big + g
    smalls = [ACCENT, PALETTE["indigo"], GLASS, GLASS, PALETTE["amber"], GLASS]
    for i, colour in enumerate(smalls):
        x = x0 + i * (u + g)
        c.rect(x, row, u, u, 9, colour)
        dot = (1, 1, 1, 0.95) if colour is not GLASS else (1, 1, 1, 0.55)
        c.circle(x + u / 2, row + u / 2, 4.5, dot)


def clipped_bottom(x, y, w, h, radius, top):
    """The part of a rounded rectangle below a horizontal line: a slider's fill."""
    outer = rounded_rect(x, y, w, h, radius)
    return lambda px, py: max(outer(px, py), top - py)


def prysm_panel(c):
    """Prysm's panel: a row of round toggles, two bar sliders, media and battery widgets."""
    px, py, pw, ph = 62, 16, 251, 118
    c.rect(px, py, pw, ph, 20, (1.0, 1.0, 1.0, 0.10))
    colours = [ACCENT, PALETTE["green"], PALETTE["indigo"], PALETTE["amber"], GLASS, PALETTE["teal"]]
    step = (pw - 52) / (len(colours) - 1)
    for i, colour in enumerate(colours):
        cx = px + 26 + i * step
        c.circle(cx, py + 22, 12, colour)
        c.circle(cx, py + 22, 3.4, (1, 1, 1, 0.92))
    for i, (level, colour) in enumerate(((0.68, PALETTE["yellow"]), (0.45, ACCENT))):
        y = py + 46 + i * 18
        c.rect(px + 14, y, pw - 28, 12, 6, (1, 1, 1, 0.14))
        c.rect(px + 14, y, (pw - 28) * level, 12, 6, colour)
    wy, wh = py + 84, 24
    half = (pw - 28 - 8) / 2
    c.rect(px + 14, wy, half, wh, 8, (1, 1, 1, 0.12))
    c.rect(px + 20, wy + 5, 14, 14, 4, PALETTE["teal"])
    c.rect(px + 40, wy + 7, half - 34, 4, 2, (1, 1, 1, 0.85))
    c.rect(px + 40, wy + 14, (half - 34) * 0.6, 4, 2, (1, 1, 1, 0.45))
    bx = px + 14 + half + 8
    c.rect(bx, wy, half, wh, 8, (1, 1, 1, 0.12))
    c.rect(bx + 8, wy + 8, half - 16, 8, 4, (1, 1, 1, 0.18))
    c.rect(bx + 8, wy + 8, (half - 16) * 0.76, 8, 4, PALETTE["green"])


def png(canvas, path):
    """Writes 8-bit RGBA, choosing each row's filter by the usual smallest-sum rule."""
    w, h = canvas.w, canvas.h
    rows = []
    for y in range(h):
        row = bytearray()
        for x in range(w):
            r, g, b, a = canvas.px[y * w + x]
            row += bytes(max(0, min(255, round(v * 255))) for v in (r, g, b, a))
        rows.append(bytes(row))
    raw = bytearray()
    prev = bytes(4 * w)
    for row in rows:
        raw += best_filtered(row, prev)
        prev = row
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    header = struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)
    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    data += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)


def best_filtered(row, prev):
    bpp = 4
    candidates = []
    for kind in range(5):
        out = bytearray([kind])
        for i, v in enumerate(row):
            left = row[i - bpp] if i >= bpp else 0
            up = prev[i]
            upleft = prev[i - bpp] if i >= bpp else 0
            if kind == 0:
                pred = 0
            elif kind == 1:
                pred = left
            elif kind == 2:
                pred = up
            elif kind == 3:
                pred = (left + up) // 2
            else:
                pred = paeth(left, up, upleft)
            out.append((v - pred) & 0xFF)
        candidates.append(out)
    return min(candidates, key=lambda o: sum(b if b < 128 else 256 - b for b in o[1:]))


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    for name, draw in (("banner", stock_grid), ("bannerPrysm", prysm_panel)):
        for scale in (1, 2):
            canvas = Canvas(scale)
            canvas.background()
            draw(canvas)
            suffix = "" if scale == 1 else "@%dx" % scale
            png(canvas, "%s/%s%s.png" % (out, name, suffix))


if __name__ == "__main__":
    main()
