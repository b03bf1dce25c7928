#!/usr/bin/env python3
"""Runs the byte-stream cases of *.test files through quorvish-headless.

A case starts with "case NAME"; its "push" lines give the bytes the host
sends: "quoted text" with \\r \\n \\t \\a \\b \\e \\\\ \\" \\xHH escapes
("text"*N repeats it), hex bytes (ff) and the names of NAMES. The lines
after them are what the terminal must show: "cursor ROW COLUMN", "top N",
"scroll ACTIVE OFFSET", "bell N", "reply HH ..." and "row NNN TEXT" (or
"row FIRST-LAST TEXT" for a run of equal rows). Rows,
replies and the bell are strict: a row not listed must be blank, no reply
may come that is not listed, no bell unless listed. Every case is also fed
one byte per read, which must give the same state.

usage: run_cases.py HEADLESS CASEFILE...
"""
import re
import subprocess
import sys

NAMES = {"NUL": 0, "BEL": 7, "BS": 8, "HT": 9, "LF": 10, "CR": 13, "SO": 14, "SI": 15,
         "CAN": 24, "SUB": 26, "ESC": 27, "SE": 240, "NOP": 241, "EL": 248, "GA": 249,
         "SB": 250, "WILL": 251, "WONT": 252, "DO": 253, "DONT": 254, "IAC": 255}
ESCAPES = {"r": b"\r", "n": b"\n", "t": b"\t", "a": b"\a", "b": b"\b", "e": b"\x1b",
           "\\": b"\\", '"': b'"'}
TOKEN = re.compile(r'"((?:[^"\\]|\\.)*)"(?:\*(\d+))?|(\S+)')


def parse_push(text):
    out = bytearray()
    for quoted, times, word in TOKEN.findall(text):
        if word:
            out.append(NAMES[word] if word in NAMES else int(word, 16))
            continue
        piece = bytearray()
        for m in re.finditer(r"\\x([0-9a-fA-F]{2})|\\(.)|([^\\])", quoted, re.S):
            hexa, esc, plain = m.groups()
            piece += bytes([int(hexa, 16)]) if hexa else ESCAPES[esc] if esc else plain.encode("latin-1")
        out += piece * int(times or 1)
    return bytes(out)


def read_cases(path):
    cases = []
    for number, line in enumerate(open(path, encoding="latin-1"), 1):
        line = line.rstrip("\n")
        if not line.strip() or line.startswith("#"):
            continue
        if line.startswith("case "):
            cases.append({"name": f"{path}:{number}: {line[5:]}", "bytes": b"", "expect": []})
        elif line.startswith("push "):
            cases[-1]["bytes"] += parse_push(line[5:])
        else:
            cases[-1]["expect"].append(line)
    return cases


def state(headless, data, block):
    run = subprocess.run([headless, "--block", str(block), "-"], input=data,
                         capture_output=True, timeout=30)
    if run.returncode != 0:
        return None, f"exit {run.returncode}: {run.stderr.decode(errors='replace')}"
    rows, other = {}, {"reply": []}
    for line in run.stdout.decode("latin-1").splitlines():
        if re.match(r"\d{3}\|", line):
            rows[int(line[:3])] = line[4:-1].rstrip()
        else:
            key, _, value = line.partition(" ")
            if key == "reply":
                other["reply"].append(value)
            else:
                other[key] = value
    return (rows, other), None


def check(case, got):
    rows, other = got
    problems = []
    listed_rows, replies, bell = {}, [], "0"
    for line in case["expect"]:
        key, _, value = line.partition(" ")
        if key == "row":
            numbers, _, text = value.partition(" ")
            first, _, last = numbers.partition("-")
            for r in range(int(first), int(last or first) + 1):
                listed_rows[r] = text.rstrip()
        elif key == "reply":
            replies.append(value)
        elif key == "bell":
            bell = value
        elif other.get(key) != value:
            problems.append(f"{key}: expected {value!r}, got {other.get(key)!r}")
    for r in sorted(set(rows) | set(listed_rows)):
        if rows.get(r, "") != listed_rows.get(r, ""):
            problems.append(f"row {r}: expected {listed_rows.get(r, '')!r}, got {rows.get(r, '')!r}")
    if other["reply"] != replies:
        problems.append(f"replies: expected {replies}, got {other['reply']}")
    if other.get("bell") != bell:
        problems.append(f"bell: expected {bell}, got {other.get('bell')}")
    return problems


def main():
    headless, files = sys.argv[1], sys.argv[2:]
    failures = total = 0
    for path in files:
        for case in read_cases(path):
            total += 1
            whole, error = state(headless, case["bytes"], 2048)
            problems = [error] if error else check(case, whole)
            if not error:
                split, error = state(headless, case["bytes"], 1)
                if split != whole:
                    problems.append(error or "one byte per read gives another state")
            if problems:
                failures += 1
                print(f"FAIL {case['name']}\n  " + "\n  ".join(problems))
    print(f"{total - failures} of {total} cases passed")
    return 1 if failures or not total else 0


if __name__ == "__main__":
    sys.exit(main())
