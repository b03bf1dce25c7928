"""End-to-end journeys through the start menu as a person would take them:
a private Xvfb, the program (Linux, or the Windows one under Wine), a real
busybox telnetd on 127.0.0.1, xdotool for the mouse and the keyboard, and
screenshots read back to check what is shown.

    journey.py linux PROGRAM [--shots DIR]
    journey.py wine  PROGRAM.exe [--arch win32|win64] [--shots DIR]

Screenshots of every step land in DIR (default: $QUORVISH_SHOT_DIR/journey-
PLATFORM when that is set, else a temporary folder removed afterwards).
Everything started here is stopped by its process id or process group.
"""
import argparse
import math
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest

ARGS = None
WINE_RUN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools", "wine-run.sh")

MAIN_TITLE = "QuorvishTelnet v0.2"
DIALOG_TITLE = "Quorvish Telnet v0.2"

# Where the menu draws its panels: centre x, y, z and half extents, in eye
# coordinates (the view looks along -z from the origin, 60 degree field).
PANELS = {
    "display_label": (-4.0, 1.5, -4.0, 1.0, 0.5),
    "window_label": (-4.0, 0.0, -4.0, 1.0, 0.5),
    "host_label": (-4.0, -1.5, -4.0, 1.0, 0.5),
    "display_flip": (-1.25, 1.5, -4.0, 1.6, 0.4),
    "window_flip": (-1.25, 0.0, -4.0, 1.6, 0.2),
    "banner": (3.0, 1.5, -4.0, 1.6, 0.4),
    "connect": (3.0, -0.5, -4.0, 0.8, 0.2),
    "quit": (3.0, -1.5, -3.99, 0.8, 0.2),
}


# ------------------------------------------------------------------ processes

class Process:
    """A process in its own process group, stopped by its id."""

    def __init__(self, argv, env=None, log=None):
        out = open(log, "wb") if log else subprocess.DEVNULL
        self.popen = subprocess.Popen(argv, env=env, stdout=out, stderr=subprocess.STDOUT,
                                      stdin=subprocess.DEVNULL, start_new_session=True)
        if log:
            out.close()
        self.pid = self.popen.pid

    def running(self):
        return self.popen.poll() is None

    def wait(self, seconds):
        try:
            return self.popen.wait(seconds)
        except subprocess.TimeoutExpired:
            return None

    def stop(self):
        if self.popen.poll() is None:
            try:
                os.killpg(self.pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
            if self.wait(10) is None:
                try:
                    os.killpg(self.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                self.popen.wait()


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(condition, seconds, pause=0.1):
    """Polls condition() until it returns a true value or the time is up."""
    deadline = time.time() + seconds
    while True:
        value = condition()
        if value or time.time() > deadline:
            return value
        time.sleep(pause)


def start_xvfb(screen="1280x1024x24"):
    read_end, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", screen,
                               "-nolisten", "tcp", "-noreset"],
                              pass_fds=(write_end,), stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, start_new_session=True)
    os.close(write_end)
    text = b""
    deadline = time.time() + 30
    while b"\n" not in text and time.time() < deadline:
        chunk = os.read(read_end, 32)
        if not chunk:
            break
        text += chunk
    os.close(read_end)
    if b"\n" not in text:
        server.kill()
        server.wait()
        raise RuntimeError("Xvfb did not start")
    return server, ":" + text.decode().strip()


class TelnetHost:
    """busybox telnetd on 127.0.0.1 serving a small session: a login prompt,
    every line typed written to a log, "bye" ends the session."""

    def __init__(self, folder):
        self.log = os.path.join(folder, "typed.log")
        open(self.log, "w").close()
        script = os.path.join(folder, "session.sh")
        with open(script, "w") as f:
            f.write("#!/bin/sh\n"
                    "echo started >> '%s'\n"
                    "printf 'journey login: '\n"
                    "while IFS= read -r line; do\n"
                    "  printf '%%s\\n' \"$line\" >> '%s'\n"
                    "  case \"$line\" in bye*) printf 'Goodbye.\\r\\n'; exit 0;; esac\n"
                    "  printf 'You typed: %%s\\r\\njourney login: ' \"$line\"\n"
                    "done\n" % (self.log, self.log))
        os.chmod(script, 0o755)
        self.port = free_port()
        self.server = Process(["busybox", "telnetd", "-F", "-f", "/dev/null", "-b",
                               "127.0.0.1:%d" % self.port, "-l", script])
        if not wait_for(self.listening, 10):
            self.server.stop()
            raise RuntimeError("busybox telnetd does not listen")

    def listening(self):
        want = "0100007F:%04X" % self.port
        with open("/proc/net/tcp") as f:
            return any(line.split()[1] == want and line.split()[3] == "0A"
                       for line in f.readlines()[1:])

    def typed(self):
        with open(self.log) as f:
            return f.read()

    def stop(self):
        self.server.stop()


# --------------------------------------------------------------- the screen

class Shot:
    """One screenshot, as rows of RGB bytes."""

    def __init__(self, path, width, height, data):
        self.path, self.width, self.height, self.data = path, width, height, data

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return self.data[i], self.data[i + 1], self.data[i + 2]

    LIT = re.compile(rb"[\x28-\xff]")   # a channel of 40 or more

    def lit_pixels(self, left, top, right, bottom):
        """(x, y, r, g, b) of every pixel in the rectangle with a channel of
        40 or more; found by scanning whole rows at once."""
        left, top = max(0, int(left)), max(0, int(top))
        right, bottom = min(self.width, int(right)), min(self.height, int(bottom))
        for y in range(top, bottom):
            start = (y * self.width + left) * 3
            row = self.data[start:start + (right - left) * 3]
            last = -1
            for m in self.LIT.finditer(row):
                x = m.start() // 3
                if x == last:
                    continue
                last = x
                yield left + x, y, row[3 * x], row[3 * x + 1], row[3 * x + 2]

    def count(self, left, top, right, bottom):
        """Lit pixels in a rectangle, sorted by colour: green, yellow, red,
        grey/white and other."""
        counts = {"green": 0, "yellow": 0, "red": 0, "grey": 0, "other": 0, "lit": 0}
        for _, _, r, g, b in self.lit_pixels(left, top, right, bottom):
            counts["lit"] += 1
            if 2 * g > 3 * r and 2 * g > 3 * b:
                counts["green"] += 1
            elif 5 * r > 3 * g and 5 * g > 3 * r and 2 * b < r:
                counts["yellow"] += 1
            elif 2 * r > 3 * g and 2 * r > 3 * b:
                counts["red"] += 1
            elif max(r, g, b) - min(r, g, b) < 40:
                counts["grey"] += 1
            else:
                counts["other"] += 1
        return counts

    def lit_columns(self, left, top, right, bottom):
        """(first, last) column with a pixel of 80 or more, or None."""
        columns = [x for x, _, r, g, b in self.lit_pixels(left, top, right, bottom)
                   if max(r, g, b) >= 80]
        return (min(columns), max(columns)) if columns else None

    def white_blocks(self, left, top, right, bottom, min_width=40, min_height=8):
        """Rectangles of pure white at least min_width x min_height: runs of
        white with the same extent in consecutive rows (empty edit fields;
        frame highlights are too thin to count)."""
        white = re.compile(rb"(?:\xff\xff\xff)+")
        blocks, open_runs = [], {}
        for y in range(max(0, top), min(self.height, bottom) + 1):
            runs = set()
            if y < min(self.height, bottom):
                start = (y * self.width + left) * 3
                row = self.data[start:start + (right - left) * 3]
                for m in white.finditer(row):
                    if m.start() % 3 == 0 and (m.end() - m.start()) // 3 >= min_width:
                        runs.add((left + m.start() // 3, left + m.end() // 3))
            for run in list(open_runs):
                if run not in runs:
                    first = open_runs.pop(run)
                    if y - first >= min_height:
                        blocks.append((run[0], first, run[1], y))
            for run in runs:
                open_runs.setdefault(run, y)
        return blocks


# ------------------------------------------------------------------ journeys

class Journey:
    def __init__(self, test, name):
        self.test = test
        self.name = name
        self.wine = ARGS.platform == "wine"
        self.folder = tempfile.mkdtemp(prefix="quorvish-journey-")
        self.shots = ARGS.shots or os.path.join(self.folder, "shots")
        os.makedirs(self.shots, exist_ok=True)
        self.step = 0
        self.xvfb = None
        self.program = None
        self.host = None
        self.window = None
        self.client = (0, 0, 0, 0)   # left, top, width, height of the client area on screen

    # -- set-up and tear-down
    def start(self):
        self.xvfb, self.display = start_xvfb()
        self.env = dict(os.environ, DISPLAY=self.display)
        self.host = TelnetHost(self.folder)
        if self.wine:
            self.prefix = os.path.join(self.folder, "prefix")
            boot = Process([*self.wine_run(), "--boot-only"], env=self.env,
                           log=os.path.join(self.folder, "boot.log"))
            self.test.assertEqual(0, boot.wait(300), self.log("boot.log"))
            argv = [*self.wine_run(), "--timeout", "1500", ARGS.program]
        else:
            argv = [ARGS.program]
        self.program = Process(argv, env=self.env, log=os.path.join(self.folder, "program.log"))
        self.window = wait_for(lambda: self.find_window(MAIN_TITLE), 90 if self.wine else 30)
        self.test.assertTrue(self.window, "the main window did not appear\n" + self.log("program.log"))
        self.settle_client()

    def wine_run(self):
        """The project's Wine runner for this journey's own prefix."""
        return [WINE_RUN, "--arch", ARGS.arch, "--prefix", self.prefix]

    def log(self, name):
        try:
            with open(os.path.join(self.folder, name), errors="replace") as f:
                return f.read()
        except OSError:
            return ""

    def stop(self):
        for part in (self.program, self.host):
            if part:
                part.stop()
        if self.wine:
            Process([*self.wine_run(), "--kill"], env=self.env).wait(60)
        if self.xvfb:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(10)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait()
        shutil.rmtree(self.folder, ignore_errors=True)

    # -- X helpers
    def xdotool(self, *args, check=True):
        result = subprocess.run(["xdotool", *[str(a) for a in args]], env=self.env,
                                capture_output=True, text=True, timeout=60)
        if check:
            self.test.assertEqual(0, result.returncode, "xdotool %s: %s" % (args, result.stderr))
        return result.stdout

    def top_levels(self):
        """(id, name) of every viewable top-level window. xwininfo reads
        the UTF-8 titles that xdotool's name search misses."""
        out = subprocess.run(["xwininfo", "-root", "-children"], env=self.env,
                             capture_output=True, text=True, errors="replace").stdout
        found = []
        for m in re.finditer(r'^\s+(0x[0-9a-f]+) "(.*)":', out, re.M):
            info = subprocess.run(["xwininfo", "-id", m.group(1)], env=self.env,
                                  capture_output=True, text=True, errors="replace").stdout
            if "IsViewable" in info:
                found.append((int(m.group(1), 16), m.group(2)))
        return found

    def find_windows(self, title):
        return sorted(w for w, name in self.top_levels() if name == title)

    def find_window(self, title):
        found = self.find_windows(title)
        if not found and title == MAIN_TITLE:
            # The main caption goes on after the version.
            found = sorted(w for w, name in self.top_levels() if name.startswith(title))
        return found[-1] if found else None

    def geometry(self, window):
        info = subprocess.run(["xwininfo", "-id", str(window)], env=self.env,
                              capture_output=True, text=True, errors="replace").stdout
        values = {}
        for key, name in (("X", "Absolute upper-left X"), ("Y", "Absolute upper-left Y"),
                          ("W", "Width"), ("H", "Height")):
            m = re.search(r"^\s*%s:\s+(-?\d+)" % name, info, re.M)
            if not m:
                return None
            values[key] = int(m.group(1))
        return (values["X"], values["Y"], values["W"], values["H"])

    def settle_client(self):
        """Finds where the menu is drawn. On Linux the window is the client
        area; under Wine the GL surface is a child window inside the frame
        that Wine draws itself."""
        def client():
            g = self.geometry(self.window)
            if not g:
                return None
            if not self.wine:
                return g
            tree = subprocess.run(["xwininfo", "-children", "-id", str(self.window)],
                                  env=self.env, capture_output=True, text=True).stdout
            best = None
            for m in re.finditer(r"(0x[0-9a-f]+) .*?(\d+)x(\d+)\+(-?\d+)\+(-?\d+)", tree):
                w, h = int(m.group(2)), int(m.group(3))
                if w > 100 and h > 100 and (best is None or w * h > best[2] * best[3]):
                    info = subprocess.run(["xwininfo", "-id", m.group(1)], env=self.env,
                                          capture_output=True, text=True).stdout
                    ax = int(re.search(r"Absolute upper-left X:\s+(-?\d+)", info).group(1))
                    ay = int(re.search(r"Absolute upper-left Y:\s+(-?\d+)", info).group(1))
                    best = (ax, ay, w, h)
            return best or g
        self.client = wait_for(client, 30)
        self.test.assertTrue(self.client, "no client area found")

    def refresh_client(self):
        self.settle_client()

    def shot(self, label):
        self.step += 1
        path = os.path.join(self.shots, "%s_%02d_%s.png" % (self.name, self.step, label))
        subprocess.run(["import", "-window", "root", path], env=self.env, check=True, timeout=60)
        raw = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True,
                             check=True, timeout=60).stdout
        size = subprocess.run(["identify", "-format", "%w %h", path], capture_output=True,
                              text=True, check=True).stdout.split()
        return Shot(path, int(size[0]), int(size[1]), raw)

    def project(self, x, y, z):
        left, top, width, height = self.client
        f = 1.0 / math.tan(math.radians(30))
        aspect = width / height
        nx = f / aspect * x / -z
        ny = f * y / -z
        return left + (nx + 1) / 2 * width, top + (1 - ny) / 2 * height

    def panel_rect(self, name, shrink=0.0):
        x, y, z, hw, hh = PANELS[name]
        l, t = self.project(x - hw + shrink, y + hh - shrink, z)
        r, b = self.project(x + hw - shrink, y - hh + shrink, z)
        return l, t, r, b

    def click_panel(self, name, dx=0.0, dy=0.0):
        x, y, z, _, _ = PANELS[name]
        self.click(*self.project(x + dx, y + dy, z))

    def click_eye(self, x, y, z=-4.0):
        self.click(*self.project(x, y, z))

    def click(self, x, y):
        self.xdotool("mousemove", "--sync", int(round(x)), int(round(y)), "click", "1")

    def focus(self, window):
        self.xdotool("windowfocus", "--sync", window)

    def type_text(self, window, text):
        self.focus(window)
        self.xdotool("type", "--delay", "30", "--", text)

    def key(self, window, *names):
        self.focus(window)
        self.xdotool("key", "--delay", "30", *names)

    # -- what the menu shows
    def flip_colours(self):
        s = self.shot("flip")
        return s.count(*self.panel_rect("display_flip"))

    def wait_display_face(self, colour, label):
        """Waits until the display-mode panel rests on the face of that colour
        (yellow: perspective view, green: rain view)."""
        other = "green" if colour == "yellow" else "yellow"

        def resting():
            s = self.shot(label)
            c = s.count(*self.panel_rect("display_flip"))
            return s if c[colour] > 500 and c[other] < c[colour] // 20 else None
        s = wait_for(resting, 60, 0.3)
        self.test.assertTrue(s, "display-mode panel never showed its %s face" % colour)
        return s

    def window_face_width(self, s):
        l, t, r, b = self.panel_rect("window_flip")
        cols = s.lit_columns(l, t, r, b)
        return cols[1] - cols[0] if cols else 0

    def wait_window_face(self, wide, label):
        """Waits for "WIDESCREEN" (spaced over nearly the whole panel) or
        "STANDARD" (clearly narrower)."""
        l, t, r, b = self.panel_rect("window_flip")
        full = r - l

        def resting():
            s = self.shot(label)
            w = self.window_face_width(s)
            ok = w > 0.85 * full if wide else 0.3 * full < w < 0.75 * full
            return s if ok else None
        s = wait_for(resting, 60, 0.3)
        self.test.assertTrue(s, "window-mode panel never showed %s" %
                             ("WIDESCREEN" if wide else "STANDARD"))
        return s

    def host_glyphs(self, s):
        """How many glyph cells of the host row hold green letters, counted
        from the first until the first run of 3 empty cells."""
        cells = 0
        empty = 0
        for i in range(40):
            cx = -2.5 + 0.15 * i
            l, t = self.project(cx - 0.06, -1.5 + 0.1, -4.0)
            r, b = self.project(cx + 0.06, -1.5 - 0.1, -4.0)
            c = s.count(l, t, r, b)
            if c["green"] > 3:
                cells = i + 1
                empty = 0
            else:
                empty += 1
                if empty >= 3 and i >= 3:
                    break
        return cells

    def wait_host_row(self, cells, label):
        s = wait_for(lambda: (lambda s: s if self.host_glyphs(s) == cells else None)(self.shot(label)),
                     30, 0.3)
        self.test.assertTrue(s, "the host row never showed %d characters" % cells)
        return s

    # -- the connect dialog
    def wait_dialogs(self, count):
        found = wait_for(lambda: (lambda w: w if len(w) == count else None)(
            self.find_windows(DIALOG_TITLE)), 60, 0.2)
        self.test.assertIsNotNone(found, "expected %d connect dialogs, saw %s" %
                                  (count, self.find_windows(DIALOG_TITLE)))
        return found

    def dialog_layout(self, dialog):
        """Screen position of dialog units, found from the empty host field
        (dialog units (5, 30), 77 x 14: the widest block of white)."""
        def field():
            g = self.geometry(dialog)
            if not g:
                return None
            s = self.shot("dialog")
            blocks = s.white_blocks(g[0], g[1], g[0] + g[2], g[1] + g[3])
            return max(blocks, key=lambda b: b[2] - b[0]) if blocks else None
        host = wait_for(field, 30, 0.3)
        self.test.assertTrue(host, "the dialog's host field was not found")
        ux = (host[2] - host[0]) / 77.0
        uy = (host[3] - host[1]) / 14.0
        ox = host[0] - 5 * ux
        oy = host[1] - 30 * uy

        def at(dx, dy):
            return ox + dx * ux, oy + dy * uy
        return at

    def fill_dialog(self, dialog, host, port, button="OK"):
        # A click on the dialog's surface (between the buttons) brings it in
        # front, as the main window may cover it after a click on the menu.
        g = self.geometry(dialog)
        self.click(g[0] + g[2] // 2, g[1] + g[3] - 6)
        at = self.dialog_layout(dialog)
        self.click(*at(5 + 77 / 2, 37))
        self.key(dialog, "End")
        self.type_text(dialog, host)
        self.click(*at(87 + 33 / 2, 37))
        self.key(dialog, "End", "BackSpace", "BackSpace", "BackSpace", "BackSpace", "BackSpace")
        if port:
            self.type_text(dialog, port)
        self.shot("dialog_filled")
        self.click(*at(5 + 26, 56) if button == "OK" else at(69 + 26, 56))

    def dismiss_box(self, title):
        box = wait_for(lambda: self.find_window(title), 60, 0.2)
        self.test.assertTrue(box, "no message box titled %r" % title)
        self.shot("box_" + title.replace(" ", "_"))
        self.key(box, "Return")
        self.test.assertTrue(wait_for(lambda: not self.find_windows(title), 30, 0.2),
                             "message box %r did not close" % title)

    def set_host(self, host, port):
        self.click_panel("host_label")
        dialog = self.wait_dialogs(1)[0]
        self.fill_dialog(dialog, host, port)
        self.wait_dialogs(0)

    def exit_code(self):
        code = self.program.wait(60)
        self.test.assertIsNotNone(code, "the program did not end")
        return code


class MenuJourneys(unittest.TestCase):
    def journey(self, name):
        j = Journey(self, name)
        self.addCleanup(j.stop)
        j.start()
        return j

    def check_menu_drawn(self, j, s):
        for name in ("display_label", "window_label", "host_label", "connect", "quit"):
            c = s.count(*j.panel_rect(name))
            self.assertGreater(c["grey"], 150, name)
        banner = s.count(*j.panel_rect("banner"))
        self.assertGreater(banner["red"], 300, "banner")
        # Nothing is drawn between the rows and the buttons.
        for x, y in ((0.8, 0.75), (3.0, 0.5), (0.0, -2.15)):
            l, t = j.project(x - 0.2, y + 0.1, -4.0)
            r, b = j.project(x + 0.2, y - 0.1, -4.0)
            self.assertEqual(0, s.count(l, t, r, b)["lit"], (x, y))

    def test_perspective_session(self):
        j = self.journey("perspective")
        expected = (1280, 544)
        self.assertTrue(wait_for(lambda: (lambda g: g and (g[2], g[3]) == expected)(
            j.geometry(j.window)), 30), "window not reshaped to %s" % (expected,))
        j.refresh_client()
        # The opening turn ends on the perspective title and "WIDESCREEN".
        s = j.wait_display_face("yellow", "menu")
        j.wait_window_face(True, "menu_wide")
        self.check_menu_drawn(j, s)
        self.assertEqual(23, j.host_glyphs(s), "Please enter an address")

        # The labels turn the flip panels; a second click turns them back.
        j.click_panel("display_label")
        j.wait_display_face("green", "display_rain")
        j.click_panel("display_label", 0.9, -0.45)   # near the label's corner
        j.wait_display_face("yellow", "display_back")
        j.click_panel("window_label")
        j.wait_window_face(False, "window_standard")
        j.click_panel("window_label", -0.9, 0.45)
        j.wait_window_face(True, "window_back")

        # Clicks on what is not clickable change nothing.
        for name in ("display_flip", "window_flip", "banner"):
            j.click_panel(name)
        j.click_eye(-1.0, -1.5)    # the host text
        j.click_eye(0.8, 0.75)     # empty space
        j.click_eye(3.0, -1.0)     # between the buttons
        time.sleep(1.0)
        s = j.wait_display_face("yellow", "after_misses")
        j.wait_window_face(True, "after_misses_wide")
        self.assertEqual([], j.find_windows(DIALOG_TITLE))
        self.assertTrue(j.program.running())

        # "HOST ADDRESS:" twice opens two dialogs; Cancel closes one
        # without storing, OK in the other stores "abc", still too short
        # to be shown.
        j.click_panel("host_label")
        j.wait_dialogs(1)
        j.click_panel("host_label", 0.8, 0.4)
        dialogs = j.wait_dialogs(2)
        j.shot("two_dialogs")
        # Both open centred on top of each other: drag the newer one aside
        # by its body, then cancel it.
        at = j.dialog_layout(dialogs[-1])
        x, y = at(63, 56)
        j.xdotool("mousemove", "--sync", int(x), int(y), "mousedown", "1", "sleep", "0.5",
                  "mousemove", "--sync", int(x) - 125, int(y) + 100, "sleep", "0.5",
                  "mousemove", "--sync", int(x) - 250, int(y) + 200, "sleep", "0.5",
                  "mouseup", "1")
        moved = wait_for(lambda: (lambda g: g and g[1] > 600)(j.geometry(dialogs[-1])), 20)
        self.assertTrue(moved, "the dialog was not dragged: %s" % (j.geometry(dialogs[-1]),))
        j.shot("dragged")
        j.fill_dialog(dialogs[-1], "cancelled.host", "99", button="Cancel")
        dialogs = j.wait_dialogs(1)
        j.fill_dialog(dialogs[0], "abc", "")
        j.wait_dialogs(0)
        j.wait_host_row(23, "host_abc")

        # A host of 4 characters is shown but refused by "CONNECT!"; the
        # box is followed by a connect dialog.
        j.set_host("host", "")
        j.wait_host_row(4, "host_host")
        j.click_panel("connect")
        j.dismiss_box("Invalid Host Address")
        dialog = j.wait_dialogs(1)[0]
        j.fill_dialog(dialog, "127.0.0.1", str(j.host.port))
        j.wait_dialogs(0)
        j.wait_host_row(9, "host_ready")
        self.assertEqual("", j.host.typed())

        # Connect: the host's prompt shows in yellow in the perspective view.
        j.click_panel("connect")
        self.assertTrue(wait_for(lambda: "started" in j.host.typed(), 60), "no session started")

        def prompt_shown():
            s = j.shot("perspective")
            c = s.count(*j.client_rect())
            labels = s.count(*j.panel_rect("display_label"))
            return s if c["yellow"] > 200 and labels["grey"] < 50 else None
        s = wait_for(prompt_shown, 60, 0.5)
        self.assertTrue(s, "no yellow text in the perspective view")
        before = s.count(*j.client_rect())["yellow"]

        # Typed characters reach the host; its echo and answer appear.
        j.type_text(j.window, "hello\r")
        self.assertTrue(wait_for(lambda: "hello" in j.host.typed(), 30), j.host.typed())
        s = wait_for(lambda: (lambda s: s if s.count(*j.client_rect())["yellow"] > before * 1.5
                              else None)(j.shot("perspective_echo")), 30, 0.5)
        self.assertTrue(s, "the echo did not show")

        # The host closing the connection: "Disconnected!" and the end.
        j.type_text(j.window, "bye\r")
        j.dismiss_box("Error")
        self.assertEqual(1, j.exit_code())

    def test_rain_session_in_the_standard_window(self):
        j = self.journey("rain")
        j.wait_display_face("yellow", "menu")
        # One click per frame counts: wait for each to show before the next.
        j.click_panel("display_label")
        j.wait_display_face("green", "display_rain")
        j.click_panel("window_label")
        j.wait_window_face(False, "window_standard")
        j.set_host("127.0.0.1", str(j.host.port))
        j.wait_host_row(9, "host_ready")
        j.click_panel("connect")
        self.assertTrue(wait_for(lambda: "started" in j.host.typed(), 60), "no session started")
        # The window takes the standard shape: 1280 / 1.6 = 799 rows.
        self.assertTrue(wait_for(lambda: (lambda g: g and g[2] == 1280 and g[3] == 799)(
            j.geometry(j.window)), 30), "window not reshaped: %s" % (j.geometry(j.window),))
        j.refresh_client()

        # Drops fall in green; the host's text is revealed in light grey
        # on the bottom rows.
        def revealed():
            s = j.shot("rain")
            left, top, width, height = j.client
            c = s.count(left, top + height * 0.8, left + width, top + height)
            total = s.count(*j.client_rect())
            return s if c["grey"] > 100 and total["green"] > 500 else None
        self.assertTrue(wait_for(revealed, 60, 0.5), "no revealed text in the rain view")
        j.type_text(j.window, "rainy\r")
        self.assertTrue(wait_for(lambda: "rainy" in j.host.typed(), 30), j.host.typed())
        j.shot("rain_typed")
        j.type_text(j.window, "bye\r")
        j.dismiss_box("Error")
        self.assertEqual(1, j.exit_code())

    def test_quit(self):
        j = self.journey("quit")
        j.wait_display_face("yellow", "menu")
        j.click_panel("quit", 0.7, -0.15)   # near the button's corner
        self.assertEqual(1, j.exit_code())


def client_rect(self):
    left, top, width, height = self.client
    return left, top, left + width, top + height


Journey.client_rect = client_rect


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("platform", choices=("linux", "wine"))
    parser.add_argument("program")
    parser.add_argument("--shots")
    parser.add_argument("--arch", choices=("win32", "win64"), default="win32",
                        help="which Wine runs the Windows program")
    ARGS, rest = parser.parse_known_args()
    if not ARGS.shots and os.environ.get("QUORVISH_SHOT_DIR"):
        ARGS.shots = os.path.join(os.environ["QUORVISH_SHOT_DIR"], "journey-" + ARGS.platform)
    if ARGS.shots:
        ARGS.shots = os.path.abspath(ARGS.shots)
    if not os.path.exists(ARGS.program):
        print("no program at %s: it has not been built" % ARGS.program)
        return 1
    result = unittest.main(argv=[sys.argv[0], "-v", *rest], exit=False).result
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
