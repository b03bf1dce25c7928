#!/usr/bin/env python3
"""Writes each image of a Windows icon file as a PNG of an icon theme:
OUT/<W>x<H>/apps/NAME.png, the deepest image where the file holds a size
more than once. Python's standard library only, so that building needs
nothing beyond the interpreter.

    ico-to-png.py ICON.ico NAME OUT
"""
import os
import struct
import sys
import zlib


def png(width, height, rgba):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    stride = width * 4
    raw = b"".join(b"\0" + rgba[y * stride:(y + 1) * stride] for y in range(height))
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def bitmap(data):
    """A device-independent bitmap with its AND mask, as (width, height, bits, png)."""
    size, width, height, _, bits, compression = struct.unpack_from("<IiiHHI", data)
    height //= 2   # the colour rows, then as many mask rows
    if compression != 0 or bits not in (1, 4, 8, 24, 32) or width <= 0 or height <= 0:
        raise ValueError("unsupported bitmap: %d bits, compression %d" % (bits, compression))
    colours = struct.unpack_from("<I", data, 32)[0] or (1 << bits if bits <= 8 else 0)
    pixels = size + 4 * colours
    stride = (width * bits + 31) // 32 * 4
    mask = pixels + stride * height
    mask_stride = (width + 31) // 32 * 4
    if colours > 256 or len(data) < mask + mask_stride * height:
        raise ValueError("bitmap data cut short")
    palette = [data[size + 4 * i:size + 4 * i + 3][::-1] for i in range(colours)]
    out = bytearray()
    for y in range(height - 1, -1, -1):   # stored bottom row first
        row = data[pixels + y * stride:pixels + (y + 1) * stride]
        for x in range(width):
            if bits == 32:
                out += row[4 * x:4 * x + 3][::-1] + row[4 * x + 3:4 * x + 4]
                continue
            if bits == 24:
                colour = row[3 * x:3 * x + 3][::-1]
            else:
                bit = x * bits
                index = (row[bit // 8] >> (8 - bits - bit % 8)) & ((1 << bits) - 1)
                colour = palette[index] if index < len(palette) else b"\0\0\0"
            masked = data[mask + y * mask_stride + x // 8] >> (7 - x % 8) & 1
            out += colour + (b"\0" if masked else b"\xff")
    return width, height, bits, png(width, height, bytes(out))


def images(data):
    reserved, kind, count = struct.unpack_from("<HHH", data)
    if reserved != 0 or kind != 1 or count == 0 or len(data) < 6 + 16 * count:
        raise ValueError("not an icon file")
    for i in range(count):
        length, offset = struct.unpack_from("<II", data, 6 + 16 * i + 8)
        image = data[offset:offset + length]
        if image.startswith(b"\x89PNG"):
            width, height = struct.unpack_from(">II", image, 16)
            yield width, height, 32, image
        else:
            yield bitmap(image)


def main(args):
    if len(args) != 3:
        sys.exit(__doc__.strip())
    path, name, out = args
    try:
        with open(path, "rb") as f:
            found = list(images(f.read()))
    except (OSError, ValueError, struct.error) as e:
        sys.exit("ico-to-png.py: %s: %s" % (path, e))
    best = {}
    for width, height, bits, data in found:
        if (width, height) not in best or bits > best[width, height][0]:
            best[width, height] = (bits, data)
    for (width, height), (_, data) in sorted(best.items()):
        folder = os.path.join(out, "%dx%d" % (width, height), "apps")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, name + ".png"), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main(sys.argv[1:])
