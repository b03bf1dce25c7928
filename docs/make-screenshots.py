#!/usr/bin/env python3
"""Takes the README's screenshots from the real Linux program: a private
Xvfb, the demo host on 127.0.0.1, the mouse and keyboard driven with
xdotool as in the end-to-end tests.

    docs/make-screenshots.py build/app/quorvish-telnet
"""
import os
import subprocess
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(ROOT, "tests", "menu"))
import journey  # noqa: E402


class DemoHost:
    """The demo host in place of the journeys' small login session."""

    def __init__(self, folder):
        self.port = journey.free_port()
        pid = subprocess.run([os.path.join(ROOT, "demo", "start-demo-host.sh"), str(self.port)],
                             capture_output=True, text=True, check=True).stdout.strip()
        self.pid = int(pid)

    def stop(self):
        try:
            os.kill(self.pid, 15)
        except ProcessLookupError:
            pass


class Shots(unittest.TestCase):
    def crop(self, j, shot, name, extra_height=0):
        left, top, width, height = j.client
        out = os.path.join(HERE, name)
        subprocess.run(["convert", shot.path, "-crop",
                        "%dx%d+%d+%d" % (width, height + extra_height, left, top), "+repage",
                        "-resize", "50%", out], check=True)
        print("wrote", out)


    def test_perspective(self):
        j = journey.Journey(self, "readme")
        self.addCleanup(j.stop)
        j.start()
        time.sleep(4)   # both flip panels come to rest
        self.crop(j, j.shot("start"), "menu.png")
        j.click_panel("host_label")
        dialog = j.wait_dialogs(1)[0]
        at = j.dialog_layout(dialog)
        j.click(*at(5 + 77 / 2, 37))
        j.type_text(dialog, "127.0.0.1")
        j.click(*at(87 + 33 / 2, 37))
        j.key(dialog, "End", "BackSpace", "BackSpace")
        j.type_text(dialog, str(j.host.port))
        time.sleep(0.5)
        g = j.geometry(dialog)
        shot = j.shot("dialog")
        subprocess.run(["convert", shot.path, "-crop", "%dx%d+%d+%d" % (g[2], g[3], g[0], g[1]),
                        "+repage", os.path.join(HERE, "dialog.png")], check=True)
        j.click(*at(5 + 26, 56))   # OK
        j.wait_dialogs(0)
        j.click_panel("connect")
        time.sleep(3)
        j.refresh_client()
        j.type_text(j.window, "1")
        j.key(j.window, "Return")
        time.sleep(4)
        self.crop(j, j.shot("perspective"), "perspective.png")

    def test_rain(self):
        j = journey.Journey(self, "readme")
        self.addCleanup(j.stop)
        j.start()
        j.click_panel("display_label")
        time.sleep(0.5)
        j.click_panel("window_label")
        time.sleep(4)
        j.set_host("127.0.0.1", str(j.host.port))
        j.click_panel("connect")
        time.sleep(3)
        j.refresh_client()
        j.type_text(j.window, "1")
        j.key(j.window, "Return")
        time.sleep(8)
        self.crop(j, j.shot("rain"), "rain.png")


if __name__ == "__main__":
    journey.TelnetHost = DemoHost
    journey.ARGS = type("Args", (), {"platform": "linux", "program": sys.argv[1], "shots": None})
    unittest.main(argv=sys.argv[:1], verbosity=2)
