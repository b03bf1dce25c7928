"""The headless client against real telnet servers on loopback: negotiation,
login prompt, typed characters and their echo, the host closing, and the
failure paths."""
import os
import stat
import sys
import subprocess
import tempfile
import unittest

import hosts

HEADLESS = os.environ.get("QUORVISH_HEADLESS", "quorvish-headless")


def run(*args, seconds=20):
    """Runs the headless client; returns (exit code, stdout, stderr)."""
    p = subprocess.run([HEADLESS, "--connect", *args, "--seconds", str(seconds)],
                       capture_output=True, text=True, errors="replace", timeout=seconds + 30)
    return p.returncode, p.stdout, p.stderr


def grid(stdout):
    """The grid rows of the output, as {row: text}."""
    rows = {}
    for line in stdout.splitlines():
        if len(line) > 4 and line[3] == "|" and line[:3].isdigit():
            rows[int(line[:3])] = line[4:-1]
    return rows


class LoginPrompts(unittest.TestCase):
    def test_busybox_login_prompt_and_echo(self):
        server = hosts.busybox_telnetd()
        try:
            code, out, err = run("127.0.0.1", str(server.port), "--wait", "login:",
                                 "--type", "quorvish\\r", "--wait", "login: quorvish",
                                 "--wait", "Password:")
        finally:
            server.stop()
        self.assertEqual(code, 0, err)
        self.assertIn("Password:", "\n".join(grid(out).values()))

    def test_inetutils_negotiation_completes_and_typing_reaches_login(self):
        # This server waits for an answer to its offers before it sends a
        # prompt: reaching "login:" shows that negotiation completed.
        server = hosts.inetutils_telnetd()
        try:
            code, out, err = run("127.0.0.1", str(server.port), "--wait", "login:",
                                 "--type", "quorvish\\r", "--wait", "Password:")
        finally:
            server.stop()
        self.assertEqual(code, 0, err)

    def test_host_name_is_looked_up(self):
        server = hosts.busybox_telnetd()
        try:
            code, out, err = run("localhost", str(server.port), "--wait", "login:")
        finally:
            server.stop()
        self.assertEqual(code, 0, err)


class SessionEnd(unittest.TestCase):
    def test_host_closing_ends_the_session_with_disconnected(self):
        with tempfile.TemporaryDirectory() as d:
            script = os.path.join(d, "bye")
            with open(script, "w") as f:
                f.write("#!/bin/sh\necho 'goodbye from the host'\nsleep 0.2\n")
            os.chmod(script, stat.S_IRWXU)
            server = hosts.busybox_telnetd(script)
            try:
                code, out, err = run("127.0.0.1", str(server.port))
            finally:
                server.stop()
        self.assertEqual(code, 0, err)
        self.assertIn("Error: Disconnected!", err)
        self.assertIn("goodbye from the host", "\n".join(grid(out).values()))

    def test_unmet_wait_times_out_with_exit_code_1(self):
        server = hosts.busybox_telnetd()
        try:
            code, out, err = run("127.0.0.1", str(server.port), "--wait", "never shown",
                                 seconds=3)
        finally:
            server.stop()
        self.assertEqual(code, 1)
        self.assertIn("never shown", err)


class Failures(unittest.TestCase):
    def test_connection_refused(self):
        port = hosts.free_port()  # nothing listens there
        code, out, err = run("127.0.0.1", str(port), seconds=5)
        self.assertEqual(code, 2)
        self.assertIn("Error: Connection error!", err)

    def test_name_not_found(self):
        # A first label longer than DNS allows: the resolver refuses the name
        # without asking any name server, so nothing leaves this machine.
        code, out, err = run("no-such-host-" + "x" * 60 + ".invalid", "23", seconds=5)
        self.assertEqual(code, 2)
        self.assertIn("DNS Error: Error looking up host address!", err)


class SlowReader(unittest.TestCase):
    """A host that does not read for a while and then reads slowly, in a
    network namespace of its own with small socket buffers so that sends
    really come back short: every typed character still arrives once, in
    order."""

    def test_nothing_typed_is_lost_or_reordered(self):
        here = os.path.dirname(os.path.abspath(__file__))
        p = subprocess.run(["unshare", "--net", sys.executable,
                            os.path.join(here, "slow_reader.py"), HEADLESS],
                           capture_output=True, text=True, timeout=180)
        if p.returncode == 77:
            self.skipTest(p.stderr.strip())
        self.assertEqual(p.returncode, 0, p.stdout + p.stderr)


if __name__ == "__main__":
    unittest.main()
