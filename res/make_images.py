#!/usr/bin/env python3
"""Draws the program's icons and its animated emblem and writes them as .ico and .ani files.

Run from anywhere: python3 res/make_images.py. Standard library only; the outputs are
committed, so the build itself never needs Python. Every picture is described as a list
of shapes in image pixel coordinates, rendered with supersampling; icon masks are one bit,
so edge pixels at least half covered are blended against a dialog-grey matte and kept.
"""

import colorsys
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# Grey of dialogs and buttons: the colour partly covered edge pixels are blended with.
MATTE = (236, 236, 236)

# The sixteen colours every display shows; 16-colour icons use only these.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]

# --- shapes: each is a test "is (x, y) inside", paired with a colour or colour function ---


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r0, r1):
    return lambda x, y: r0 * r0 <= (x - cx) ** 2 + (y - cy) ** 2 <= r1 * r1


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def segment_distance(x, y, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = ((x - ax) * dx + (y - ay) * dy) / float(dx * dx + dy * dy)
    t = max(0.0, min(1.0, t))
    return math.hypot(x - (ax + t * dx), y - (ay + t * dy))


def polyline(points, width):
    half = width / 2.0
    pairs = list(zip(points, points[1:]))
    return lambda x, y: any(segment_distance(x, y, a[0], a[1], b[0], b[1]) <= half for a, b in pairs)


def polygon(points):
    def inside(x, y):
        result = False
        j = len(points) - 1
        for i in range(len(points)):
            xi, yi = points[i]
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                result = not result
            j = i
        return result
    return inside


def arc(cx, cy, r, width, from_deg, to_deg):
    """A band of the given width along a circle, between two angles (0 = right, clockwise)."""
    inner, outer = r - width / 2.0, r + width / 2.0

    def inside(x, y):
        d2 = (x - cx) ** 2 + (y - cy) ** 2
        if not inner * inner <= d2 <= outer * outer:
            return False
        a = math.degrees(math.atan2(y - cy, x - cx))
        return from_deg <= a <= to_deg
    return inside


def both(a, b):
    return lambda x, y: a(x, y) and b(x, y)


# --- rendering ---


def sample_colour(shapes, x, y):
    colour = None
    for inside, paint in shapes:
        if inside(x, y):
            colour = paint(x, y) if callable(paint) else paint
    return colour


def render(width, height, shapes, samples=4, crisp=False):
    """Returns rows of (r, g, b) or None (transparent). crisp: the most frequent colour of a
    pixel's samples, for palettes too small to blend in."""
    rows = []
    n = samples * samples
    for py in range(height):
        row = []
        for px in range(width):
            found = []
            for sy in range(samples):
                for sx in range(samples):
                    c = sample_colour(shapes, px + (sx + 0.5) / samples, py + (sy + 0.5) / samples)
                    if c is not None:
                        found.append(c)
            if len(found) * 2 < n:
                row.append(None)
            elif crisp:
                row.append(max(set(found), key=found.count))
            else:
                missing = n - len(found)
                row.append(tuple(
                    int(round((sum(c[k] for c in found) + missing * MATTE[k]) / n)) for k in range(3)))
        rows.append(row)
    return rows


def nearest(palette, colour):
    return min(range(len(palette)),
               key=lambda i: sum((palette[i][k] - colour[k]) ** 2 for k in range(3)))


def median_cut(colours, count):
    """Up to count representative colours of a list of (colour, weight)."""
    boxes = [colours]
    while len(boxes) < count:
        splittable = [b for b in boxes if len(b) > 1]
        if not splittable:
            break
        box = max(splittable, key=lambda b: max(
            max(c[0][k] for c in b) - min(c[0][k] for c in b) for k in range(3)))
        boxes.remove(box)
        channel = max(range(3), key=lambda k: max(c[0][k] for c in box) - min(c[0][k] for c in box))
        box.sort(key=lambda c: c[0][channel])
        half = len(box) // 2
        boxes += [box[:half], box[half:]]
    result = []
    for box in boxes:
        total = sum(w for _, w in box)
        result.append(tuple(int(round(sum(c[k] * w for c, w in box) / total)) for k in range(3)))
    return result


def palette_256(pixels):
    """Black first (the colour under transparent pixels), then the image's own colours,
    reduced by median cut when there are more than fit."""
    counts = {}
    for row in pixels:
        for c in row:
            if c is not None:
                counts[c] = counts.get(c, 0) + 1
    own = list(counts.items())
    colours = [c for c, _ in own] if len(own) <= 255 else median_cut(own, 255)
    return [(0, 0, 0)] + colours


def indexed(pixels, palette):
    lookup = {}
    result = []
    for row in pixels:
        out = []
        for c in row:
            if c is None:
                out.append(0)
                continue
            if c not in lookup:
                lookup[c] = nearest(palette, c)
            out.append(lookup[c])
        result.append(out)
    return result


# --- file formats ---


def dib_rows(rows, bits):
    """Packs rows of palette indices bottom-up, each padded to four bytes."""
    data = bytearray()
    for row in reversed(rows):
        line = bytearray()
        if bits == 8:
            line += bytes(row)
        elif bits == 4:
            padded = row + [0] * (len(row) % 2)
            line += bytes((padded[i] << 4) | padded[i + 1] for i in range(0, len(padded), 2))
        else:
            padded = row + [0] * (-len(row) % 8)
            line += bytes(sum(padded[i + b] << (7 - b) for b in range(8)) for i in range(0, len(padded), 8))
        line += bytes(-len(line) % 4)
        data += line
    return bytes(data)


def icon_image(pixels, bits):
    """One icon image: BITMAPINFOHEADER (double height), palette, colour bits, AND mask."""
    height, width = len(pixels), len(pixels[0])
    palette = VGA16 if bits == 4 else palette_256(pixels)
    if bits == 4:
        indices = [[0 if c is None else nearest(VGA16, c) for c in row] for row in pixels]
    else:
        indices = indexed(pixels, palette)
    mask = [[1 if c is None else 0 for c in row] for row in pixels]
    colour_bits = dib_rows(indices, bits)
    mask_bits = dib_rows(mask, 1)
    header = struct.pack('<IiiHHIIiiII', 40, width, height * 2, 1, bits, 0,
                         len(colour_bits) + len(mask_bits), 0, 0, 0, 0)
    # Readers expect the full table of 2^bits entries: unused ones are black.
    palette = palette + [(0, 0, 0)] * ((1 << bits) - len(palette))
    table = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in palette)
    return width, height, header + table + colour_bits + mask_bits


def icon_file(images, bits, hotspot=None):
    """An .ico file (or a .cur file when a hotspot is given) of the rendered images."""
    kind = 2 if hotspot else 1
    encoded = [icon_image(p, bits) for p in images]
    out = struct.pack('<HHH', 0, kind, len(encoded))
    offset = 6 + 16 * len(encoded)
    for width, height, data in encoded:
        colours = 16 if bits == 4 else 0
        planes, bitcount = hotspot if hotspot else (1, bits)
        out += struct.pack('<BBBBHHII', width, height, colours, 0, planes, bitcount, len(data), offset)
        offset += len(data)
    return out + b''.join(data for _, _, data in encoded)


def chunk(tag, data):
    return tag + struct.pack('<I', len(data)) + data + bytes(len(data) % 2)


def animated_cursor(frames, jiffies, title, artist):
    """RIFF "ACON": one step per frame, in order, each shown the given number of jiffies."""
    height, width = len(frames[0]), len(frames[0][0])
    info = b'INFO' + chunk(b'INAM', title.encode() + b'\0') + chunk(b'IART', artist.encode() + b'\0')
    AF_ICON = 1
    header = struct.pack('<9I', 36, len(frames), len(frames), width, height, 8, 1, jiffies, AF_ICON)
    hotspot = (width // 2, height // 2)
    icons = b''.join(chunk(b'icon', icon_file([f], 8, hotspot)) for f in frames)
    body = b'ACON' + chunk(b'LIST', info) + chunk(b'anih', header) + chunk(b'LIST', b'fram' + icons)
    return chunk(b'RIFF', body)


# --- a tiny 5 x 7 font for the button captions ---

GLYPHS = {
    'O': ['.###.', '#...#', '#...#', '#...#', '#...#', '#...#', '.###.'],
    'K': ['#...#', '#..#.', '#.#..', '##...', '#.#..', '#..#.', '#...#'],
    'C': ['.###.', '#...#', '#....', '#....', '#....', '#...#', '.###.'],
    'a': ['.....', '.....', '.###.', '....#', '.####', '#...#', '.####'],
    'n': ['.....', '.....', '#.##.', '##..#', '#...#', '#...#', '#...#'],
    'c': ['.....', '.....', '.###.', '#....', '#....', '#...#', '.###.'],
    'e': ['.....', '.....', '.###.', '#...#', '#####', '#....', '.###.'],
    'l': ['.#...', '.#...', '.#...', '.#...', '.#...', '.#...', '..##.'],
}


def text_shapes(text, x, y, colour):
    """Each lit font cell is a one-pixel square: crisp text, no blending."""
    shapes = []
    for ch in text:
        glyph = GLYPHS[ch]
        for gy, line in enumerate(glyph):
            for gx, cell in enumerate(line):
                if cell == '#':
                    shapes.append((rect(x + gx, y + gy, x + gx + 1, y + gy + 1), colour))
        x += 6 if ch != 'l' else 4
    return shapes


def vertical_gradient(top, bottom, y0, y1):
    def paint(_x, y):
        t = min(1.0, max(0.0, (y - y0) / float(y1 - y0)))
        return tuple(int(top[k] + (bottom[k] - top[k]) * t) for k in range(3))
    return paint


# --- the pictures ---


# At 16 pixels shapes blur into noise: the small program icon is drawn pixel by pixel.
APP_ICON_16 = [
    'KKKKKKKKKK......',
    'KGGGGGGGGK......',
    'KGGGKKGGGK......',
    'KGGKWSKGGK......',
    'KGGGKKGGGK....g.',
    'KGGGGGGGGK....g.',
    'KGGKKKKGGK.g...g',
    'KGKSSSSKGK..g..g',
    'KGKSKKSKGK..g..g',
    'KGKSKKSKGK..g..g',
    'KGKSSSSKGK..g..g',
    'KGGKKKKGGK.g...g',
    'KGGGGGGGGK....g.',
    'KGGGRRGGGK....g.',
    'KGGGGGGGGK......',
    'KKKKKKKKKK......',
]
PIXEL_COLOURS = {'K': VGA16[0], 'G': VGA16[8], 'S': VGA16[7], 'W': VGA16[15],
                 'R': VGA16[9], 'g': VGA16[2], '.': None}


def pixel_art(lines):
    return [[PIXEL_COLOURS[ch] for ch in line] for line in lines]


def app_icon(size):
    """A loudspeaker box with a red button and green sound waves (16 colours)."""
    if size == 16:
        return pixel_art(APP_ICON_16)
    s = size / 32.0
    black, grey, silver, white = VGA16[0], VGA16[8], VGA16[7], VGA16[15]
    red, green, lime = VGA16[9], VGA16[2], VGA16[10]
    box = rect(1.5 * s, 1.5 * s, 19.5 * s, 30.5 * s)
    face = rect(2.5 * s, 2.5 * s, 18.5 * s, 29.5 * s)
    shapes = [
        (box, black),
        (face, grey),
        (rect(2.5 * s, 2.5 * s, 18.5 * s, 3.5 * s), silver),
        (circle(10.5 * s, 8 * s, 3.2 * s), black),
        (circle(10.5 * s, 8 * s, 2.0 * s), silver),
        (circle(10.5 * s, 8 * s, 0.8 * s + 0.2), white),
        (circle(10.5 * s, 18 * s, 6.5 * s), black),
        (circle(10.5 * s, 18 * s, 5.2 * s), silver),
        (circle(10.5 * s, 18 * s, 3.8 * s), black),
        (circle(10.5 * s, 18 * s, 1.8 * s), grey),
        (circle(10.5 * s, 26.8 * s, 1.9 * s), black),
        (circle(10.5 * s, 26.8 * s, 1.3 * s), red),
    ]
    for r in (8.5, 12.5, 16.5):
        band = both(arc(14 * s, 18 * s, r * s, 2.2 * s, -50, 50), lambda x, y: x >= 20.5 * s)
        shapes.append((band, green))
        shapes.append((both(arc(14 * s, 18 * s, r * s, 1.0, -45, 45), lambda x, y: x >= 20.5 * s), lime))
    return render(size, size, shapes, samples=5, crisp=True)


def hue(angle_deg, lightness=0.55):
    r, g, b = colorsys.hls_to_rgb((angle_deg % 360) / 360.0, lightness, 0.95)
    return (int(r * 255), int(g * 255), int(b * 255))


def prompt_icon():
    """An eye in a ring of colours (32 x 32, 256 colours)."""
    c = 16.0
    rainbow = lambda x, y: hue(math.degrees(math.atan2(y - c, x - c)) + 90)
    # The eye is the lens two circles overlap in.
    half_w, half_h = 10.5, 6.0
    big_r = (half_w ** 2 + half_h ** 2) / (2 * half_h)
    d = big_r - half_h
    eye = both(circle(c, c - d, big_r), circle(c, c + d, big_r))
    eye_inner = both(circle(c, c - d, big_r - 1.2), circle(c, c + d, big_r - 1.2))
    iris = lambda x, y: hue(210, 0.30 + 0.25 * max(0.0, 1 - math.hypot(x - c, y - c) / 5.0))
    shapes = [
        (circle(c, c, 15.6), (40, 40, 60)),
        (circle(c, c, 14.8), rainbow),
        (circle(c, c, 11.6), (40, 40, 60)),
        (circle(c, c, 10.8), (250, 250, 255)),
        (eye, (30, 30, 40)),
        (eye_inner, (255, 255, 255)),
        (both(circle(c, c, 5.0), eye_inner), iris),
        (circle(c, c, 2.2), (10, 10, 10)),
        (circle(c - 1.6, c - 1.8, 1.1), (255, 255, 255)),
    ]
    return render(32, 32, shapes)


def browse_icon():
    """A yellow folder (16 x 16, 256 colours)."""
    outline, back, front = (140, 95, 10), (235, 175, 35), (255, 218, 80)
    back_shape = polygon([(1, 3), (6, 3), (7.5, 4.5), (14.5, 4.5), (14.5, 13.5), (1, 13.5)])
    back_inner = polygon([(2, 4), (5.6, 4), (7.1, 5.5), (13.5, 5.5), (13.5, 12.5), (2, 12.5)])
    front_shape = polygon([(3.2, 7), (15.5, 7), (14, 13.5), (1, 13.5)])
    front_inner = polygon([(4, 8), (14.3, 8), (13.2, 12.5), (2.3, 12.5)])
    shapes = [
        (back_shape, outline),
        (back_inner, back),
        (front_shape, outline),
        (front_inner, vertical_gradient((255, 235, 130), front, 8, 12.5)),
        (rect(4.3, 8, 13.9, 8.7), (255, 246, 190)),
    ]
    return render(16, 16, shapes)


def ok_image():
    """A green tick with its word (52 x 17, 256 colours)."""
    tick = [(4, 9.5), (8.5, 14), (17, 3.5)]
    shapes = [
        (polyline(tick, 4.4), (20, 100, 20)),
        (polyline(tick, 2.6), vertical_gradient((90, 210, 90), (30, 150, 30), 3, 14)),
    ]
    shapes += text_shapes('OK', 24, 5, (20, 20, 20))
    return render(52, 17, shapes)


def cancel_image():
    """A red cross with its word (56 x 17, 256 colours)."""
    paint = vertical_gradient((240, 90, 80), (180, 20, 20), 3, 14)
    shapes = [
        (polyline([(4.5, 3.5), (14.5, 13.5)], 4.4), (120, 10, 10)),
        (polyline([(14.5, 3.5), (4.5, 13.5)], 4.4), (120, 10, 10)),
        (polyline([(4.5, 3.5), (14.5, 13.5)], 2.6), paint),
        (polyline([(14.5, 3.5), (4.5, 13.5)], 2.6), paint),
    ]
    shapes += text_shapes('Cancel', 21, 5, (20, 20, 20))
    return render(56, 17, shapes)


EMBLEM_SIZE = 60
EMBLEM_FRAMES = 15


def emblem_frame(i):
    """The Vorlan emblem: a gold ring round a navy disc with a "V", ripples spreading from
    its centre and a spark circling the ring once every fifteen frames."""
    c = EMBLEM_SIZE / 2.0
    phase = i / float(EMBLEM_FRAMES)
    spark = -90 + 360 * phase

    def disc(x, y):
        t = math.hypot(x - c, y - c) / 25.0
        return (int(20 + 30 * (1 - t)), int(30 + 45 * (1 - t)), int(90 + 80 * (1 - t)))

    def gold(x, y):
        a = math.degrees(math.atan2(y - c, x - c))
        behind = (spark - a) % 360
        glow = max(0.0, 1 - behind / 110.0) if behind < 110 else 0.0
        shade = 0.5 + 0.5 * math.cos(math.radians(a + 135))
        base = (190 + 50 * shade, 140 + 50 * shade, 40 + 30 * shade)
        return tuple(int(min(255, base[k] + (255 - base[k]) * glow)) for k in range(3))

    shapes = [
        (circle(c, c, 29.5), (90, 60, 10)),
        (circle(c, c, 28.6), gold),
        (circle(c, c, 25.0), (90, 60, 10)),
        (circle(c, c, 24.2), disc),
    ]
    for k in range(2):
        r = 4 + 20 * ((phase + k * 0.5) % 1.0)
        fade = 1 - (r - 4) / 20.0
        colour = (int(40 + 110 * fade), int(70 + 140 * fade), int(140 + 115 * fade))
        shapes.append((ring(c, c, r - 1.0, r + 0.4), colour))
    v = [(18, 17), (30, 43), (42, 17)]
    shapes += [
        (polyline(v, 8.5), (90, 60, 10)),
        (polyline(v, 6.2), vertical_gradient((255, 240, 160), (220, 160, 40), 17, 43)),
        (circle(c + 26.8 * math.cos(math.radians(spark)), c + 26.8 * math.sin(math.radians(spark)), 2.9),
         (255, 255, 235)),
    ]
    return render(EMBLEM_SIZE, EMBLEM_SIZE, shapes, samples=3)


def write(name, data):
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(data)


def main():
    write('app.ico', icon_file([app_icon(16), app_icon(32)], 4))
    write('prompt.ico', icon_file([prompt_icon()], 8))
    write('browse.ico', icon_file([browse_icon()], 8))
    write('button_ok.ico', icon_file([ok_image()], 8))
    write('button_cancel.ico', icon_file([cancel_image()], 8))
    frames = [emblem_frame(i) for i in range(EMBLEM_FRAMES)]
    write('emblem.ani', animated_cursor(frames, 4, 'Vorlan emblem', 'Vorlan'))


if __name__ == '__main__':
    main()
