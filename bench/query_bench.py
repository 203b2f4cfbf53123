#!/usr/bin/env python3
"""Times `kestil prime --query ...` on a synthetic graph of --nodes nodes (files with four
symbols each, "contains" and "imports" edges, leading file text of about 1 KB), stored as
the installed graph of a private copy of the install tree.

    python3 bench/query_bench.py [--root dist/root] [--nodes 10000] [--runs 5]

Prints the best of --runs for the whole command (process start, module load, graph load,
scoring, printing), the same for `kestil stats` on an empty log (the start-up alone), the
host's own json.load of the graph file, and the ratios of the first to the other two.
"""
import argparse
import json
import os
import pathlib
import random
import shutil
import subprocess
import sys
import tempfile
import time

WORDS = ("auth login session token user cart checkout payment order invoice route handler model view "
         "controller service cache queue worker report export import config settings search index").split()
QUERY = "fix the checkout payment handler when the session token expires"


def make_graph(n_nodes, seed=7):
    rnd = random.Random(seed)
    nodes, edges = [], []
    n_files = n_nodes // 5
    for i in range(n_files):
        area = rnd.choice(WORDS)
        ext = rnd.choice([".ts", ".py", ".tsx", ".go"])
        fid = f"src/{area}/{rnd.choice(WORDS)}_{i}{ext}"
        kws = rnd.sample(WORDS, 6)
        content = " ".join(rnd.choice(WORDS) for _ in range(180))
        nodes.append({"id": fid, "kind": "file", "path": fid, "ext": ext, "size": len(content), "keywords": kws,
                      "content": content, "summary": f"{area} module: " + " ".join(kws[:3]),
                      "file_hash": f"{i:032x}"})
        for k in range(4):
            name = rnd.choice(WORDS) + rnd.choice(WORDS).title() + str(k)
            sid = f"{fid}::{name}"
            nodes.append({"id": sid, "kind": "symbol", "path": fid, "ext": ext, "size": 5, "keywords": kws[:2],
                          "symbol_type": "function", "name": name, "line_start": k * 10, "line_end": k * 10 + 5,
                          "body_hash": f"{k:032x}", "confidence": "high", "exported": True})
            edges.append({"from": fid, "to": sid, "rel": "contains"})
        for _ in range(2):
            edges.append({"from": fid, "to": f"./{rnd.choice(WORDS)}", "rel": "imports"})
    return {"root": "/bench", "node_count": len(nodes), "edge_count": len(edges), "file_count": n_files,
            "symbol_count": len(nodes) - n_files, "nodes": nodes, "edges": edges}


def best(runs, f):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        f()
        times.append(time.perf_counter() - start)
    return min(times)


def main():
    here = pathlib.Path(__file__).resolve().parent.parent
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--root", default=str(here / "dist" / "root"))
    ap.add_argument("--nodes", type=int, default=10000)
    ap.add_argument("--runs", type=int, default=5)
    opts = ap.parse_args()

    with tempfile.TemporaryDirectory() as tmp:
        root = pathlib.Path(tmp) / "root"
        shutil.copytree(opts.root, root, symlinks=True)
        data = root / "src" / "tarvelle" / "data"
        shutil.rmtree(data, ignore_errors=True)
        data.mkdir(parents=True)
        graph_file = data / "info_graph.json"
        graph_file.write_text(json.dumps(make_graph(opts.nodes), indent=2), encoding="ascii")
        kestil = str(root / "bin" / "kestil")
        env = {k: v for k, v in os.environ.items() if k not in ("KESTIL_QUERY", "KESTIL_CAPABILITY_INDEX")}
        env["NIMBREL_PROJECT_ROOT"] = tmp

        def run(*args):
            r = subprocess.run([kestil, *args], env=env, capture_output=True, text=True)
            if r.returncode != 0:
                sys.exit(r.stderr)
            return r.stdout

        head = run("prime", "--query", QUERY).splitlines()
        prime = best(opts.runs, lambda: run("prime", "--query", QUERY))
        start_up = best(opts.runs, lambda: run("stats"))
        host_load = best(opts.runs, lambda: json.loads(graph_file.read_text(encoding="utf-8")))

    print(f"graph: {opts.nodes} nodes; prime shows {head[10]!r}")
    print(f"kestil prime --query: {prime:.3f} s (best of {opts.runs})")
    print(f"kestil stats (start-up only): {start_up:.3f} s")
    print(f"host json.load of the graph: {host_load:.3f} s")
    print(f"ratio prime / start-up: {prime / start_up:.2f}")
    print(f"ratio prime / host json.load: {prime / host_load:.2f}")


if __name__ == "__main__":
    main()
