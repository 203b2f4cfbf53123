#!/usr/bin/env python3
"""The syntax-tree builder's keywords, summaries and structural peers on adversarial
inputs, beside the host's `re` (or a plain transcription of the peer rule) on the same
inputs, in one run.

    python3 bench/ast_pipeline_bench.py [--root dist/root] [--size 300000] [--host-size 20000]

Keywords and summaries: each text is one unit repeated to --size bytes (the scan's file
cap); the builder's column times the whole function. The host's column times the
pattern alone at --host-size and twice that, and extrapolates to --size from their ratio
(the host is quadratic on the export-list and Go function patterns). Peers: one directory
of many files whose stems fit the conventions, and a tree of many small directories; the
builder against the rule written in the host's language. Ratios are host / builder.
"""
import argparse
import math
import os
import re
import sys
import time

KEYWORD_PATTERNS = {
    "export_list": (r"export\s*\{([^}]+)\}", 0, ".ts"),
    "go_funcs": (r"^func\s+(?:\([^)]+\)\s+)?([A-Za-z_]\w*)\s*\(", re.M, ".go"),
    "route": (r"(?:app|router|r|mux|api)\s*[.\@]\s*(get|post|put|delete|patch|handle|handlefunc)\s*\(\s*['\"/]([^'\")\s]+)",
              re.I, ".md"),
    "ts_export": (r"export\s+(?:default\s+)?(?:async\s+)?(?:function|class|const|type|interface|enum)\s+([A-Za-z_]\w*)",
                  0, ".ts"),
    "py_defs": (r"^(?:async\s+)?def\s+([A-Za-z_]\w*)|^class\s+([A-Za-z_]\w*)", re.M, ".py"),
    "go_types": (r"^type\s+([A-Za-z_]\w*)\s+(?:struct|interface)", re.M, ".go"),
}
UNITS = {
    "export_list": ["export{", "export {a,", "export {\n"],
    "go_funcs": ["func (\n", "func (s) \n", "func (s)  Name \n"],
    "route": ["r.get(", "app ", "router.post( ' ", "r" + " " * 50],
    "ts_export": ["export ", "export default async ", "export const "],
    "py_defs": ["def ", "async def \n", "class \n"],
    "go_types": ["type T \n", "type " + " " * 40],
}


def repeat(unit, n):
    return (unit * (n // len(unit) + 1))[:n]


def timed(f):
    best = math.inf
    for _ in range(3):
        t = time.perf_counter()
        f()
        best = min(best, time.perf_counter() - t)
    return best


# The peer rule as the host runs it, shared with the tests.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "tests", "graph",
                                "vorlane_ast"))
from host_rules import peer_edges  # noqa: E402

PEER_ROWS = []


def peer_rule(ids):
    return peer_edges(ids, [(re.compile(x, re.I), re.compile(y, re.I)) for x, y in PEER_ROWS])


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--root", default=os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "dist", "root"))
    ap.add_argument("--size", type=int, default=300000)
    ap.add_argument("--host-size", type=int, default=20000)
    args = ap.parse_args()
    sys.path[:0] = [os.path.join(args.root, "src"), args.root]
    import vorlane_ast

    print(f"{'pattern':12} {'unit':22} {'builder@' + str(args.size):>14} {'host@' + str(args.host_size):>12} "
          f"{'host@' + str(2 * args.host_size):>12} {'host@' + str(args.size) + ' (est.)':>20} {'ratio':>9}")
    for label, (pat, flags, ext) in KEYWORD_PATTERNS.items():
        rx = re.compile(pat, flags)
        for unit in UNITS[label]:
            big = repeat(unit, args.size)
            mine = timed(lambda: vorlane_ast.extract_keywords(big, ext))
            h1 = timed(lambda: sum(1 for _ in rx.finditer(repeat(unit, args.host_size))))
            h2 = timed(lambda: sum(1 for _ in rx.finditer(repeat(unit, 2 * args.host_size))))
            growth = math.log2(max(h2, 1e-9) / max(h1, 1e-9))
            est = h2 * (args.size / (2 * args.host_size)) ** max(1.0, growth)
            print(f"{label:12} {unit!r:22} {mine:13.4f}s {h1:11.4f}s {h2:11.4f}s {est:19.3f}s {est / mine:8.1f}x",
                  flush=True)

    for ext in (".py", ".ts", ".md"):
        for unit in ('"""' + "a" * 8, "/** " + " " * 30, "class A:\n", "function f() {}\n"):
            big = repeat(unit, args.size)
            mine = timed(lambda: vorlane_ast._make_summary(big, "src/a" + ext, ext))
            print(f"{'summary':12} {unit[:18]!r:22} {mine:13.4f}s  ({ext})", flush=True)

    PEER_ROWS[:] = [(x.pattern, y.pattern) for x, y in vorlane_ast._PEER_PAIRS]
    stems = ["routes", "middleware", "guards", "service", "repo", "models", "schema", "view", "other", "handler"]
    for label, ids in (
        ("one dir", [f"big/{stems[i % len(stems)]}.{i}" if i % 2 else f"big/{stems[i % len(stems)]}" for i in range(3000)]),
        ("many dirs", [f"d{i // 10}/{stems[i % len(stems)]}.ts" for i in range(30000)]),
    ):
        mine = timed(lambda: vorlane_ast._structural_peer_edges(ids))
        host = timed(lambda: peer_rule(ids))
        assert vorlane_ast._structural_peer_edges(ids) == peer_rule(ids)
        print(f"{'peers':12} {label:22} {mine:13.4f}s {'':12} {'':12} {host:19.3f}s {host / mine:8.1f}x", flush=True)


if __name__ == "__main__":
    main()
