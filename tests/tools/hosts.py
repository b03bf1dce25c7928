"""Processes for tests, each in a process group of its own and stopped by
it, and real telnet servers on a free port of 127.0.0.1."""
import contextlib
import os
import pathlib
import signal
import socket
import subprocess
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
