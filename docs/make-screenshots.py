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


class Shots(journey_test.Journey):
    desktop_size = "1280x1024"   # room for the standard window, 1280 x 800 with its frame
    window_manager = ["jwm"]

    def setUp(self):
        super().setUp()
        self.port = journey_test.hosts.free_port()
        pid = subprocess.run([os.path.join(ROOT, "demo", "start-demo-host.sh"), str(self.port)],
                             capture_output=True, text=True, check=True).stdout.strip()
        self.addCleanup(os.kill, int(pid), 15)
        self.start()
        self.window = self.main_window()
        self.menu_at_rest()

    def save(self, shot, box, name, scale=0.5):
        left, top, width, height = box
        image = Image.frombytes("RGB", (shot.width, shot.height), bytes(shot.data), "raw", "BGRX")
        image.crop((left, top, left + width, top + height)).resize(
            (round(width * scale), round(height * scale)), Image.LANCZOS).save(os.path.join(HERE, name))
        print("wrote", name)

    def connect_and_list(self, shown):
        self.click("connect")
        self.assertTrue(shown(), "the demo host's menu did not show")
        time.sleep(1)
        self.desktop.type(self.window, "1\r")   # the long listing

    def test_menu_dialog_perspective(self):
        self.save(self.desktop.shot("menu"), self.surface(), "menu.png")
        self.click("host_label")
        dialog = self.dialog()
        self.desktop.bring_forward(dialog)
        self.press(dialog, "host")
        self.desktop.type(dialog, "127.0.0.1")
        self.press(dialog, "port")
        self.desktop.key(dialog, "End", *["BackSpace"] * 5)
        self.desktop.type(dialog, str(self.port))
        time.sleep(0.5)
        self.save(self.desktop.shot("dialog"), self.desktop.geometry(dialog), "dialog.png", 1)
        self.press(dialog, "ok")
        self.dialog(0)
        self.connect_and_list(lambda: self.text_shown("yellow"))
        time.sleep(4)   # the listing runs on while the page scrolls
        self.save(self.desktop.shot("perspective"), self.surface(), "perspective.png")

    def test_rain(self):
        self.choose_rain()
        self.choose_standard_window()
        self.click("host_label")
        self.fill_dialog(self.dialog(), "127.0.0.1", str(self.port))
        self.dialog(0)
        self.connect_and_list(lambda: self.text_shown("grey", 100))
        time.sleep(8)   # the drops reveal the listing
        self.save(self.desktop.shot("rain"), self.surface(), "rain.png")


if __name__ == "__main__":
    if len(sys.argv) != 2 or not os.path.exists(sys.argv[1]):
        sys.exit("usage: %s PROGRAM   (the Linux program, built)" % sys.argv[0])
    journey_test.ARGS = type("Args", (), {"program": os.path.abspath(sys.argv[1])})
    began = time.time()
    tests = unittest.TestSuite([Shots("test_menu_dialog_perspective"), Shots("test_rain")])
    ok = unittest.TextTestRunner(verbosity=2).run(tests).wasSuccessful()
    print("%.0f s" % (time.time() - began))
    sys.exit(0 if ok else 1)
