"""The scan across every file type it reads, and over this project's own tree."""
import os
import pathlib
import tempfile
import unittest

import tests.host.support  # noqa: F401  (puts the install tree on sys.path)
import tarvelle.vorlane as vorlane

PROJECT = pathlib.Path(__file__).resolve().parents[2]

# One declaration per language, each written so that it would also give a symbol to
# several other extractors: a file type without an extractor must still get none.
SOURCES = {
    ".ts": "export function handleLogin(req) {\n  return req;\n}\n",
    ".tsx": "export function LoginPage() {\n  return null;\n}\n",
    ".js": "export function loadUser(id) {\n  return id;\n}\n",
    ".jsx": "export function UserCard() {\n  return null;\n}\n",
    ".py": "def parse_config(path):\n    return path\n",
    ".rs": "pub fn parse_config(path: &str) -> usize {\n    path.len()\n}\n",
    ".java": "public class UserService {\n}\n",
    ".kt": "public class UserService {\n}\n",
    ".kts": "public class BuildScript {\n}\n",
    ".scala": "public class Router {\n}\n",
    ".cs": "public class UserController {\n}\n",
    ".rb": "class UserStore\n  def fetch(id)\n    id\n  end\nend\n",
    ".php": "<?php\nclass UserRepo {\n    public function find($id) { return $id; }\n}\n",
    ".c": "int compute_total(int a, int b) {\n    return a + b;\n}\n",
    ".cpp": "class Widget {\n};\nint draw_widget(int a) {\n    return a;\n}\n",
    ".h": "struct Point {\n    int x;\n};\n",
    ".hpp": "class Shape {\n};\n",
}
OTHERS = {
    ".go": "package main\nfunc Serve() {\n}\nclass Foo {\n}\ndef bar():\n    pass\n",
    ".swift": "import UIKit\nclass ViewModel {\n}\nfunction load() {\n}\n",
    ".json": "{\"class Foo\": \"def bar(): function baz() {}\"}\n",
    ".yaml": "name: class Foo\nrun: def bar():\n",
    ".yml": "name: export function foo() {}\n",
    ".md": "# Notes\n\nclass Foo {\n}\n\ndef bar():\n    pass\n",
    ".xaml": "<Window x:Class=\"App.MainWindow\" x:Name=\"root\">\nclass Foo {\n}\n</Window>\n",
}


class EveryFileTypeTest(unittest.TestCase):
    def test_symbols_for_exactly_the_symbol_suffixes(self):
        with tempfile.TemporaryDirectory() as tmp:
            root = pathlib.Path(tmp).resolve()
            for ext, text in {**SOURCES, **OTHERS}.items():
                (root / ("sample" + ext)).write_text(text, encoding="utf-8")
            graph = vorlane.scan(root)
        files = {n["ext"] for n in graph["nodes"] if n["kind"] == "file"}
        with_symbols = {n["ext"] for n in graph["nodes"] if n["kind"] == "symbol"}
        self.assertEqual(files, set(SOURCES) | set(OTHERS))
        self.assertEqual(with_symbols, vorlane.SYMBOL_EXTS)
        contains = {e["from"] for e in graph["edges"] if e["rel"] == "contains"}
        self.assertEqual({os.path.splitext(f)[1] for f in contains}, vorlane.SYMBOL_EXTS)


class OwnTreeTest(unittest.TestCase):
    def test_every_file_node_has_a_summary_and_keywords(self):
        graph = vorlane.scan(PROJECT)
        files = [n for n in graph["nodes"] if n["kind"] == "file"]
        self.assertGreater(len(files), 50)
        for n in files:
            self.assertTrue(n["summary"], n["id"])
            self.assertIsInstance(n["keywords"], list, n["id"])
        self.assertIn("graph/vorlane/scan.cpp", {n["id"] for n in files})
        scan_node = next(n for n in files if n["id"] == "graph/vorlane/scan.cpp")
        self.assertIn("scan", scan_node["keywords"])
        self.assertFalse([n["id"] for n in files if n["id"].startswith("dist/")])


if __name__ == "__main__":
    unittest.main()
