"""The X driver of the GUI tests: a private Xvfb (and a window manager when
asked), programs on it, windows found by title, screenshots counted by colour,
mouse and keyboard through xdotool. As a command, `xsession.py -- PROGRAM
[ARGS...]`, it runs one program on a fresh Xvfb and returns its exit code."""
import math
import os
import subprocess
import sys

from PIL import ImageGrab
from Xlib import X, display as xdisplay
from Xlib.protocol import event

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
from hosts import Process, wait_for  # noqa: E402


def colour(r, g, b):
    """The name the tests give a pixel's colour; None for an unlit one."""
    if max(r, g, b) < 40:
        return None
    if 2 * g > 3 * r and 2 * g > 3 * b:
        return "green"
    if 5 * r > 3 * g and 5 * g > 3 * r and 2 * b < r:
        return "yellow"
    return "grey" if max(r, g, b) - min(r, g, b) < 40 else "other"


class Desktop:
    def __init__(self, window_manager=None, size="1280x1024"):
        read_end, write_end = os.pipe()   # Xvfb picks a free display and says which
        self.parts = [Process(["Xvfb", "-displayfd", str(write_end), "-screen", "0", size + "x24",
                               "-nolisten", "tcp", "-noreset"], pass_fds=(write_end,), stderr=subprocess.DEVNULL)]
        os.close(write_end)
        with os.fdopen(read_end) as number:
            self.env = dict(os.environ, DISPLAY=":" + number.readline().strip())
        self.x = xdisplay.Display(self.env["DISPLAY"])
        self.root = self.x.screen().root
        if window_manager:
            self.start(window_manager)
            wait_for(lambda: self.root.get_full_property(
                self.x.intern_atom("_NET_SUPPORTING_WM_CHECK"), X.AnyPropertyType), 30)

    def start(self, argv):   # its output goes to this process's
        self.parts.append(Process(argv, env=self.env))
        return self.parts[-1]

    def stop(self):
        self.x.close()
        for part in reversed(self.parts):
            part.stop()

    def window(self, title, seconds=60):
        """A viewable window of that title, once there is one; None if none comes."""
        found = wait_for(lambda: subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % title],
                                                env=self.env, capture_output=True, text=True).stdout.split(), seconds)
        return self.x.create_resource_object("window", int(found[0])) if found else None

    def geometry(self, window):   # (x, y, width, height) on the screen
        g, at = window.get_geometry(), window.translate_coords(self.root, 0, 0)
        return -at.x, -at.y, g.width, g.height

    def shot(self):
        return ImageGrab.grab(xdisplay=self.env["DISPLAY"])

    def wait_shot(self, accept, seconds=60):   # the first shot accepted, or None
        return wait_for(lambda: (lambda s: s if accept(s) else None)(self.shot()), seconds, 0.3)

    def xdotool(self, *args):
        subprocess.run(["xdotool", *map(str, args)], env=self.env, check=True, timeout=60)

    def click(self, x, y):
        self.xdotool("mousemove", "--sync", round(x), round(y), "click", "1")

    def type(self, window, text):
        self.xdotool("windowfocus", "--sync", window.id, "type", "--delay", "30", "--", text)

    def key(self, window, *names):
        self.xdotool("windowfocus", "--sync", window.id, "key", "--delay", "30", *names)

    def close(self, window):
        """The close request a window manager sends for the close button."""
        protocols, delete = (self.x.intern_atom(name) for name in ("WM_PROTOCOLS", "WM_DELETE_WINDOW"))
        window.send_event(event.ClientMessage(window=window, client_type=protocols, data=(32, [delete, X.CurrentTime, 0, 0, 0])))
        self.x.flush()


def count(shot, box, name):
    """Pixels of the named colour in the box (left, top, right, bottom)."""
    found = shot.crop(tuple(round(v) for v in box)).getcolors(1 << 24)
    return sum(n for n, rgb in found if colour(*rgb) == name)


def project(surface, x, y, z):
    """Screen point of the eye-space point as the program draws it: a 60
    degree vertical field, the aspect of the surface."""
    left, top, width, height = surface
    f = 1.0 / math.tan(math.radians(30))
    return left + (1 + f * height / width * x / -z) / 2 * width, top + (1 - f * y / -z) / 2 * height


if __name__ == "__main__":
    desktop = Desktop()
    try:
        sys.exit(subprocess.run(sys.argv[sys.argv.index("--") + 1:], env=desktop.env).returncode)
    finally:
        desktop.stop()
