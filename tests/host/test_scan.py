"""The walk and the scan of the vorlane module, called as the host's callers call them."""
import hashlib
import os
import pathlib
import subprocess
import sys
import tempfile
import textwrap
import unittest

import tests.host.support  # noqa: F401  (puts the install tree on sys.path)
import tarvelle.vorlane as vorlane

SYMBOL_KEYS = ["id", "name", "symbol_type", "line_start", "line_end", "body_hash", "confidence", "exported",
               "keywords"]


def md5_8(text):
    return hashlib.md5(text.encode("utf-8")).hexdigest()[:8]


class TreeCase(unittest.TestCase):
    def setUp(self):
        tmp = tempfile.TemporaryDirectory()
        self.addCleanup(tmp.cleanup)
        self.root = pathlib.Path(tmp.name).resolve()

    def write(self, rel, text):
        p = self.root / rel
        p.parent.mkdir(parents=True, exist_ok=True)
        p.write_bytes(text.encode("utf-8"))
        return p


class ConstantsTest(unittest.TestCase):
    def test_values_and_types(self):
        self.assertEqual(vorlane.SKIP_DIRS, {
            ".git", ".beads", ".beads-hooks", "node_modules", "vendor", "dist", ".next", ".idea", ".vscode",
            "__pycache__", "venv", ".venv", ".nimbrel", "Intermediate", "Binaries", "DerivedDataCache", "Saved"})
        self.assertEqual(vorlane._CONDITIONAL_SKIP, {"build"})
        self.assertEqual(vorlane.SYMBOL_EXTS, {
            ".ts", ".tsx", ".js", ".jsx", ".py", ".rs", ".java", ".cs", ".rb", ".php", ".kt", ".kts", ".scala",
            ".c", ".cpp", ".h", ".hpp"})
        for s in (vorlane.SKIP_DIRS, vorlane._CONDITIONAL_SKIP, vorlane.SYMBOL_EXTS):
            self.assertIs(type(s), set)
        self.assertEqual((vorlane.MAX_FILE_BYTES, vorlane.MAX_CONTENT_CHARS), (300000, 24000))
        names = list(vars(vorlane))
        self.assertLess(names.index("SYMBOL_EXTS"), names.index("Node"))


class WalkTest(TreeCase):
    def test_paths_are_path_objects_from_the_given_root(self):
        self.write("a.py", "x")
        self.write("sub/b.md", "x")
        self.write("node_modules/c.js", "x")
        for root in (str(self.root), self.root):
            files = vorlane.walk_files(root)
            self.assertEqual(sorted(files), [self.root / "a.py", self.root / "sub" / "b.md"])
            self.assertTrue(all(isinstance(p, pathlib.Path) for p in files))
        self.assertTrue(vorlane.should_scan(pathlib.Path("x/Main.PY")))
        self.assertFalse(vorlane.should_scan(path="x/venv/a.py"))


class ScanTest(TreeCase):
    def test_root_is_the_text_given_and_existing_nodes_optional(self):
        self.write("a.md", "# title\n")
        text_root = str(self.root) + "/"
        g = vorlane.scan(text_root)
        self.assertEqual(list(g), ["root", "node_count", "edge_count", "file_count", "symbol_count", "nodes",
                                   "edges"])
        self.assertEqual(g["root"], text_root)
        self.assertEqual(vorlane.scan(root=self.root, existing_nodes={})["root"], str(self.root))
        self.assertEqual(vorlane.scan(self.root, None)["nodes"], g["nodes"])
        self.assertEqual(g["nodes"][0]["id"], "a.md")

    def test_take_over_by_hash_from_host_values(self):
        text = "def serve(port):\n    return port\n"
        self.write("srv.py", text)
        full = vorlane.scan(self.root)
        stored = {"id": "srv.py", "kind": "file", "size": 1, "keywords": ["kept"], "summary": None,
                  "content": "stored", "file_hash": md5_8(text)}
        prior = {"srv.py": stored}
        g = vorlane.scan(self.root, prior)
        self.assertEqual(g["nodes"][0], dict(stored, path="srv.py", ext=".py"))
        self.assertIsNot(g["nodes"][0]["keywords"], stored["keywords"])
        self.assertEqual(prior, {"srv.py": stored})  # only read
        self.assertEqual(g["nodes"][1:], full["nodes"][1:])
        self.assertEqual(g["edges"], full["edges"])
        with self.assertRaises(KeyError):
            vorlane.scan(self.root, {"srv.py": {"file_hash": md5_8(text)}})

    def test_extract_symbols_for_file_dispatch(self):
        self.assertEqual(vorlane._extract_symbols_for_file("func Main() {}\n", "m.go", ".go"), [])
        src = "def alpha():\n    pass\n"
        got = vorlane._extract_symbols_for_file(src, "m.py", ".py")
        self.assertIsInstance(got, list)
        for rec in got:
            self.assertEqual(list(rec), SYMBOL_KEYS)


def run_python(code, **kwargs):
    """Runs `code` in a fresh interpreter with the install tree importable (a crash there
    cannot take the test runner with it)."""
    prelude = "import tests.host.support\nimport tarvelle.vorlane as vorlane\n"
    cwd = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    return subprocess.run([sys.executable, "-c", prelude + textwrap.dedent(code)], cwd=cwd,
                          capture_output=True, text=True, **kwargs)


class HostileInputTest(TreeCase):
    def test_deep_nesting_is_a_recursion_error_both_ways(self):
        self.write("a.py", "x = 1\n")
        r = run_python(f"""
            import sys
            root = {str(self.root)!r}
            def nested(depth):
                v = []
                for _ in range(depth):
                    v = [v]
                return v
            def attempt(limit, depth):
                sys.setrecursionlimit(limit)
                try:
                    vorlane.scan(root, {{"a.py": {{"keywords": nested(depth)}}}})
                    print("ok")
                except RecursionError:
                    print("RecursionError")
            attempt(1000, 50000)     # into C++: past the host's limit
            attempt(1000000, 50000)  # into C++: past the conversion's own bound
            attempt(10000, 500)      # fits both ways
            import hashlib
            h = hashlib.md5(open(root + "/a.py").read().encode()).hexdigest()[:8]
            deep = {{"a.py": {{"id": "a.py", "file_hash": h, "keywords": nested(2997)}}}}
            try:                     # fits into C++; the graph holding it nests deeper
                vorlane.scan(root, deep)
                print("ok")
            except RecursionError as e:
                print("RecursionError", "JSON" in str(e))
        """)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout.split("\n"), ["RecursionError", "RecursionError", "ok",
                                                "RecursionError True", ""])

    def test_root_with_nul_is_refused(self):
        for root in (os.fsencode(self.root) + b"\0/x", str(self.root) + "\0/x"):
            with self.subTest(root=root):
                with self.assertRaisesRegex(ValueError, "null"):
                    vorlane.scan(root)
                with self.assertRaisesRegex(ValueError, "null"):
                    vorlane.walk_files(root)

    def test_bytes_root_is_scanned(self):
        self.write("a.md", "# t\n")
        g = vorlane.scan(os.fsencode(self.root))
        self.assertEqual([n["id"] for n in g["nodes"]], ["a.md"])


class LinkedDirectoryTest(TreeCase):
    def test_one_file_node_per_id(self):
        self.write("pkg/mod.py", "def run():\n    return 1\n")
        self.write("top.py", "import pkg\n")
        os.symlink(self.root / "pkg", self.root / "alias")
        self.assertEqual(len(vorlane.walk_files(self.root)), 3)  # the walk itself still lists both
        g = vorlane.scan(self.root)
        file_ids = [n["id"] for n in g["nodes"] if n["kind"] == "file"]
        self.assertCountEqual(file_ids, ["pkg/mod.py", "top.py"])
        symbol_ids = [n["id"] for n in g["nodes"] if n["kind"] == "symbol"]
        self.assertEqual(symbol_ids, ["pkg/mod.py::run"])
        self.assertEqual((g["file_count"], g["symbol_count"], g["node_count"]), (2, 1, 3))
        contains = [e for e in g["edges"] if e["rel"] == "contains"]
        self.assertEqual(len(contains), 1)


class InterruptTest(TreeCase):
    """Ctrl-C during a scan ends it promptly, as the host ends on an interrupt."""

    def setUp(self):
        super().setUp()
        tests.host.support.write_many_modules(self.root)

    def test_scan_raises_keyboard_interrupt(self):
        # An interrupt that waited for the scan's end would also surface as
        # KeyboardInterrupt, so the time from the interrupt to the exception is compared
        # with a whole scan's.
        r = run_python(f"""
            import _thread, threading, time
            start = time.monotonic()
            vorlane.scan({str(self.root)!r})
            whole = time.monotonic() - start
            fired = []
            def interrupt():
                fired.append(time.monotonic())
                _thread.interrupt_main()
            threading.Timer(whole / 10, interrupt).start()
            try:
                vorlane.scan({str(self.root)!r})
                print("finished")
            except KeyboardInterrupt:
                print("KeyboardInterrupt", (time.monotonic() - fired[0]) < whole / 3)
        """, env=dict(os.environ, VORLANE_THREADS="1"))
        self.assertEqual((r.returncode, r.stdout, r.stderr), (0, "KeyboardInterrupt True\n", ""))

    def test_command_ends_as_the_host_does_and_writes_nothing(self):
        import signal
        import time
        from tests.host.support import BIN
        # The command makes the output's directory before it scans: its appearance says
        # the scan has begun.
        target = self.root / "out" / "sub" / "g.json"
        # At the lowest priority the scan outlasts this test's polling even on a machine
        # busy with other tests, so the signal comes while it scans.
        p = subprocess.Popen([os.path.join(BIN, "vorlane"), "--root", str(self.root), "--out", str(target)],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                             env=dict(os.environ, VORLANE_THREADS="1"), preexec_fn=lambda: os.nice(19))
        while not target.parent.exists() and p.poll() is None:
            time.sleep(0.005)
        p.send_signal(signal.SIGINT)
        stdout, stderr = p.communicate(timeout=60)
        # An uncaught KeyboardInterrupt makes the host end by the signal itself (130 in a shell).
        self.assertEqual(p.returncode, -signal.SIGINT, stderr)
        self.assertIn("KeyboardInterrupt", stderr)
        self.assertEqual(stdout, "")
        self.assertEqual(os.listdir(target.parent), [])


class AppendSymbolNodesTest(unittest.TestCase):
    REC = {"id": "m.py::f", "name": "f", "symbol_type": "utility", "line_start": 2, "line_end": 5,
           "body_hash": "abcd1234", "confidence": "high", "exported": True, "keywords": ["f"]}

    def test_nodes_and_contains_edges(self):
        nodes, edges = ["before"], []
        other = dict(self.REC, id="m.py::g", name="g", line_start=7, line_end=7)
        self.assertIsNone(vorlane._append_symbol_nodes(nodes, edges, [self.REC, other], "m.py", ".py"))
        self.assertEqual(nodes[0], "before")
        self.assertIsInstance(nodes[1], vorlane.Node)
        self.assertEqual(nodes[1], vorlane.Node(
            id="m.py::f", kind="symbol", path="m.py", ext=".py", size=4, keywords=["f"], symbol_type="utility",
            name="f", line_start=2, line_end=5, body_hash="abcd1234", confidence="high", exported=True))
        self.assertEqual(nodes[2].size, 1)
        self.assertEqual(edges, [{"from": "m.py", "to": "m.py::f", "rel": "contains"},
                                 {"from": "m.py", "to": "m.py::g", "rel": "contains"}])
        self.assertEqual(list(edges[0]), ["from", "to", "rel"])

    def test_missing_key_is_a_key_error(self):
        for key in SYMBOL_KEYS:
            with self.subTest(key=key):
                rec = dict(self.REC)
                del rec[key]
                with self.assertRaises(KeyError) as ctx:
                    vorlane._append_symbol_nodes([], [], [rec], "m.py", ".py")
                self.assertEqual(ctx.exception.args, (key,))


if __name__ == "__main__":
    unittest.main()
