#!/usr/bin/env python3
"""Keeps a small corpus: the inputs that cover the most code, at most --max of them.

    python3 tests/fuzz/shrink_corpus.py FUZZER DEST SOURCE... [--max N] [-- FUZZER-ARGS]

Runs FUZZER over every input of the SOURCE folders once (libFuzzer's merge pass, edges
only) and greedily picks inputs by the number of features each adds, the smaller input
first on a tie, until nothing new is covered or N are taken; DEST is then replaced by
the picked inputs. Inputs whose names begin with "regress-" are inputs a target once
failed on and are always kept.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile


def features(fuzzer, sources, extra):
    """Path -> set of features, from the merge pass's control file."""
    with tempfile.TemporaryDirectory() as tmp:
        control = os.path.join(tmp, "control")
        out = os.path.join(tmp, "out")
        os.mkdir(out)
        subprocess.run([fuzzer, "-merge=1", "-use_counters=0", f"-merge_control_file={control}", *extra,
                        out, *sources], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
        with open(control) as f:
            lines = f.read().splitlines()
    n = int(lines[0])
    paths = lines[2:2 + n]
    feats = {}
    for line in lines[2 + n:]:
        if line.startswith("FT "):
            parts = line.split()
            feats[paths[int(parts[1])]] = set(parts[2:])
    return feats


def main():
    argv = sys.argv[1:]
    extra = []
    if "--" in argv:
        extra = argv[argv.index("--") + 1:]
        argv = argv[:argv.index("--")]
    ap = argparse.ArgumentParser()
    ap.add_argument("fuzzer")
    ap.add_argument("dest")
    ap.add_argument("sources", nargs="+")
    ap.add_argument("--max", type=int, default=40)
    args = ap.parse_args(argv)

    feats = features(args.fuzzer, [s for s in args.sources if os.path.isdir(s)], extra)
    data = {}
    for p in feats:
        with open(p, "rb") as f:
            data[p] = f.read()
    covered, picked = set(), []
    for p in list(feats):
        if os.path.basename(p).startswith("regress-"):
            covered |= feats.pop(p)
            picked.append(p)
    while len(picked) < args.max:
        best = max(feats, key=lambda p: (len(feats[p] - covered), -len(data[p])), default=None)
        if best is None or not feats[best] - covered:
            break
        covered |= feats.pop(best)
        picked.append(best)
    contents = [(os.path.basename(p), data[p]) for p in picked]
    shutil.rmtree(args.dest, ignore_errors=True)
    os.makedirs(args.dest)
    for name, content in contents:
        with open(os.path.join(args.dest, name), "wb") as f:
            f.write(content)
    print(f"{args.dest}: {len(contents)} inputs, {len(covered)} features")


if __name__ == "__main__":
    main()
