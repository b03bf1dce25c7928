"""quorvish-headless: its output for a recorded stream, the same whatever
the block size, its refusal of numbers out of range, and a hostile host
survived (also in the sanitizer build)."""
import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import hosts  # noqa: E402

HEADLESS = os.environ.get("QUORVISH_HEADLESS", "quorvish-headless")


def headless(*args, data=b""):
    p = subprocess.run([HEADLESS, *args], input=data, capture_output=True, timeout=30)
    return p.returncode, p.stdout.decode("ascii"), p.stderr.decode()


class Headless(unittest.TestCase):
    def test_output_of_a_stream_in_any_block_size(self):
        data = b"\xff\xfd\x18\xff\xfd\x1fone\\two\r\n\x01\x7f\xc4\x07\x07\x1b[3;5H!"
        expected = ["cursor 182 5", "top 174", "scroll 1 0", "reply FF FB 18", "reply FF FB 1F",
                    "reply FF FA 1F 00 50 00 14 FF F0", "bell 2", "182|    !" + " " * 75 + "|",
                    "198|one\\\\two" + " " * 73 + "|", "199|\\x01\\x7F\\xC4" + " " * 77 + "|"]
        for block in ("1", "2", "7", "2048"):
            self.assertEqual(headless("--block", block, "-", data=data), (0, "\n".join(expected) + "\n", ""))

    def test_numbers_out_of_range_are_refused_with_a_message(self):
        for args in ("--block 0 -", "--block 2049 -", "--block x -", "--block 99999999999999999999 -",
                     "--connect 127.0.0.1 65536", "--connect 127.0.0.1 0", "--connect 127.0.0.1 23x",
                     *("--connect 127.0.0.1 23 --seconds " + s for s in ("inf", "1e300", "nan", "-1", "0", "86401"))):
            with self.subTest(args):
                code, out, err = headless(*args.split())
                self.assertEqual((code, out), (2, ""))
                self.assertIn("takes", err)

    def test_a_hostile_host_leaves_typing_and_the_deadline_working(self):
        host = hosts.Flood(hostile=True)
        self.addCleanup(host.stop)
        code, out, err = headless("--connect", "127.0.0.1", str(host.port), "--type", "zq",
                                  "--wait", "never shown", "--seconds", "4")
        self.assertEqual(code, 1, err)
        self.assertIn('timed out waiting for "never shown"', err)
        self.assertTrue(host.sent > 1 << 20 and host.arrival(b"zq", 0), (host.sent, host.received[:3]))
        self.assertRegex(out, r"^cursor \d+ \d+\ntop \d+\n")


if __name__ == "__main__":
    unittest.main()
