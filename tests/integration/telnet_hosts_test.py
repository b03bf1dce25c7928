"""quorvish-headless against real telnet servers and small hosts of its own
on 127.0.0.1, in a network namespace of the test's own (unshare --net) whose
small TCP buffers make sends really come back short."""
import os
import pathlib
import re
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import hosts  # noqa: E402

HEADLESS = os.environ.get("QUORVISH_HEADLESS", "quorvish-headless")


def setUpModule():
    if os.readlink("/proc/self/ns/net") == os.readlink("/proc/%d/ns/net" % os.getppid()):
        raise RuntimeError("run this under unshare --net: it makes the TCP buffers small")
    subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
    for name, sizes in (("tcp_wmem", "4096 8192 8192"), ("tcp_rmem", "4096 4096 4096")):
        pathlib.Path("/proc/sys/net/ipv4", name).write_text(sizes)


def run(host, port, *steps, seconds=20):
    """The headless client's (exit code, stdout, stderr)."""
    p = subprocess.run([HEADLESS, "--connect", host, str(port), *steps, "--seconds", str(seconds)],
                       capture_output=True, text=True, errors="replace", timeout=seconds + 30)
    return p.returncode, p.stdout, p.stderr


def serve(reply, greeting=b"", pause=0.0):
    """A host that greets, pauses, then answers each chunk with reply(chunk);
    its port, and a function that waits for it and gives what it received."""
    listener = socket.create_server(("127.0.0.1", 0))
    received = bytearray()

    def host():
        conn, _ = listener.accept()
        with conn, listener:
            conn.sendall(greeting)
            time.sleep(pause)
            conn.settimeout(30)
            while data := conn.recv(512):
                received.extend(data)
                conn.sendall(reply(data))
    thread = threading.Thread(target=host, daemon=True)
    thread.start()
    return listener.getsockname()[1], lambda: thread.join(60) or bytes(received)


class TelnetHosts(unittest.TestCase):
    def test_both_servers_echo_what_is_typed_and_close_with_disconnected(self):
        """Echo taken once, window 80 x 20, VT100; "bye" ends the session,
        and the host's close is reported before the last wait is met."""
        script, _ = hosts.session_script(tempfile.mkdtemp(prefix="quorvish-hosts-"))
        for kind, asked in (("busybox", []), ("inetutils", ["FF FA 18 00 56 54 31 30 30 FF F0"])):
            with self.subTest(kind):
                server = hosts.telnetd(kind, script)
                self.addCleanup(server.stop)
                code, out, err = run("localhost", server.port, "--wait", "login: ", "--type", "echoprobe42",
                                     "--wait", "login: echoprobe42", "--type", "\\r",
                                     "--wait", "You typed: echoprobe42", "--type", "bye\\r", "--wait", "never shown")
                self.assertEqual(code, 1, err)
                self.assertIn("Goodbye.", out)
                self.assertRegex(err, 'Error: Disconnected!\n.*waiting for "never shown"')
                sent = re.findall(r"^reply (.*)$", out, re.M)
                for reply in ["FF FD 01", "FF FD 03", "FF FA 1F 00 50 00 14 FF F0", *asked]:
                    self.assertEqual(sent.count(reply), 1, (reply, sent))

    def test_a_host_that_repeats_every_request_gets_a_bounded_answer(self):
        """It offers echo and suppress-go-ahead, and each DO again."""
        def repeat(data):
            return bytes(b for i in range(len(data) - 2) if data[i:i + 2] == b"\xff\xfd"
                         for b in (255, 251, data[i + 2]))
        port, received = serve(repeat, greeting=bytes([255, 251, 1, 255, 251, 3]))
        run("127.0.0.1", port, seconds=3)
        self.assertEqual(received(), bytes([255, 253, 1, 255, 253, 3]))

    def test_failures_exit_2_with_the_reason(self):
        # The resolver refuses a first label longer than DNS allows: no name server is asked.
        for host, port, reason in (("127.0.0.1", hosts.free_port(), "Error: Connection error!"),
                                   ("x" * 70 + ".invalid", 23, "DNS Error: Error looking up host address!")):
            with self.subTest(reason):
                code, _, err = run(host, port, seconds=5)
                self.assertEqual(code, 2, err)
                self.assertIn(reason, err)

    def test_nothing_typed_is_lost_or_reordered_by_a_slow_reader(self):
        """A host that reads nothing for a second and then reads slowly,
        while sends come back short: every character arrives once, in order."""
        port, received = serve(lambda data: time.sleep(0.005) or b"", pause=1.0)
        typed = ["".join("%05d:" % i + "abcdefghijklmnopqrstuvwxyz" * 2 for i in range(j, j + 100))
                 for j in range(0, 600, 100)]
        code, _, err = run("127.0.0.1", port, *[arg for text in typed for arg in ("--type", text)], seconds=60)
        self.assertEqual(code, 0, err)
        self.assertGreater(int(re.search(r"(\d+) short", err)[1]), 0, err)
        self.assertEqual(received(), "".join(typed).encode())


if __name__ == "__main__":
    unittest.main()
