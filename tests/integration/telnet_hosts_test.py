"""The headless client against real telnet servers on loopback: negotiation,
login prompt, typed characters and their echo, the host closing, and the
failure paths."""
import os
import socket
import stat
import sys
import subprocess
import tempfile
import threading
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import hosts  # noqa: E402

HEADLESS = os.environ.get("QUORVISH_HEADLESS", "quorvish-headless")


def run(*args, seconds=20):
    """Runs the headless client; returns (exit code, stdout, stderr)."""
    p = subprocess.run([HEADLESS, "--connect", *args, "--seconds", str(seconds)],
                       capture_output=True, text=True, errors="replace", timeout=seconds + 30)
    return p.returncode, p.stdout, p.stderr


def replies(stdout):
    """The negotiation replies the client sent, in order."""
    return [line[6:] for line in stdout.splitlines() if line.startswith("reply ")]


def grid(stdout):
    """The grid rows of the output, as {row: text}."""
    rows = {}
    for line in stdout.splitlines():
        if len(line) > 4 and line[3] == "|" and line[:3].isdigit():
            rows[int(line[:3])] = line[4:-1]
    return rows


class LoginPrompts(unittest.TestCase):
    """Typed text comes back as the host's echo, with both servers: the
    client takes the host's offer to echo (WILL 1 gets DO 1)."""

    def login_echo(self, server):
        try:
            return run("127.0.0.1", str(server.port), "--wait", "login:",
                       "--type", "echoprobe42", "--wait", "echoprobe42",
                       "--type", "\\r", "--wait", "Password:")
        finally:
            server.stop()

    def test_busybox_echoes_what_is_typed(self):
        code, out, err = self.login_echo(hosts.busybox_telnetd())
        self.assertEqual(code, 0, err)
        self.assertIn("login: echoprobe42", "\n".join(grid(out).values()))
        sent = replies(out)
        self.assertIn("FF FD 01", sent)
        self.assertIn("FF FD 03", sent)

    def test_inetutils_echoes_what_is_typed(self):
        # This server waits for an answer to its offers before it sends a
        # prompt, and echoes only once the client has said DO ECHO.
        code, out, err = self.login_echo(hosts.inetutils_telnetd())
        self.assertEqual(code, 0, err)
        self.assertIn("login: echoprobe42", "\n".join(grid(out).values()))
        sent = replies(out)
        self.assertEqual(sent.count("FF FD 01"), 1, sent)
        self.assertEqual(sent.count("FF FD 03"), 1, sent)
        self.assertNotIn("FF FE 01", sent)
        self.assertIn("FF FE 26", sent)   # the offers it does not take are refused

    def test_host_name_is_looked_up(self):
        server = hosts.busybox_telnetd()
        try:
            code, out, err = run("localhost", str(server.port), "--wait", "login:")
        finally:
            server.stop()
        self.assertEqual(code, 0, err)


class NegotiationLoops(unittest.TestCase):
    def test_a_host_that_repeats_every_request_gets_a_bounded_answer(self):
        """A host that answers each reply with the request that caused it
        again. For echo and suppress-go-ahead the client answers once."""
        listener = socket.socket()
        listener.bind(("127.0.0.1", 0))
        listener.listen(1)
        port = listener.getsockname()[1]
        received = bytearray()

        def serve():
            conn, _ = listener.accept()
            with conn:
                conn.sendall(bytes([255, 251, 1, 255, 251, 3]))
                conn.settimeout(0.2)
                deadline = time.time() + 3
                while time.time() < deadline and len(received) < 10000:
                    try:
                        data = conn.recv(4096)
                    except socket.timeout:
                        continue
                    if not data:
                        break
                    received.extend(data)
                    for i in range(0, len(data) - 2):
                        if data[i] == 255 and data[i + 1] == 253:   # DO o: repeat WILL o
                            conn.sendall(bytes([255, 251, data[i + 2]]))

        host = threading.Thread(target=serve)
        host.start()
        try:
            code, out, err = run("127.0.0.1", str(port), seconds=4)
        finally:
            host.join()
            listener.close()
        self.assertEqual(bytes(received), bytes([255, 253, 1, 255, 253, 3]))


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
        self.assertEqual(p.returncode, 0, p.stdout + p.stderr)


if __name__ == "__main__":
    unittest.main()
