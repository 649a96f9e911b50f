#!/usr/bin/env python3
"""Draws the button faces, the logo and the icon as 16-colour XPM files,
and the desktop icon as SVG and PNG files for the hicolor theme.

Run from this directory after changing a picture; the XPM files are
committed and compiled into the program, the icons are committed and
installed. Needs only Python's standard library.
"""
import math
import struct
import zlib

# The classic 16-colour palette.
PALETTE = {
    'k': '#000000', 'r': '#800000', 'g': '#008000', 'y': '#808000',
    'b': '#000080', 'm': '#800080', 'c': '#008080', 's': '#C0C0C0',
    'd': '#808080', 'R': '#FF0000', 'G': '#00FF00', 'Y': '#FFFF00',
    'B': '#0000FF', 'M': '#FF00FF', 'C': '#00FFFF', 'w': '#FFFFFF',
}


class Pic:
    def __init__(self, w, h, bg='s'):
        self.w, self.h = w, h
        self.px = [[bg] * w for _ in range(h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.set(x, y0, c)
            self.set(x, y1, c)
        for y in range(y0, y1 + 1):
            self.set(x0, y, c)
            self.set(x1, y, c)

    def disc(self, cx, cy, r, c):
        for y in range(self.h):
            for x in range(self.w):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    self.set(x, y, c)

    def line(self, x0, y0, x1, y1, c):
        n = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(n + 1):
            self.set(round(x0 + (x1 - x0) * i / n), round(y0 + (y1 - y0) * i / n), c)

    def text(self, x, y, rows, c):
        for dy, row in enumerate(rows):
            for dx, ch in enumerate(row):
                if ch == '#':
                    self.set(x + dx, y + dy, c)

    def svg(self, clear='s'):
        """Square pixels as runs of rectangles; `clear` stays transparent."""
        out = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{self.w * 8}" height="{self.h * 8}" '
               f'viewBox="0 0 {self.w} {self.h}" shape-rendering="crispEdges">']
        for y, row in enumerate(self.px):
            x = 0
            while x < self.w:
                c, run = row[x], 1
                while x + run < self.w and row[x + run] == c:
                    run += 1
                if c != clear:
                    out.append(f'<rect x="{x}" y="{y}" width="{run}" height="1" fill="{PALETTE[c]}"/>')
                x += run
        return '\n'.join(out) + '\n</svg>\n'

    def png(self, size, clear='s'):
        """RGBA, scaled to size x size by nearest pixel."""
        rows = b''
        for y in range(size):
            rows += b'\0'
            for x in range(size):
                c = self.px[y * self.h // size][x * self.w // size]
                rgb = bytes.fromhex(PALETTE[c][1:])
                rows += rgb + (b'\0' if c == clear else b'\xff')

        def chunk(kind, data):
            body = kind + data
            return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body))
        return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)) +
                chunk(b'IDAT', zlib.compress(rows, 9)) + chunk(b'IEND', b''))

    def xpm(self, name):
        used = sorted({c for row in self.px for c in row})
        out = ['/* XPM */', f'static const char* const {name}[] = {{',
               f'"{self.w} {self.h} {len(used)} 1",']
        out += [f'"{c} c {PALETTE[c]}",' for c in used]
        out += [f'"{"".join(row)}",' for row in self.px]
        out[-1] = out[-1].rstrip(',')
        out.append('};')
        return '\n'.join(out) + '\n'


FONT = {  # 3x5 capitals
    'E': ['###', '#..', '##.', '#..', '###'],
    'X': ['#.#', '#.#', '.#.', '#.#', '#.#'],
    'I': ['###', '.#.', '.#.', '.#.', '###'],
    'T': ['###', '.#.', '.#.', '.#.', '.#.'],
}


def exit_sign():
    p = Pic(20, 20)
    p.rect(1, 4, 18, 15, 'R')
    p.frame(1, 4, 18, 15, 'r')
    for i, ch in enumerate('EXIT'):
        p.text(2 + i * 4, 8, FONT[ch], 'w')
    return p


def file_open():
    p = Pic(20, 20)
    # document, top right
    p.rect(11, 1, 18, 10, 'w')
    p.frame(11, 1, 18, 10, 'k')
    for y in (3, 5, 7):
        p.line(13, y, 16, y, 'd')
    # disk drive, bottom left
    p.rect(1, 13, 14, 18, 'd')
    p.frame(1, 13, 14, 18, 'k')
    p.line(3, 15, 10, 15, 'k')
    p.set(12, 16, 'G')
    # arrow curving up from the drive to the document
    pts = [(4, 12), (4, 10), (4, 8), (5, 6), (6, 5), (8, 4), (9, 4)]
    for (x0, y0), (x1, y1) in zip(pts, pts[1:]):
        p.line(x0, y0, x1, y1, 'b')
    p.line(9, 2, 9, 6, 'b')
    p.line(10, 3, 10, 5, 'b')
    return p


def traffic_light():
    p = Pic(20, 20)
    p.rect(7, 1, 12, 18, 'k')
    p.disc(9.5, 4, 1.6, 'R')
    p.disc(9.5, 9, 1.6, 'Y')
    p.disc(9.5, 14, 1.6, 'G')
    for dx, dy in ((-1, 0), (1, 0), (-1, -1), (1, -1), (-1, 1), (1, 1), (0, 1)):
        p.line(round(9.5 + dx * 4), round(14 + dy * 4), round(9.5 + dx * 6), round(14 + dy * 5), 'G')
    return p


def small_picture(p, x, y, w, h):
    p.rect(x, y, x + w - 1, y + h - 1, 'C')
    p.frame(x, y, x + w - 1, y + h - 1, 'b')
    p.rect(x + 1, y + h - 3, x + w - 2, y + h - 2, 'g')
    p.set(x + w - 3, y + 2, 'Y')


def centred():
    p = Pic(20, 20)
    p.frame(0, 1, 19, 18, 'd')
    small_picture(p, 6, 6, 8, 8)
    return p


def tiled():
    p = Pic(20, 20)
    p.frame(0, 1, 19, 18, 'd')
    for x in (2, 10):
        for y in (3, 11):
            small_picture(p, x, y, 8, 6)
    return p


def question():
    p = Pic(20, 20)
    rows = ['..####..', '.##..##.', '.##..##.', '.....##.', '....##..',
            '...##...', '...##...', '........', '...##...', '...##...']
    for dy, row in enumerate(rows):
        for dx, ch in enumerate(row):
            if ch == '#':
                p.rect(2 + dx * 2, dy * 2, 3 + dx * 2, dy * 2 + 1, 'Y')
    # dark edge so the yellow reads on grey
    q = [row[:] for row in p.px]
    for y in range(20):
        for x in range(20):
            if q[y][x] == 's' and any(0 <= x + a < 20 and 0 <= y + b < 20 and q[y + b][x + a] == 'Y'
                                      for a, b in ((1, 0), (0, 1), (-1, 0), (0, -1))):
                p.set(x, y, 'y')
    return p


def about():
    p = Pic(20, 20)
    p.rect(2, 5, 15, 19, 'w')
    p.frame(2, 5, 15, 19, 'k')
    for y in (12, 14, 16):
        p.line(4, y, 13, y, 'd')
    p.disc(12.5, 6.5, 6, 'B')
    p.rect(12, 3, 13, 4, 'w')
    p.rect(12, 6, 13, 10, 'w')
    p.set(11, 6, 'w')
    p.line(11, 10, 14, 10, 'w')
    return p


def logo():
    p = Pic(32, 32, 'b')
    p.rect(0, 22, 31, 31, 'g')
    p.disc(24, 7, 4, 'Y')
    for x in range(32):  # hills
        top = 22 - round(5 * math.sin(x / 31 * math.pi))
        p.rect(x, top, x, 22, 'g')
    p.text(4, 24, ['#.#.###.#.#', '#.#.#.#.##.', '#.#.#.#.#..', '.#..#.#.##.', '.#..###.#.#'], 'w')
    p.frame(0, 0, 31, 31, 'k')
    return p


def icon():
    p = Pic(32, 32, 's')
    p.rect(2, 3, 29, 25, 'k')
    p.rect(4, 5, 27, 21, 'c')
    p.disc(21, 9, 3, 'Y')
    for x in range(4, 28):
        top = 21 - round(6 * math.sin((x - 4) / 23 * math.pi))
        p.rect(x, top, x, 21, 'g')
    p.rect(12, 26, 19, 27, 'd')
    p.rect(8, 28, 23, 29, 'd')
    return p


if __name__ == '__main__':
    for name, fn in [('btn_exit', exit_sign), ('btn_fileopen', file_open),
                     ('btn_extract', traffic_light), ('btn_center', centred),
                     ('btn_tile', tiled), ('btn_help', question), ('btn_about', about),
                     ('logo', logo), ('icon900', icon)]:
        with open(f'{name}.xpm', 'w') as f:
            f.write(fn().xpm(f'{name}_xpm'))
    with open('../icons/vok32.svg', 'w') as f:
        f.write(icon().svg())
    for size in (16, 22, 24, 32, 48, 64, 128, 256):
        with open(f'../icons/vok32-{size}.png', 'wb') as f:
            f.write(icon().png(size))
