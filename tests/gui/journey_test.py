"""The programs as a person uses them, on a private X server with a real
telnet server on 127.0.0.1: the start menu, the connect dialog, the view,
typing, the host closing, the exit code. Where the menu's panels are comes
from the program's own layout table (app/menu.cpp).

    journey_test.py linux PROGRAM
    journey_test.py wine PROGRAM.exe --arch win32|win64 --prefix DIR
"""
import argparse
import math
import os
import re
import sys
import tempfile
import time
import unittest

import xsession
from xsession import Desktop, project, wait_for
import hosts

ARGS = None
HERE = os.path.dirname(os.path.abspath(__file__))
CAPTION = "QuorvishTelnet v0.2\u00df - www.quorvish-telnet.test"
DIALOG = "Quorvish Telnet v0.2"


def menu_layout():
    """{name: (x, y, z, half width, half height)} from the menu's table."""
    with open(os.path.join(HERE, "..", "..", "app", "menu.cpp")) as f:
        source = f.read()
    number = r"(-?[\d.]+)f"
    extents = re.search(r"MenuQuadExtents\[3\]\[2\] = \{" + r",\s*".join([r"\{%s, %s\}" % (number, number)] * 3),
                        source)
    shapes = {kind: (float(extents.group(2 * i + 1)), float(extents.group(2 * i + 2)))
              for i, kind in enumerate(("MENU_LABEL", "MENU_BAR", "MENU_SLIM"))}
    shapes["MENU_HOST_TEXT"] = (0.1, 0.15)   # one glyph quad
    layout = {}
    for m in re.finditer(r'\{"(\w+)", ITEM_\w+, (MENU_\w+), %s, %s, %s, %s' % ((number,) * 4), source):
        x, y, z, scale = map(float, m.group(3, 4, 5, 6))
        half = shapes[m.group(2)]
        if m.group(2) == "MENU_HOST_TEXT":
            z += 1.0   # the glyphs stand one unit in front of the text's origin
        layout[m.group(1)] = (x, y, z, half[0] * scale, half[1] * scale)
    return layout


LAYOUT = menu_layout()


def lit_width(shot, box):
    xs = [x for x, _, r, g, b in shot.pixels(box) if max(r, g, b) >= 80]
    return max(xs) - min(xs) if xs else 0


class Journey(unittest.TestCase):
    wine = False
    desktop_size = "1280x1024"
    window_manager = None
    # Where the dialog's host field, port field and OK and Cancel buttons
    # are, as fractions of its window.
    dialog_spots = {"host": (43 / 126, 37 / 69), "port": (103 / 126, 37 / 69),
                    "ok": (31 / 126, 56 / 69), "cancel": (95 / 126, 56 / 69)}

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="quorvish-journey-")
        self.desktop = None

    def tearDown(self):
        if self.desktop:
            self.desktop.stop()

    def start(self, xvfb_args=()):
        self.desktop = Desktop(self.folder, self.desktop_size, self.window_manager, xvfb_args)
        argv = [ARGS.program]
        if self.wine:
            argv = [xsession.WINE_RUN, "--arch", ARGS.arch, "--prefix", ARGS.prefix,
                    "--timeout", "900", ARGS.program]
        self.program = self.desktop.start(argv)

    def start_against(self, telnetd):
        """The program on its desktop and a loopback telnetd of the kind
        given, running the login session; the server and what to type."""
        script, typed = hosts.session_script(self.folder)
        server = telnetd(script)
        self.addCleanup(server.stop)
        self.start()
        self.window = self.main_window()
        return server, typed

    def choose_rain(self):
        self.click("display_label")
        self.wait_for_face("display_flip", self.shows_rain_title, "rain")

    def choose_standard_window(self):
        self.click("window_label")
        self.wait_for_face("window_flip", self.shows_standard, "standard")

    def main_window(self):
        window = self.desktop.window(CAPTION, 240 if self.wine else 60)
        self.assertTrue(window, "the main window did not appear\n" + self.desktop.log())
        return window

    def surface(self):
        return self.desktop.surface(self.window, framed_inside=self.wine)

    def box(self, name):
        x, y, z, hw, hh = LAYOUT[name]
        left, top = project(self.surface(), x - hw, y + hh, z)
        right, bottom = project(self.surface(), x + hw, y - hh, z)
        return left, top, right, bottom

    def click(self, name, dx=0.0, dy=0.0):
        x, y, z, _, _ = LAYOUT[name]
        self.desktop.click(*project(self.surface(), x + dx, y + dy, z))

    def wait_for_face(self, panel, accept, label):
        shot = self.desktop.wait_shot(label, lambda s: accept(s, self.box(panel)), 30)
        self.assertTrue(shot, "%s did not come to rest: %s" % (panel, label))

    def shows_perspective_title(self, s, box):
        c = s.count(box)
        return c["yellow"] > 300 and c["green"] < c["yellow"] // 20

    def shows_rain_title(self, s, box):
        c = s.count(box)
        return c["green"] > 300 and c["yellow"] < c["green"] // 20

    def shows_widescreen(self, s, box):
        return lit_width(s, box) > 0.85 * (box[2] - box[0])

    def shows_standard(self, s, box):
        return 0.3 * (box[2] - box[0]) < lit_width(s, box) < 0.75 * (box[2] - box[0])

    def menu_at_rest(self):
        self.wait_for_face("display_flip", self.shows_perspective_title, "menu")
        self.wait_for_face("window_flip", self.shows_widescreen, "menu_wide")
        s = self.desktop.shot("menu_panels")
        for name in ("display_label", "window_label", "host_label", "connect", "quit"):
            self.assertGreater(s.count(self.box(name))["grey"], 100, name)
        self.assertGreater(s.count(self.box("banner"))["red"], 200, "banner")

    def dialog(self, count=1):
        found = wait_for(lambda: (lambda w: w if len(w) == count else None)(
            self.desktop.windows(DIALOG)), 60, 0.2)
        self.assertIsNotNone(found, "expected %d connect dialogs" % count)
        return found[0] if found else None

    def press(self, dialog, spot):
        x, y, w, h = self.desktop.geometry(dialog)
        fx, fy = self.dialog_spots[spot]
        self.desktop.click(x + fx * w, y + fy * h)

    def fill_dialog(self, dialog, host, port):
        self.desktop.bring_forward(dialog)
        self.press(dialog, "host")
        self.desktop.key(dialog, "End")
        self.desktop.type(dialog, host)
        self.press(dialog, "port")
        self.desktop.key(dialog, "End", *["BackSpace"] * 5)
        self.desktop.type(dialog, port)
        self.desktop.shot("dialog_filled")
        self.press(dialog, "ok")

    def dismiss(self, title):
        box = self.desktop.window(title)
        self.assertTrue(box, "no message box %r" % title)
        self.desktop.shot("box")
        self.desktop.key(box, "Return")
        self.assertTrue(wait_for(lambda: not self.desktop.windows(title), 30, 0.2), title + " stays")

    def exit_code(self):
        code = self.program.wait(120)
        self.assertIsNotNone(code, "the program did not end")
        return code

    def text_shown(self, colour, more_than=200, region=None):
        def accept(s):
            left, top, width, height = self.surface()
            box = region(left, top, width, height) if region else (left, top, left + width, top + height)
            return s.count(box)[colour] > more_than
        return self.desktop.wait_shot(colour + "_text", accept, 60)

    def end_session(self):
        self.desktop.type(self.window, "bye\r")
        self.dismiss("Error")
        self.assertEqual(1, self.exit_code())

    # -- the shorter ways out, the same on both platforms
    def test_without_opengl_one_box_then_exit_one(self):
        self.start(["-extension", "GLX"])
        self.dismiss("Error")
        self.assertEqual(1, self.exit_code())


class LinuxJourney(Journey):
    """Under a window manager that keeps windows on the screen, on a 1080-line
    screen that the standard window (1.6) does not fit: Debian's telnetd."""
    desktop_size = "1920x1080"
    window_manager = ["jwm"]

    def test_menu_dialog_box_perspective_echo_and_disconnect(self):
        server, typed = self.start_against(hosts.inetutils_telnetd)
        self.menu_at_rest()

        self.choose_standard_window()
        self.click("host_label")
        dialog = self.dialog()

        # With an empty host "CONNECT!" shows its information box. While it
        # is open, the dialog still takes its input and its OK, and a miss
        # in the menu does not cancel the dialog that follows the box.
        self.click("connect")
        box = self.desktop.window("Invalid Host Address")
        self.assertTrue(box, "no information box")
        self.fill_dialog(dialog, "127.0.0.1", str(server.port))
        self.assertTrue(wait_for(lambda: not self.desktop.windows(DIALOG), 30, 0.2),
                        "the dialog did not take OK while the box was open")
        self.click("banner", 0.0, -1.2)   # empty space
        self.assertTrue(self.desktop.windows("Invalid Host Address"), "the box closed by itself")
        self.dismiss("Invalid Host Address")
        dialog = self.dialog()
        self.desktop.bring_forward(dialog)
        self.press(dialog, "cancel")
        self.dialog(0)
        shot = self.desktop.wait_shot("host", lambda s: s.count(self.box("host_text"))["green"] > 5, 30)
        self.assertTrue(shot, "the host name is not shown")

        self.click("connect")
        self.assertTrue(wait_for(lambda: "started" in typed(), 60), "no session started")
        shot = self.text_shown("yellow")
        self.assertTrue(shot, "no text in the perspective view")
        self.check_page_where_drawn(shot)

        before = shot.count(self.full_surface())["yellow"]
        self.desktop.type(self.window, "echoprobe42")
        echoed = self.desktop.wait_shot("echo", lambda s: s.count(self.full_surface())["yellow"] > 1.3 * before, 30)
        self.assertTrue(echoed, "the host's echo of the typed text did not show")
        self.desktop.type(self.window, "\r")
        self.assertTrue(wait_for(lambda: "echoprobe42" in typed(), 30), typed())
        self.end_session()

    def full_surface(self):
        left, top, width, height = self.surface()
        return left, top, left + width, top + height

    def check_page_where_drawn(self, shot):
        """The prompt stands on the page's row 24 (the cursor row, 199):
        its letters lie where the tilted page puts that row in the window
        as it really is, whatever size the window manager allowed."""
        surface = self.surface()
        tilt = math.radians(40)

        def screen_y(page_y):   # a point on the page's centre line
            y, z = page_y * math.cos(tilt), -16.0 - page_y * math.sin(tilt)
            return project(surface, 0.0, y, z)[1]
        # Row 24's baseline, before and after the first row step lifts the
        # page by 1; letters reach 0.75 x 0.75 above it.
        low = screen_y(18.5 - 0.75 * 24 - 9.4)
        high = screen_y(18.5 + 1.0 - 0.75 * 24 - 9.4 + 0.6)
        left, top, width, height = surface
        area = (left, top, left + width, top + height)
        lowest = None
        for _ in range(40):   # until the smooth scroll has come to rest
            rows = shot.rows_of(area, "yellow")
            if rows and rows[-1] == lowest:
                break
            lowest = rows[-1] if rows else None
            time.sleep(0.5)
            shot = self.desktop.shot("page")
        self.assertTrue(lowest)
        self.assertTrue(high - 5 <= lowest <= low + 12,
                        "lowest text at y=%d, the cursor row is drawn between %d and %d in %s"
                        % (lowest, high, low, surface))

    def test_rain_view_fills_the_window_the_manager_allows(self):
        """The standard window does not fit: the window manager keeps it
        smaller, and the view is drawn for the size the window has: the
        rain's 40 rows from just below the top edge down to the banner."""
        server, typed = self.start_against(hosts.busybox_telnetd)
        self.menu_at_rest()
        self.choose_rain()
        self.choose_standard_window()
        self.click("host_label")
        self.fill_dialog(self.dialog(), "127.0.0.1", str(server.port))
        self.dialog(0)
        self.click("connect")
        self.assertTrue(wait_for(lambda: "started" in typed(), 60), "no session started")
        screen = self.desktop.geometry(self.desktop.root)
        # The banner: row 39, columns 56 to 79 of the tall layout, whose
        # first row is 0.3 below (-8, 6.2) and whose glyphs stand at z -11.
        surface = self.surface()
        left, top = project(surface, -8.0 + 0.2 * 56 - 0.1, 6.2 - 0.3 * 40 + 0.15, -11.0)
        right, bottom = project(surface, -8.0 + 0.2 * 79 + 0.1, 6.2 - 0.3 * 40 - 0.15, -11.0)
        self.assertLessEqual(surface[1] + surface[3], screen[3], "the window reaches past the screen")
        shot = self.desktop.wait_shot("banner", lambda s: s.count((left, top, right, bottom))["lit"] > 150, 30)
        self.assertTrue(shot, "the banner row is not drawn where the window shows it")
        # Row 0's glyphs begin about 25 rows below the top edge; a view
        # drawn for a taller window would put rows there or above.
        x, y, width, height = surface
        for _ in range(5):
            strip = shot.count((x, y, x + width, y + 12))["lit"]
            self.assertEqual(strip, 0, "glyphs at the top edge: the view is not drawn for %s" % (surface,))
            shot = self.desktop.shot("rain")
        self.end_session()

    def test_quit_button(self):
        self.start()
        self.window = self.main_window()
        self.menu_at_rest()
        x, y, z, hw, hh = LAYOUT["quit"]
        self.click("quit", hw * 0.9, -hh * 0.8)   # near the button's corner
        self.assertEqual(1, self.exit_code())


class WindowsJourney(Journey):
    """The Windows program under Wine, which draws its own window frames:
    busybox telnetd."""
    wine = True
    dialog_spots = {"host": (0.34, 0.60), "port": (0.81, 0.60), "ok": (0.25, 0.82),
                    "cancel": (0.76, 0.82)}

    def test_menu_dialog_rain_typing_and_disconnect(self):
        server, typed = self.start_against(hosts.busybox_telnetd)
        # Created as wide as the desktop and half as high; the first pass
        # gives it the wide aspect, 1280 / 2.35.
        self.assertTrue(wait_for(lambda: self.desktop.geometry(self.window)[2:] == (1280, 544), 60),
                        self.desktop.geometry(self.window))
        self.menu_at_rest()
        self.desktop.type(self.window, "m")   # typed in the menu: sent once connected

        self.choose_rain()
        self.choose_standard_window()
        self.click("host_label")
        self.fill_dialog(self.dialog(), "127.0.0.1", str(server.port))
        self.dialog(0)
        self.click("connect")
        self.assertTrue(wait_for(lambda: "started" in typed(), 60), "no session started")
        self.assertTrue(wait_for(lambda: self.desktop.geometry(self.window)[2:] == (1280, 799), 60),
                        self.desktop.geometry(self.window))
        # The drops reveal the host's prompt in light grey on the lowest rows.
        shown = self.text_shown("grey", 100, lambda l, t, w, h: (l, t + 0.8 * h, l + w, t + h))
        self.assertTrue(shown, "no revealed text in the rain view")
        self.desktop.type(self.window, "hello\r")
        self.assertTrue(wait_for(lambda: "mhello" in typed(), 30), typed())
        self.end_session()

    def test_close_request_ends_with_one(self):
        self.start()
        self.window = self.main_window()
        self.menu_at_rest()
        self.desktop.close_request(self.window)
        self.assertEqual(1, self.exit_code())


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("platform", choices=("linux", "wine"))
    parser.add_argument("program")
    parser.add_argument("--arch", choices=("win32", "win64"), default="win32")
    parser.add_argument("--prefix")
    ARGS, rest = parser.parse_known_args()
    if not os.path.exists(ARGS.program):
        print("no program at %s: it has not been built" % ARGS.program)
        return 1
    suite = LinuxJourney if ARGS.platform == "linux" else WindowsJourney
    tests = unittest.defaultTestLoader.loadTestsFromTestCase(suite)
    if rest:
        tests = unittest.TestSuite(t for t in tests if any(r in t.id() for r in rest))
    result = unittest.TextTestRunner(verbosity=2).run(tests)
    return 0 if result.wasSuccessful() and result.testsRun else 1


if __name__ == "__main__":
    sys.exit(main())
