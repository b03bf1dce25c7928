#!/usr/bin/python3
"""Draws the program's bitmaps and its icon.

Run from anywhere:  resources/make_art.py [output-folder]
The files land next to this script unless a folder is given. Needs Pillow
(Debian: python3-pil) and the fonts of fonts-dejavu-core, fonts-dejavu-extra and
fonts-liberation2. The output is the same on every run.

Bitmaps are 24-bit uncompressed BMP files, black backgrounds; the icon is a
32 x 32, 16-colour .ico written by hand (Pillow cannot write 4-bit icons).
"""

import os
import re
import struct
import sys

from PIL import Image, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))

FONT_FILES = {
    "sans": "dejavu/DejaVuSans.ttf",
    "sans-bold": "dejavu/DejaVuSans-Bold.ttf",
    "cond-bold": "dejavu/DejaVuSansCondensed-Bold.ttf",
    "mono": "dejavu/DejaVuSansMono.ttf",
    "mono-bold": "dejavu/DejaVuSansMono-Bold.ttf",
    "lib-bold": "liberation2/LiberationSans-Bold.ttf",
    "lib-bold-italic": "liberation2/LiberationSans-BoldItalic.ttf",
    "lib-regular": "liberation2/LiberationSans-Regular.ttf",
}
FONT_ROOT = "/usr/share/fonts/truetype"

WHITE = (255, 255, 255)
BLACK = (0, 0, 0)


def web_address():
    """The maker's web address, as the window caption also shows it."""
    with open(os.path.join(HERE, "resource.h"), encoding="ascii") as header:
        match = re.search(r'#define\s+QUORVISH_WEB_ADDRESS\s+"([^"]*)"', header.read())
    if not match or len(match.group(1)) != 24:
        sys.exit("resource.h must define QUORVISH_WEB_ADDRESS with 24 characters")
    return match.group(1)


def font(name, size):
    return ImageFont.truetype(os.path.join(FONT_ROOT, FONT_FILES[name]), size)


# ---------------------------------------------------------------------------
# Text set in lines. A line is a list of runs (text, font, colour); letter
# spacing adds extra pixels between characters. Everything is placed by its
# ink, so a line is centred on what is actually drawn.

class Line:
    def __init__(self, runs, spacing=0, outline=0):
        self.runs = runs
        self.spacing = spacing
        self.outline = outline

    def pieces(self):
        """(x, char or text, font, colour) with x relative to the pen start."""
        x = 0
        out = []
        for text, fnt, colour in self.runs:
            if self.spacing:
                for ch in text:
                    out.append((x, ch, fnt, colour))
                    x += fnt.getlength(ch) + self.spacing
            else:
                out.append((x, text, fnt, colour))
                x += fnt.getlength(text)
        return out

    def ink(self):
        """Ink box (x0, y0, x1, y1) relative to the pen at (0, 0), top anchor."""
        box = None
        for x, text, fnt, _ in self.pieces():
            b = fnt.getbbox(text, stroke_width=self.outline)
            if text.isupper():
                # Capitals are centred on their cap height: a descending tail
                # (Q) or comma hangs below it, as it does in set text.
                tall = fnt.getbbox(text.replace("Q", "O"), stroke_width=self.outline)
                b = (b[0], tall[1], b[2], tall[3])
            b = (b[0] + x, b[1], b[2] + x, b[3])
            if box is None:
                box = b
            else:
                box = (min(box[0], b[0]), min(box[1], b[1]),
                       max(box[2], b[2]), max(box[3], b[3]))
        return box

    def draw(self, draw, left, top):
        """Draws so that the ink's top-left corner lands at (left, top)."""
        x0, y0, _, _ = self.ink()
        for x, text, fnt, colour in self.pieces():
            pos = (round(left - x0 + x), round(top - y0))
            if self.outline:
                draw.text(pos, text, font=fnt, fill=BLACK,
                          stroke_width=self.outline, stroke_fill=colour)
            else:
                draw.text(pos, text, font=fnt, fill=colour)

    def size(self):
        x0, y0, x1, y1 = self.ink()
        return x1 - x0, y1 - y0


def set_lines(image, lines, gaps, region=None, align="centre"):
    """Stacks lines (with the given pixel gaps between their inks) and centres
    the block in region (x0, y0, x1, y1), default the whole image."""
    if region is None:
        region = (0, 0) + image.size
    rx0, ry0, rx1, ry1 = region
    sizes = [line.size() for line in lines]
    height = sum(h for _, h in sizes) + sum(gaps)
    top = ry0 + (ry1 - ry0 - height) / 2
    draw = ImageDraw.Draw(image)
    for i, line in enumerate(lines):
        w, h = sizes[i]
        if align == "left":
            left = rx0
        else:
            left = rx0 + (rx1 - rx0 - w) / 2
        line.draw(draw, left, top)
        top += h + (gaps[i] if i < len(gaps) else 0)


def fit(name, text, max_w, max_h, spacing=0, outline=0, start=80):
    """Largest font size at which text fits max_w x max_h by its ink."""
    for size in range(start, 4, -1):
        fnt = font(name, size)
        w, h = Line([(text, fnt, WHITE)], spacing, outline).size()
        if w <= max_w and h <= max_h:
            return fnt
    raise ValueError("cannot fit " + text)


def canvas(w, h):
    return Image.new("RGB", (w, h), BLACK)


def vertical_gradient(image, top_colour, bottom_colour, box=None):
    """Recolours every lit pixel by a top-to-bottom gradient over box,
    keeping its brightness as coverage."""
    if box is None:
        box = (0, 0) + image.size
    x0, y0, x1, y1 = box
    px = image.load()
    for y in range(y0, y1):
        t = (y - y0) / max(1, y1 - y0 - 1)
        colour = [top_colour[i] + (bottom_colour[i] - top_colour[i]) * t for i in range(3)]
        for x in range(x0, x1):
            r, g, b = px[x, y]
            cover = max(r, g, b) / 255.0
            if cover:
                px[x, y] = tuple(round(c * cover) for c in colour)


# ---------------------------------------------------------------------------
# The pictures.

LABEL_WORDS = ["WINDOW", "DISPLAY", "HOST", "MODE:", "ADDRESS:"]


def label_panel(first, second):
    """128 x 64: two large words over a small "CLICK TO CHANGE". All three
    labels share one size, set by the widest word."""
    img = canvas(128, 64)
    widest = max(LABEL_WORDS, key=lambda w: font("cond-bold", 20).getlength(w))
    big = fit("cond-bold", widest, 116, 19)
    small = font("sans", 9)
    set_lines(img, [Line([(first, big, WHITE)]), Line([(second, big, WHITE)]),
                    Line([("CLICK TO CHANGE", small, WHITE)], spacing=1)],
              [5, 8])
    return img


def button_panel(text):
    """128 x 32: one word in capitals inside a thin rounded frame. Both
    buttons share one size, set by the longer word."""
    img = canvas(128, 32)
    draw = ImageDraw.Draw(img)
    draw.rounded_rectangle((2, 2, 125, 29), radius=7, outline=(110, 110, 110), width=1)
    fnt = fit("sans-bold", "CONNECT!", 100, 16, spacing=2)
    set_lines(img, [Line([(text, fnt, WHITE)], spacing=2)], [])
    return img


def rain_logo():
    """256 x 64: "DIGITAL RAIN" in green capitals on black."""
    layer = canvas(256, 64)
    title = fit("lib-bold", "DIGITAL RAIN", 240, 34, spacing=2)
    set_lines(layer, [Line([("DIGITAL RAIN", title, WHITE)], spacing=2)], [])
    bbox = layer.getbbox()
    vertical_gradient(layer, (170, 255, 170), (0, 190, 40), (0, bbox[1], 256, bbox[3]))
    img = canvas(256, 64)
    img.paste(layer, (0, 0), layer.convert("L").point(lambda v: min(255, v * 3)))
    return img


def solve_linear(rows, values):
    """Solves a small square linear system by Gauss-Jordan elimination."""
    n = len(values)
    m = [[float(v) for v in rows[i]] + [float(values[i])] for i in range(n)]
    for i in range(n):
        pivot = max(range(i, n), key=lambda r: abs(m[r][i]))
        m[i], m[pivot] = m[pivot], m[i]
        for r in range(n):
            if r != i:
                f = m[r][i] / m[i][i]
                m[r] = [a - f * b for a, b in zip(m[r], m[i])]
    return [m[i][n] / m[i][i] for i in range(n)]


def keystone(image, shrink):
    """Narrows the top edge of image by the fraction shrink, keeping the
    bottom edge, as if the picture were tilted back."""
    w, h = image.size
    d = shrink * w / 2
    rows, values = [], []
    # Image.transform maps output points to input points.
    for (x, y), (u, v) in zip([(d, 0), (w - d, 0), (w, h), (0, h)],
                              [(0, 0), (w, 0), (w, h), (0, h)]):
        rows.append([x, y, 1, 0, 0, 0, -u * x, -u * y])
        values.append(u)
        rows.append([0, 0, 0, x, y, 1, -v * x, -v * y])
        values.append(v)
    return image.transform((w, h), Image.PERSPECTIVE, tuple(solve_linear(rows, values)),
                           Image.BICUBIC)


def perspective_logo():
    """256 x 64: "PERSPECTIVE" over "VIEW" in yellow outlined capitals,
    leaning back. Drawn four times larger, then reduced."""
    scale = 4
    img = canvas(256 * scale, 64 * scale)
    outline = 2 * scale
    fnt = fit("lib-bold", "PERSPECTIVE", 244 * scale, 27 * scale, spacing=3 * scale,
              outline=outline, start=160)
    yellow = (255, 225, 40)
    set_lines(img, [Line([("PERSPECTIVE", fnt, yellow)], spacing=3 * scale, outline=outline),
                    Line([("VIEW", fnt, yellow)], spacing=8 * scale, outline=outline)],
              [4 * scale])
    return keystone(img, 0.12).resize((256, 64), Image.LANCZOS)


def standard_panel():
    """256 x 32: "STANDARD" over a note that it concerns the rain view only."""
    img = canvas(256, 32)
    big = fit("sans-bold", "STANDARD", 200, 14, spacing=4)
    small = font("sans", 9)
    set_lines(img, [Line([("STANDARD", big, WHITE)], spacing=4),
                    Line([("(applies to the digital rain view only)", small, (200, 200, 200))])],
              [4])
    return img


def widescreen_panel():
    """256 x 32: "WIDESCREEN" in widely spaced capitals."""
    img = canvas(256, 32)
    fnt = fit("sans-bold", "WIDESCREEN", 236, 17, spacing=8)
    set_lines(img, [Line([("WIDESCREEN", fnt, WHITE)], spacing=8)], [])
    return img


def banner(address):
    """256 x 64: product name, version and date, contact lines."""
    img = canvas(256, 64)
    draw = ImageDraw.Draw(img)
    red = (235, 30, 30)
    light = (200, 200, 200)
    title_font = fit("lib-bold-italic", "QuorvishTelnet", 244, 30)
    title = Line([("Quorvish", title_font, red), ("Telnet", title_font, WHITE)])
    # Title on top, a thin red rule, then two columns of small print that
    # share their baselines.
    tw, th = title.size()
    title.draw(draw, (256 - tw) / 2, 3)
    rule_y = 3 + th + 4
    draw.line((8, rule_y, 247, rule_y), fill=(150, 20, 20))
    small = font("sans", 9)
    bold = font("sans-bold", 9)
    first, second = rule_y + 11, rule_y + 22
    draw.text((9, first), "v0.2 beta", font=bold, fill=WHITE, anchor="ls")
    draw.text((9, second), "21 June 2004", font=small, fill=light, anchor="ls")
    mail = "hello@quorvish-telnet.test"
    right = 247 - max(small.getlength(address), small.getlength(mail))
    draw.text((right, first), address, font=small, fill=light, anchor="ls")
    draw.text((right, second), mail, font=small, fill=light, anchor="ls")
    return img


def glyph_strip():
    """768 x 16: 96 cells of 8 x 16, characters 32 to 126 and "~" again."""
    img = canvas(768, 16)
    draw = ImageDraw.Draw(img)
    fnt = font("mono-bold", 13)
    chars = [chr(c) for c in range(32, 127)] + ["~"]
    # One baseline for all cells, placed so that every character's ink fits.
    ascent, descent = fnt.getmetrics()
    top = min(fnt.getbbox(ch, anchor="ls")[1] for ch in chars[1:])
    bottom = max(fnt.getbbox(ch, anchor="ls")[3] for ch in chars[1:])
    baseline = round((16 - (bottom - top)) / 2) - top
    for k, ch in enumerate(chars):
        if ch == " ":
            continue
        x0, _, x1, _ = fnt.getbbox(ch, anchor="ls")
        # Centre the advance in the cell; nudge in ink that would spill over.
        x = (8 - fnt.getlength(ch)) / 2
        if x + x0 < 0:
            x = -x0
        if x + x1 > 8:
            x = 8 - x1
        draw.text((8 * k + round(x), baseline), ch, font=fnt, fill=WHITE, anchor="ls")
    vertical_gradient(img, (255, 255, 255), (185, 185, 185), (0, baseline + top, 768, baseline + bottom))
    return img


# ---------------------------------------------------------------------------
# The icon: a page of yellow text lines tilted back into the dark, under a
# few stars, painted pixel by pixel in the 16 standard colours.

VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
         (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
         (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
         (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


# Text lines on the icon's page: (first row, rows thick, colour, word lengths
# as fractions of the line, gap in pixels). Far lines are thin and dim.
ICON_LINES = [
    (11, 1, 3, [0.30, 0.20, 0.35], 1),
    (13, 1, 3, [0.18, 0.40, 0.22], 1),
    (15, 1, 11, [0.42, 0.20], 1),
    (17, 2, 11, [0.25, 0.20, 0.40], 2),
    (21, 2, 11, [0.35, 0.28, 0.20], 2),
    (25, 2, 11, [0.20, 0.30], 2),
    (28, 2, 11, [0.30, 0.22, 0.30], 2),
]

# Stars: (x, y, size) with size 0 a dot, 1 a small cross, 2 a long cross.
ICON_STARS = [(4, 3, 2), (26, 2, 1), (15, 1, 0), (29, 6, 1), (9, 6, 0),
              (20, 4, 0), (2, 9, 0)]


def icon_pixels():
    """32 x 32 palette indices, row 0 on top: a dark blue page of yellow text
    lines, narrowing upwards as if tilted back, under a few stars."""
    black, olive, navy, grey, dgrey, white = 0, 3, 4, 7, 8, 15
    top, bottom, top_half, bottom_half = 9, 30, 9, 15
    px = [[black] * 32 for _ in range(32)]

    def edges(y):
        t = (y - top) / (bottom - top)
        half = top_half + (bottom_half - top_half) * t
        return round(16 - half), round(16 + half) - 1

    for y in range(top, bottom + 1):
        left, right = edges(y)
        for x in range(left, right + 1):
            px[y][x] = navy
    for first, thick, colour, words, gap in ICON_LINES:
        left, right = edges(first)
        x = left + 2
        width = right - left - 3
        for fraction in words:
            length = max(1, round(fraction * width))
            for i in range(length):
                for dy in range(thick):
                    row_left, row_right = edges(first + dy)
                    if row_left + 2 <= x + i <= row_right - 2:
                        px[first + dy][x + i] = colour
            x += length + gap
    for x, y, size in ICON_STARS:
        px[y][x] = white
        if size:
            for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                px[y + dy][x + dx] = grey
        if size == 2:
            for dx, dy in ((2, 0), (-2, 0), (0, 2), (0, -2)):
                px[y + dy][x + dx] = dgrey
    return px


def write_icon(path):
    pixels = icon_pixels()
    size = 32
    xor_stride = size // 2                    # 4 bits a pixel, 16 bytes
    and_stride = 4                            # 1 bit a pixel, padded to 4
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0,
                         xor_stride * size + and_stride * size, 0, 0, 16, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in VGA16)
    xor = bytearray()
    for row in reversed(pixels):              # bottom row first
        for x in range(0, size, 2):
            xor.append((row[x] << 4) | row[x + 1])
    mask = bytes(and_stride * size)           # fully opaque
    image = header + palette + bytes(xor) + mask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack(
        "<BBBBHHII", size, size, 16, 0, 1, 4, len(image), 6 + 16)
    with open(path, "wb") as out:
        out.write(directory + image)


# ---------------------------------------------------------------------------

def pictures():
    address = web_address()
    return [
        ("glyphs.bmp", (768, 16), glyph_strip()),
        ("window_mode.bmp", (128, 64), label_panel("WINDOW", "MODE:")),
        ("display_mode.bmp", (128, 64), label_panel("DISPLAY", "MODE:")),
        ("host_address.bmp", (128, 64), label_panel("HOST", "ADDRESS:")),
        ("rain_logo.bmp", (256, 64), rain_logo()),
        ("quit.bmp", (128, 32), button_panel("QUIT")),
        ("standard.bmp", (256, 32), standard_panel()),
        ("perspective_logo.bmp", (256, 64), perspective_logo()),
        ("banner.bmp", (256, 64), banner(address)),
        ("widescreen.bmp", (256, 32), widescreen_panel()),
        ("connect.bmp", (128, 32), button_panel("CONNECT!")),
    ]


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else HERE
    os.makedirs(out_dir, exist_ok=True)
    for name, size, img in pictures():
        assert img.size == size and img.mode == "RGB", name
        img.save(os.path.join(out_dir, name), "BMP")
    write_icon(os.path.join(out_dir, "quorvish.ico"))


if __name__ == "__main__":
    main()
