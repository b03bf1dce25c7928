"""The one X driver of the GUI tests: a private Xvfb (with a window manager
when asked), the program under test (the Linux program, or the Windows
program under the project's Wine runner), its windows found by title,
screenshots read back as pixels, and the mouse and keyboard through
xdotool. Everything started here is stopped by its process group.

As a command, it runs one program inside a fresh Xvfb:
    xsession.py [--size WxH] -- PROGRAM [ARGS...]
"""
import math
import os
import subprocess
import sys
import tempfile

from Xlib import X, Xatom, display as xdisplay

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
from hosts import Process, wait_for  # noqa: E402

WINE_RUN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools", "wine-run.sh")


def start_xvfb(size, args=()):
    """Xvfb on a display it picks itself; returns (process, ":N")."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", size + "x24",
                               "-nolisten", "tcp", "-noreset", *args],
                              pass_fds=(write_end,), stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, start_new_session=True)
    os.close(write_end)
    text = b""
    while b"\n" not in text:
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


class Shot:
    """One screenshot: pixels as (r, g, b), and counts by colour."""

    def __init__(self, data, width, height):
        self.data, self.width, self.height = data, width, height   # BGRX rows

    def pixel(self, x, y):
        i = (y * self.width + x) * 4
        return self.data[i + 2], self.data[i + 1], self.data[i]

    def pixels(self, box):
        left, top, right, bottom = (int(round(v)) for v in box)
        for y in range(max(0, top), min(self.height, bottom)):
            row = self.data[(y * self.width + max(0, left)) * 4:(y * self.width + min(self.width, right)) * 4]
            for i in range(0, len(row), 4):
                b, g, r = row[i], row[i + 1], row[i + 2]
                if r >= 40 or g >= 40 or b >= 40:
                    yield max(0, left) + i // 4, y, r, g, b

    @staticmethod
    def colour(r, g, b):
        if 2 * g > 3 * r and 2 * g > 3 * b:
            return "green"
        if 5 * r > 3 * g and 5 * g > 3 * r and 2 * b < r:
            return "yellow"
        if 2 * r > 3 * g and 2 * r > 3 * b:
            return "red"
        if max(r, g, b) - min(r, g, b) < 40:
            return "grey"
        return "other"

    def count(self, box):
        """Lit pixels (a channel of 40 or more) in a box, by colour."""
        counts = dict.fromkeys(("lit", "green", "yellow", "red", "grey", "other"), 0)
        for _, _, r, g, b in self.pixels(box):
            counts["lit"] += 1
            counts[self.colour(r, g, b)] += 1
        return counts

    def rows_of(self, box, colour):
        """The y of every row of the box that holds a pixel of the colour."""
        return sorted({y for _, y, r, g, b in self.pixels(box) if self.colour(r, g, b) == colour})


class Desktop:
    """A private X server with the program under test on it."""

    def __init__(self, folder, size="1280x1024", window_manager=None, xvfb_args=()):
        self.folder = folder
        self.xvfb, self.name = start_xvfb(size, xvfb_args)
        self.env = dict(os.environ, DISPLAY=self.name)
        self.x = xdisplay.Display(self.name)
        self.root = self.x.screen().root
        self.parts = []
        self.wm = None
        if window_manager:
            self.wm = Process(window_manager, env=self.env, log=self.path("wm.log"))
            wait_for(lambda: self.root.get_full_property(
                self.x.intern_atom("_NET_SUPPORTING_WM_CHECK"), X.AnyPropertyType), 10)
        self.shots = os.environ.get("QUORVISH_SHOT_DIR")
        self.step = 0

    def path(self, name):
        return os.path.join(self.folder, name)

    def start(self, argv, log="program.log"):
        process = Process(argv, env=self.env, log=self.path(log))
        self.parts.append(process)
        return process

    def log(self, name="program.log"):
        try:
            with open(self.path(name), errors="replace") as f:
                return f.read()
        except OSError:
            return ""

    def stop(self):
        for part in reversed(self.parts + [self.wm]):
            if part:
                part.stop()
        self.x.close()
        self.xvfb.terminate()
        if self.xvfb.wait(10) is None:
            self.xvfb.kill()

    # -- windows
    def title(self, window):
        try:
            for atom, kind in ((self.x.intern_atom("_NET_WM_NAME"), self.x.intern_atom("UTF8_STRING")),
                               (Xatom.WM_NAME, Xatom.STRING)):
                prop = window.get_full_property(atom, kind)
                if prop and prop.value:
                    value = prop.value
                    return value.decode("utf-8" if kind != Xatom.STRING else "latin-1", "replace") \
                        if isinstance(value, bytes) else str(value)
        except Exception:   # the window went away meanwhile
            pass
        return None

    def windows(self, title, prefix=False):
        """Viewable windows whose title is `title` (or starts with it),
        looked for among the top levels and their children (a window
        manager's frames hold the clients)."""
        found = []

        def visit(window, depth):
            try:
                if window.get_attributes().map_state != X.IsViewable:
                    return
                name = self.title(window)
                if name is not None and (name.startswith(title) if prefix else name == title):
                    found.append(window)
                    return
                if depth < 2:
                    for child in window.query_tree().children:
                        visit(child, depth + 1)
            except Exception:
                pass
        for child in self.root.query_tree().children:
            visit(child, 0)
        return found

    def window(self, title, seconds=60, prefix=False):
        found = wait_for(lambda: self.windows(title, prefix), seconds, 0.2)
        return found[0] if found else None

    def geometry(self, window):
        """(x, y, width, height) on the screen, or None once it is gone."""
        try:
            g = window.get_geometry()
            at = window.translate_coords(self.root, 0, 0)
            return -at.x, -at.y, g.width, g.height
        except Exception:
            return None

    def surface(self, window, framed_inside=False):
        """Where the program draws, as (x, y, width, height): the window
        itself, or, for a window that draws its own frame inside (Wine's),
        its largest child."""
        if not framed_inside:
            return self.geometry(window)
        try:
            children = [self.geometry(c) for c in window.query_tree().children]
        except Exception:
            return None
        children = [g for g in children if g and g[2] > 100 and g[3] > 100]
        return max(children, key=lambda g: g[2] * g[3]) if children else None

    def close_request(self, window):
        """What a title bar's close button sends."""
        from Xlib.protocol import event
        protocols = self.x.intern_atom("WM_PROTOCOLS")
        message = event.ClientMessage(window=window, client_type=protocols,
                                      data=(32, [self.x.intern_atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0]))
        window.send_event(message)
        self.x.flush()

    # -- pictures
    def shot(self, label, box=None):
        s = self.root.get_geometry()
        raw = self.root.get_image(0, 0, s.width, s.height, X.ZPixmap, 0xFFFFFFFF)
        shot = Shot(raw.data, s.width, s.height)
        self.step += 1
        if self.shots:
            from PIL import Image
            os.makedirs(self.shots, exist_ok=True)
            image = Image.frombytes("RGB", (s.width, s.height), raw.data, "raw", "BGRX")
            image.save(os.path.join(self.shots, "%02d_%s.png" % (self.step, label)))
        return shot

    def wait_shot(self, label, accept, seconds=60):
        """Takes screenshots until accept(shot) holds; returns that shot or None."""
        return wait_for(lambda: (lambda s: s if accept(s) else None)(self.shot(label)), seconds, 0.3)

    # -- input
    def xdotool(self, *args):
        result = subprocess.run(["xdotool", *[str(a) for a in args]], env=self.env,
                                capture_output=True, text=True, timeout=60)
        if result.returncode != 0:
            raise RuntimeError("xdotool %s: %s" % (" ".join(map(str, args)), result.stderr))

    def click(self, x, y):
        self.xdotool("mousemove", "--sync", int(round(x)), int(round(y)), "click", "1")

    def bring_forward(self, window):
        """What a person does to reach a window behind others: with a window
        manager, activate it (as its taskbar entry would); without one,
        raise it."""
        self.xdotool("windowactivate" if self.wm else "windowraise", window.id)
        wait_for(lambda: True, 0.3)

    def type(self, window, text):
        self.xdotool("windowfocus", "--sync", window.id, "type", "--delay", "30", "--", text)

    def key(self, window, *names):
        self.xdotool("windowfocus", "--sync", window.id, "key", "--delay", "30", *names)


def project(surface, x, y, z):
    """Screen point of the eye-space point (x, y, z) as the program draws it:
    60 degree vertical field, the aspect of the surface."""
    left, top, width, height = surface
    f = 1.0 / math.tan(math.radians(30))
    nx = f * height / width * x / -z
    ny = f * y / -z
    return left + (nx + 1) / 2 * width, top + (1 - ny) / 2 * height


def main():
    args = sys.argv[1:]
    size = "1280x1024"
    if args[:1] == ["--size"]:
        size, args = args[1], args[2:]
    if args[:1] == ["--"]:
        args = args[1:]
    with tempfile.TemporaryDirectory() as folder:
        desktop = Desktop(folder, size)
        try:
            return subprocess.run(args, env=desktop.env).returncode
        finally:
            desktop.stop()


if __name__ == "__main__":
    sys.exit(main())
