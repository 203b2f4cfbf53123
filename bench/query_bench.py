#!/usr/bin/env python3
"""Retrieval benchmark: builds graphs of real size, then times `load_graph` and `retrieve`
against the host's `json.loads` of the same graph file, in one process, and compares the
peak memory of each step, measured in fresh processes.

    python3 bench/query_bench.py [--root dist/root] [--files 10000] [--nodes 10000] [--runs 5] [--keep DIR]

Graphs: the host's standard library as scanned by the graph builder, and a generated tree
of `--files` source files (a web application's layout, so the role, portal and capability
rules all fire). Times are the best of `--runs`; the ratios are what the targets name:
load_graph / json.loads (target <= 1), retrieve / json.loads (target < 0.1), and for memory
the peak resident size over a process that only read the file's bytes. Last, on the largest
graph, the packer's `pack` of each query's retrieval result, against the same json.loads.

Then the command: times `kestil prime --query ...` on a synthetic graph of --nodes nodes (files
with four symbols each, "contains" and "imports" edges, leading file text of about 1 KB),
stored as the installed graph of a private copy of the install tree. Prints the best of --runs
for the whole command (process start, module load, graph load, scoring, printing), the same
for `kestil stats` on an empty log (the start-up alone), the host's own json.load of the graph
file, and the ratios of the first to the other two.
"""
import argparse
import json
import os
import pathlib
import random
import shutil
import subprocess
import sys
import sysconfig
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PROJECT = os.path.dirname(HERE)

QUERIES = [
    "fix the checkout button status on the order card",
    "POST /api/invoice/create fails with 500",
    "why does the customer portal load orders twice",
    "add a reusable modal for payments",
]

DIRS = ["src/pages", "src/components/ui", "src/components/features/orders", "src/api", "src/services",
        "src/store", "src/hooks", "src/utils", "customer-portal/src/views", "admin-portal/src/screens",
        "restaurant-portal/src/pages", "tests", "docs"]


def generate(root, count, seed=7):
    rnd = random.Random(seed)
    words = ["order", "invoice", "payment", "checkout", "button", "badge", "card", "modal", "table", "list",
             "user", "session", "cart", "menu", "status", "detail", "report", "search", "filter", "profile"]
    for i in range(count):
        d = DIRS[i % len(DIRS)]
        a, b = rnd.choice(words), rnd.choice(words)
        ext = rnd.choice([".ts", ".tsx", ".py", ".js", ".md"]) if d != "docs" else ".md"
        path = os.path.join(root, d, f"{a}_{b}_{i}{ext}")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        if ext == ".py":
            body = (f"from .{a} import {b.title()}\nimport os\n\n@app.post('/api/{a}/{b}')\n"
                    f"def {a}_{b}_{i}(req):\n    \"\"\"Handle {a} {b}.\"\"\"\n    return {b.title()}(req)\n\n"
                    f"class {a.title()}{i}:\n    pass\n") * 3
        elif ext == ".md":
            body = f"# {a.title()} {b}\n\nHow the {a} {b} works, with caf\u00e9 notes.\n" * 5
        else:
            body = (f"import {{ {b.title()}Button }} from '../components/ui/{b}-button';\n"
                    f"import {{ Badge }} from './{a}-badge';\n"
                    f"export function {a}{b.title()}{i}(props) {{\n  return fetch('/api/{a}/{b}');\n}}\n"
                    f"export const {b}{i} = () => null;\n") * 3
        with open(path, "w", encoding="utf-8") as f:
            f.write(body)


def best(fn, runs):
    times = []
    for _ in range(runs):
        t = time.perf_counter()
        fn()
        times.append(time.perf_counter() - t)
    return min(times)


PEAK = r"""
import json, resource, sys
sys.path[:0] = [{root!r}, {src!r}]
import tarvelle.kestil as k
k.GRAPH_JSON = {graph!r}
step = {step!r}
data = open({graph!r}, 'rb').read()
before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
if step == 'json.loads':
    g = json.loads(data.decode('utf-8-sig'))
elif step == 'load_graph':
    g = k.load_graph()
elif step == 'retrieve':
    g = json.loads(data.decode('utf-8-sig'))
    mid = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
    for q in {queries!r}:
        k.retrieve(g, q, 20, 40)
    print(resource.getrusage(resource.RUSAGE_SELF).ru_maxrss - mid)
    raise SystemExit
print(resource.getrusage(resource.RUSAGE_SELF).ru_maxrss - before)
"""


def peak_kb(root, graph, step):
    code = PEAK.format(root=root, src=os.path.join(root, "src"), graph=graph, step=step, queries=QUERIES)
    out = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, check=True)
    return int(out.stdout.strip())


def measure(k, name, project, workdir, runs, root):
    t = time.perf_counter()
    g = k.scan(project)
    scan_s = time.perf_counter() - t
    path = os.path.join(workdir, name + ".json")
    with open(path, "w", encoding="utf-8") as f:
        f.write(json.dumps(g, indent=2))
    with open(path, "rb") as f:
        text = f.read().decode("utf-8-sig")
    k.GRAPH_JSON = path
    loads = best(lambda: json.loads(text), runs)
    load = best(k.load_graph, runs)
    assert k.load_graph() == json.loads(text)
    graph = json.loads(text)
    k.CAPABILITY_INDEX = os.path.join(workdir, "missing_index.md")
    retr = max(best(lambda q=q: k.retrieve(graph, q, 20, 40), runs) for q in QUERIES)
    mem_loads = peak_kb(root, path, "json.loads")
    mem_load = peak_kb(root, path, "load_graph")
    mem_retr = peak_kb(root, path, "retrieve")
    size = os.path.getsize(path) / 1e6
    print(f"{name}: {g['node_count']} nodes, {g['edge_count']} edges, {size:.1f} MB file (scan {scan_s:.2f} s)")
    print(f"  json.loads            {loads * 1000:9.1f} ms")
    print(f"  load_graph            {load * 1000:9.1f} ms   ratio to json.loads {load / loads:5.2f}  (target <= 1)")
    print(f"  retrieve (slowest q.) {retr * 1000:9.1f} ms   ratio to json.loads {retr / loads:5.3f}  (target < 0.1)")
    print(f"  peak memory added: json.loads {mem_loads / 1024:.1f} MB, load_graph {mem_load / 1024:.1f} MB "
          f"(ratio {mem_load / max(mem_loads, 1):.2f}), retrieve over a loaded graph {mem_retr / 1024:.1f} MB "
          f"(ratio to json.loads {mem_retr / max(mem_loads, 1):.3f})")
    return g["node_count"], graph, loads, project


def measure_pack(k, name, graph, loads, project, runs):
    """The packer's share of a query: pack of an 8-file, 40-edge retrieval result (the
    query pipeline's counts) with the project's summaries, source excerpts read from disk."""
    import tarvelle.bundrel as b
    summaries = b.load_summaries(project)
    slowest = 0.0
    for q in QUERIES:
        result = k.retrieve(graph, q, 8, 40)
        slowest = max(slowest, best(lambda: b.pack(result, summaries, graph, project), runs))
    print(f"{name}, the largest graph:")
    print(f"  pack (slowest q.)     {slowest * 1000:9.1f} ms   ratio to json.loads {slowest / loads:5.3f}")


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


def prime(opts):
    """`kestil prime --query` as a command, in a private copy of the install tree."""
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
        prime = best(lambda: run("prime", "--query", QUERY), opts.runs)
        start_up = best(lambda: run("stats"), opts.runs)
        host_load = best(lambda: json.loads(graph_file.read_text(encoding="utf-8")), opts.runs)

    print(f"graph: {opts.nodes} nodes; prime shows {head[10]!r}")
    print(f"kestil prime --query: {prime:.3f} s (best of {opts.runs})")
    print(f"kestil stats (start-up only): {start_up:.3f} s")
    print(f"host json.load of the graph: {host_load:.3f} s")
    print(f"ratio prime / start-up: {prime / start_up:.2f}")
    print(f"ratio prime / host json.load: {prime / host_load:.2f}")


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--root", default=os.path.join(PROJECT, "dist", "root"))
    ap.add_argument("--files", type=int, default=10000)
    ap.add_argument("--nodes", type=int, default=10000, help="nodes of the synthetic graph that prime reads")
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--keep", default=None, help="keep the generated tree and graph files here")
    args = ap.parse_args()
    root = os.path.abspath(args.root)
    sys.path[:0] = [root, os.path.join(root, "src")]
    import tarvelle.kestil as k
    workdir = args.keep or tempfile.mkdtemp(prefix="query_bench_")
    os.makedirs(workdir, exist_ok=True)
    try:
        sizes = {"stdlib": measure(k, "stdlib", sysconfig.get_paths()["stdlib"], workdir, args.runs, root)}
        tree = os.path.join(workdir, "tree")
        if not os.path.isdir(tree):
            generate(tree, args.files)
        name = f"generated-{args.files}"
        sizes[name] = measure(k, name, tree, workdir, args.runs, root)
        largest = max(sizes, key=lambda n: sizes[n][0])
        measure_pack(k, largest, *sizes[largest][1:], args.runs)
    finally:
        if not args.keep:
            shutil.rmtree(workdir, ignore_errors=True)
    prime(args)


if __name__ == "__main__":
    main()
