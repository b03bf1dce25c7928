#!/usr/bin/python3
"""Drives the demo telnet host through every menu choice, the way the
client sees it: an 80 x 20 screen that understands only CR, LF, BS, TAB,
BEL, ESC [ row ; col H and ESC [ K. Anything else the host sends, or text
past column 80, is a failure.

    check_demo_host.py DEMO_DIR

Exit code 0 when all is well, 1 on a failure (a busybox without telnetd
included).
"""

import os
import re
import select
import signal
import socket
import subprocess
import sys
import time

IAC, DONT, DO, WONT, WILL, SB, SE = 255, 254, 253, 252, 251, 250, 240
ECHO, SGA, NAWS = 1, 3, 31
COLUMNS, ROWS = 80, 20


class Screen:
    """The client's view of the host's screen."""

    def __init__(self):
        self.grid = [[" "] * COLUMNS for _ in range(ROWS)]
        self.row = ROWS - 1
        self.column = 0
        self.escape = None          # bytes of an escape sequence so far
        self.errors = []
        self.bells = 0
        self.scrolled = 0

    def feed(self, data):
        for byte in data:
            if self.escape is not None:
                self.escape += bytes([byte])
                self.sequence()
                continue
            if byte == 27:
                self.escape = b""
            elif byte == 13:
                self.column = 0
            elif byte == 10:
                self.line_feed()
            elif byte == 8:
                self.column = max(0, self.column - 1)
            elif byte == 9:
                self.column = min(COLUMNS - 1, (self.column // 8 + 1) * 8)
            elif byte == 7:
                self.bells += 1
            elif byte < 32 or byte == 127:
                self.errors.append("control byte %d" % byte)
            else:
                if self.column >= COLUMNS:
                    self.errors.append("text past column 80 on row %d" % (self.row + 1))
                    continue
                self.grid[self.row][self.column] = chr(byte)
                self.column += 1

    def line_feed(self):
        if self.row == ROWS - 1:
            self.grid = self.grid[1:] + [[" "] * COLUMNS]
            self.scrolled += 1
        else:
            self.row += 1

    def sequence(self):
        text = self.escape.decode("latin-1")
        if re.fullmatch(r"\[[0-9;]*", text):
            return                                  # not finished yet
        match = re.fullmatch(r"\[(\d+);(\d+)H", text)
        if match:
            row, column = int(match.group(1)), int(match.group(2))
            if not (1 <= row <= ROWS and 1 <= column <= COLUMNS):
                self.errors.append("cursor moved off the screen: %r" % text)
            self.row = min(max(row, 1), ROWS) - 1
            self.column = min(max(column, 1), COLUMNS) - 1
        elif text == "[K":
            for x in range(self.column, COLUMNS):
                self.grid[self.row][x] = " "
        else:
            self.errors.append("escape sequence the client does not know: ESC %r" % text)
        self.escape = None

    def text(self):
        return "\n".join("".join(row).rstrip() for row in self.grid)

    def line(self, row):
        return "".join(self.grid[row - 1]).rstrip()


class Session:
    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=10)
        self.screen = Screen()
        self.pending = b""
        self.closed = False

    def send(self, text):
        self.sock.sendall(text.encode("latin-1").replace(bytes([IAC]), bytes([IAC, IAC])))

    def negotiate(self, command, option):
        if command == DO:
            if option == NAWS:
                self.sock.sendall(bytes([IAC, WILL, NAWS, IAC, SB, NAWS, 0, COLUMNS, 0, ROWS,
                                         IAC, SE]))
            else:
                self.sock.sendall(bytes([IAC, WONT, option]))
        elif command == WILL:
            self.sock.sendall(bytes([IAC, DO if option in (ECHO, SGA) else DONT, option]))

    def pump(self, seconds):
        """Reads what arrives within seconds; stops early when the host closes."""
        end = time.monotonic() + seconds
        while not self.closed:
            left = end - time.monotonic()
            if left <= 0:
                return
            ready, _, _ = select.select([self.sock], [], [], left)
            if not ready:
                return
            data = self.sock.recv(4096)
            if not data:
                self.closed = True
                return
            self.take(data)

    def take(self, data):
        data = self.pending + data
        self.pending = b""
        out = bytearray()
        i = 0
        while i < len(data):
            if data[i] != IAC:
                out.append(data[i])
                i += 1
                continue
            if i + 1 >= len(data):
                self.pending = data[i:]
                break
            command = data[i + 1]
            if command == IAC:
                out.append(IAC)
                i += 2
            elif command in (DO, DONT, WILL, WONT):
                if i + 2 >= len(data):
                    self.pending = data[i:]
                    break
                self.negotiate(command, data[i + 2])
                i += 3
            elif command == SB:
                end = data.find(bytes([IAC, SE]), i)
                if end < 0:
                    self.pending = data[i:]
                    break
                i = end + 2
            else:
                i += 2
        self.screen.feed(bytes(out))

    def wait_for(self, pattern, seconds=30):
        """Reads until the screen shows pattern (a regular expression)."""
        end = time.monotonic() + seconds
        while time.monotonic() < end and not self.closed:
            if re.search(pattern, self.screen.text(), re.M):
                return True
            self.pump(0.2)
        return bool(re.search(pattern, self.screen.text(), re.M))


FAILURES = []


def check(condition, message, session=None):
    if not condition:
        if session is not None:
            message += "\n--- screen ---\n" + session.screen.text() + "\n--------------"
        FAILURES.append(message)
    return condition


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def run_session(port):
    s = Session(port)
    if not check(s.wait_for(r"Your choice, then Enter:"), "no welcome screen", s):
        return
    text = s.screen.text()
    for item in ["QuorvishTelnet demo host", "1   a long listing", "2   a clock",
                 "3   a full-screen table", "q   leave"]:
        check(item in text, "welcome screen lacks %r" % item, s)

    # Anything else is repeated back; Backspace (BS) edits the line.
    s.send("hellx\bo\r")
    check(s.wait_for(r"You typed: hello\n"), "typed text not repeated back", s)
    s.send("\r")
    check(s.wait_for(r"Your choice, then Enter:$"), "no menu after the repeat", s)

    # 1: the listing scrolls the screen and ends with its last line shown.
    s.send("1\r")
    check(s.wait_for(r"End of the listing\. Press Enter for the menu\."), "listing did not end", s)
    check(s.screen.scrolled >= 40, "listing scrolled only %d rows" % s.screen.scrolled, s)
    check(re.search(r"^Line 60 of 60   2\^60 = 1152921504606846976 +=+$", s.screen.text(), re.M),
          "last listing line missing", s)
    numbers = [int(n) for n in re.findall(r"^Line (\d+) of 60", s.screen.text(), re.M)]
    check(numbers == list(range(60 - len(numbers) + 1, 61)), "listing lines out of order", s)
    s.send("\r")
    check(s.wait_for(r"Your choice, then Enter:$"), "no menu after the listing", s)

    # 3: the table puts code and glyph of every printable character in place.
    s.send("3\r")
    check(s.wait_for(r"Press Enter for the menu\."), "table did not finish", s)
    for code in range(32, 127):
        column, row = divmod(code - 32, 19)
        cell = "".join(s.screen.grid[row + 1][column * 16 + 1:column * 16 + 15]).rstrip()
        want = "%3d  %s" % (code, "space" if code == 32 else chr(code))
        check(cell == want, "table cell for %d reads %r" % (code, cell), s)
    s.send("\r")
    check(s.wait_for(r"Your choice, then Enter:$"), "no menu after the table", s)

    # 2: the clock redraws in place: the screen never scrolls while it runs.
    scrolled = s.screen.scrolled
    s.send("2\r")
    check(s.wait_for(r"\d+ seconds? to go"), "clock did not start", s)
    check(s.wait_for(r"#####"), "clock digits missing", s)
    first = re.search(r"(\d+) seconds? to go", s.screen.text())
    check(s.wait_for(r"(?!%s )\d+ seconds? to go" % (first.group(1) if first else "x")),
          "clock did not count down", s)
    check(s.wait_for(r"Press Enter for the menu\.", 40), "clock did not finish", s)
    check(s.screen.scrolled == scrolled, "the clock scrolled the screen", s)
    check(s.screen.line(2).startswith("  A clock"), "clock title moved", s)
    s.send("\r")
    check(s.wait_for(r"Your choice, then Enter:$"), "no menu after the clock", s)

    # q: goodbye, and the host closes the connection.
    s.send("q\r")
    check(s.wait_for(r"Goodbye\."), "no goodbye", s)
    s.pump(10)
    check(s.closed, "connection still open after q", s)
    check(not s.screen.errors, "host sent what the client cannot show: %s"
          % "; ".join(sorted(set(s.screen.errors))[:10]), s)
    s.sock.close()


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    start = os.path.join(sys.argv[1], "start-demo-host.sh")
    probe = subprocess.run(["busybox", "telnetd", "--help"], capture_output=True)
    if probe.returncode != 0:
        print("FAIL: no busybox with telnetd (package busybox-static)")
        sys.exit(1)
    port = free_port()
    started = subprocess.run([start, str(port)], capture_output=True, text=True, timeout=30)
    if started.returncode != 0:
        print("FAIL: start-demo-host.sh:", started.stderr.strip())
        sys.exit(1)
    pid = int(started.stdout.strip())
    try:
        run_session(port)
        # A second connection gets its own fresh session.
        again = Session(port)
        check(again.wait_for(r"Your choice, then Enter:"), "second connection got no welcome")
        again.sock.close()
    finally:
        os.kill(pid, signal.SIGTERM)
    for failure in FAILURES:
        print("FAIL:", failure)
    print("%d failure(s)" % len(FAILURES))
    sys.exit(1 if FAILURES else 0)


if __name__ == "__main__":
    main()
