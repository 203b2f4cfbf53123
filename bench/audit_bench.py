#!/usr/bin/env python3
"""Audit benchmark: the whole audit of a project beside the scan that built its graph.

    python3 bench/audit_bench.py [--root dist/root] [--builder-root DIR] [--project DIR] [--runs 3]

The project is the host's standard library unless --project names another tree. For each graph
builder that can be imported (the syntax-tree builder `vorlane_ast` and the pattern-based
`tarvelle.vorlane`, from --builder-root, by default the same install tree), the graph is built
in process and timed; the audit then runs over that graph, in process (`run_audit`, progress
lines discarded; it also hands the whole graph to the host as `_graph`) and as the
`audit --json` command. All are timed best of --runs; the rows to read are the ratios to the
scan, which should stay below 1. The figures move with the machine's load: the scans use
several threads, the graph's parse in the audit one.

The graph lands in a scratch project whose top-level entries link to the real tree, so the
audit reads the same sources under the same file ids and the real tree is left untouched.
"""
import argparse
import contextlib
import importlib
import io
import json
import os
import subprocess
import sys
import sysconfig
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PROJECT = os.path.dirname(HERE)
BUILDERS = [("vorlane_ast", "vorlane_ast"), ("vorlane", "tarvelle.vorlane")]


def best_of(runs, fn):
    best, result = None, None
    for _ in range(runs):
        t = time.perf_counter()
        result = fn()
        elapsed = time.perf_counter() - t
        best = elapsed if best is None else min(best, elapsed)
    return best, result


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--root", default=os.path.join(PROJECT, "dist", "root"), help="install root of the auditor")
    ap.add_argument("--builder-root", default=None, help="install root to import the graph builders from")
    ap.add_argument("--project", default=sysconfig.get_paths()["stdlib"], help="project tree to scan and audit")
    ap.add_argument("--runs", type=int, default=3)
    args = ap.parse_args()
    builder_root = args.builder_root or args.root
    for p in (args.root, builder_root, os.path.join(builder_root, "src")):
        sys.path.insert(0, p)
    import audit

    project = os.path.realpath(args.project)
    print(f"project: {project}")
    for name, module in BUILDERS:
        try:
            builder = importlib.import_module(module)
        except ImportError:
            print(f"{name}: not installed")
            continue
        scan_s, graph = best_of(args.runs, lambda: builder.scan(project))
        with tempfile.TemporaryDirectory() as tmp:
            for entry in os.listdir(project):
                if entry != ".nimbrel":
                    os.symlink(os.path.join(project, entry), os.path.join(tmp, entry))
            os.mkdir(os.path.join(tmp, ".nimbrel"))
            with open(os.path.join(tmp, ".nimbrel", "info_graph.json"), "w") as f:
                json.dump(graph, f, indent=2)

            def run():
                with contextlib.redirect_stderr(io.StringIO()):
                    return audit.run_audit(tmp)

            audit_s, r = best_of(args.runs, run)
            command = [os.path.join(args.root, "bin", "audit"), "--root", tmp, "--json"]
            command_s, _ = best_of(args.runs, lambda: subprocess.run(command, capture_output=True, check=True))

        files = sum(1 for n in graph["nodes"] if n.get("kind") == "file")
        print(f"graph of {name}: {files} files, {len(graph['nodes']) - files} symbols, {len(graph['edges'])} edges; "
              f"debt score {r['debt_score']}, {len(r['todos'])} todos, {len(r['copy_paste'])} copy-paste groups, "
              f"{len(r['missing_error_handling'])} error-handling findings")
        print(f"  scan ({name}):{'':<{14 - len(name)}}{scan_s * 1000:9.1f} ms")
        print(f"  run_audit:              {audit_s * 1000:9.1f} ms   ratio {audit_s / scan_s:6.3f}   (target below 1)")
        print(f"  audit --json command:   {command_s * 1000:9.1f} ms   ratio {command_s / scan_s:6.3f}   "
              "(process start-up included)")


if __name__ == "__main__":
    main()
