"""Processes for tests, each in a process group of its own and stopped by
it; real telnet servers on a free port of 127.0.0.1, and a host of our own
that floods its client."""
import contextlib
import itertools
import os
import pathlib
import random
import signal
import socket
import subprocess
import threading
import time


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(condition, seconds, pause=0.2):
    """condition()'s first true value, polling for the seconds; else its last."""
    deadline = time.time() + seconds
    while not (value := condition()) and time.time() < deadline:
        time.sleep(pause)
    return value


class Process(subprocess.Popen):
    """Started in a process group of its own, stopped by the group's id."""

    def __init__(self, argv, **options):
        super().__init__(argv, stdin=subprocess.DEVNULL, start_new_session=True, **options)

    def stop(self):
        """TERM to it, so that it can stop what it started, then KILL to what is left of the group."""
        self.terminate()
        with contextlib.suppress(subprocess.TimeoutExpired):
            self.wait(30)
        with contextlib.suppress(ProcessLookupError):
            os.killpg(self.pid, signal.SIGKILL)
        self.wait()


def telnetd(kind, program):
    """busybox telnetd, or Debian's inetutils telnetd (run per connection by
    socat), serving `program`; the process, with its port."""
    port = free_port()
    server = Process({
        "busybox": ["busybox", "telnetd", "-F", "-f", "/dev/null", "-b", "127.0.0.1:%d" % port, "-l", program],
        "inetutils": ["socat", "TCP-LISTEN:%d,bind=127.0.0.1,reuseaddr,fork" % port,
                      "EXEC:/usr/sbin/telnetd -E %s,nofork" % program]}[kind], stderr=subprocess.DEVNULL)
    server.port = port   # listening is seen without connecting, which would start a session
    if not wait_for(lambda: subprocess.run(["ss", "-Hltn", "sport = :%d" % port], capture_output=True).stdout, 20):
        server.stop()
        raise RuntimeError("%s telnetd does not listen on port %d" % (kind, port))
    return server


def session_script(folder):
    """A login-like session: a prompt, each line typed logged to folder/typed.log,
    "bye" ends it (a second after its last line: a telnetd may drop what its
    session wrote last when the session ends at once). The script's path, and
    a function that reads the log."""
    log, script = pathlib.Path(folder, "typed.log"), pathlib.Path(folder, "session.sh")
    log.write_text("")
    script.write_text("#!/bin/sh\n"
                      "printf 'journey login: '\n"
                      "while IFS= read -r line; do\n"
                      "  printf '%%s\\n' \"$line\" >> '%s'\n"
                      "  case \"$line\" in bye*) printf 'Goodbye.\\r\\n'; sleep 1; exit 0;; esac\n"
                      "  printf 'You typed: %%s\\r\\njourney login: ' \"$line\"\n"
                      "done\n" % log)
    script.chmod(0o755)
    return str(script), log.read_text


def line_chunks():
    """Without end: 80-column numbered lines, a thousand to a chunk."""
    for first in itertools.count(0, 1000):
        yield b"".join(b"%08d %s\r\n" % (n, b"flood " * 8 + b"abcdefghijklmnopqrstuvw") for n in range(first, first + 1000))


def hostile_chunks(seed=7):
    """Without end: a mix that tries the interpreter at every turn: text, CR
    LF, control sequences with random parameters, escapes that never end,
    telnet commands of every value, subnegotiations without an end, runs of
    255 and of BEL."""
    rnd = random.Random(seed)
    options = [*range(65), *range(128, 256)]   # no letters: the client's replies never hold one
    pieces = [
        lambda: bytes(rnd.randrange(32, 127) for _ in range(rnd.randrange(1, 120))),
        lambda: b"\r\n",
        lambda: b"\x1b[" + ";".join(str(rnd.randrange(-5, 100000)) for _ in range(rnd.randrange(5))).encode()
        + bytes([rnd.choice(b"HKJmABCDfhlr@z")]),
        lambda: b"\x1b" + bytes(rnd.choice(b"0123456789;[?") for _ in range(rnd.randrange(50, 500))),
        lambda: bytes([255, rnd.randrange(236, 256), rnd.choice(options)]),
        lambda: bytes([255, 250, rnd.choice([24, 31, *options])]) + bytes(rnd.randrange(256) for _ in range(40)),
        lambda: b"\xff" * rnd.randrange(1, 300),
        lambda: b"\x07" * rnd.randrange(1, 200),
    ]
    while True:
        yield b"".join(rnd.choice(pieces)() for _ in range(2000))


class Flood:
    """A host on 127.0.0.1 that, once a client connects, sends without a
    pause (line_chunks, or hostile_chunks when hostile) and records what the
    client sends, with the time each piece came."""

    def __init__(self, hostile=False):
        self.listener = socket.create_server(("127.0.0.1", 0))
        self.port = self.listener.getsockname()[1]
        self.chunks = hostile_chunks() if hostile else line_chunks()
        self.received, self.sent, self.running = [], 0, True
        threading.Thread(target=self.serve, daemon=True).start()

    def serve(self):
        with contextlib.suppress(OSError):
            conn, _ = self.listener.accept()
            threading.Thread(target=self.read, args=(conn,), daemon=True).start()
            with conn:
                for chunk in self.chunks:   # prepared a few at a time: the sending never waits on them
                    for _ in range(20):
                        if not self.running:
                            return
                        conn.sendall(chunk)
                        self.sent += len(chunk)

    def read(self, conn):
        with contextlib.suppress(OSError):
            while data := conn.recv(4096):
                self.received.append((time.time(), data))

    def arrival(self, text, after):
        """When the client's bytes first held `text` after the time `after`; None while they do not."""
        return next((t for t, data in self.received if t > after and text in data), None)

    def stop(self):
        self.running = False
        self.listener.close()
