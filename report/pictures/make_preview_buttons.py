#!/usr/bin/env python3
"""Draws the preview window's button pictures as one strip of 16 x 16 cells,
in the order of the preview's picture numbers, and writes it as a 24-bit
bitmap. The bottom-left pixel of every cell is left empty: its colour marks
the transparent pixels. Edges are blended onto the button face."""

import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "link", "pictures"))

from make_pictures import (BLUE, DARK, GRAY, GREEN, INK, ORANGE, PAPER, RED, WHITE,  # noqa: E402
                           YELLOW, Picture, box, circle, line, polygon, ring, shade)

KEY = (255, 0, 255)
FACE = (212, 208, 200)
SKY = (210, 232, 250)


def sheet(p, x0, y0, x1, y1, color=PAPER):
    p.fill(polygon([(x0, y0), (x1 - 3, y0), (x1, y0 + 3), (x1, y1), (x0, y1)]), color, INK)


def printer(p):
    p.fill(box(4, 1, 12, 6), PAPER, INK); p.fill(box(1, 5, 15, 12, 1.5), GRAY, INK)
    p.fill(box(4, 9, 12, 14), PAPER, INK); p.fill(circle(12.5, 7.5, 0.9), GREEN)


def folder(p):
    p.fill(polygon([(1.5, 3), (6, 3), (7.5, 4.5), (13.5, 4.5), (13.5, 13), (1.5, 13)]), shade(YELLOW, 0.85), INK)
    p.fill(polygon([(4, 7), (15.5, 7), (13, 13), (1.5, 13)]), YELLOW, INK)


def floppy(p):
    p.fill(box(2, 1.5, 14, 13.5, 1.5), BLUE, INK); p.fill(box(5, 2, 11, 6), PAPER)
    p.fill(box(5, 9, 11, 13), shade(BLUE, 0.7)); p.fill(box(9, 2.5, 10.5, 5.5), DARK)


def export(p):
    sheet(p, 2, 1, 11, 14)
    p.fill(polygon([(6, 6), (11, 6), (11, 3), (15.5, 7.5), (11, 12), (11, 9), (6, 9)]), GREEN, INK)


def pdf(p):
    sheet(p, 3, 1, 13, 14)
    p.fill(box(3.5, 7, 12.5, 11.5), RED)
    for x in (5, 8, 11):
        p.fill(box(x - 0.6, 8, x + 0.6, 10.5), WHITE)


def envelope(p):
    p.fill(box(1.5, 3.5, 14.5, 12.5, 0.8), PAPER, INK)
    p.fill(line(2, 4, 8, 9, 1.2), INK); p.fill(line(14, 4, 8, 9, 1.2), INK)


def magnifier(p, mark=None):
    p.fill(line(9.5, 9.5, 14.5, 14.5, 2.6), DARK, INK); p.fill(ring(6.5, 6.5, 3.8, 5.5), GRAY, INK)
    p.fill(circle(6.5, 6.5, 3.8), SKY)
    if mark == "plus":
        p.fill(box(4, 5.8, 9, 7.2), INK); p.fill(box(5.8, 4, 7.2, 9), INK)


def page(p, x0, y0, x1, y1):
    p.fill(box(x0, y0, x1, y1), PAPER, INK)
    for y in range(int(y0) + 3, int(y1) - 1, 2):
        p.fill(box(x0 + 1.5, y, x1 - 1.5, y + 0.8), GRAY)


def whole_page(p):
    page(p, 4, 1, 12, 13)


def page_width(p):
    page(p, 2, 2, 14, 13)
    p.fill(polygon([(1, 7.5), (4, 5), (4, 10)]), BLUE); p.fill(polygon([(15, 7.5), (12, 5), (12, 10)]), BLUE)
    p.fill(box(3, 7, 13, 8), BLUE)


def zoom100(p):
    sheet(p, 2, 1, 14, 14)
    p.fill(box(4.5, 4, 6, 11.5), BLUE); p.fill(box(10, 4, 11.5, 11.5), BLUE)
    p.fill(circle(8.2, 6, 0.8), BLUE); p.fill(circle(8.2, 9.5, 0.8), BLUE)


def many_pages(p):
    page(p, 1.5, 2, 7.5, 13); page(p, 8.5, 2, 14.5, 13)


def full_screen(p):
    p.fill(box(1.5, 2, 14.5, 13, 0.8), SKY, INK)
    for (x, y, dx, dy) in ((3, 4, 1, 1), (13, 4, -1, 1), (3, 11, 1, -1), (13, 11, -1, -1)):
        p.fill(polygon([(x, y), (x + 4 * dx, y), (x, y + 3 * dy)]), BLUE)


def page_settings(p):
    sheet(p, 2, 1, 12, 14)
    for y in (4, 6.5, 9):
        p.fill(box(4, y, 10, y + 0.8), GRAY)
    p.fill(ring(11.5, 11, 1.4, 3.4), DARK, INK)


def outline(p):
    p.fill(box(3, 3, 4, 13), GRAY)
    for y in (3, 8, 12.5):
        p.fill(box(3, y - 0.5, 7, y + 0.5), GRAY); p.fill(box(7, y - 2, 14, y + 1.5, 0.5), PAPER, INK)
    p.fill(box(1, 1, 5, 5, 0.5), BLUE, INK)


def hand(p):
    for x, top in ((4.5, 5), (7, 2), (9.5, 2.5), (12, 4)):
        p.fill(box(x - 1.1, top, x + 1.1, 9, 1.1), shade(ORANGE, 1.25), INK)
    p.fill(line(2, 7, 4, 10, 2.2), shade(ORANGE, 1.25), INK)
    p.fill(box(3.5, 7, 13.2, 14, 2.5), shade(ORANGE, 1.25), INK)
    for x in (4.5, 7, 9.5, 12):
        p.fill(box(x - 1, 6, x + 1, 9), shade(ORANGE, 1.25))


def new_page(p):
    sheet(p, 2, 1, 11, 14)
    p.fill(box(9, 6, 12, 15), GREEN, INK); p.fill(box(6, 9, 15, 12), GREEN, INK); p.fill(box(9.2, 6.2, 11.8, 14.8), GREEN)


def delete_page(p):
    sheet(p, 2, 1, 11, 14)
    p.fill(line(7.5, 7.5, 14, 14, 2.4), RED, INK); p.fill(line(14, 7.5, 7.5, 14, 2.4), RED, INK)
    p.fill(line(7.5, 7.5, 14, 14, 2.4), RED)


def designer(p):
    p.fill(polygon([(3, 11), (11, 3), (13.5, 5.5), (5.5, 13.5), (2.5, 14)]), YELLOW, INK)
    p.fill(polygon([(11, 3), (12.2, 1.8), (14.7, 4.3), (13.5, 5.5)]), RED, INK)
    p.fill(polygon([(2.5, 14), (3, 11), (5.5, 13.5)]), DARK)


def first(p):
    p.fill(box(3, 3, 5, 13), BLUE, INK); p.fill(polygon([(5.5, 8), (12.5, 3), (12.5, 13)]), BLUE, INK)


def prior(p):
    p.fill(polygon([(4, 8), (11.5, 3), (11.5, 13)]), BLUE, INK)


def next_(p):
    p.fill(polygon([(12, 8), (4.5, 3), (4.5, 13)]), BLUE, INK)


def last(p):
    p.fill(box(11, 3, 13, 13), BLUE, INK); p.fill(polygon([(10.5, 8), (3.5, 3), (3.5, 13)]), BLUE, INK)


# The preview's picture numbers, in order.
PICTURES = [printer, folder, floppy, export, pdf, envelope, magnifier, whole_page, page_width,
            zoom100, many_pages, full_screen, page_settings, outline, hand,
            lambda p: magnifier(p, "plus"), new_page, delete_page, designer, first, prior, next_, last]


def cell_pixels(draw):
    p = Picture((16, 16))
    draw(p)
    p.px[15][0] = (0, 0, 0, 0)  # the key pixel
    return p.px


def on_face(rgba):
    r, g, b, a = rgba
    if a == 0:
        return KEY
    k = a / 255
    return tuple(int(round(c * k + f * (1 - k))) for c, f in zip((r, g, b), FACE))


def save_bmp(name, rows):
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) // 4 * 4
    data = b"".join(bytes(v for (r, g, b) in row for v in (b, g, r)).ljust(stride, b"\0")
                    for row in reversed(rows))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(header + info + data)


if __name__ == "__main__":
    cells = [cell_pixels(draw) for draw in PICTURES]
    rows = [[on_face(px) for cell in cells for px in cell[y]] for y in range(16)]
    save_bmp("preview_buttons.bmp", rows)
