"""Each program as a person uses it, on a private X server with a telnetd on
127.0.0.1: start menu, connect dialog, the host's text in the view, typing
that reaches the host, the host closing, "Disconnected!", exit code 1. And
under load: a host that sends without a pause, or sends a hostile mix, must
not stop the frames, the typing or the close.
    journey_test.py linux PROGRAM | wine PROGRAM.exe --arch A --prefix DIR"""
import os
import re
import sys
import tempfile
import time
import unittest

from xsession import Desktop, count, project, wait_for
import hosts

HERE = os.path.dirname(os.path.abspath(__file__))
CAPTION = "QuorvishTelnet v0.2\u00df - www.quorvish-telnet.test"
DIALOG = "Quorvish Telnet v0.2"
COMMAND = None   # what starts the program, from the command line

with open(os.path.join(HERE, "..", "..", "app", "menu.cpp")) as source:
    LAYOUT = {m[0]: tuple(map(float, m[1:])) for m in re.findall(   # {panel: (x, y, z)}
        r'\{"(\w+)", ITEM_\w+, MENU_\w+, (-?[\d.]+)f, (-?[\d.]+)f, (-?[\d.]+)f', source.read())}


class Journey(unittest.TestCase):
    """The journey both programs take; the subclasses say what differs."""
    window_manager = None
    framed_inside = False   # Wine draws its windows' frames inside them
    size = None   # the window's, once connected

    def setUp(self):
        self.desktop = Desktop(self.window_manager)
        self.addCleanup(self.desktop.stop)
        self.program = self.desktop.start(COMMAND)
        self.window = self.desktop.window(CAPTION, 240)
        self.assertTrue(self.window and wait_for(self.surface, 60), "no main window")
        self.wait_for_title("yellow", "green")   # the perspective view's, as the menu starts

    def surface(self):   # where the program draws: in a window framed inside, its largest child
        drawn_in = self.window.query_tree().children if self.framed_inside else [self.window]
        return max(map(self.desktop.geometry, drawn_in), key=lambda g: g[2] * g[3], default=None)

    def click(self, panel):
        self.desktop.click(*project(self.surface(), *LAYOUT[panel]))

    def wait_for_title(self, colour, other):   # the display panel's: yellow perspective, green rain
        x, y, z = LAYOUT["display_flip"]

        def shows(shot):
            box = (*project(self.surface(), x - 1.2, y + 0.3, z), *project(self.surface(), x + 1.2, y - 0.3, z))
            return count(shot, box, colour) > 300 > count(shot, box, other)
        self.assertTrue(self.desktop.wait_shot(shows), "the display panel shows no %s title" % colour)

    def choose(self):
        pass

    def fill_dialog(self, host, port):   # where its OK button is
        self.click("host_label")
        dialog = self.desktop.window(DIALOG)
        self.assertTrue(dialog, "no connect dialog")
        left, top, width, height = self.desktop.geometry(dialog)
        spot = {name: (left + fx * width, top + fy * height) for name, (fx, fy) in self.spots.items()}
        for field, keys, text in (("host", ["End"], host), ("port", ["End"] + ["BackSpace"] * 5, port)):
            self.desktop.click(*spot[field])
            self.desktop.key(dialog, *keys)
            self.desktop.type(dialog, text)
        return spot["ok"]

    def shows_text(self, shot):
        colour, down, more_than = self.text
        left, top, width, height = self.surface()
        return (self.size in (None, self.desktop.geometry(self.window)[2:])
                and count(shot, (left, top + down * height, left + width, top + height), colour) > more_than)

    def connect(self, port):
        self.choose()
        self.desktop.click(*self.fill_dialog("127.0.0.1", str(port)))
        self.assertTrue(wait_for(lambda: not self.desktop.window(DIALOG, 0), 60), "the dialog stays")
        self.click("connect")

    def test_journey(self):
        script, typed = hosts.session_script(tempfile.mkdtemp(prefix="quorvish-journey-"))
        server = hosts.telnetd(self.telnetd, script)
        self.addCleanup(server.stop)
        self.desktop.type(self.window, "m")   # typed in the menu: sent once connected
        self.connect(server.port)
        self.assertTrue(self.desktop.wait_shot(self.shows_text), "no %s text in the view" % self.text[0])
        self.desktop.type(self.window, "hello\r")
        self.assertTrue(wait_for(lambda: "mhello\n" in typed(), 60), "the host got: " + typed())
        self.desktop.type(self.window, "bye\r")
        box = self.desktop.window("Error")
        self.assertTrue(box, "no \"Disconnected!\" box")
        self.desktop.key(box, "Return")
        self.assertEqual(1, self.program.wait(120))

    def keeps_going_under(self, host):
        """While the host sends: a new picture every second, a typed letter
        at the host within a second, and the close request obeyed within two."""
        self.addCleanup(host.stop)
        self.connect(host.port)
        self.assertTrue(wait_for(lambda: host.sent > 10 << 20, 60), "the host could send only %d bytes" % host.sent)
        box = self.surface()
        box = box[0], box[1], box[0] + box[2], box[1] + box[3]
        for second in range(3):
            before = self.desktop.shot().crop(box).tobytes()
            time.sleep(1)
            self.assertTrue(before != self.desktop.shot().crop(box).tobytes(), "the picture stood still")
        for letter in b"zq":
            typed_at = time.time()
            self.desktop.type(self.window, chr(letter))
            came = wait_for(lambda: host.arrival(bytes([letter]), typed_at), 1, 0.01)
            self.assertTrue(came, "%c did not reach the host within a second" % letter)
        self.desktop.close(self.window)   # the window goes when the program ends
        self.assertTrue(wait_for(lambda: not self.desktop.window(CAPTION, 0), 2, 0.05),
                        "the close request was not obeyed within 2 s")
        self.assertEqual(1, self.program.wait(60))

    def test_a_flooding_host(self):
        self.keeps_going_under(hosts.Flood())

    def test_a_hostile_host(self):
        self.keeps_going_under(hosts.Flood(hostile=True))


class Linux(Journey):
    """Under a window manager, Debian's telnetd, the perspective view's yellow letters."""
    window_manager = ["jwm"]
    telnetd = "inetutils"
    spots = {"host": (43 / 126, 37 / 69), "port": (103 / 126, 37 / 69), "ok": (31 / 126, 56 / 69)}
    text = "yellow", 0.0, 200   # colour, from which fraction of the height down, more than

    def test_the_height_follows_the_width_after_a_drag(self):
        width, height = self.desktop.geometry(self.window)[2:]
        self.desktop.xdotool("windowsize", self.window.id, width, height // 2)
        self.assertTrue(wait_for(lambda: self.desktop.geometry(self.window)[2:] == (width, height), 10),
                        "%s, not %dx%d" % (self.desktop.geometry(self.window)[2:], width, height))


class Wine(Journey):
    """Under Wine, busybox telnetd; in the rain view, in the standard window (1.6
    wide), the drops reveal the host's prompt in light grey on the lowest rows."""
    telnetd = "busybox"
    framed_inside = True
    spots = {"host": (0.34, 0.60), "port": (0.81, 0.60), "ok": (0.25, 0.82)}
    text = "grey", 0.8, 100
    size = 1280, 799

    def choose(self):
        self.click("display_label")
        self.wait_for_title("green", "yellow")
        self.click("window_label")


if __name__ == "__main__":
    platform, program, *wine_options = sys.argv[1:]
    if not os.path.exists(program):
        sys.exit("no program at %s: it has not been built" % program)
    COMMAND = [program] if platform == "linux" else [
        os.path.join(HERE, "..", "tools", "wine-run.sh"), *wine_options, "--timeout", "900", program]
    tests = unittest.defaultTestLoader.loadTestsFromTestCase({"linux": Linux, "wine": Wine}[platform])
    sys.exit(not unittest.TextTestRunner(verbosity=2).run(tests).wasSuccessful())
