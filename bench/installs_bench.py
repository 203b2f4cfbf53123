#!/usr/bin/env python3
"""Every command timed with two install trees in one run, as ratios.

    python3 bench/installs_bench.py --before DIR [--after dist/root] [--runs 5] TREE...

For each tree: both graph builders on one thread and on all, the audit over the syntax-tree
graph, `kestil scan`, `retrieve`, `prime`, the packer, the launcher's dry run and the guard
on a hard event. The two installs take turns for every run of every command, so both see the
same machine load; each figure is the best of --runs. A ratio above 1 says the second
install is slower. Each install gets its own copy of the tree and an empty data folder.
"""
import argparse
import json
import os
import shutil
import subprocess
import tempfile
import time

QUERY = "how is the graph loaded and scanned"


def prepare(install, source, scratch, tag):
    """A copy of the install (data folder empty) and of the tree, under scratch/tag."""
    base = os.path.join(scratch, tag)
    inst = os.path.join(base, "install")
    shutil.copytree(install, inst, symlinks=True, ignore=shutil.ignore_patterns("data"))
    os.makedirs(os.path.join(inst, "src", "tarvelle", "data"))
    root = os.path.join(base, "tree")
    shutil.copytree(source, root, symlinks=True, ignore=shutil.ignore_patterns(".nimbrel", ".git", "dist"))
    return inst, root


def commands(inst, root):
    """(label, argv, env extras, stdin) per command, in the order they must run."""
    b = os.path.join(inst, "bin")
    out = os.path.join(os.path.dirname(root), "out")
    event = json.dumps({"tool_name": "Bash", "tool_input": {"command": "rm -rf " + root}})
    return [
        ("vorlane 1 thread", [f"{b}/vorlane", "--root", root, "--out", f"{out}/v1/g.json"], {"VORLANE_THREADS": "1"}, None),
        ("vorlane all threads", [f"{b}/vorlane", "--root", root, "--out", f"{out}/vn/g.json"], {}, None),
        ("vorlane_ast 1 thread", [f"{b}/vorlane_ast", "--root", root, "--out", f"{out}/a1/g.json"],
         {"VORLANE_THREADS": "1"}, None),
        ("vorlane_ast all threads", [f"{b}/vorlane_ast", "--root", root, "--out", f"{root}/.nimbrel/info_graph.json"],
         {}, None),
        ("audit", [f"{b}/audit", "--root", root, "--json", "--out", f"{out}/audit.json"], {}, None),
        ("kestil scan", [f"{b}/kestil", "scan", "--root", root], {}, None),
        ("kestil retrieve", [f"{b}/kestil", "retrieve", "--query", QUERY, "--json"], {}, None),
        ("kestil prime", [f"{b}/kestil", "prime", "--query", QUERY], {}, None),
        ("bundrel", [f"{b}/bundrel", QUERY, root], {}, None),
        ("wendle-claude --dry-run", [f"{b}/wendle-claude", "--dry-run", "--project-root", root, QUERY], {}, None),
        ("halberk, a Bash rm event", [f"{b}/halberk"], {}, event),
    ]


def timed(argv, extra, stdin):
    env = {k: v for k, v in os.environ.items() if not k.startswith(("KESTIL_", "NIMBREL_", "VORLANE_"))}
    env.update(extra)
    start = time.perf_counter()
    subprocess.run(argv, env=env, input=stdin, text=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.perf_counter() - start


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--before", required=True)
    ap.add_argument("--after", default=os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                                                    "dist", "root"))
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("trees", nargs="+")
    args = ap.parse_args()
    print(f"| tree | command | before (s) | after (s) | after / before |\n|---|---|---|---|---|")
    for tree in args.trees:
        name = os.path.basename(os.path.abspath(tree).rstrip("/"))
        with tempfile.TemporaryDirectory() as scratch:
            sides = {tag: commands(*prepare(os.path.abspath(inst), tree, scratch, tag))
                     for tag, inst in (("before", args.before), ("after", args.after))}
            for k in range(len(sides["before"])):
                best = {"before": float("inf"), "after": float("inf")}
                for _ in range(args.runs):
                    for tag in best:
                        _, argv, extra, stdin = sides[tag][k]
                        best[tag] = min(best[tag], timed(argv, extra, stdin))
                label = sides["before"][k][0]
                print(f"| {name} | {label} | {best['before']:.3f} | {best['after']:.3f} | "
                      f"{best['after'] / best['before']:.2f} |", flush=True)
    return 0


if __name__ == "__main__":
    raise SystemExit(main())
