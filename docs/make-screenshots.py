#!/usr/bin/python3
"""Takes the README's screenshots from the real Linux program: a private
Xvfb with a window manager, the demo host on 127.0.0.1, the menu and the
connect dialog driven as in the GUI tests (tests/gui).

    docs/make-screenshots.py build/app/quorvish-telnet
"""
import os
import subprocess
import sys
import time
import unittest

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(ROOT, "tests", "gui"))
import journey_test  # noqa: E402


class Shots(journey_test.Linux):
    """The Linux journey's start, under a window manager on a 1280 x 1024
    screen, with room for the standard window (1280 x 800 with its frame)."""

    def setUp(self):
        self.port = journey_test.hosts.free_port()
        pid = subprocess.run([os.path.join(ROOT, "demo", "start-demo-host.sh"), str(self.port)],
                             capture_output=True, text=True, check=True).stdout.strip()
        self.addCleanup(os.kill, int(pid), 15)
        super().setUp()   # the program started, its menu at rest

    def save(self, shot, box, name, scale=0.5):
        left, top, width, height = box
        shot.crop((left, top, left + width, top + height)).resize(
            (round(width * scale), round(height * scale)), Image.LANCZOS).save(os.path.join(HERE, name))
        print("wrote", name)

    def connect(self, shoot_dialog=False):
        ok = self.fill_dialog("127.0.0.1", str(self.port))
        if shoot_dialog:
            time.sleep(0.5)
            self.save(self.desktop.shot(), self.desktop.geometry(self.desktop.window(journey_test.DIALOG)),
                      "dialog.png", 1)
        self.desktop.click(*ok)
        self.assertTrue(journey_test.wait_for(lambda: not self.desktop.window(journey_test.DIALOG, 0), 60))
        self.click("connect")

    def list_when(self, shown):
        self.assertTrue(self.desktop.wait_shot(shown), "the demo host's menu did not show")
        time.sleep(1)
        self.desktop.type(self.window, "1\r")   # the long listing

    def test_menu_dialog_perspective(self):
        self.save(self.desktop.shot(), self.surface(), "menu.png")
        self.connect(shoot_dialog=True)
        self.list_when(self.shows_text)
        time.sleep(4)   # the listing runs on while the page scrolls
        self.save(self.desktop.shot(), self.surface(), "perspective.png")

    def test_rain(self):
        self.click("display_label")
        self.wait_for_title("green", "yellow")
        self.click("window_label")
        self.connect()
        self.text = "grey", 0.0, 100   # the revealed text, anywhere in the window
        self.list_when(self.shows_text)
        time.sleep(8)   # the drops reveal the listing
        self.save(self.desktop.shot(), self.surface(), "rain.png")


if __name__ == "__main__":
    if len(sys.argv) != 2 or not os.path.exists(sys.argv[1]):
        sys.exit("usage: %s PROGRAM   (the Linux program, built)" % sys.argv[0])
    journey_test.COMMAND = [os.path.abspath(sys.argv[1])]
    began = time.time()
    tests = unittest.TestSuite([Shots("test_menu_dialog_perspective"), Shots("test_rain")])
    ok = unittest.TextTestRunner(verbosity=2).run(tests).wasSuccessful()
    print("%.0f s" % (time.time() - began))
    sys.exit(0 if ok else 1)
