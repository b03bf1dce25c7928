#!/usr/bin/env python3
"""Runs the byte-stream cases of *.test files through quorvish-headless.

"case NAME" starts a case; its "push" lines are the bytes the host sends:
"quoted text" (escapes \\r \\n \\t \\a \\b \\e \\\\ \\" \\xHH; "text"*N repeats),
hex bytes (ff) and the names in NAMES. The other lines are the state expected:
"cursor ROW COLUMN", "top N", "scroll ACTIVE OFFSET", "bell N", "reply HH ..."
and "row N TEXT" or "row FIRST-LAST TEXT". Strict: a row not listed must be
blank, no reply and no bell that is not listed. Each case is fed whole and
again one byte per read, which must give the same state.

usage: run_cases.py HEADLESS CASEFILE...
"""
import re
import subprocess
import sys

NAMES = {"NUL": 0, "BEL": 7, "BS": 8, "HT": 9, "LF": 10, "CR": 13, "SO": 14, "SI": 15,
         "CAN": 24, "SUB": 26, "ESC": 27, "SE": 240, "NOP": 241, "EL": 248, "GA": 249,
         "SB": 250, "WILL": 251, "WONT": 252, "DO": 253, "DONT": 254, "IAC": 255}
ESCAPES = dict(r="\r", n="\n", t="\t", a="\a", b="\b", e="\x1b")
TOKEN = re.compile(r'"((?:[^"\\]|\\.)*)"(?:\*(\d+))?|(\S+)')
CHAR = re.compile(r"\\x([0-9a-fA-F]{2})|\\(.)|(.)", re.S)


def push_bytes(text):
    out = bytearray()
    for quoted, times, word in TOKEN.findall(text):
        if word:
            out.append(NAMES[word] if word in NAMES else int(word, 16))
        else:
            piece = "".join(chr(int(h, 16)) if h else ESCAPES.get(e, e) if e else c
                            for h, e, c in CHAR.findall(quoted))
            out += piece.encode("latin-1") * int(times or 1)
    return bytes(out)


def read_cases(path):
    cases = []
    for number, line in enumerate(open(path, encoding="latin-1"), 1):
        line = line.rstrip("\n")
        if line.startswith("case "):
            cases.append((f"{path}:{number}: {line[5:]}", bytearray(), []))
        elif line.startswith("push "):
            cases[-1][1].extend(push_bytes(line[5:]))
        elif line.strip() and not line.startswith("#"):
            cases[-1][2].append(line)
    return cases


def state(headless, data, block):
    """The terminal's state after data: {row: text} and the other lines."""
    run = subprocess.run([headless, "--block", str(block), "-"], input=data,
                         capture_output=True, timeout=30)
    if run.returncode != 0:
        raise RuntimeError(f"exit {run.returncode}: {run.stderr.decode(errors='replace')}")
    rows, other = {}, {"reply": [], "bell": "0"}
    for line in run.stdout.decode("latin-1").splitlines():
        key, _, value = line.partition(" ")
        if re.match(r"\d{3}\|", line):
            rows[int(line[:3])] = line[4:-1].rstrip()
        elif key == "reply":
            other["reply"].append(value)
        else:
            other[key] = value
    return rows, other


def problems(expect, rows, other):
    want_rows, want = {}, {"reply": [], "bell": "0"}
    for line in expect:
        key, _, value = line.partition(" ")
        if key == "row":
            span, _, text = value.partition(" ")
            first, _, last = span.partition("-")
            want_rows.update((r, text.rstrip()) for r in range(int(first), int(last or first) + 1))
        elif key == "reply":
            want["reply"].append(value)
        else:
            want[key] = value
    found = [f"{k}: expected {v!r}, got {other.get(k)!r}" for k, v in want.items() if other.get(k) != v]
    return found + [f"row {r}: expected {want_rows.get(r, '')!r}, got {rows.get(r, '')!r}"
                    for r in sorted(set(rows) | set(want_rows)) if rows.get(r, "") != want_rows.get(r, "")]


def main():
    headless, failures, total = sys.argv[1], 0, 0
    for path in sys.argv[2:]:
        for name, data, expect in read_cases(path):
            total += 1
            try:
                whole = state(headless, bytes(data), 2048)
                found = problems(expect, *whole)
                if state(headless, bytes(data), 1) != whole:
                    found.append("one byte per read gives another state")
            except (RuntimeError, subprocess.TimeoutExpired) as e:
                found = [str(e)]
            if found:
                failures += 1
                print(f"FAIL {name}\n  " + "\n  ".join(found))
    print(f"{total - failures} of {total} cases passed")
    return 1 if failures or not total else 0


if __name__ == "__main__":
    sys.exit(main())
