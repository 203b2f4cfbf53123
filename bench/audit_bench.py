#!/usr/bin/env python3
"""Audit benchmark: the whole audit of a project beside the scan that built its graph.

    python3 bench/audit_bench.py [--root dist/root] [--project DIR] [--runs 3]

The project is the host's standard library unless --project names another tree. Its graph is
built in process by the syntax-tree builder when it is installed (else by the pattern-based
builder); the audit then runs over that graph (`run_audit`, progress lines discarded; it also
hands the whole graph to the host as `_graph`), and the `audit --json` command runs on it. All are
timed best of --runs; the rows to read are the ratios to the scan, which should stay below 1.

The graph lands in a scratch project whose top-level entries link to the real tree, so the
audit reads the same sources under the same file ids and the real tree is left untouched.
"""
import argparse
import contextlib
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
    ap.add_argument("--root", default=os.path.join(PROJECT, "dist", "root"), help="install root")
    ap.add_argument("--project", default=sysconfig.get_paths()["stdlib"], help="project tree to scan and audit")
    ap.add_argument("--runs", type=int, default=3)
    args = ap.parse_args()
    for p in (args.root, os.path.join(args.root, "src")):
        sys.path.insert(0, p)
    import audit
    try:
        import vorlane_ast as builder
        builder_name = "vorlane_ast"
    except ImportError:
        from tarvelle import vorlane as builder
        builder_name = "vorlane"

    project = os.path.realpath(args.project)
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
        # The pieces the command adds: both reports and the context file.
        def rest():
            audit.format_report(tmp, r, False)
            audit.write_audit_context(tmp, r)
        rest_s, _ = best_of(args.runs, rest)
        # The command end to end: its own process, no host copy of the graph.
        command = [os.path.join(args.root, "bin", "audit"), "--root", tmp, "--json"]
        command_s, _ = best_of(args.runs, lambda: subprocess.run(command, capture_output=True, check=True))

    files = sum(1 for n in graph["nodes"] if n.get("kind") == "file")
    symbols = len(graph["nodes"]) - files
    print(f"project: {project}  ({files} files, {symbols} symbols, {len(graph['edges'])} edges)")
    print(f"scan ({builder_name}):     {scan_s * 1000:9.1f} ms")
    print(f"run_audit:               {audit_s * 1000:9.1f} ms   (debt score {r['debt_score']}, "
          f"{len(r['todos'])} todos, {len(r['copy_paste'])} copy-paste groups, "
          f"{len(r['missing_error_handling'])} error-handling findings)")
    print(f"report + context file:   {rest_s * 1000:9.1f} ms")
    print(f"audit command (--json):  {command_s * 1000:9.1f} ms   (process start-up included)")
    print(f"ratio audit / scan:      {audit_s / scan_s:9.3f}   (target below 1)")
    print(f"ratio command / scan:    {command_s / scan_s:9.3f}")


if __name__ == "__main__":
    main()
