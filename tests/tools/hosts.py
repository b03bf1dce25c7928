"""Real telnet servers on 127.0.0.1 for tests: each is started on a free
port and stopped by its process group when the test is done."""
import os
import signal
import socket
import subprocess
import time


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for_port(port, seconds=10):
    deadline = time.time() + seconds
    while time.time() < deadline:
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=0.5):
                return
        except OSError:
            time.sleep(0.05)
    raise RuntimeError("nothing listens on port %d" % port)


class Server:
    """A server process in its own process group."""

    def __init__(self, argv, port):
        self.port = port
        self.process = subprocess.Popen(argv, start_new_session=True,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            wait_for_port(port)
        except Exception:
            self.stop()
            raise

    def stop(self):
        if self.process.poll() is None:
            try:
                os.killpg(self.process.pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                os.killpg(self.process.pid, signal.SIGKILL)
                self.process.wait()


def busybox_telnetd(program="/bin/login"):
    """busybox telnetd (package busybox-static) serving `program`."""
    port = free_port()
    return Server(["busybox", "telnetd", "-F", "-b", "127.0.0.1:%d" % port, "-l", program], port)


def inetutils_telnetd():
    """Debian's default telnetd, run per connection by socat."""
    port = free_port()
    return Server(["socat", "TCP-LISTEN:%d,bind=127.0.0.1,reuseaddr,fork" % port,
                   "EXEC:/usr/sbin/telnetd,nofork"], port)
