#!/usr/bin/env python3
"""Times the routines that run the relation, frame, TypeScript and Python pattern tables
on adversarial texts of --size bytes built from the patterns' own pieces: an opening that
matches, then a part that never closes (repeated, or followed by one long run), and runs
of blanks, letters, braces, line feeds, "(", "<" and quotes.

    python3 bench/adversarial_frame.py [--root dist/root] [--size 300000] [--only WORD] [--over 0.01]

Prints, slowest first, one line per text and routine whose time (the best of three runs
when the first is slow) is above --over seconds. The time includes turning the records and
edges into host objects, which dominates for texts that give tens of thousands of them,
such as 'a/b.ts' repeated. The last line is the slowest time of all.
"""
import argparse
import os
import sys
import time

RUNS = [" ", "\n", " \n", "\t\x0c", "\u3000", "a", "aA", "A", "ab/", "a.", "_", "1", "{", "}", "{}", "(", ")", "<",
        "\"", "'", "=", "=>", "@", "\\{", "x\n"]

# Openings of the patterns, by the routine that runs them.
HEADS = {
    "ts": ["export ", "export\n", "export async function ", "export function x", "export function GET",
           "export const x = ", "export const x = async ", "export const x = (", "export const x = async (",
           "export const x = (a) ", "export const x = a ", "export let x", "export interface X ", "export type X",
           "export default class ", "const xSchema = ", "const xSchema = z", "function useX", "export function x() {",
           "export function x() {\n}"],
    "py": ["@app.get(", "@APP.GET (", "@router.post('/')\n", "@blueprint.put()\n@x\n", "@app.get()\nasync ",
           "@app.get()\ndef ", "async ", "async def x", "def x", "def x(", "class ", "class X", "def x():\n    ",
           "@app.get(\n", ")\n"],
    "relations": ["import ", "import (", "import \"", "import x ", "import x from ", "import x from '", "from ",
                  "from x ", "from x import", "require(", "require('", "require 'x", "require_relative ", "use ",
                  "use x::", "mod ", "using ", "#include ", "#include \"", "x:Class=\"", "a/b.", "a/b.ts",
                  "\n import", "\n from x"],
    "camel": ["aB", "AB", "ABc", "a1B", "ABCd"],
    "block_py": ["def x():\n", "    x\n", "@", "class ", "async def ", "\n"],
}

# Files the relation passes read: every suffix with a pass of its own.
RELATION_FILES = ["/r/a.ts", "/r/a.py", "/r/a.swift", "/r/a.rs", "/r/a.java", "/r/a.cs", "/r/a.xaml", "/r/a.rb",
                  "/r/a.php", "/r/a.c"]


def repeat(unit, n):
    return (unit * (n // len(unit) + 1))[:n]


def timed(f, text):
    start = time.perf_counter()
    f(text)
    return time.perf_counter() - start


def texts(heads, size):
    for head in heads:
        yield f"{head!r} repeated", repeat(head, size)
        for run in RUNS:
            yield f"{head!r} + {run!r} repeated", repeat(head + run, size)
            yield f"{head!r} then a run of {run!r}", head + repeat(run, size - len(head))
            # A closing character far away, so that an unclosed part finds it at the end.
            yield f"{head!r} + {run!r} repeated, then ')\"'", repeat(head + run, size - 4) + ")\"'}"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--root", default=os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "dist", "root"))
    ap.add_argument("--size", type=int, default=300000)
    ap.add_argument("--only", default="", help="a substring of the routine names or text labels to keep")
    ap.add_argument("--over", type=float, default=0.01, help="print only times above this many seconds")
    args = ap.parse_args()
    sys.path[:0] = [os.path.join(args.root, "src"), args.root]
    from tarvelle import vorlane

    def relations(t):
        for path in RELATION_FILES:
            vorlane.parse_relations(path, t, "/r")

    def block_py(t):
        # From the first row, which reads the most rows; the rows go over to the module once.
        vorlane._find_block_end_py(t.splitlines(), 0)

    routines = {
        "ts": lambda t: vorlane.extract_symbols_ts(t, "a.ts"),
        "py": lambda t: vorlane.extract_symbols_py(t, "a.py"),
        "relations": relations,
        "camel": lambda t: vorlane._split_camel(t),
        "block_py": block_py,
    }
    rows = []
    for name, heads in HEADS.items():
        for label, text in texts(heads, args.size):
            if args.only and args.only not in name and args.only not in label:
                continue
            seconds = timed(routines[name], text)
            if seconds > args.over:  # a slow first run may be a pause of the host: keep the best of three
                seconds = min(seconds, timed(routines[name], text), timed(routines[name], text))
            rows.append((seconds, name, label))
    rows.sort(reverse=True)
    for seconds, name, label in rows:
        if seconds > args.over:
            print(f"{seconds:8.3f}  {name:10}  {label}")
    if rows:
        print(f"slowest of {len(rows)}: {rows[0][0]:.3f} s ({rows[0][1]}, {rows[0][2]})")


if __name__ == "__main__":
    main()
