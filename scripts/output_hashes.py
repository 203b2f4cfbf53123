#!/usr/bin/env python3
"""Prints a sha256 for every product of every command on the given trees.

    python3 scripts/output_hashes.py [--install DIR] TREE...

Two installs that print the same lines produce the same bytes: the graphs and symbol
indexes of both builders (on one thread and on all), the audit's report, context file
and printed forms, the retrieval engine's retrieve and prime output, the packer's
context block and the launcher's dry run. Each tree is copied to a fixed scratch folder
first, so the root that the outputs name is the same for every install and the audit's
writes never touch the tree itself; the install is copied there too, so its data
folder starts empty.
"""
import argparse
import fcntl
import hashlib
import os
import re
import shutil
import subprocess
import sys

PROJECT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SCRATCH = "/tmp/tarvelle-output-hashes"
QUERIES = ["how is the graph loaded and scanned", "fix the bug in the parser error handling"]


def digest(data):
    return hashlib.sha256(data).hexdigest()[:16]


def file_digest(path):
    with open(path, "rb") as f:
        return digest(f.read())


def run(cmd, env, cwd=None, timed=False):
    r = subprocess.run(cmd, env=env, cwd=cwd, capture_output=True)
    stdout = r.stdout
    if timed:  # the comparison prints its two scan times
        stdout = re.sub(rb"(Scan time \(s\)) +[0-9.]+ +[0-9.]+", rb"\1", stdout)
    return digest(b"%d\n" % r.returncode + stdout + b"\0" + r.stderr)


def tree_lines(install, name, source):
    work = os.path.join(SCRATCH, "work")
    root = os.path.join(work, name)
    shutil.rmtree(work, ignore_errors=True)
    shutil.copytree(source, root, symlinks=True, ignore=shutil.ignore_patterns(".nimbrel", ".git", "dist"))
    inst = os.path.join(work, "install")
    shutil.copytree(install, inst, symlinks=True, ignore=shutil.ignore_patterns("data"))
    os.makedirs(os.path.join(inst, "src", "tarvelle", "data"))
    bin_ = os.path.join(inst, "bin")
    out = os.path.join(work, "out")
    os.makedirs(out)
    env = {k: v for k, v in os.environ.items() if not k.startswith(("KESTIL_", "NIMBREL_", "VORLANE_"))}
    env["PATH"] = bin_ + os.pathsep + env.get("PATH", "")
    lines = []

    def add(label, value):
        lines.append(f"{name} {label} {value}")

    for threads in ("1", ""):
        e = dict(env)
        if threads:
            e["VORLANE_THREADS"] = threads
        tag = "1t" if threads else "nt"
        g = os.path.join(out, f"vorlane-{tag}.json")
        add(f"vorlane-{tag}.run", run([os.path.join(bin_, "vorlane"), "--root", root, "--out", g], e))
        add(f"vorlane-{tag}.graph", file_digest(g))
        add(f"vorlane-{tag}.index", file_digest(os.path.join(out, "symbol_index.json")))
        a = os.path.join(out, f"ast-{tag}", "info_graph.json")
        add(f"ast-{tag}.run", run([os.path.join(bin_, "vorlane_ast"), "--root", root, "--out", a], e))
        add(f"ast-{tag}.graph", file_digest(a))
        add(f"ast-{tag}.index", file_digest(os.path.join(os.path.dirname(a), "symbol_index.json")))
    add("ast.compare", run([os.path.join(bin_, "vorlane_ast"), "--root", root, "--compare",
                            "--out", os.path.join(out, "cmp", "info_graph.json")], env, timed=True))
    for f in sorted(os.listdir(os.path.join(out, "cmp"))):
        add(f"ast.compare.{f}", file_digest(os.path.join(out, "cmp", f)))

    # The audit reads the project's own graph under .nimbrel.
    os.makedirs(os.path.join(root, ".nimbrel"), exist_ok=True)
    shutil.copy(os.path.join(out, "ast-nt", "info_graph.json"), os.path.join(root, ".nimbrel", "info_graph.json"))
    audit = os.path.join(bin_, "audit")
    add("audit.text", run([audit, "--root", root, "--no-color"], env))
    add("audit.report", file_digest(os.path.join(root, ".nimbrel", "audit_report.json")))
    add("audit.context", file_digest(os.path.join(root, ".nimbrel", "AUDIT_CONTEXT.md")))
    add("audit.json", run([audit, "--root", root, "--json", "--out", os.path.join(out, "audit.json")], env))
    add("audit.json.file", file_digest(os.path.join(out, "audit.json")))

    kestil = os.path.join(bin_, "kestil")
    add("kestil.scan", run([kestil, "scan", "--root", root], env))
    add("kestil.graph", file_digest(os.path.join(inst, "src", "tarvelle", "data", "info_graph.json")))
    for i, q in enumerate(QUERIES):
        add(f"kestil.retrieve.{i}", run([kestil, "retrieve", "--query", q, "--json"], env))
        add(f"kestil.retrieve-text.{i}", run([kestil, "retrieve", "--query", q], env))
        add(f"kestil.prime.{i}", run([kestil, "prime", "--query", q], env))
        add(f"bundrel.{i}", run([os.path.join(bin_, "bundrel"), q, root], env))
        add(f"wendle.dry-run.{i}", run([os.path.join(bin_, "wendle-claude"), "--dry-run", "--project-root", root, q],
                                       env))
    return lines


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--install", default=os.path.join(PROJECT, "dist", "root"))
    ap.add_argument("trees", nargs="*", default=[PROJECT])
    args = ap.parse_args()
    install = os.path.abspath(args.install)
    # The outputs name the scratch folder, so every run uses the same one: runs started
    # side by side take turns.
    os.makedirs(SCRATCH, exist_ok=True)
    lock = open(os.path.join(SCRATCH, ".lock"), "w")
    fcntl.flock(lock, fcntl.LOCK_EX)
    seen = {}
    for t in args.trees:
        t = os.path.abspath(t)
        name = os.path.basename(t.rstrip("/")) or "root"
        seen[name] = seen.get(name, 0) + 1
        if seen[name] > 1:
            name += f"-{seen[name]}"
        for line in tree_lines(install, name, t):
            print(line, flush=True)
    shutil.rmtree(os.path.join(SCRATCH, "work"), ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
