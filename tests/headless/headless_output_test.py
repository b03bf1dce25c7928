"""The headless tool's file mode: its exact output format, and the same
state whatever the block size."""
import os
import subprocess
import unittest

HEADLESS = os.environ.get("QUORVISH_HEADLESS", "quorvish-headless")


def headless(data, *args):
    p = subprocess.run([HEADLESS, *args, "-"], input=data, capture_output=True, timeout=30)
    return p.returncode, p.stdout.decode("ascii"), p.stderr.decode()


class Format(unittest.TestCase):
    def test_exact_output(self):
        data = (b"\xff\xfd\x18\xff\xfd\x1f" b"one\\two\r\n" b"\x01\x7f\xc4" b"\x07\x07"
                b"\x1b[3;5H!")
        code, out, _ = headless(data)
        self.assertEqual(code, 0)
        row199 = "\\x01\\x7F\\xC4" + " " * 77
        self.assertEqual(out.splitlines(), [
            "cursor 182 5",
            "top 174",
            "scroll 1 0",
            "reply FF FB 18",
            "reply FF FB 1F",
            "reply FF FA 1F 00 50 00 14 FF F0",
            "bell 2",
            "182|    !" + " " * 75 + "|",
            "198|one\\\\two" + " " * 73 + "|",
            "199|" + row199 + "|",
        ])

    def test_empty_input_is_the_start_state(self):
        code, out, _ = headless(b"")
        self.assertEqual(out, "cursor 199 0\ntop 175\nscroll 0 0\nbell 0\n")


class Blocks(unittest.TestCase):
    def test_block_size_does_not_change_the_result(self):
        data = (b"login: \xff\xfb\x01\xff\xfa\x18\x01\xff\xf0" + b"x" * 90 + b"\r\n"
                b"\x1b]0;title\x07\x1b[12;40Hmid\x1b[K\xff\xff" * 20)
        outputs = {n: headless(data, "--block", str(n))[1] for n in (1, 2, 3, 7, 64, 2048)}
        self.assertEqual(len(set(outputs.values())), 1, outputs)


class Usage(unittest.TestCase):
    def test_numbers_out_of_range_are_refused_with_a_message(self):
        connect = ["--connect", "127.0.0.1"]
        for args in (["--block", "0", "-"], ["--block", "4096", "-"], ["--block", "x", "-"],
                     ["--block", "99999999999999999999", "-"],
                     [*connect, "99999"], [*connect, "0"], [*connect, "23x"],
                     [*connect, "23", "--seconds", "inf"], [*connect, "23", "--seconds", "1e300"],
                     [*connect, "23", "--seconds", "nan"], [*connect, "23", "--seconds", "-1"],
                     [*connect, "23", "--seconds", "0"]):
            p = subprocess.run([HEADLESS, *args], input=b"", capture_output=True, timeout=10)
            self.assertEqual(p.returncode, 2, args)
            self.assertIn("takes", p.stderr.decode(), args)
            self.assertEqual(p.stdout, b"", args)

    def test_other_bad_arguments(self):
        p = subprocess.run([HEADLESS, "--connect", "127.0.0.1"], capture_output=True)
        self.assertEqual(p.returncode, 64)
        p = subprocess.run([HEADLESS, "/no/such/file"], capture_output=True)
        self.assertNotEqual(p.returncode, 0)


if __name__ == "__main__":
    unittest.main()
