#!/usr/bin/env python3
"""Draws the program's pictures: flat shapes with a darker outline, one light
source at the top left, in the colours of the key types. Run it to rewrite the
PNG files beside it; the build embeds those files."""

import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLES = 4  # supersampling per axis

INK = (52, 60, 74)
WHITE = (255, 255, 255)
BLUE = (52, 120, 210)
GREEN = (48, 160, 72)
RED = (210, 56, 48)
ORANGE = (232, 140, 36)
YELLOW = (240, 200, 60)
GRAY = (130, 138, 150)
DARK = (70, 76, 88)
PAPER = (246, 246, 240)


def shade(color, k):
    return tuple(max(0, min(255, int(c * k))) for c in color)


# ---- shapes: functions of a point that tell whether it is inside ----

def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r1, r2):
    return lambda x, y: r1 * r1 <= (x - cx) ** 2 + (y - cy) ** 2 <= r2 * r2


def box(x0, y0, x1, y1, r=0.0):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        dx = max(x0 + r - x, 0, x - (x1 - r))
        dy = max(y0 + r - y, 0, y - (y1 - r))
        return dx * dx + dy * dy <= r * r
    return inside


def polygon(points):
    def inside(x, y):
        result = False
        j = len(points) - 1
        for i, (xi, yi) in enumerate(points):
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                result = not result
            j = i
        return result
    return inside


def line(x0, y0, x1, y1, w):
    def inside(x, y):
        dx, dy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
        px, py = x0 + t * dx, y0 + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= (w / 2) ** 2
    return inside


def grown(shape, d):
    """The shape with an outline of width d around it."""
    offsets = [(d * math.cos(a), d * math.sin(a)) for a in [i * math.pi / 4 for i in range(8)]]
    return lambda x, y: shape(x, y) or any(shape(x + ox, y + oy) for ox, oy in offsets)


class Picture:
    def __init__(self, size):
        self.w, self.h = size
        self.px = [[(0, 0, 0, 0)] * self.w for _ in range(self.h)]

    def fill(self, shape, color, outline=None):
        if outline:
            self.fill(grown(shape, 0.9), outline)
        n = SAMPLES
        for py in range(self.h):
            for px in range(self.w):
                hits = 0
                for sy in range(n):
                    for sx in range(n):
                        if shape(px + (sx + 0.5) / n, py + (sy + 0.5) / n):
                            hits += 1
                if not hits:
                    continue
                a = hits / (n * n)
                r0, g0, b0, a0 = self.px[py][px]
                out_a = a + a0 / 255 * (1 - a)
                mix = [(c * a + c0 * a0 / 255 * (1 - a)) / out_a for c, c0 in zip(color, (r0, g0, b0))]
                self.px[py][px] = (*[int(round(v)) for v in mix], int(round(out_a * 255)))
        return self

    def save(self, name):
        raw = b"".join(b"\0" + bytes(v for p in row for v in p) for row in self.px)
        def chunk(tag, data):
            return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data))
        png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, 6, 0, 0, 0))
        png += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
        with open(os.path.join(HERE, name + ".png"), "wb") as f:
            f.write(png)


def arrow(cx, top, bottom, down, width):
    """A thick arrow from top to bottom (or back) centred on cx."""
    head = 7
    if down:
        return polygon([(cx - width / 2, top), (cx + width / 2, top), (cx + width / 2, bottom - head),
                        (cx + head, bottom - head), (cx, bottom), (cx - head, bottom - head),
                        (cx - width / 2, bottom - head)])
    return polygon([(cx, top), (cx + head, top + head), (cx + width / 2, top + head),
                    (cx + width / 2, bottom), (cx - width / 2, bottom), (cx - width / 2, top + head),
                    (cx - head, top + head)])


def device(p, color):
    """The duplicator: a rounded body with a screen, the base of the read and write buttons."""
    p.fill(box(3, 12, 21, 22, 2.5), color, INK)
    p.fill(box(6, 15, 14, 19, 1), PAPER)
    p.fill(circle(17.5, 17, 1.6), YELLOW)


def buttons():
    p = Picture((24, 24)); device(p, GRAY); p.fill(arrow(12, 1, 13, True, 5), GREEN, INK); p.save("btn_read")
    p = Picture((24, 24)); device(p, GRAY); p.fill(arrow(12, 1, 13, False, 5), RED, INK); p.save("btn_write")
    p = Picture((24, 24))
    p.fill(polygon([(2, 6), (9, 6), (11, 8), (20, 8), (20, 20), (2, 20)]), shade(YELLOW, 0.85), INK)
    p.fill(polygon([(5, 11), (23, 11), (19, 20), (2, 20)]), YELLOW, INK); p.save("btn_open")
    p = Picture((24, 24))
    p.fill(box(3, 3, 21, 21, 2), BLUE, INK); p.fill(box(7, 3.5, 17, 10), PAPER)
    p.fill(box(7, 14, 17, 20.5), shade(BLUE, 0.7)); p.fill(box(13, 4.5, 15.5, 9), DARK); p.save("btn_save")
    p = Picture((24, 24)); p.fill(box(4, 4, 20, 20, 3), RED, INK); p.fill(box(8, 8, 16, 16, 1), WHITE); p.save("btn_stop")
    p = Picture((24, 24))
    p.fill(line(14, 14, 21, 21, 4), DARK, INK); p.fill(ring(10, 10, 5, 7.5), GRAY, INK)
    p.fill(circle(10, 10, 5), (210, 232, 250)); p.save("btn_search")
    p = Picture((24, 24))
    p.fill(box(6, 2, 18, 10), PAPER, INK); p.fill(box(2, 9, 22, 18, 2), GRAY, INK)
    p.fill(box(6, 14, 18, 22), PAPER, INK); p.fill(box(8, 17, 16, 18), DARK); p.fill(circle(18.5, 12, 1.2), GREEN)
    p.save("btn_print")
    p = Picture((24, 24))
    p.fill(circle(12, 12, 9.5), BLUE, INK); p.fill(box(3, 11, 21, 13), shade(BLUE, 0.7))
    p.fill(ring(12, 12, 4, 5.5), shade(BLUE, 0.7)); p.fill(arrow(12, 5, 19, True, 3.5), GREEN, INK)
    p.save("btn_update")
    p = Picture((24, 24))
    p.fill(box(3, 2, 14, 22, 1), shade(ORANGE, 0.9), INK); p.fill(circle(11.5, 12, 1.2), INK)
    p.fill(polygon([(13, 9), (17, 9), (17, 5), (23, 12), (17, 19), (17, 15), (13, 15)]), RED, INK)
    p.save("btn_quit")
    p = Picture((24, 24))
    p.fill(box(4, 3, 20, 22, 2), shade(ORANGE, 0.8), INK); p.fill(box(7, 6, 17, 20), PAPER)
    p.fill(box(9, 1.5, 15, 5, 1), GRAY, INK)
    for y in (9, 12, 15):
        p.fill(box(9, y, 15, y + 1), GRAY)
    p.save("btn_clipboard")
    p = Picture((24, 24))
    p.fill(polygon([(4, 2), (20, 2), (20, 22), (17, 20), (14, 22), (11, 20), (8, 22), (4, 20)]), PAPER, INK)
    for y in (6, 10, 14):
        p.fill(box(7, y, 17, y + 1.2), GRAY)
    p.fill(box(12, 16, 17, 17.5), GREEN); p.save("btn_receipt")
    p = Picture((24, 24))
    for x in (7, 11, 15):
        p.fill(box(x, 1, x + 2, 23), GRAY)
    p.fill(box(4, 4, 20, 20, 2), DARK, INK); p.fill(circle(8, 8, 1.5), GRAY); p.save("btn_firmware")
    p = Picture((24, 24))
    p.fill(polygon([(3, 21), (10, 3), (14, 3), (21, 21), (17, 21), (15, 16), (9, 16), (7, 21)]), BLUE, INK)
    p.fill(polygon([(10, 12.5), (12, 7), (14, 12.5)]), WHITE); p.save("btn_fonts")


def ports():
    p = Picture((16, 16)); p.fill(polygon([(1, 4), (15, 4), (13, 12), (3, 12)]), GRAY, INK)
    for x in (4.5, 8, 11.5):
        p.fill(circle(x, 7, 0.9), INK)
    p.fill(circle(6, 9.8, 0.9), INK); p.fill(circle(10, 9.8, 0.9), INK); p.save("port_com")
    p = Picture((16, 16)); p.fill(box(5.5, 1, 10.5, 7), PAPER, INK); p.fill(box(3, 6, 13, 15, 2), BLUE, INK)
    p.fill(box(6.5, 2.5, 7.5, 4), INK); p.fill(box(8.5, 2.5, 9.5, 4), INK); p.save("port_usb")
    # A port chosen that is not there: the serial plug faded, crossed out in red.
    p = Picture((16, 16)); p.fill(polygon([(1, 4), (15, 4), (13, 12), (3, 12)]), shade(PAPER, 0.9), GRAY)
    p.fill(line(2, 2, 14, 14, 2.2), RED); p.fill(line(14, 2, 2, 14, 2.2), RED); p.save("port_missing")


def states():
    p = Picture((24, 24)); p.fill(circle(12, 12, 9), GREEN, INK); p.fill(circle(9, 9, 3), shade(GREEN, 1.4)); p.save("state_online")
    p = Picture((24, 24)); p.fill(circle(12, 12, 9), GRAY, INK); p.fill(circle(9, 9, 3), shade(GRAY, 1.3)); p.save("state_offline")
    p = Picture((16, 16)); p.fill(box(1.5, 1.5, 14.5, 14.5, 2), WHITE, INK)
    p.fill(polygon([(4, 8), (6.5, 10.5), (12, 4), (13, 5.5), (6.5, 12.5), (3, 9)]), GREEN); p.save("check_on")
    p = Picture((16, 16)); p.fill(box(1.5, 1.5, 14.5, 14.5, 2), WHITE, INK); p.save("check_off")
    p = Picture((16, 16)); p.fill(polygon([(8, 3), (14, 12), (2, 12)]), DARK); p.save("sort_up")
    p = Picture((16, 16)); p.fill(polygon([(2, 4), (14, 4), (8, 13)]), DARK); p.save("sort_down")


def tabs():
    p = Picture((16, 16)); p.fill(box(2, 1, 14, 15, 1.5), BLUE, INK); p.fill(box(5, 1.5, 6, 14.5), shade(BLUE, 0.6))
    p.fill(box(7.5, 4, 12, 6), PAPER); p.save("tab_writer")
    p = Picture((16, 16)); p.fill(box(1, 6, 15, 15, 1), shade(ORANGE, 0.85), INK); p.fill(box(0.5, 2, 15.5, 6.5, 1), ORANGE, INK)
    p.fill(box(6, 8.5, 10, 10), INK); p.save("tab_archive")
    p = Picture((16, 16))
    teeth = [(8 + (7.2 if i % 2 == 0 else 5.4) * math.cos(i * math.pi / 8), 8 + (7.2 if i % 2 == 0 else 5.4) * math.sin(i * math.pi / 8)) for i in range(16)]
    p.fill(polygon(teeth), GRAY, INK); p.fill(circle(8, 8, 2.2), WHITE); p.save("tab_configure")
    p = Picture((16, 16))
    for x, y in ((4, 5), (8, 10), (12, 7)):
        p.fill(box(x - 0.6, 1, x + 0.6, 15), DARK); p.fill(box(x - 2, y - 1.5, x + 2, y + 1.5, 0.8), GREEN, INK)
    p.save("tab_options")
    p = Picture((16, 16)); p.fill(circle(8, 8, 7), BLUE, INK); p.fill(circle(8, 4.5, 1.3), WHITE); p.fill(box(7, 7, 9, 12.5), WHITE)
    p.save("tab_info")


def menus():
    """The grids' context menu, in the order of its image indices."""
    def sheet(p, x, y, color=PAPER):
        p.fill(box(x, y, x + 8, y + 10, 0.8), color, INK)
    p = Picture((16, 16)); sheet(p, 2, 1); sheet(p, 6, 5, (210, 232, 250)); p.save("menu_copy")
    p = Picture((16, 16)); p.fill(box(2, 2, 12, 15, 1), shade(ORANGE, 0.8), INK); p.fill(box(5, 1, 9, 4, 0.8), GRAY, INK)
    sheet(p, 7, 5); p.save("menu_paste")
    p = Picture((16, 16)); p.fill(box(1.5, 2, 14.5, 14, 1), WHITE, INK)
    for y in (6, 10):
        p.fill(box(2, y, 14, y + 0.8), GRAY)
    p.fill(box(6, 2.5, 6.8, 13.5), GRAY); p.fill(box(1.5, 2, 14.5, 5, 1), BLUE); p.save("menu_copy_table")
    p = Picture((16, 16)); p.fill(polygon([(2, 10), (9, 3), (14, 8), (7, 15), (4, 15)]), (236, 120, 140), INK)
    p.fill(polygon([(2, 10), (5, 7), (10, 12), (7, 15), (4, 15)]), WHITE); p.save("menu_clear")
    p = Picture((16, 16)); p.fill(box(1.5, 5, 14.5, 11, 1), PAPER, INK)
    p.fill(box(7, 1, 9, 15), GREEN, INK); p.fill(box(1, 7, 15, 9), GREEN); p.fill(box(7, 1.5, 9, 14.5), GREEN); p.save("menu_insert_row")
    p = Picture((16, 16)); p.fill(box(4, 1, 12, 6), PAPER, INK); p.fill(box(1, 5, 15, 12, 1.5), GRAY, INK)
    p.fill(box(4, 9, 12, 15), PAPER, INK); p.fill(circle(12.5, 7.5, 0.9), GREEN); p.save("menu_print")
    p = Picture((16, 16)); p.fill(box(4, 1, 12, 6), (250, 236, 140), INK); p.fill(box(1, 5, 15, 12, 1.5), GRAY, INK)
    p.fill(box(4, 9, 12, 15), (250, 236, 140), INK); p.fill(circle(12.5, 7.5, 0.9), GREEN); p.save("menu_print_selection")
    p = Picture((16, 16)); p.fill(line(3, 3, 13, 13, 3), RED, INK); p.fill(line(13, 3, 3, 13, 3), RED, INK)
    p.fill(line(3, 3, 13, 13, 3), RED); p.save("menu_delete_row")
    p = Picture((16, 16)); p.fill(ring(9, 9, 3.2, 5.8), BLUE, INK); p.fill(box(9, 9, 16, 16), (0, 0, 0, 0))
    p.fill(polygon([(1, 9), (6.5, 9), (3.75, 13)]), BLUE, INK); p.save("menu_undo")


if __name__ == "__main__":
    buttons(); ports(); states(); tabs(); menus()
