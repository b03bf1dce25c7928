#!/usr/bin/python3
"""How each program bears a host that never pauses: it is driven through its
start menu on a private X server to a host on 127.0.0.1 that floods it with
80-column lines, then to one that sends a hostile mix, and for each prints
  screen changes per second (screenshots of the view that differ from the
  one before, and how many were taken), the latency of a letter typed once a
  second until the host has it (median and max), the intake in MB/s, and the
  resident memory at the start and the end.
    bench/load-bench.py [--seconds S] linux PROGRAM
    bench/load-bench.py [--seconds S] wine PROGRAM.exe --arch win32|win64 --prefix DIR
Needs scripts/setup.sh test."""
import os
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.join(HERE, "..", "tests", "gui"), os.path.join(HERE, "..", "tests", "tools")]
import hosts  # noqa: E402
import journey_test  # noqa: E402


def resident_mb(leader):
    """Resident memory of the largest process the program's leader has
    started, itself included: the program, or under Wine the process that
    runs the .exe (which `timeout` puts in a process group of its own)."""
    table = [line.split() for line in subprocess.run(["ps", "-e", "-o", "pid=,ppid=,rss="],
                                                    capture_output=True, text=True).stdout.splitlines()]
    family, sizes, grown = {leader}, [0], True
    while grown:
        grown = False
        for pid, ppid, rss in ((int(a), int(b), int(c)) for a, b, c in table):
            if ppid in family and pid not in family:
                family.add(pid)
                grown = True
    sizes += [int(rss) for pid, _, rss in table if int(pid) in family]
    return max(sizes) / 1024


def measure(case, host, seconds):
    case.setUp()
    try:
        case.connect(host.port)
        hosts.wait_for(lambda: host.sent > 10 << 20, 60)
        left, top, width, height = case.surface()
        box = left, top, left + width, top + height
        start_rss, start_sent, start = resident_mb(case.program.pid), host.sent, time.time()
        shots = changes = 0
        latencies = []
        last = case.desktop.shot().crop(box).tobytes()
        for second in range(int(seconds)):
            letter = b"abcdefghijklmnop"[second % 16:second % 16 + 1]
            typed_at = time.time()
            case.desktop.type(case.window, letter.decode())
            while time.time() < typed_at + 1:
                shot = case.desktop.shot().crop(box).tobytes()
                shots, changes, last = shots + 1, changes + (shot != last), shot
            came = hosts.wait_for(lambda: host.arrival(letter, typed_at), 5, 0.01)
            latencies.append((came - typed_at) * 1000 if came else float("inf"))
        elapsed = time.time() - start
        return (changes / elapsed, shots / elapsed, statistics.median(latencies), max(latencies),
                (host.sent - start_sent) / elapsed / 1e6, start_rss, resident_mb(case.program.pid))
    finally:
        host.stop()
        case.doCleanups()


def main():
    args = sys.argv[1:]
    seconds = 10.0
    try:
        if args[:1] == ["--seconds"]:
            seconds, args = float(args[1]), args[2:]
        platform, program, *wine_options = args
        if platform not in ("linux", "wine") or seconds < 1:
            raise ValueError
    except (IndexError, ValueError):
        sys.exit("usage: bench/load-bench.py [--seconds S] linux PROGRAM\n"
                 "       bench/load-bench.py [--seconds S] wine PROGRAM.exe --arch win32|win64 --prefix DIR")
    journey_test.COMMAND = [program] if platform == "linux" else [
        os.path.join(HERE, "..", "tests", "tools", "wine-run.sh"), *wine_options, "--timeout", "900", program]
    kind = {"linux": journey_test.Linux, "wine": journey_test.Wine}[platform]
    print("%-8s %-8s %9s %7s %8s %8s %7s %9s" % ("program", "host", "changes/s", "shots/s", "median ms",
                                                  "max ms", "MB/s", "RSS MB"))
    for name, hostile in (("lines", False), ("hostile", True)):
        row = measure(kind("test_journey"), hosts.Flood(hostile=hostile), seconds)
        print("%-8s %-8s %9.1f %7.1f %8.0f %8.0f %7.2f %4.0f->%-4.0f" % (platform, name, *row), flush=True)


if __name__ == "__main__":
    main()
