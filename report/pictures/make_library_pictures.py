#!/usr/bin/env python3
"""Draws the report library's own picture strips, as make_preview_buttons.py
draws the preview's: the library's 16 x 16 command buttons (new, open, save,
print, preview, copy, paste, delete, undo, redo) and the 22 x 22 pictures of the
report objects (page, band, memo, picture, line, shape, subreport, dialog page,
data set, dot-matrix memo). The bottom-left pixel of every cell is the
transparent colour."""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

from make_preview_buttons import (delete_page, floppy, folder, magnifier, on_face,  # noqa: E402
                                  printer, save_bmp, sheet)
from make_pictures import (BLUE, DARK, GRAY, GREEN, INK, ORANGE, PAPER, WHITE,  # noqa: E402
                           YELLOW, Picture, box, circle, line, polygon, shade)


def new_sheet(p):
    sheet(p, 3, 1, 13, 14)


def copy_sheets(p):
    sheet(p, 1.5, 1, 9.5, 10); sheet(p, 6.5, 5, 14.5, 14.5)


def paste(p):
    p.fill(box(2, 2.5, 12, 14.5, 1), ORANGE, INK); p.fill(box(5, 1, 9, 4, 0.5), GRAY, INK)
    sheet(p, 7, 7, 15, 15)


def turn(p, right):
    x = (lambda v: 16 - v) if right else (lambda v: v)
    p.fill(polygon([(x(2), 6), (x(7), 2), (x(7), 10)]), BLUE, INK)
    p.fill(line(x(6), 6, x(12), 7.5, 2.2), BLUE, INK); p.fill(line(x(12), 7.5, x(12.5), 13, 2.2), BLUE, INK)


BUTTONS = [new_sheet, folder, floppy, printer, magnifier, copy_sheets, paste, delete_page,
           lambda p: turn(p, False), lambda p: turn(p, True)]


def page22(p):
    p.fill(box(4, 2, 18, 20), PAPER, INK)
    for y in (6, 10, 14):
        p.fill(box(6, y, 16, y + 1), GRAY)


def band(p):
    p.fill(box(2, 7, 20, 15), shade(YELLOW, 1.05), INK); p.fill(box(2, 7, 20, 9), ORANGE)


def memo(p, color=BLUE):
    p.fill(box(2, 4, 20, 18), WHITE, INK)
    p.fill(polygon([(6, 15), (9.5, 6), (12.5, 6), (16, 15), (13.5, 15), (11, 8.5), (8.5, 15)]), color)
    p.fill(box(8.5, 11.5, 13.5, 13), color)


def picture(p):
    p.fill(box(2, 4, 20, 18), (210, 232, 250), INK)
    p.fill(polygon([(3, 17), (9, 9), (13, 14), (15, 12), (19, 17)]), GREEN)
    p.fill(circle(15.5, 8, 1.8), YELLOW)


def line22(p):
    p.fill(line(3, 19, 19, 3, 2), DARK, INK)


def shape(p):
    p.fill(box(2, 5, 13, 17), BLUE, INK); p.fill(circle(14, 11, 5.5), shade(ORANGE, 1.1), INK)


def subreport(p):
    page22(p); p.fill(box(8, 9, 20, 20), shade(GREEN, 1.3), INK)


def dialog_page(p):
    p.fill(box(2, 3, 20, 19), (212, 208, 200), INK); p.fill(box(2, 3, 20, 6), BLUE)
    p.fill(box(12, 14, 18, 17, 0.5), WHITE, INK)


def data_set(p):
    p.fill(box(3, 3, 19, 19), WHITE, INK)
    p.fill(box(3, 3, 19, 7), GRAY)
    for v in (8.5, 13.5):
        p.fill(box(v, 3, v + 1, 19), GRAY)
    for h in (11, 15):
        p.fill(box(3, h, 19, h + 1), GRAY)


OBJECTS = [page22, band, memo, picture, line22, shape, subreport, dialog_page, data_set,
           lambda p: memo(p, DARK)]


def strip(draws, size):
    cells = []
    for draw in draws:
        p = Picture((size, size))
        draw(p)
        p.px[size - 1][0] = (0, 0, 0, 0)  # the key pixel
        cells.append(p.px)
    return [[on_face(px) for cell in cells for px in cell[y]] for y in range(size)]


if __name__ == "__main__":
    save_bmp("library_buttons.bmp", strip(BUTTONS, 16))
    save_bmp("library_objects.bmp", strip(OBJECTS, 22))
