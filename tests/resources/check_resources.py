#!/usr/bin/python3
"""Checks the program's art and resource script.

    check_resources.py RESOURCE_DIR WINDRES

The bitmaps and the icon are what the program expects of them, make_art.py
still draws them byte for byte, and the compiled script holds every bitmap,
the icon and the connect dialog (whose controls the Windows tests open).
"""
import os
import struct
import subprocess
import sys
import tempfile

from PIL import Image

# File name, resource number, width, height.
BITMAPS = [("glyphs.bmp", 107, 768, 16), ("window_mode.bmp", 108, 128, 64),
           ("display_mode.bmp", 109, 128, 64), ("host_address.bmp", 110, 128, 64),
           ("rain_logo.bmp", 111, 256, 64), ("quit.bmp", 112, 128, 32),
           ("standard.bmp", 113, 256, 32), ("perspective_logo.bmp", 114, 256, 64),
           ("banner.bmp", 115, 256, 64), ("widescreen.bmp", 116, 256, 32),
           ("connect.bmp", 117, 128, 32)]
FAILURES = []


def check(condition, message):
    if not condition:
        FAILURES.append(message)


def check_pictures(folder):
    for name, _, width, height in BITMAPS:
        image = Image.open(os.path.join(folder, name))
        check((image.format, image.mode, image.size, image.info.get("compression", 0)) ==
              ("BMP", "RGB", (width, height), 0), f"{name}: not an uncompressed 24-bit {width}x{height} BMP")
        if name != "glyphs.bmp":
            corners = [image.getpixel(p) for p in [(0, 0), (width - 1, 0), (0, height - 1)]]
            check(max(map(max, corners)) <= 24, f"{name}: the background is not black")
            check(max(map(max, image.getdata())) > 200, f"{name}: nothing bright drawn")
    glyphs = Image.open(os.path.join(folder, "glyphs.bmp"))
    cells = [list(glyphs.crop((8 * k, 0, 8 * k + 8, 16)).getdata()) for k in range(96)]
    lit = [sum(1 for p in cell if max(p) > 40) for cell in cells]
    check(lit[0] == 0 and all(lit[1:95]), "glyph strip: space not blank or a character empty")
    check(cells[95] == cells[94], "glyph strip: the last cell does not repeat the tilde")
    check(all(r == g == b for cell in cells for r, g, b in cell), "glyph strip: not grey")
    for a, b in ["Il", "O0", "1l", "5S", "8B", ",.", ";:"]:
        check(cells[ord(a) - 32] != cells[ord(b) - 32], f"glyph strip: {a!r} and {b!r} alike")
    icon = Image.open(os.path.join(folder, "quorvish.ico"))
    check(icon.info.get("sizes") == {(32, 32)}, "icon: not one 32x32 image")
    with tempfile.TemporaryDirectory() as tmp:
        run = subprocess.run([sys.executable, os.path.join(folder, "make_art.py"), tmp],
                             capture_output=True, text=True)
        check(run.returncode == 0, "make_art.py failed: " + run.stderr.strip())
        for name in [b[0] for b in BITMAPS] + ["quorvish.ico"] if run.returncode == 0 else []:
            with open(os.path.join(folder, name), "rb") as a, open(os.path.join(tmp, name), "rb") as b:
                check(a.read() == b.read(), f"{name}: not what make_art.py draws (run it, commit)")


def name_at(data, pos):
    """A name-or-ordinal field of a .res file: (value, position after it)."""
    if struct.unpack_from("<H", data, pos)[0] == 0xFFFF:
        return struct.unpack_from("<H", data, pos + 2)[0], pos + 4
    end = pos
    while data[end:end + 2] != b"\0\0":
        end += 2
    return data[pos:end].decode("utf-16-le"), end + 2


def check_compiled(folder, windres):
    with tempfile.TemporaryDirectory() as tmp:
        res = os.path.join(tmp, "quorvish.res")
        run = subprocess.run([windres, "-I", folder, os.path.join(folder, "quorvish.rc"), "-O", "res",
                              "-o", res], capture_output=True, text=True)
        check(run.returncode == 0, "windres failed: " + run.stderr.strip())
        data = open(res, "rb").read() if run.returncode == 0 else b""
    found, pos = {}, 0
    while pos + 8 <= len(data):
        size, header = struct.unpack_from("<II", data, pos)
        kind, p = name_at(data, pos + 8)
        found[(kind, name_at(data, p)[0])] = data[pos + header:pos + header + size]
        pos = (pos + header + size + 3) & ~3
    for name, number, width, height in BITMAPS:
        w, h, _, bits = struct.unpack_from("<iiHH", found.get((2, number), bytes(16)), 4)
        check((w, abs(h), bits) == (width, height, 24), f"compiled: bitmap {number} missing or wrong")
    check((14, 106) in found, "compiled: no icon group 106")
    check((5, 101) in found, "compiled: no connect dialog 101")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    check_pictures(sys.argv[1])
    check_compiled(sys.argv[1], sys.argv[2])
    print("\n".join("FAIL: " + f for f in FAILURES) or "resources: every check passed")
    sys.exit(1 if FAILURES else 0)
