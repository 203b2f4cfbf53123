"""The walk and the scan of the vorlane module, called as the host's callers call them."""
import hashlib
import os
import pathlib
import tempfile
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
