"""The audit module: its constants, colour function, readers and checks, through the host."""
import contextlib
import io
import json
import os
import pathlib
import random
import re
import tempfile
import unittest

import tests.host.support  # noqa: F401  (puts the install root on the module search path)
import audit


class ProjectCase(unittest.TestCase):
    def setUp(self):
        tmp = tempfile.TemporaryDirectory()
        self.addCleanup(tmp.cleanup)
        self.root = pathlib.Path(tmp.name)

    def write(self, rel, data):
        p = self.root / rel
        p.parent.mkdir(parents=True, exist_ok=True)
        if isinstance(data, str):
            data = data.encode("utf-8")
        p.write_bytes(data)
        return p


class ConstantsTest(unittest.TestCase):
    def test_constants(self):
        self.assertIs(audit.COLOR, False)  # standard output is not a terminal under the test runner
        self.assertEqual(audit.CODE_EXTS, {
            ".ts", ".tsx", ".js", ".jsx", ".py", ".go", ".rs", ".java", ".kt", ".cs", ".rb", ".php", ".c", ".cpp",
            ".cc", ".swift", ".dart", ".ex", ".exs", ".scala", ".lua", ".jl", ".hs", ".zig"})
        for name in ("TEST_PAT", "DB_RE", "ROUTE_RE", "TODO_RE", "EXTERNAL_RE", "ERR_RE"):
            pat = getattr(audit, name)
            self.assertIsInstance(pat, re.Pattern)
            self.assertEqual(pat.flags & (re.I | re.M | re.S), re.I, name)
        m = audit.TODO_RE.search("TODO (x)\uff1a fix layout")
        self.assertEqual(m.group(1), "fix layout")

    def test_colour(self):
        e = "\x1b"
        cases = [
            (("red", "x", False), "x"),
            (("red", "x"), e + "[91mx" + e + "[0m"),
            (("red", "x", True), e + "[91mx" + e + "[0m"),
            (("Red", "x"), "x" + e + "[0m"),
            (("bold", ""), e + "[1m" + e + "[0m"),
            (("dim", 5), e + "[2m5" + e + "[0m"),
        ]
        for args, want in cases:
            self.assertEqual(audit._c(*args), want, args)
        self.assertEqual(audit._c(code="orange", text="t", enabled=True), e + "[33mt" + e + "[0m")
        marker = object()
        self.assertIs(audit._c("red", marker, enabled=False), marker)

        class Flag:
            def __bool__(self):
                raise ValueError("no truth value")

        for fn in (lambda: audit._c("red", "x", Flag()), lambda: audit.format_report("/p", {"debt_score": 0}, Flag())):
            with self.assertRaisesRegex(ValueError, "no truth value"):
                fn()


class ReadersTest(ProjectCase):
    def test_load_graph_table(self):
        cases = [
            (b'{"nodes": [], "edges": []}', {"nodes": [], "edges": []}),
            (b"null", None),
            (b"{}", {}),
            (b'\xef\xbb\xbf{"nodes": []}', {}),
            (b"[1, 2]", {}),
            (b'"text"', {}),
            (b'{"nodes": [', {}),
            (b'{"a":\r\n "\xff\xfe"}', {"a": "\ufffd\ufffd"}),
        ]
        for data, want in cases:
            self.write(".nimbrel/info_graph.json", data)
            self.assertEqual(audit._load_graph(self.root), want, data)
            self.assertEqual(audit._load_graph(root=str(self.root)), want, data)
        os.remove(self.root / ".nimbrel/info_graph.json")
        self.assertEqual(audit._load_graph(self.root), {})
        (self.root / ".nimbrel/info_graph.json").mkdir()
        self.assertEqual(audit._load_graph(self.root), {})

    def test_read(self):
        self.write("src/a.py", b"caf\xe9\r\nline\rend\n")
        self.write("secret.txt", "s")
        self.assertEqual(audit._read(self.root, "src/a.py"), "caf\ufffd\nline\nend\n")
        self.assertEqual(audit._read(root=self.root, file_id="src/missing.py"), "")
        self.assertEqual(audit._read(self.root, "src"), "")
        # Absolute ids are not followed out of the project; ".." steps are.
        self.assertEqual(audit._read(self.root / "src", str(self.root / "secret.txt")), "")
        self.assertEqual(audit._read(self.root / "src", "../secret.txt"), "s")


class ChecksTest(ProjectCase):
    def test_shapes_and_keywords(self):
        graph = {
            "nodes": [
                {"id": "src/a.ts", "kind": "file"},
                {"id": "src/a.test.ts", "kind": "file"},
                {"id": "src/b.py", "kind": "file"},
                {"id": "src/a.ts::x", "kind": "symbol", "exported": True, "file": "src/a.ts", "name": "x",
                 "line_start": 41, "symbol_type": "utility", "body_hash": "h", "line_end": 60},
                {"id": "src/b.py::y", "kind": "symbol", "path": "src/b.py", "name": "y", "line_start": 0,
                 "line_end": 10, "body_hash": "h"},
            ],
            "edges": [{"from": "src/a.ts", "to": "src/b.py", "rel": "imports"},
                      {"from": "src/b.py", "to": "src/a.ts", "rel": "references"}],
        }
        self.write("src/b.py", "x" * 30)
        self.assertEqual(audit.check_dead_exports(graph),
                         [{"file": "src/a.ts", "symbol": "x", "line": 41, "type": "utility"}])
        cov = audit.check_test_coverage(graph=graph, root=self.root)
        self.assertEqual(cov, {"total_code_files": 2, "tested_files": 1, "coverage_pct": 50, "untested": ["src/b.py"]})
        self.assertEqual(list(cov), ["total_code_files", "tested_files", "coverage_pct", "untested"])
        self.assertEqual(audit.check_circular_deps(graph=graph), [["src/a.ts", "src/b.py"]])
        groups = audit.check_copy_paste(graph)
        self.assertEqual(groups, [{"copies": 2, "lines": 19, "symbols": [
            {"file": "src/a.ts", "name": "x", "line": 41}, {"file": "src/b.py", "name": "y", "line": 0}]}])
        for check in (audit.check_dead_exports, audit.check_circular_deps, audit.check_copy_paste):
            with self.assertRaises(TypeError):
                check([])
        with self.assertRaises(TypeError):
            audit.check_dead_exports({"nodes": None})
        with self.assertRaises(KeyError):
            audit.check_dead_exports({"nodes": [{"kind": "symbol", "exported": True}]})

    def test_source_checks(self):
        self.write("api/users.py", "def get(db):\n    # TODO: paginate\n    return db.query(User)\n")
        self.write("svc/remote.ts", "export function load() {\n  return fetch(url)\n}\n")
        graph = {"nodes": [
            {"id": "api/users.py", "kind": "file"},
            {"id": "svc/remote.ts", "kind": "file"},
            # The builders' form: `path` and rows from 0.
            {"id": "svc/remote.ts::load", "kind": "symbol", "path": "svc/remote.ts", "name": "load",
             "line_start": 0, "line_end": 2},
        ]}
        self.assertEqual(audit.check_db_in_routes(graph, self.root),
                         [{"file": "api/users.py", "count": 1, "lines": [3], "patterns": ["db."]}])
        self.assertEqual(audit.check_todos(root=str(self.root), graph=graph),
                         [{"file": "api/users.py", "line": 2, "text": "TODO: paginate"}])
        self.assertEqual(audit.check_missing_error_handling(graph=graph, root=self.root),
                         [{"file": "svc/remote.ts", "symbol": "load", "line": 1}])
        for check in (audit.check_db_in_routes, audit.check_todos, audit.check_missing_error_handling):
            with self.assertRaises(TypeError):
                check([graph], self.root)

    def test_path_is_read_only_as_a_text(self):
        # A symbol without `file` names no file when its `path` is not a text either: the
        # symbol checks pass over it, as over any symbol without a file, instead of failing.
        self.write("src/a.py", "def f():\n    return fetch(u)\n")
        for path in (None, 5, ["src/a.py"]):
            sym = {"id": "s", "kind": "symbol", "exported": True, "path": path, "name": "f", "body_hash": "h",
                   "line_start": 0, "line_end": 20}
            graph = {"nodes": [sym, dict(sym, id="t")]}
            self.assertEqual(audit.check_dead_exports(graph), [], path)
            self.assertEqual(audit.check_copy_paste(graph), [], path)
            self.assertEqual(audit.check_missing_error_handling(graph, self.root), [], path)
        # `file` itself is read as the checks say: a value that is no text is an error.
        with self.assertRaises(TypeError):
            audit.check_dead_exports({"nodes": [{"id": "s", "kind": "symbol", "exported": True, "file": None}]})

    def test_score_and_roadmap(self):
        r = {"test_coverage": {"coverage_pct": 30, "untested": ["a.py", "b.py"]},
             "db_in_routes": [{"file": "api/x.py"}], "todos": [{}] * 8}
        self.assertEqual(audit.debt_score(r), 30 + 1 + 2)
        self.assertEqual(audit.debt_score(r={}), 0)
        self.assertEqual(audit.fix_roadmap(r=r), [
            {"week": 1, "label": "Add tests to largest untested modules", "files": ["a.py", "b.py"],
             "why": "Only 30% test coverage"},
            {"week": 1, "label": "Move DB calls out of route handlers", "files": ["api/x.py"],
             "why": "Direct DB in routes = no separation of concerns, untestable"}])
        for fn in (audit.debt_score, audit.fix_roadmap):
            with self.assertRaises(TypeError):
                fn([])

    def test_cycle_search_matches_the_recursive_visit(self):
        def reference(graph):
            # The recursive visit as written, with targets in first-seen order.
            adj = {}
            for e in graph.get("edges", []):
                if e.get("rel") in ("imports", "references"):
                    s, d = e.get("from", ""), e.get("to", "")
                    if s and d and s != d:
                        adj.setdefault(s, {})[d] = None
            cycles, seen = [], set()

            def dfs(node, path, on_stack):
                if len(cycles) >= 10:
                    return
                for nb in adj.get(node, {}):
                    if nb in on_stack:
                        cycles.append(path[path.index(nb):])
                    elif nb not in seen:
                        seen.add(nb)
                        on_stack.add(nb)
                        dfs(nb, path + [nb], on_stack)
                        on_stack.discard(nb)

            for n in list(adj)[:300]:
                if n not in seen:
                    dfs(n, [n], {n})
                    seen.add(n)
            return cycles

        rng = random.Random(5)
        for trial in range(300):
            ids = [f"m{i}" for i in range(rng.randint(2, 40))]
            edges = [{"from": rng.choice(ids), "to": rng.choice(ids),
                      "rel": rng.choice(["imports", "references", "imports", "requires"])}
                     for _ in range(rng.randint(1, 120))]
            graph = {"edges": edges}
            self.assertEqual(audit.check_circular_deps(graph), reference(graph), trial)


class RunAuditTest(ProjectCase):
    def test_results_map_progress_and_exit(self):
        graph = {"nodes": [{"id": "a.py", "kind": "file"}], "edges": []}
        self.write(".nimbrel/info_graph.json", json.dumps(graph))
        err = io.StringIO()
        with contextlib.redirect_stderr(err):
            r = audit.run_audit(root=self.root)
        self.assertEqual(list(r), ["_graph", "dead_exports", "test_coverage", "circular_deps", "copy_paste",
                                   "db_in_routes", "todos", "missing_error_handling", "debt_score"])
        self.assertEqual(r["_graph"], graph)
        self.assertEqual(r["debt_score"], 60)
        self.assertEqual(err.getvalue().count("...  done\n"), 7)

        text = audit.format_report(root=self.root, r=r, color=False)
        self.assertIn("  Code files: 1   Symbols: 0", text)
        self.assertEqual(audit.format_report(self.root, r), audit.format_report(self.root, r, True))
        self.assertIn("\x1b[91m60/100  (HIGH)\x1b[0m", audit.format_report(self.root, r))
        self.assertEqual(audit._debt_color(59), "yellow")
        path = audit.write_audit_context(r=r, root=str(self.root))
        self.assertEqual(path, self.root / ".nimbrel" / "AUDIT_CONTEXT.md")
        self.assertTrue(path.read_text().endswith("Call graph_register_edit() after every change."))

        self.write(".nimbrel/info_graph.json", "{}")
        err = io.StringIO()
        with contextlib.redirect_stderr(err), self.assertRaises(SystemExit) as cm:
            audit.run_audit(str(self.root))
        self.assertEqual(cm.exception.code, 1)
        self.assertTrue(err.getvalue().startswith("No info_graph.json found in "))

    def test_parser(self):
        import argparse
        parser = audit.build_parser()
        self.assertIsInstance(parser, argparse.ArgumentParser)
        args = parser.parse_args(["--out", "", "--fix"])
        self.assertEqual((args.root, args.out, args.json, args.no_color, args.fix), (".", "", False, False, True))


if __name__ == "__main__":
    unittest.main()
