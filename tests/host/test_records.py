"""The graph records of the vorlane module, called as the host's callers call them."""
import copy
import dataclasses
import hashlib
import os
import pathlib
import tempfile
import unittest

import tests.host.support  # noqa: F401  (puts the install tree on sys.path)
import tarvelle.vorlane as vorlane

COMMON = ["id", "kind", "path", "ext", "size", "keywords"]
FILE_KEYS = COMMON + ["content", "summary", "file_hash"]
SYMBOL_KEYS = COMMON + ["symbol_type", "name", "line_start", "line_end", "body_hash", "confidence", "exported"]


class NodeTest(unittest.TestCase):
    def test_fields_defaults_and_construction(self):
        fields = [(f.name, f.default) for f in dataclasses.fields(vorlane.Node)]
        missing = dataclasses.MISSING
        self.assertEqual(fields, [
            ("id", missing), ("kind", missing), ("path", missing), ("ext", missing), ("size", missing),
            ("keywords", missing), ("content", ""), ("summary", ""), ("file_hash", ""), ("symbol_type", ""),
            ("name", ""), ("line_start", 0), ("line_end", 0), ("body_hash", ""), ("confidence", ""),
            ("exported", False)])
        by_name = vorlane.Node(id="a.py::f", kind="symbol", path="a.py", ext=".py", size=2, keywords=["f"],
                               name="f", line_start=3, line_end=4, exported=True)
        by_place = vorlane.Node("a.py::f", "symbol", "a.py", ".py", 2, ["f"], "", "", "", "", "f", 3, 4,
                                exported=True)
        self.assertEqual(by_name, by_place)
        with self.assertRaises(TypeError):
            vorlane.Node("a.py", "file", "a.py", ".py", 1)  # keywords is required

    def test_as_dict_keys_follow_kind(self):
        for kind, expected in [("file", FILE_KEYS), ("symbol", SYMBOL_KEYS), ("", SYMBOL_KEYS),
                               ("File", SYMBOL_KEYS)]:
            with self.subTest(kind=kind):
                n = vorlane.Node("x", kind, "x", ".ts", 1, [], content="c", name="n")
                self.assertEqual(list(n.as_dict()), expected)

    def test_as_dict_holds_the_records_own_values(self):
        words = ["alpha"]
        size = 10 ** 30  # beyond 64 bits, and any type passes through unchanged
        n = vorlane.Node(id="f", kind="file", path="f", ext=".py", size=size, keywords=words,
                         content=None, summary=("t",))
        d = n.as_dict()
        self.assertIs(d["keywords"], words)
        self.assertIs(d["size"], size)
        self.assertIsNone(d["content"])
        self.assertEqual(d["summary"], ("t",))
        again = n.as_dict()
        self.assertIsNot(again, d)
        d["id"] = "changed"
        self.assertEqual(n.id, "f")


class MapTypesTest(unittest.TestCase):
    def test_typed_dict_keys_in_order(self):
        self.assertEqual(list(vorlane.Edge.__annotations__), ["from", "to", "rel"])
        self.assertEqual(list(vorlane.SymbolRecord.__annotations__),
                         ["id", "name", "symbol_type", "line_start", "line_end", "body_hash", "confidence",
                          "exported", "keywords"])
        self.assertEqual(list(vorlane.InfoGraph.__annotations__),
                         ["root", "node_count", "edge_count", "file_count", "symbol_count", "nodes", "edges"])
        e = vorlane.Edge(**{"from": "a", "to": "b", "rel": "imports"})
        self.assertEqual(type(e), dict)
        self.assertEqual(vorlane.Edge.__module__, vorlane.__name__)


class BodyHashTest(unittest.TestCase):
    LINES = ["def f():", "    return '\u00e9'", "", "x"]

    def test_ranges_match_the_host_slice(self):
        for start, end in [(0, 0), (0, 1), (0, 3), (1, 9), (4, 4), (2, 1), (0, -1), (-2, -1), (-2, 9),
                           (-9, 0), (10 ** 20, 10 ** 20), (-10 ** 20, 10 ** 20)]:
            with self.subTest(start=start, end=end):
                want = hashlib.md5("\n".join(self.LINES[start:end + 1]).encode("utf-8")).hexdigest()[:8]
                self.assertEqual(vorlane._body_hash(self.LINES, start, end), want)
        self.assertEqual(vorlane._body_hash(lines=["a", "b"], start=0, end=1), "8cdeb444")
        self.assertEqual(vorlane._body_hash(("a",), end=5, start=1), "d41d8cd9")

    def test_errors_are_the_hosts(self):
        with self.assertRaises(TypeError):
            vorlane._body_hash(["a"], 0.0, 1)
        with self.assertRaises(TypeError):
            vorlane._body_hash(["a", 2], 0, 1)
        with self.assertRaises(UnicodeEncodeError):
            vorlane._body_hash(["\ud800"], 0, 0)


class RelTest(unittest.TestCase):
    def test_ids_inside_and_outside_the_root(self):
        with tempfile.TemporaryDirectory() as tmp:
            tmp = os.path.realpath(tmp)
            root = pathlib.Path(tmp, "work", "proj")
            (root / "src").mkdir(parents=True)
            (root / "src" / "app.ts").write_text("x")
            os.mkdir(os.path.join(tmp, "elsewhere"))
            pathlib.Path(tmp, "elsewhere", "x.py").write_text("x")
            os.symlink(os.path.join(tmp, "elsewhere", "x.py"), root / "x.py")
            self.assertEqual(vorlane.rel(root / "src" / "app.ts", root), os.path.join("src", "app.ts"))
            self.assertEqual(vorlane.rel(path=str(root / "src" / "app.ts"), root=str(root)),
                             os.path.join("src", "app.ts"))
            self.assertEqual(vorlane.rel(root / "x.py", root), os.path.join("..", "..", "elsewhere", "x.py"))
            # A name that is not UTF-8 comes back as the host spells it.
            odd = os.fsdecode(b"n\xff.py")
            (root / odd).write_text("x")
            self.assertEqual(vorlane.rel(root / odd, root), odd)
            os.symlink("loop", root / "loop")
            with self.assertRaisesRegex(RuntimeError, "^Symlink loop from '.*loop'$"):
                vorlane.rel(root / "loop", root)
            with self.assertRaises(TypeError):
                vorlane.rel(1, root)


class DedupeEdgesTest(unittest.TestCase):
    def test_keeps_the_first_edge_objects_and_leaves_the_argument(self):
        a = {"from": "A", "to": "B", "rel": "imports"}
        b = {"from": "A", "to": "B", "rel": "requires"}
        c = {"from": "A", "to": "B", "rel": "imports", "extra": 1}
        edges = [a, b, c]
        before = copy.deepcopy(edges)
        out = vorlane.dedupe_edges(edges)
        self.assertEqual(len(out), 2)
        self.assertIs(out[0], a)
        self.assertIs(out[1], b)
        self.assertIsNot(out, edges)
        self.assertEqual(edges, before)
        self.assertEqual(vorlane.dedupe_edges(edges=[]), [])
        self.assertEqual(vorlane.dedupe_edges(iter([a, a])), [a])

    def test_values_compare_as_the_host_compares(self):
        one, one_f, true = {"from": 1, "to": "t", "rel": "r"}, {"from": 1.0, "to": "t", "rel": "r"}, \
            {"from": True, "to": "t", "rel": "r"}
        self.assertEqual(vorlane.dedupe_edges([one, one_f, true]), [one])
        with self.assertRaises(TypeError):
            vorlane.dedupe_edges([{"from": [], "to": "t", "rel": "r"}])

    def test_missing_key_raises_key_error_with_the_key(self):
        for edge, key in [({"to": "b", "rel": "r"}, "from"), ({"from": "a", "rel": "r"}, "to"),
                          ({"from": "a", "to": "b"}, "rel")]:
            with self.subTest(key=key):
                with self.assertRaises(KeyError) as cm:
                    vorlane.dedupe_edges([{"from": "x", "to": "y", "rel": "z"}, edge])
                self.assertEqual(cm.exception.args, (key,))


if __name__ == "__main__":
    unittest.main()
