#!/usr/bin/env python3
"""Times the relation parser, the TypeScript and Python extractors and the camel split on
300000-byte adversarial texts: runs of blanks, line feeds, letters, letters and slashes,
braces and capitals, alone and after the words that open a pattern.

    python3 bench/relations_frame_bench.py [--root dist/root] [--size 300000] [--only WORD]

Prints one line per text and routine with the time in seconds, slowest first.
"""
import argparse
import os
import sys
import time

UNITS = {
    "blanks": " ", "line feeds": "\n", "blank rows": " \n", "tabs and feeds": "\t\x0c", "letters": "a",
    "letters and slashes": "ab/", "braces": "{", "brace pairs": "{}", "capitals": "A", "dots": "a.",
}
HEADS = ["", "import", "import x", "from", "export const x =", "@app.get(", "def x", "class ", "x:Class=\""]
REPEATED = ["import ", "import  x ", "import x from ", "export const x = (\n", "@app.get(\n", "@app.get(",
            "from a ", "export\n", "async\n", "a/b.", "\n import"]


def texts(size):
    for name, unit in UNITS.items():
        run = (unit * (size // len(unit) + 1))[:size]
        for head in HEADS:
            yield f"{head!r} + {name}", head + run
    for unit in REPEATED:
        yield f"{unit!r} repeated", (unit * (size // len(unit) + 1))[:size]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--root", default=os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "dist", "root"))
    ap.add_argument("--size", type=int, default=300000)
    ap.add_argument("--only", default="", help="a substring of the text labels to keep")
    args = ap.parse_args()
    sys.path[:0] = [os.path.join(args.root, "src"), args.root]
    from tarvelle import vorlane

    routines = {
        "parse_relations": lambda t: vorlane.parse_relations("/r/a.ts", t, "/r"),
        "extract_symbols_ts": lambda t: vorlane.extract_symbols_ts(t, "a.ts"),
        "extract_symbols_py": lambda t: vorlane.extract_symbols_py(t, "a.py"),
        "_split_camel": lambda t: vorlane._split_camel(t),
    }
    rows = []
    for label, text in texts(args.size):
        if args.only and args.only not in label:
            continue
        for name, f in routines.items():
            start = time.perf_counter()
            f(text)
            rows.append((time.perf_counter() - start, name, label))
    for seconds, name, label in sorted(rows, reverse=True):
        print(f"{seconds:8.3f}  {name:20}  {label}")


if __name__ == "__main__":
    main()
