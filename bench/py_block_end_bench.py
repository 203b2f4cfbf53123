#!/usr/bin/env python3
"""Times the pattern-based builder on Python files whose every symbol row is followed by rows
that never end its block: `def`, a line break, then `f<i>(` and a line break, N times, the
text `''.join(f'def\\nf{i}(\\n' for i in range(N))`. Each symbol's indentation block runs to the
end of the file, so a builder that walks each block row by row costs the square of the size.

    python3 bench/py_block_end_bench.py [--root dist/root] [--runs 3]

Sizes of about 25, 50, 100 and 200 KB, then N = 25000 (289 KB). Each file is scanned alone, in a
folder of its own, by the `vorlane` command into a fresh output folder (so nothing is taken
over from an earlier graph); times are the best of --runs. The scan of an empty folder is timed
the same way and taken off as the command's start-up. For each size the line gives the seconds,
the net seconds, and the growth of the net time and of the size over the size before it: linear
growth keeps the two ratios close. The target: the 289 KB file under 0.5 s.

Every symbol's body hash covers its rows, here all rows from the symbol to the end, so the
bytes hashed grow with the square of the size whatever finds the block ends. The last columns
give those bytes (from the graph's row ranges) and the net time per GB of them: a constant
figure there means the rest of the scan is linear and the hashing is what grows.
"""
import argparse
import json
import os
import shutil
import subprocess
import tempfile
import time

PROJECT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SIZES_KB = [25, 50, 100, 200]
LAST_N = 25000
TARGET_S = 0.5


def text_of(n):
    return "".join(f"def\nf{i}(\n" for i in range(n))


def n_for(kb):
    """The smallest N whose text holds at least `kb` thousand bytes."""
    n, size = 0, 0
    while size < kb * 1000:
        size += len(f"def\nf{n}(\n")
        n += 1
    return n


def best_time(vorlane, folder, work, runs):
    """The best time of `runs` scans, and the graph of the last."""
    best = None
    for k in range(runs):
        out = os.path.join(work, f"out-{k}")
        shutil.rmtree(out, ignore_errors=True)
        graph = os.path.join(out, "info_graph.json")
        start = time.perf_counter()
        subprocess.run([vorlane, "--root", folder, "--out", graph], check=True, stdout=subprocess.DEVNULL)
        seconds = time.perf_counter() - start
        best = seconds if best is None else min(best, seconds)
    return best, graph


def hashed_bytes(graph, text):
    """The bytes of the rows under the symbols' body hashes: each range's rows joined by line feeds."""
    rows = text.splitlines()
    ends = [0]  # ends[i]: the bytes of rows 0..i-1, each with one line feed
    for row in rows:
        ends.append(ends[-1] + len(row.encode()) + 1)
    with open(graph) as f:
        nodes = json.load(f)["nodes"]
    return sum(ends[n["line_end"] + 1] - ends[n["line_start"]] - 1 for n in nodes if n["kind"] == "symbol")


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--root", default=os.path.join(PROJECT, "dist", "root"), help="install root")
    ap.add_argument("--runs", type=int, default=3, help="best of this many runs per figure")
    args = ap.parse_args()
    vorlane = os.path.join(args.root, "bin", "vorlane")
    with tempfile.TemporaryDirectory(prefix="py-block-end-") as work:
        empty = os.path.join(work, "empty")
        os.makedirs(empty)
        startup, _ = best_time(vorlane, empty, work, args.runs)
        print(f"start-up (empty folder): {startup:.3f} s")
        print(f"{'N':>6} {'KB':>6} {'seconds':>8} {'net':>8} {'net growth':>11} {'size growth':>12} "
              f"{'hashed GB':>10} {'s per GB':>9}")
        previous = None
        seconds = 0.0
        for n in [n_for(kb) for kb in SIZES_KB] + [LAST_N]:
            folder = os.path.join(work, f"n{n}")
            os.makedirs(folder)
            text = text_of(n)
            with open(os.path.join(folder, "m.py"), "w") as f:
                f.write(text)
            seconds, graph = best_time(vorlane, folder, work, args.runs)
            net = max(seconds - startup, 1e-6)
            growth = f"{'':11} {'':12}"
            if previous:
                growth = f"{net / previous[1]:11.2f} {len(text) / previous[0]:12.2f}"
            gb = hashed_bytes(graph, text) / 1e9
            print(f"{n:6d} {len(text) / 1000:6.1f} {seconds:8.3f} {net:8.3f} {growth} {gb:10.3f} {net / gb:9.2f}")
            previous = (len(text), net)
            shutil.rmtree(folder)
        verdict = "met" if seconds < TARGET_S else "missed"
        print(f"target: the {LAST_N} file under {TARGET_S} s: {verdict} ({seconds:.3f} s)")


if __name__ == "__main__":
    main()
