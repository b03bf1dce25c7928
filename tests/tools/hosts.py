"""Real telnet servers on 127.0.0.1 for tests, and the processes around
them: each server is started on a free port, in a process group of its
own, and stopped by it."""
import os
import signal
import socket
import subprocess
import time


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(condition, seconds, pause=0.1):
    """Polls condition() until it returns a true value or the time is up;
    returns its last value."""
    deadline = time.time() + seconds
    while True:
        value = condition()
        if value or time.time() > deadline:
            return value
        time.sleep(pause)


def listening(port):
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=0.5):
            return True
    except OSError:
        return False


class Process:
    """A process in a process group of its own, stopped by its id."""

    def __init__(self, argv, env=None, log=None):
        out = open(log, "ab") if log else subprocess.DEVNULL
        self.popen = subprocess.Popen(argv, env=env, stdout=out, stderr=subprocess.STDOUT,
                                      stdin=subprocess.DEVNULL, start_new_session=True)
        if log:
            out.close()
        self.pid = self.popen.pid

    def running(self):
        return self.popen.poll() is None

    def wait(self, seconds):
        """The exit code, or None when it still runs after the seconds."""
        try:
            return self.popen.wait(seconds)
        except subprocess.TimeoutExpired:
            return None

    def stop(self):
        for sig in (signal.SIGTERM, signal.SIGKILL):
            if self.popen.poll() is not None:
                return
            try:
                os.killpg(self.pid, sig)
            except ProcessLookupError:
                return
            self.wait(10)
        self.popen.wait()


class Server(Process):
    def __init__(self, argv, port):
        super().__init__(argv)
        self.port = port
        if not wait_for(lambda: listening(port), 10):
            self.stop()
            raise RuntimeError("%s does not listen on port %d" % (argv[0], port))


def busybox_telnetd(program="/bin/login"):
    """busybox telnetd (package busybox-static) serving `program`."""
    port = free_port()
    return Server(["busybox", "telnetd", "-F", "-f", "/dev/null", "-b", "127.0.0.1:%d" % port,
                   "-l", program], port)


def inetutils_telnetd(program=None):
    """Debian's default telnetd, run per connection by socat; it serves
    `program` instead of login when one is given."""
    port = free_port()
    telnetd = "/usr/sbin/telnetd" + (" -E " + program if program else "")
    return Server(["socat", "TCP-LISTEN:%d,bind=127.0.0.1,reuseaddr,fork" % port,
                   "EXEC:%s,nofork" % telnetd], port)


def session_script(folder):
    """A small login-like session for a telnet server to serve: a prompt,
    every line typed written to folder/typed.log, "bye" ends it. Returns
    the script's path and a function that reads the log."""
    log = os.path.join(folder, "typed.log")
    open(log, "w").close()
    script = os.path.join(folder, "session.sh")
    with open(script, "w") as f:
        f.write("#!/bin/sh\n"
                "echo started >> '%s'\n"
                "printf 'journey login: '\n"
                "while IFS= read -r line; do\n"
                "  printf '%%s\\n' \"$line\" >> '%s'\n"
                "  case \"$line\" in bye*) printf 'Goodbye.\\r\\n'; exit 0;; esac\n"
                "  printf 'You typed: %%s\\r\\njourney login: ' \"$line\"\n"
                "done\n" % (log, log))
    os.chmod(script, 0o755)

    def typed():
        with open(log) as f:
            return f.read()
    return script, typed
