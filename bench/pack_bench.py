#!/usr/bin/env python3
"""Packing benchmark: the context block on a graph of real size, as ratios to json.loads.

    python3 bench/pack_bench.py [--files 10000] [--runs 7] [--root dist/root]

Generates a tree of Python files (each with a few functions), scans it in process with the
graph builder, writes a summary store for every file, and times, best of --runs:
  - json.loads of the graph's JSON text (the reference: any caller pays it to get the graph);
  - load_summaries of the project's store, against json.loads of the store's text;
  - pack of a retrieval result of 8 files (the retrieval engine's own result for a query
    when it is installed, else the graph's first 8 file nodes), with the default budget.
`bench/query_bench.py` calls `pack_figures` on its own largest graph.
"""
import argparse
import json
import os
import shutil
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PROJECT = os.path.dirname(HERE)


def best(fn, runs):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        fn()
        times.append(time.perf_counter() - start)
    return min(times)


def make_tree(root, files):
    for i in range(files):
        rel = os.path.join(f"pkg{i % 100}", f"mod_{i}.py")
        path = os.path.join(root, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as f:
            for k in range(4):
                f.write(f"def handler_{i}_{k}(request, order_id):\n")
                f.write("".join(f"    step_{j} = request.get('order_{j}')\n" for j in range(12)))
                f.write("    return order_id\n\n\n")


def write_store(root, graph):
    store = {}
    for n in graph["nodes"]:
        if n.get("kind") != "file":
            continue
        funcs = {}
        for k in range(4):
            funcs[f"handler_{k}"] = {"params": ["request", "order_id"], "returns": "int",
                                     "calls_internal": ["validate"], "lines": [k * 16, k * 16 + 13],
                                     "description": "Handles one order request"}
        store[n["id"]] = {"description": f"Order handlers of {n['id']}", "functions": funcs,
                          "imports": [{"module": "os", "names": ["path"]}]}
    os.makedirs(os.path.join(root, ".nimbrel"), exist_ok=True)
    text = json.dumps(store)
    with open(os.path.join(root, ".nimbrel", "structured_summaries.json"), "w") as f:
        f.write(text)
    return text


def pack_figures(graph, graph_text, project_root, query, runs=7):
    """Times pack (and the summary store when the project has one) on `graph`; returns printable rows."""
    from tarvelle import bundrel
    try:
        from tarvelle import kestil
        result = kestil.retrieve(graph, query, 8, 40)
        source = "retrieve"
    except (ImportError, AttributeError, RuntimeError):
        result = {"files": [n for n in graph["nodes"] if n.get("kind") == "file"][:8], "edges": graph["edges"][:40]}
        source = "first 8 file nodes"
    summaries = bundrel.load_summaries(project_root)
    loads = best(lambda: json.loads(graph_text), runs)
    pack = best(lambda: bundrel.pack(result, summaries, graph, project_root), runs)
    block = bundrel.pack(result, summaries, graph, project_root)
    rows = [f"graph: {len(graph['nodes'])} nodes, {len(graph['edges'])} edges, {len(graph_text) / 1e6:.1f} MB of JSON",
            f"json.loads(graph)            {loads * 1000:9.2f} ms   1.00",
            f"pack ({source}, {len(block)} chars) {pack * 1000:9.2f} ms   {pack / loads:.3f}"]
    store = os.path.join(project_root, ".nimbrel", "structured_summaries.json")
    if os.path.exists(store):
        with open(store, encoding="utf-8-sig") as f:
            store_text = f.read()
        ref = best(lambda: json.loads(store_text), runs)
        ours = best(lambda: bundrel.load_summaries(project_root), runs)
        rows += [f"json.loads(store, {len(summaries)} files)  {ref * 1000:9.2f} ms   1.00",
                 f"load_summaries(store)        {ours * 1000:9.2f} ms   {ours / ref:.3f}"]
    return rows


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--files", type=int, default=10000)
    ap.add_argument("--runs", type=int, default=7)
    ap.add_argument("--root", default=os.path.join(PROJECT, "dist", "root"))
    args = ap.parse_args()
    sys.path[:0] = [args.root, os.path.join(args.root, "src")]
    from tarvelle import vorlane

    tmp = tempfile.mkdtemp()
    try:
        make_tree(tmp, args.files)
        graph = vorlane.scan(tmp)
        graph_text = json.dumps(graph, indent=2)
        write_store(tmp, graph)
        for row in pack_figures(graph, graph_text, tmp, "order handler request 42", args.runs):
            print(row)
    finally:
        shutil.rmtree(tmp)


if __name__ == "__main__":
    main()
