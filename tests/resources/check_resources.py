#!/usr/bin/python3
"""Checks the program's resources: the bitmap and icon files, the numbers in
resource.h, and the compiled resource script (dialog template included).

    check_resources.py RESOURCE_DIR [--windres PROGRAM] [--regenerate]

--windres compiles quorvish.rc to a .res file and checks what it holds.
--regenerate redraws the art with make_art.py into a temporary folder and
compares it byte for byte with the committed files. Exit code 0 when every
check passes, 1 otherwise.
"""

import os
import re
import struct
import subprocess
import sys
import tempfile

FAILURES = []


def check(condition, message):
    if not condition:
        FAILURES.append(message)


# File name, resource number, width, height.
BITMAPS = [
    ("glyphs.bmp", 107, 768, 16),
    ("window_mode.bmp", 108, 128, 64),
    ("display_mode.bmp", 109, 128, 64),
    ("host_address.bmp", 110, 128, 64),
    ("rain_logo.bmp", 111, 256, 64),
    ("quit.bmp", 112, 128, 32),
    ("standard.bmp", 113, 256, 32),
    ("perspective_logo.bmp", 114, 256, 64),
    ("banner.bmp", 115, 256, 64),
    ("widescreen.bmp", 116, 256, 32),
    ("connect.bmp", 117, 128, 32),
]

HEADER_NUMBERS = {
    "IDD_CONNECT": 101, "IDI_APP": 106, "IDB_GLYPHS": 107,
    "IDB_WINDOW_MODE": 108, "IDB_DISPLAY_MODE": 109, "IDB_HOST_ADDRESS": 110,
    "IDB_RAIN_LOGO": 111, "IDB_QUIT": 112, "IDB_STANDARD": 113,
    "IDB_PERSPECTIVE": 114, "IDB_BANNER": 115, "IDB_WIDESCREEN": 116,
    "IDB_CONNECT": 117, "IDC_HOSTNAME": 1000, "IDC_PORT": 1001,
}

WS_POPUP, WS_CHILD, WS_VISIBLE = 0x80000000, 0x40000000, 0x10000000
WS_CAPTION, WS_BORDER, WS_SYSMENU = 0x00C00000, 0x00800000, 0x00080000
WS_GROUP, WS_TABSTOP = 0x00020000, 0x00010000
DS_SETFONT, DS_CENTER = 0x40, 0x800
BS_PUSHBUTTON, BS_DEFPUSHBUTTON = 0, 1
ES_LEFT, ES_AUTOHSCROLL, ES_NUMBER = 0, 0x80, 0x2000
SS_LEFT = 0
BUTTON, EDIT, STATIC = 0x80, 0x81, 0x82
LABEL = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT

# Id, class atom, text, x, y, width, height, style: in template order.
DIALOG_CONTROLS = [
    (1, BUTTON, "OK", 5, 49, 52, 14, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON),
    (2, BUTTON, "Cancel", 69, 49, 52, 14, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON),
    (1000, EDIT, "", 5, 30, 77, 14,
     WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL),
    (1001, EDIT, "", 87, 30, 33, 14,
     WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_LEFT | ES_NUMBER | ES_AUTOHSCROLL),
    (0xFFFF, STATIC, "Enter the hostname and port you wish", 3, 1, 120, 8, LABEL),
    (0xFFFF, STATIC, "to telnet to:", 3, 10, 36, 8, LABEL),
    (0xFFFF, STATIC, "Hostname:", 5, 22, 35, 8, LABEL),
    (0xFFFF, STATIC, "Port:", 87, 20, 16, 8, LABEL),
]


# ---------------------------------------------------------------------------
# Pictures on disk.

def read_bmp(path):
    """(width, height, bits, compression, rows top first as bytes of BGR)."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"BM":
        return None
    offset = struct.unpack_from("<I", data, 10)[0]
    size, width, height, planes, bits, compression = struct.unpack_from("<IiiHHI", data, 14)
    stride = (width * bits // 8 + 3) & ~3
    rows = []
    for y in range(abs(height)):
        source = abs(height) - 1 - y if height > 0 else y
        start = offset + source * stride
        rows.append(data[start:start + width * 3])
    return width, height, bits, compression, rows, len(data) == offset + stride * abs(height)


def check_bitmaps(folder):
    for name, _, width, height in BITMAPS:
        path = os.path.join(folder, name)
        if not os.path.exists(path):
            check(False, name + ": missing")
            continue
        bmp = read_bmp(path)
        check(bmp is not None, name + ": not a BMP file")
        if bmp is None:
            continue
        w, h, bits, compression, rows, whole = bmp
        check((w, abs(h)) == (width, height),
              "%s: %dx%d, want %dx%d" % (name, w, abs(h), width, height))
        check(bits == 24, "%s: %d bits a pixel, want 24" % (name, bits))
        check(compression == 0, name + ": compressed")
        check(whole, name + ": file size does not match its pixels")
        if name != "glyphs.bmp" and (w, abs(h)) == (width, height):
            # Black background: the corners of every panel are black.
            corners = [rows[0][:3], rows[0][-3:], rows[-1][:3], rows[-1][-3:]]
            lit = sum(1 for c in corners if max(c) > 24)
            check(lit <= 1, name + ": background is not black at the corners")
            check(any(max(row) > 200 for row in rows), name + ": nothing bright drawn")


def glyph_cells(rows):
    """96 cells, each 16 rows of 8 pixels (b, g, r)."""
    cells = []
    for k in range(96):
        cells.append([[tuple(row[3 * (8 * k + x):3 * (8 * k + x) + 3]) for x in range(8)]
                      for row in rows])
    return cells


def check_glyph_strip(folder):
    bmp = read_bmp(os.path.join(folder, "glyphs.bmp"))
    if bmp is None or (bmp[0], abs(bmp[1])) != (768, 16):
        return
    cells = glyph_cells(bmp[4])
    lit = [sum(1 for row in cell for p in row if max(p) > 40) for cell in cells]
    check(lit[0] == 0, "glyph strip: the space cell is not blank")
    for k in range(1, 95):
        check(lit[k] > 0, "glyph strip: cell %d (%r) is empty" % (k, chr(32 + k)))
    check(cells[95] == cells[94], "glyph strip: cell 95 does not repeat the tilde")
    grey = all(p[0] == p[1] == p[2] for cell in cells for row in cell for p in row)
    check(grey, "glyph strip: pixels are not shades of grey")
    brightest = max(max(p) for cell in cells for row in cell for p in row)
    check(brightest >= 240, "glyph strip: no pixel reaches white")
    # Letters that must look different from each other in the rain view.
    for a, b in ["Il", "O0", "1l", "5S", "8B", ",.", ";:"]:
        check(cells[ord(a) - 32] != cells[ord(b) - 32],
              "glyph strip: %r and %r are drawn alike" % (a, b))


def check_icon(folder):
    path = os.path.join(folder, "quorvish.ico")
    if not os.path.exists(path):
        check(False, "quorvish.ico: missing")
        return
    with open(path, "rb") as f:
        data = f.read()
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    check((reserved, kind, count) == (0, 1, 1), "icon: not a one-image .ico")
    w, h, colours, _, planes, bits, size, offset = struct.unpack_from("<BBBBHHII", data, 6)
    check((w, h, colours, bits) == (32, 32, 16, 4),
          "icon: entry says %dx%d, %d colours, %d bits" % (w, h, colours, bits))
    check(offset + size == len(data), "icon: image size does not match the file")
    header = struct.unpack_from("<IiiHHI", data, offset)
    check(header == (40, 32, 64, 1, 4, 0), "icon: bitmap header %r" % (header,))
    # 40-byte header, 16 palette entries, 32 rows of 16 bytes, 32 rows of 4.
    check(size == 40 + 64 + 512 + 128, "icon: image is %d bytes" % size)
    pixels = data[offset + 104:offset + 104 + 512]
    used = {b >> 4 for b in pixels} | {b & 15 for b in pixels}
    check(len(used) >= 4, "icon: only %d colours used" % len(used))


def check_header(folder):
    with open(os.path.join(folder, "resource.h"), encoding="ascii") as f:
        text = f.read()
    defines = dict(re.findall(r"^#define[ \t]+(\w+)[ \t]*(.*?)[ \t]*$", text, re.M))
    for name, number in HEADER_NUMBERS.items():
        check(defines.get(name) == str(number),
              "resource.h: %s is %r, want %d" % (name, defines.get(name), number))
    address = re.fullmatch(r'"([^"\\]*)"', defines.get("QUORVISH_WEB_ADDRESS", ""))
    check(address is not None and len(address.group(1)) == 24 and
          address.group(1).isprintable(),
          "resource.h: QUORVISH_WEB_ADDRESS is not a 24-character text")
    check(defines.get("QUORVISH_CAPTION_PREFIX") == '"QuorvishTelnet v" QUORVISH_VERSION'
          and defines.get("QUORVISH_VERSION") == '"0.2"',
          "resource.h: caption prefix is %r" % defines.get("QUORVISH_CAPTION_PREFIX"))
    # Everything else must be a number, or the resource compiler and C++
    # could read the file differently.
    for name, value in defines.items():
        if name not in ("QUORVISH_WEB_ADDRESS", "QUORVISH_CAPTION_PREFIX", "QUORVISH_VERSION",
                        "QUORVISH_RESOURCE_H"):
            check(value.isdigit(), "resource.h: %s is not a plain number" % name)


# ---------------------------------------------------------------------------
# The compiled resource script.

def read_name(data, pos):
    """A name-or-ordinal field: (value, new position)."""
    if struct.unpack_from("<H", data, pos)[0] == 0xFFFF:
        return struct.unpack_from("<H", data, pos + 2)[0], pos + 4
    end = pos
    while struct.unpack_from("<H", data, end)[0] != 0:
        end += 2
    return data[pos:end].decode("utf-16-le"), end + 2


def read_res(path):
    """{(type, name): data} of a .res file."""
    with open(path, "rb") as f:
        data = f.read()
    resources = {}
    pos = 0
    while pos + 8 <= len(data):
        data_size, header_size = struct.unpack_from("<II", data, pos)
        kind, p = read_name(data, pos + 8)
        name, p = read_name(data, p)
        start = pos + header_size
        if data_size:
            resources[(kind, name)] = data[start:start + data_size]
        pos = (start + data_size + 3) & ~3
    return resources


def parse_dialog(data):
    style, ex_style, count, x, y, cx, cy = struct.unpack_from("<IIHhhhh", data, 0)
    pos = 18
    menu, pos = read_name(data, pos)
    klass, pos = read_name(data, pos)
    title, pos = read_name(data, pos)
    point_size = face = None
    if style & DS_SETFONT:
        point_size = struct.unpack_from("<H", data, pos)[0]
        face, pos = read_name(data, pos + 2)
    controls = []
    for _ in range(count):
        pos = (pos + 3) & ~3
        c_style, c_ex, cx_, cy_, cw, ch, cid = struct.unpack_from("<IIhhhhH", data, pos)
        pos += 18
        c_class, pos = read_name(data, pos)
        c_text, pos = read_name(data, pos)
        extra = struct.unpack_from("<H", data, pos)[0]
        pos += 2 + extra
        controls.append((cid, c_class, c_text, cx_, cy_, cw, ch, c_style, c_ex))
    return dict(style=style, ex_style=ex_style, rect=(x, y, cx, cy), menu=menu,
                klass=klass, title=title, point_size=point_size, face=face,
                controls=controls)


def check_compiled(folder, windres):
    with tempfile.TemporaryDirectory() as tmp:
        res = os.path.join(tmp, "quorvish.res")
        run = subprocess.run([windres, "-I", folder, os.path.join(folder, "quorvish.rc"),
                              "-O", "res", "-o", res], capture_output=True, text=True)
        check(run.returncode == 0, "windres failed: " + run.stderr.strip())
        if run.returncode:
            return
        resources = read_res(res)
    RT_BITMAP, RT_ICON, RT_DIALOG, RT_GROUP_ICON = 2, 3, 5, 14
    for name, number, width, height in BITMAPS:
        data = resources.get((RT_BITMAP, number))
        check(data is not None, "compiled: no bitmap %d" % number)
        if data:
            _, w, h, _, bits, compression = struct.unpack_from("<IiiHHI", data, 0)
            check((w, abs(h), bits, compression) == (width, height, 24, 0),
                  "compiled: bitmap %d is %dx%d, %d bits, compression %d"
                  % (number, w, h, bits, compression))
    group = resources.get((RT_GROUP_ICON, 106))
    check(group is not None, "compiled: no icon group 106")
    if group:
        w, h, colours, _, _, bits = struct.unpack_from("<BBBBHH", group, 6)
        check((w, h, colours, bits) == (32, 32, 16, 4), "compiled: icon 106 entry")
    check(any(k[0] == RT_ICON for k in resources), "compiled: no icon image")
    data = resources.get((RT_DIALOG, 101))
    check(data is not None, "compiled: no dialog 101")
    if not data:
        return
    check(struct.unpack_from("<HH", data, 0) != (1, 0xFFFF),
          "compiled: dialog 101 is an extended template")
    dialog = parse_dialog(data)
    check(dialog["style"] == WS_POPUP | WS_CAPTION | DS_CENTER | DS_SETFONT,
          "compiled: dialog style %#x" % dialog["style"])
    check(not dialog["style"] & (WS_VISIBLE | WS_SYSMENU), "compiled: dialog visible or closable")
    check(dialog["ex_style"] == 0, "compiled: dialog extended style %#x" % dialog["ex_style"])
    check(dialog["rect"] == (0, 0, 126, 69), "compiled: dialog rectangle %r" % (dialog["rect"],))
    check(dialog["menu"] == "" and dialog["klass"] == "", "compiled: dialog menu or class set")
    check(dialog["title"] == "Quorvish Telnet v0.2", "compiled: title %r" % dialog["title"])
    check((dialog["point_size"], dialog["face"]) == (8, "MS Sans Serif"),
          "compiled: font %r %r" % (dialog["point_size"], dialog["face"]))
    controls = dialog["controls"]
    check(len(controls) == len(DIALOG_CONTROLS), "compiled: %d controls" % len(controls))
    for index, (want, got) in enumerate(zip(DIALOG_CONTROLS, controls)):
        check(got[:8] == want and got[8] == 0,
              "compiled: control %d is %r, want %r" % (index + 1, got, want))


def check_regenerated(folder):
    names = [b[0] for b in BITMAPS] + ["quorvish.ico"]
    with tempfile.TemporaryDirectory() as tmp:
        run = subprocess.run([sys.executable, os.path.join(folder, "make_art.py"), tmp],
                             capture_output=True, text=True)
        check(run.returncode == 0, "make_art.py failed: " + run.stderr.strip())
        if run.returncode:
            return
        for name in names:
            with open(os.path.join(folder, name), "rb") as a, \
                    open(os.path.join(tmp, name), "rb") as b:
                check(a.read() == b.read(),
                      name + ": differs from what make_art.py draws (run it and commit)")


def main():
    args = sys.argv[1:]
    if not args:
        sys.exit(__doc__)
    folder = args[0]
    check_header(folder)
    check_bitmaps(folder)
    check_glyph_strip(folder)
    check_icon(folder)
    if "--windres" in args:
        check_compiled(folder, args[args.index("--windres") + 1])
    if "--regenerate" in args:
        check_regenerated(folder)
    for failure in FAILURES:
        print("FAIL:", failure)
    print("%d failure(s)" % len(FAILURES))
    sys.exit(1 if FAILURES else 0)


if __name__ == "__main__":
    main()
