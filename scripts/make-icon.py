#!/usr/bin/env python3
"""Draws the program's icon, a mail tray holding letters, and writes src/ui/tavori.ico.

Pure Python so that anyone can regenerate it: python3 scripts/make-icon.py [output]
Two images, 16 by 16 and 32 by 32, each a 32-bit bitmap with alpha and an AND mask.
The pictures are drawn on a 32-unit grid and scaled, with thinner outlines at 16 pixels.
"""
import os
import struct
import sys

CLEAR = (0, 0, 0, 0)
OUTLINE = (40, 48, 72, 255)
PAPER = (255, 255, 255, 255)
PAPER_SHADE = (214, 222, 236, 255)
FLAP = (150, 164, 196, 255)
STAMP = (220, 60, 50, 255)
TRAY = (56, 116, 200, 255)
TRAY_LIGHT = (120, 172, 236, 255)
TRAY_DARK = (32, 72, 140, 255)


class Canvas:
    def __init__(self, size):
        self.size = size
        self.scale = size / 32.0
        self.pixels = [[CLEAR] * size for _ in range(size)]

    def _px(self, v):
        return int(round(v * self.scale))

    def put(self, x, y, colour):
        if 0 <= x < self.size and 0 <= y < self.size:
            self.pixels[y][x] = colour

    def rect(self, x0, y0, x1, y1, colour):
        """Fills grid units [x0, x1) x [y0, y1)."""
        for y in range(self._px(y0), self._px(y1)):
            for x in range(self._px(x0), self._px(x1)):
                self.put(x, y, colour)

    def frame(self, x0, y0, x1, y1, colour):
        """A one-pixel outline just inside grid units [x0, x1) x [y0, y1)."""
        l, t, r, b = self._px(x0), self._px(y0), self._px(x1) - 1, self._px(y1) - 1
        for x in range(l, r + 1):
            self.put(x, t, colour)
            self.put(x, b, colour)
        for y in range(t, b + 1):
            self.put(l, y, colour)
            self.put(r, y, colour)

    def line(self, x0, y0, x1, y1, colour):
        """Bresenham between two grid points."""
        x0, y0, x1, y1 = self._px(x0), self._px(y0), self._px(x1), self._px(y1)
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.put(x0, y0, colour)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy


def letter(c, x0, y0, x1, y1, paper):
    c.rect(x0, y0, x1, y1, paper)
    c.frame(x0, y0, x1, y1, OUTLINE)
    mid = (x0 + x1) / 2
    c.line(x0 + 1, y0 + 1, mid, y0 + (y1 - y0) * 0.55, FLAP)
    c.line(x1 - 1.5, y0 + 1, mid, y0 + (y1 - y0) * 0.55, FLAP)


def draw(size):
    c = Canvas(size)
    small = size < 32
    # Letters standing in the tray; at 16 pixels one letter, so the flap stays readable.
    if not small:
        letter(c, 8, 3, 28, 17, PAPER_SHADE)
    letter(c, 4, 6 if small else 7, 24, 20, PAPER)
    if not small:
        c.rect(19, 9, 22, 12, STAMP)
    # The tray: a rim, a front face with a darker bottom edge, a handle slot.
    c.rect(1, 16, 31, 20, TRAY_LIGHT)
    c.rect(3, 20, 29, 29, TRAY)
    c.rect(3, 27, 29, 29, TRAY_DARK)
    if small:
        # Two pixels of rim: an outline on top only, or it turns into a dark band.
        c.rect(1, 16, 31, 18, OUTLINE)
        c.frame(3, 20, 29, 29, OUTLINE)
    else:
        c.frame(1, 16, 31, 20, OUTLINE)
        c.frame(3, 18, 29, 29, OUTLINE)
    c.rect(12, 22, 20, 24, TRAY_DARK)
    return c


def bitmap(c):
    """The icon image: BITMAPINFOHEADER (height doubled for the mask), BGRA rows bottom-up,
    then the 1-bit AND mask (set where transparent), rows padded to 32 bits."""
    n = c.size
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    for y in reversed(range(n)):
        for r, g, b, a in c.pixels[y]:
            colour += bytes((b, g, r, a))
    row_bytes = ((n + 31) // 32) * 4
    mask = bytearray()
    for y in reversed(range(n)):
        row = bytearray(row_bytes)
        for x, (_, _, _, a) in enumerate(c.pixels[y]):
            if a == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    return header + bytes(colour) + bytes(mask)


def icon_file(sizes):
    images = [bitmap(draw(s)) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "src", "ui", "tavori.ico")
    with open(target, "wb") as f:
        f.write(icon_file([16, 32]))


if __name__ == "__main__":
    main()
