#!/usr/bin/env python3
"""Differential replay: runs fuzz corpora through the host and through replay_driver and
reports every input on which they differ.

    python3 tests/fuzz/replay_host.py [--driver PATH] [--work] [--strict] [--folder T=PATH] [TARGET...]

TARGET is a corpus folder name under tests/fuzz/corpus (decode, rows, json_read,
json_roundtrip, pattern; default all of them). --work also replays the working corpora
that scripts/fuzz.sh grew in dist/build-fuzz/work. --strict (as CTest runs it) also fails
when a target has no committed inputs. Exit status 1 when anything differs.

What the host does with each input, as the core layer must:
- decode, rows: the bytes read in text mode as UTF-8 with errors="ignore", and
  str.splitlines() of the text before and after newline translation;
- json_*: json.loads of the bytes decoded with errors="ignore", with the mark refused
  and with one leading U+FEFF dropped, written back with json.dumps; or the error text;
  and json.dumps of the first eight bytes taken as a little-endian double;
- pattern: re.finditer spans of every group and re.sub with the driver's template, for
  the pattern that the input's head picks (the driver says which and how many bytes the
  head takes), over the rest decoded in text mode.
"""
import argparse
import io
import json
import os
import re
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
MODES = {"decode": "decode", "rows": "decode", "json_read": "json", "json_roundtrip": "json",
         "pattern": "pattern"}
FLAGS = {1: re.IGNORECASE, 2: re.MULTILINE, 4: re.DOTALL}


def text_mode(data):
    return io.TextIOWrapper(io.BytesIO(data), encoding="utf-8", errors="ignore").read()


def host_decode(data, _driver_line):
    text = text_mode(data)
    raw = data.decode("utf-8", "ignore")
    return {"text": text, "rows": text.splitlines(), "raw": raw, "raw_rows": raw.splitlines()}


def parse_int(s):
    # The core layer keeps integers of 64 bits (signed or unsigned) and reads wider ones
    # as floats.
    if len(s) <= 21:
        v = int(s)
        if -2**63 <= v < 2**64:
            return v
    return float(s)


class Prefix(str):
    """An expected message that the core layer may follow with the error's position:
    the host's RecursionError has none, the core layer's JsonError always has one."""


def json_outcome(text):
    try:
        return {"value": json.dumps(json.loads(text, parse_int=parse_int))}
    except json.JSONDecodeError as e:
        return {"error": str(e)}
    except RecursionError as e:
        return {"error": Prefix(str(e) + ": ")}


def host_json(data, _driver_line):
    text = data.decode("utf-8", "ignore")
    out = {"reject": json_outcome(text),
           "strip": json_outcome(text[1:] if text.startswith("\ufeff") else text)}
    if len(data) >= 8:
        out["repr"] = json.dumps(struct.unpack("<d", data[:8])[0])
    return out


def host_pattern(data, driver_line):
    if driver_line is None:
        return None
    flags = 0
    for bit, f in FLAGS.items():
        if driver_line["flags"] & bit:
            flags |= f
    rx = re.compile(driver_line["pattern"], flags)
    text = text_mode(data[driver_line["skip"]:])
    matches = [[x for g in range(rx.groups + 1) for x in m.span(g)] for m in rx.finditer(text)]
    return {"skip": driver_line["skip"], "pattern": driver_line["pattern"], "flags": driver_line["flags"],
            "template": driver_line["template"], "matches": matches,
            "sub": rx.sub(driver_line["template"], text)}


HOST = {"decode": host_decode, "json": host_json, "pattern": host_pattern}


def first_difference(a, b, where=""):
    if isinstance(a, Prefix) and isinstance(b, str):
        return None if b.startswith(a) else f"{where}: {b!r} does not start with {str(a)!r}"
    if type(a) is not type(b):
        return f"{where or 'result'}: {a!r} != {b!r}"
    if isinstance(a, dict):
        for k in sorted(set(a) | set(b)):
            if k not in a or k not in b:
                return f"{where}.{k}: present on one side only"
            d = first_difference(a[k], b[k], f"{where}.{k}")
            if d:
                return d
        return None
    if isinstance(a, list):
        for i, (x, y) in enumerate(zip(a, b)):
            d = first_difference(x, y, f"{where}[{i}]")
            if d:
                return d
        if len(a) != len(b):
            return f"{where}: {len(a)} items != {len(b)} items"
        return None
    return None if a == b else f"{where}: {a!r} != {b!r}"


def snapshot(folder):
    """The inputs of a folder, read at once (a running fuzzer may replace its files)."""
    inputs = []
    for name in sorted(os.listdir(folder)):
        try:
            with open(os.path.join(folder, name), "rb") as f:
                inputs.append((name, f.read()))
        except (FileNotFoundError, IsADirectoryError):
            pass
    return inputs


def replay(driver, target, folder):
    inputs = snapshot(folder)
    mode = MODES[target]
    differences = 0
    with tempfile.TemporaryDirectory() as tmp:
        for start in range(0, len(inputs), 200):
            batch = inputs[start:start + 200]
            paths = []
            for i, (_, data) in enumerate(batch):
                paths.append(os.path.join(tmp, str(start + i)))
                with open(paths[-1], "wb") as f:
                    f.write(data)
            run = subprocess.run([driver, mode, *paths], capture_output=True, text=True)
            if run.returncode != 0:
                print(f"{target}: driver failed ({run.returncode}) on {folder}:\n{run.stderr}", file=sys.stderr)
                return len(batch)
            lines = run.stdout.splitlines()
            if len(lines) != len(batch):
                print(f"{target}: driver gave {len(lines)} results for {len(batch)} inputs on {folder}", file=sys.stderr)
                return len(batch)
            for (name, data), line in zip(batch, lines):
                ours = json.loads(line)
                d = first_difference(HOST[mode](data, ours), ours)
                if d:
                    differences += 1
                    print(f"{target}: {os.path.join(folder, name)}: host and core differ at {d}")
    print(f"{target}: {len(inputs)} inputs from {os.path.relpath(folder, ROOT)}, {differences} differences")
    return differences


def main():
    ap = argparse.ArgumentParser(description="Replay fuzz corpora through the host and the core layer.")
    ap.add_argument("--driver", default=os.path.join(ROOT, "dist", "build-fuzz", "tests", "fuzz", "replay_driver"))
    ap.add_argument("--work", action="store_true", help="also replay dist/build-fuzz/work/<target>")
    ap.add_argument("--folder", action="append", default=[], metavar="TARGET=PATH",
                    help="also replay the inputs in PATH as inputs of TARGET")
    ap.add_argument("--strict", action="store_true",
                    help="count a target without committed inputs under corpus/ as a difference")
    ap.add_argument("targets", nargs="*", default=sorted(MODES))
    args = ap.parse_args()
    if not os.access(args.driver, os.X_OK):
        print(f"no driver at {args.driver}: build it with bash scripts/fuzz.sh (or pass --driver)",
              file=sys.stderr)
        return 2
    total = 0
    for spec in args.folder:
        t, _, folder = spec.partition("=")
        total += replay(args.driver, t, folder)
    for t in args.targets:
        folders = [os.path.join(HERE, "corpus", t)]
        if args.strict and not (os.path.isdir(folders[0]) and os.listdir(folders[0])):
            print(f"{t}: no committed inputs in {os.path.relpath(folders[0], ROOT)}", file=sys.stderr)
            total += 1
        if args.work:
            folders.append(os.path.join(ROOT, "dist", "build-fuzz", "work", t))
        for folder in folders:
            if os.path.isdir(folder):
                total += replay(args.driver, t, folder)
    return 1 if total else 0


if __name__ == "__main__":
    sys.exit(main())
