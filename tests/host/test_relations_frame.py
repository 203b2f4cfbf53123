"""Relation edges, the frame's routines and the TypeScript and Python extractors, called as the host calls them."""
import os
import pathlib
import tempfile
import unittest

import tests.host.support  # noqa: F401  (puts the install tree on sys.path)
import tarvelle.vorlane as vorlane

SYMBOL_KEYS = ["id", "name", "symbol_type", "line_start", "line_end", "body_hash", "confidence", "exported",
               "keywords"]


class ParseRelationsTest(unittest.TestCase):
    def test_arguments_paths_and_edge_maps(self):
        with tempfile.TemporaryDirectory() as d:
            root = pathlib.Path(d).resolve()
            path = root / "web" / "app.ts"
            text = 'import x from "./util"\nconst a = require("lodash")\n// see web/app.ts\n'
            expected = [
                {"from": os.path.join("web", "app.ts"), "to": "./util", "rel": "imports"},
                {"from": os.path.join("web", "app.ts"), "to": "lodash", "rel": "requires"},
                {"from": os.path.join("web", "app.ts"), "to": "x", "rel": "imports"},
                {"from": os.path.join("web", "app.ts"), "to": "web/app.ts", "rel": "references"},
            ]
            for args, kwargs in [((path, text, root), {}), ((str(path), text, str(root)), {}),
                                 ((), {"root": root, "text": text, "path": path})]:
                with self.subTest(args=args, kwargs=kwargs):
                    edges = vorlane.parse_relations(*args, **kwargs)
                    self.assertEqual(edges, expected)
                    self.assertEqual([list(e) for e in edges], [["from", "to", "rel"]] * 4)
            self.assertEqual(vorlane.parse_relations(root / "a.md", "", root), [])
            with self.assertRaises(TypeError):
                vorlane.parse_relations(path, text)


class FrameRoutinesTest(unittest.TestCase):
    def test_names(self):
        self.assertEqual(vorlane._split_camel(name="parseXMLDocumentNode"), ["parse", "xml", "document", "node"])
        self.assertEqual(vorlane._name_keywords("MAX_FILE_BYTES"), ["max_file_bytes", "max", "file", "bytes"])
        self.assertEqual(vorlane._name_keywords(name="_id"), [])

    def test_block_ends_over_host_lists(self):
        rows = "export type A = string;\n\nexport interface B {\n  x: number;\n}".splitlines()
        self.assertEqual(vorlane._find_block_end_ts(rows, 0), 4)
        self.assertEqual(vorlane._find_block_end_ts(lines=rows, start=2), 4)
        py_rows = ["def f():", "    x = 1", "", "Y = 2", "@dec", "def g():"]
        self.assertEqual(vorlane._find_block_end_py(lines=py_rows, start=0), 3)
        self.assertEqual(vorlane._find_block_end_py(py_rows, 5), 5)

    def test_classify_takes_exported_by_truth_value(self):
        for exported, expected in [(True, ("use_case", "high")), ("yes", ("use_case", "high")),
                                   ([1], ("use_case", "high")), (0, ("utility", "medium")),
                                   ("", ("utility", "medium")), (None, ("utility", "medium"))]:
            with self.subTest(exported=exported):
                self.assertEqual(vorlane._classify_ts(name="fetchUsers", exported=exported), expected)
        self.assertEqual(vorlane._classify_ts("GET", False), ("api_route", "high"))
        self.assertIsInstance(vorlane._classify_ts("useAuth", True), tuple)


class ExtractorsTest(unittest.TestCase):
    def check_records(self, records, file_path):
        for r in records:
            self.assertEqual(list(r), SYMBOL_KEYS)
            self.assertTrue(r["id"].startswith(file_path + "::"))
            self.assertIs(type(r["line_start"]), int)
            self.assertIs(type(r["exported"]), bool)

    def test_typescript(self):
        text = "export async function GET(req) {\n  return 1;\n}\nfunction formatDate() {}\n"
        records = vorlane.extract_symbols_ts(content=text, file_path="app/route.ts")
        self.check_records(records, "app/route.ts")
        self.assertEqual([(r["name"], r["symbol_type"], r["confidence"], r["line_start"], r["line_end"], r["exported"])
                          for r in records],
                         [("GET", "api_route", "high", 0, 2, True), ("formatDate", "utility", "medium", 3, 3, False)])
        lines = text.splitlines()
        self.assertEqual(records[0]["body_hash"], vorlane._body_hash(lines, 0, 2))
        self.assertEqual(records[0]["keywords"], ["get"])

    def test_python(self):
        text = "@app.get('/users')\ndef list_users():\n    return []\n\nclass _Cache:\n    pass\n"
        records = vorlane.extract_symbols_py(text, "api/users.py")
        self.check_records(records, "api/users.py")
        self.assertEqual([(r["name"], r["symbol_type"], r["line_start"], r["line_end"], r["exported"])
                          for r in records],
                         [("list_users", "api_route", 1, 2, True), ("_Cache", "model", 4, 5, False)])
        self.assertEqual(records[0]["keywords"], ["list_users", "list", "users"])
        self.assertEqual(vorlane.extract_symbols_py(content="", file_path="x.py"), [])


if __name__ == "__main__":
    unittest.main()
