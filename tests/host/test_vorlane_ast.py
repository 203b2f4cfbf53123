"""The syntax-tree builder through the installed module and command: the loading outcomes,
the extractors and the dispatch with its fallback, scan, the command and the comparison."""
import argparse
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import textwrap
import time
import unittest
from pathlib import Path

from tests.host import support

import vorlane_ast

WARN = "[warn] tree-sitter not available, falling back to regex: "


def run_python(code, cwd=None, env=None, timeout=None):
    """Runs `code` in a fresh interpreter with the install tree on the module search path."""
    env = dict(os.environ if env is None else env, PYTHONPATH=os.pathsep.join([support.ROOT, support.SRC]))
    return subprocess.run([sys.executable, "-c", textwrap.dedent(code)], cwd=cwd, env=env,
                          capture_output=True, text=True, timeout=timeout)


class Tree(unittest.TestCase):
    def setUp(self):
        self._tmp = tempfile.TemporaryDirectory()
        self.dir = Path(os.path.realpath(self._tmp.name))

    def tearDown(self):
        self._tmp.cleanup()

    def file(self, rel, data):
        p = self.dir / rel
        p.parent.mkdir(parents=True, exist_ok=True)
        if isinstance(data, bytes):
            p.write_bytes(data)
        else:
            p.write_text(data)
        return p


class LoadingTest(unittest.TestCase):
    """The five outcome rows, each with some modules hidden from the import system."""

    PROBE = """
        import sys
        for name in {hidden!r}:
            sys.modules[name] = None
        print("before")
        import vorlane_ast as v
        print("ast", v._AST_AVAILABLE, "go", v._LANG_GO is not None)
        print("langs", [n for n in ("_LANG_TS", "_LANG_TSX", "_LANG_JS", "_LANG_PY") if hasattr(v, n)])
        print("runtime", all(hasattr(v, n) for n in ("Language", "Parser", "TSNode")))
        import vorlane_ast
        print("after")
    """

    def probe(self, *hidden):
        r = run_python(self.PROBE.format(hidden=list(hidden)))
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stderr, "")
        return r.stdout.splitlines()

    def test_outcome_of_each_hidden_set(self):
        # The first attempt loads the three grammar modules, then takes the runtime, then
        # makes the languages: a missing module leaves none made. The Go attempt takes the
        # runtime itself when the first one failed, after loading its grammar.
        every = "langs ['_LANG_TS', '_LANG_TSX', '_LANG_JS', '_LANG_PY']"
        def warned(name):
            return WARN + "import of %s halted; None in sys.modules" % name
        cases = [
            ((), ["ast True go True", every, "runtime True"]),
            (("tree_sitter_go",), ["ast True go False", every, "runtime True"]),
            (("tree_sitter_typescript",),
             [warned("tree_sitter_typescript"), "ast False go True", "langs []", "runtime True"]),
            (("tree_sitter_python",), [warned("tree_sitter_python"), "ast False go True", "langs []", "runtime True"]),
            (("tree_sitter_javascript", "tree_sitter_go"),
             [warned("tree_sitter_javascript"), "ast False go False", "langs []", "runtime False"]),
            (("tree_sitter",), [warned("tree_sitter"), "ast False go False", "langs []", "runtime False"]),
        ]
        for hidden, lines in cases:
            with self.subTest(hidden=hidden):
                # The second import prints nothing: "after" follows at once.
                self.assertEqual(self.probe(*hidden), ["before", *lines, "after"])

    def test_tables(self):
        self.assertEqual(vorlane_ast.SKIP_DIRS, {
            ".git", ".beads", ".beads-hooks", "node_modules", "vendor", "dist", "build", ".next", ".idea",
            ".vscode", "__pycache__", "venv", ".venv", ".nimbrel"})
        self.assertEqual(vorlane_ast.SYMBOL_EXTS, {".ts", ".tsx", ".js", ".jsx", ".py", ".php", ".go"})
        self.assertEqual((vorlane_ast.MAX_FILE_BYTES, vorlane_ast.MAX_CONTENT_CHARS), (300000, 24000))
        n = vorlane_ast.Node("a", "file", "a", ".py", 1, [])
        self.assertEqual(list(n.as_dict()), ["id", "kind", "path", "ext", "size", "keywords", "content",
                                             "summary", "file_hash"])


class SyntaxNodeTest(unittest.TestCase):
    def test_node_text_and_export_test(self):
        src = "export class Caf\u00e9 {}\nclass B {}\n".encode()
        root = vorlane_ast.Parser(vorlane_ast._LANG_TS).parse(src).root_node
        exported, plain = root.children[0].children[1], root.children[1]
        self.assertIsInstance(exported, vorlane_ast.TSNode)
        self.assertEqual(vorlane_ast._node_text(exported.child_by_field_name("name"), src), "Caf\u00e9")
        self.assertEqual(vorlane_ast._node_text(node=plain, src=src), "class B {}")
        self.assertTrue(vorlane_ast._ts_is_exported(exported))
        self.assertFalse(vorlane_ast._ts_is_exported(plain))
        self.assertFalse(vorlane_ast._ts_is_exported(root))
        # Bytes cut inside a character are dropped.
        self.assertEqual(vorlane_ast._node_text(exported.child_by_field_name("name"), src[:17]), "Caf")


class ExtractorTest(unittest.TestCase):
    def test_records_have_the_pattern_based_shape(self):
        syms = vorlane_ast.extract_symbols_ts_ast(content="export function useAuth() {}\n", file_path="a.ts",
                                                  ext=".ts")
        self.assertEqual(syms, [{
            "id": "a.ts::useAuth", "name": "useAuth", "symbol_type": "hook", "line_start": 0, "line_end": 0,
            "body_hash": vorlane_ast_body_hash(["export function useAuth() {}"], 0, 0), "confidence": "high",
            "exported": True, "keywords": ["useauth", "use", "auth"]}])
        self.assertEqual(vorlane_ast.extract_symbols_py_ast("def f(): pass\n", "p.py")[0]["symbol_type"], "use_case")
        self.assertEqual(vorlane_ast.extract_symbols_go_ast("package m\ntype T struct{}\n", "g.go")[0]["name"], "T")
        self.assertEqual(vorlane_ast._classify_ts_name("GET", True), ("api_route", "high"))

    def test_import_edges(self):
        self.assertEqual(vorlane_ast.extract_imports_ts_ast("const x = require('y')", "a.js", ".js"),
                         [{"from": "a.js", "to": "y", "rel": "requires"}])
        self.assertEqual(vorlane_ast.extract_imports_py_ast("import a as b\n", file_path="p.py"),
                         [{"from": "p.py", "to": "a", "rel": "imports"}])
        self.assertEqual(vorlane_ast.extract_imports_go_ast("package m\nimport \"fmt\"\n", "g.go"),
                         [{"from": "g.go", "to": "fmt", "rel": "imports"}])

    def test_lone_surrogates_are_dropped_from_the_source(self):
        syms = vorlane_ast.extract_symbols_ts_ast("function a\ud800b() {}\n", "a.ts", ".ts")
        self.assertEqual([s["name"] for s in syms], ["ab"])

    def test_dispatch_and_fixed_patterns(self):
        self.assertEqual(vorlane_ast._extract_imports("import yaml\n", "n.md", ".md", root="/anywhere"),
                         [{"from": "n.md", "to": "yaml", "rel": "imports"}])
        self.assertEqual(vorlane_ast._extract_symbols("<?php function f() {}", "a.php", ".php"), [])
        self.assertEqual(vorlane_ast._parse_relations_regex(file_id="f", text="import React from 'react'\n"),
                         [{"from": "f", "to": "react", "rel": "imports"}, {"from": "f", "to": "React", "rel": "imports"}])


class ExtractorTableTest(unittest.TestCase):
    """The cases that matter of each extractor, through the installed module: (name,
    symbol type, confidence, exported, start row, end row) per record, or (rel, target)."""

    def symbols(self, fn, *args):
        return [(s["name"], s["symbol_type"], s["confidence"], s["exported"], s["line_start"], s["line_end"])
                for s in fn(*args)]

    def test_typescript_and_javascript(self):
        ts = vorlane_ast.extract_symbols_ts_ast
        cases = [
            ("export default function Page() {}\nexport const api = async () => 1;\n", ".ts",
             [("Page", "use_case", "medium", True, 0, 0), ("api", "use_case", "high", True, 1, 1)]),
            ("const a = () => 1, b = 2, c = function () {};\nvar d = () => 1;\n", ".js",
             [("a", "utility", "medium", False, 0, 0)]),
            ("class Item { render() {} }\nfunction Item() {}\nfunction render() {}\n", ".ts",
             [("Item", "model", "high", False, 0, 0), ("render", "use_case", "medium", False, 0, 0)]),
            ("export interface S {}\nexport type P = {};\nexport enum C { A }\n", ".ts",
             [("S", "model", "high", True, 0, 0), ("P", "model", "high", True, 1, 1),
              ("C", "model", "high", True, 2, 2)]),
            ("export const Card = () => <div>{x}</div>;\n", ".tsx", [("Card", "use_case", "medium", True, 0, 0)]),
            ("function useData() {\n  return <span/>;\n}\n", ".jsx", [("useData", "hook", "high", False, 0, 2)]),
        ]
        for text, ext, want in cases:
            self.assertEqual(self.symbols(ts, text, "f", ext), want, text)

    def test_python(self):
        py = vorlane_ast.extract_symbols_py_ast
        text = ("@router.post('/a')\nasync def create():\n    pass\n\n\n\n\ndef later():\n    pass\n"
                "class _Hidden:\n    def shown(self): pass\ndef test_x(): pass\n")
        self.assertEqual(self.symbols(py, text, "f"), [
            ("create", "api_route", "high", True, 0, 2), ("later", "use_case", "high", True, 7, 8),
            ("shown", "use_case", "high", True, 10, 10)])

    def test_go(self):
        go = vorlane_ast.extract_symbols_go_ast
        text = "package m\ntype Reader interface{}\ntype point struct{}\nfunc (p point) Read() {}\nfunc run() {}\n"
        self.assertEqual(self.symbols(go, text, "f"), [
            ("Reader", "use_case", "high", True, 1, 1), ("Read", "use_case", "high", True, 3, 3),
            ("run", "use_case", "high", False, 4, 4)])

    def test_imports(self):
        def edges(fn, *args):
            return [(e["rel"], e["to"]) for e in fn(*args)]
        self.assertEqual(edges(vorlane_ast.extract_imports_go_ast, 'package m\nimport (\n\t"a"\n\tb "b/c"\n)\n', "f"),
                         [("imports", "a"), ("imports", "b/c")])
        self.assertEqual(edges(vorlane_ast.extract_imports_ts_ast,
                               "import a from 'x';\nimport b from \"x\";\nconst c = require('y');\n", "f", ".tsx"),
                         [("imports", "x"), ("imports", "x"), ("requires", "y")])
        self.assertEqual(edges(vorlane_ast.extract_imports_py_ast, "import a.b as c, d\nfrom .e import f\n", "f"),
                         [("imports", "a.b"), ("imports", "d"), ("imports", ".e")])


def vorlane_ast_body_hash(lines, start, end):
    import hashlib
    return hashlib.md5("\n".join(lines[start:end + 1]).encode()).hexdigest()[:8]


class FallbackTest(unittest.TestCase):
    """The symbol fallback in a process whose Python grammar is hidden (pattern mode)."""

    def run_fallback(self, setup):
        r = run_python(textwrap.dedent("""
            import sys, types
            sys.modules["tree_sitter_python"] = None
            """) + textwrap.dedent(setup) + textwrap.dedent("""
            import vorlane_ast as v
            print(v._AST_AVAILABLE, v._LANG_GO is not None)
            print(v._extract_symbols("def f(): pass\\n", "a.py", ".py"))
            print(v._extract_symbols("export function g() {}\\n", "a.ts", ".ts"))
            print(v._extract_symbols("package m\\nfunc F() {}\\n", "a.go", ".go"))
            print(v._extract_symbols("x", "a.php", ".php"))
            print(v._extract_imports("import x from 'y'\\n", "a.ts", ".ts", "."))
            """))
        self.assertEqual(r.returncode, 0, r.stderr)
        lines = r.stdout.splitlines()
        self.assertEqual(lines[0], WARN + "import of tree_sitter_python halted; None in sys.modules")
        self.assertEqual(lines[1], "False True")
        return lines[2:]

    def test_stub_builder_is_bound_at_each_call(self):
        out = self.run_fallback("""
            stub = types.ModuleType("src.tarvelle.vorlane")
            stub.extract_symbols_ts = lambda content, file_path: [{"stub": "ts", "path": file_path}]
            stub.extract_symbols_py = lambda content, file_path: [{"stub": "py", "path": file_path}]
            stub.extract_symbols_php = lambda content, file_path: 1 / 0
            sys.modules["src.tarvelle.vorlane"] = stub
            """)
        self.assertEqual(out[0], "[{'stub': 'py', 'path': 'a.py'}]")
        self.assertEqual(out[1], "[{'stub': 'ts', 'path': 'a.ts'}]")
        self.assertIn("'name': 'F'", out[2])  # Go keeps its own grammar
        self.assertEqual(out[3], "[]")
        self.assertEqual(out[4], "[{'from': 'a.ts', 'to': 'y', 'rel': 'imports'}, "
                                 "{'from': 'a.ts', 'to': 'x', 'rel': 'imports'}]")

    def test_missing_builder_or_name_gives_no_symbols_silently(self):
        for setup in ('sys.modules["src.tarvelle.vorlane"] = None',
                      'stub = types.ModuleType("m"); stub.extract_symbols_ts = stub.extract_symbols_py = '
                      'lambda c, f: ["x"]; sys.modules["src.tarvelle.vorlane"] = stub'):
            out = self.run_fallback(setup)
            self.assertEqual(out[0:2], ["[]", "[]"], setup)

    def test_real_builder_is_found_from_the_install_root(self):
        out = self.run_fallback("")
        self.assertIn("'id': 'a.py::f'", out[0])
        self.assertIn("'id': 'a.ts::g'", out[1])

    def test_import_error_inside_the_extractor_is_swallowed_other_errors_are_not(self):
        r = run_python("""
            import sys, types
            sys.modules["tree_sitter_python"] = None
            stub = types.ModuleType("src.tarvelle.vorlane")
            def ts(c, f):
                raise ImportError("inside")
            def py(c, f):
                raise ValueError("boom")
            stub.extract_symbols_ts, stub.extract_symbols_py, stub.extract_symbols_php = ts, py, py
            sys.modules["src.tarvelle.vorlane"] = stub
            import vorlane_ast as v
            print(v._extract_symbols("x", "a.ts", ".ts"))
            v._extract_symbols("x", "a.py", ".py")
            """)
        self.assertEqual(r.stdout.splitlines()[1:], ["[]"])
        self.assertIn("ValueError: boom", r.stderr)

    def test_go_without_its_grammar_takes_the_patterns(self):
        r = run_python("""
            import sys
            sys.modules["tree_sitter_go"] = None
            import vorlane_ast as v
            print(v._extract_imports('package m\\nimport (\\n\\t"fmt"\\n\\t"os"\\n)\\n', "a.go", ".go", "."))
            print(v._extract_symbols("package m\\nfunc F() {}\\n", "a.go", ".go"))
            """)
        self.assertEqual(r.stdout.splitlines(), ["[{'from': 'a.go', 'to': 'fmt', 'rel': 'imports'}]", "[]"])


class NeverEndingParseTest(Tree):
    """Texts on which the TSX grammar parses without end: the parse is given up at a bound
    and the file is taken as one whose grammar did not load."""

    NEVER_ENDING = {"a.tsx": b"(x'://']=#", "b.tsx": b"function[<n m=>'{'l /*a:1/t;."}
    HEAD = "import x from 'y'\nexport function loadUser() {}\n"

    def test_command_finishes_and_writes_the_graph(self):
        for name, data in self.NEVER_ENDING.items():
            self.file("proj/" + name, data)
        self.file("proj/c.tsx", self.HEAD + "(x'://']=#")
        out = self.dir / "o" / "g.json"
        # Before the bound the command never ended: the timeout fails the test instead.
        r = subprocess.run([os.path.join(support.BIN, "vorlane_ast"), "--root", "proj", "--out", str(out)],
                           cwd=self.dir, capture_output=True, text=True, timeout=60)
        self.assertEqual(r.returncode, 0, r.stderr)
        g = json.loads(out.read_text())
        self.assertEqual(sorted(n["id"] for n in g["nodes"]), ["a.tsx", "b.tsx", "c.tsx", "c.tsx::loadUser"])
        self.assertEqual([e for e in g["edges"] if e["from"] == "c.tsx"], [
            {"from": "c.tsx", "to": "y", "rel": "imports"}, {"from": "c.tsx", "to": "x", "rel": "imports"},
            {"from": "c.tsx", "to": "c.tsx::loadUser", "rel": "contains"}])

    def test_dispatch_takes_the_pattern_based_builder_and_the_patterns(self):
        r = run_python(f"""
            import vorlane_ast
            from src.tarvelle import vorlane as pattern_builder
            text = {self.HEAD + "(x'://']=#"!r}
            print(vorlane_ast._extract_symbols(text, "c.tsx", ".tsx") == pattern_builder.extract_symbols_ts(text, "c.tsx"))
            print(vorlane_ast._extract_imports(text, "c.tsx", ".tsx", ".") ==
                  vorlane_ast._parse_relations_regex("c.tsx", text))
            """, timeout=60)
        self.assertEqual((r.returncode, r.stdout, r.stderr), (0, "True\nTrue\n", ""))


class ScanTest(Tree):
    def test_shape_and_root_text(self):
        self.file("a.py", "import os\ndef f(): pass\n")
        g = vorlane_ast.scan(str(self.dir) + "/")
        self.assertEqual(list(g), ["root", "node_count", "edge_count", "file_count", "symbol_count", "nodes",
                                   "edges", "ast_mode"])
        self.assertEqual(g["root"], str(self.dir) + "/")
        self.assertEqual([n["id"] for n in g["nodes"]], ["a.py", "a.py::f"])
        self.assertEqual(g["edges"], [{"from": "a.py", "to": "os", "rel": "imports"},
                                      {"from": "a.py", "to": "a.py::f", "rel": "contains"}])
        self.assertIs(g["ast_mode"], True)
        self.assertEqual(vorlane_ast.scan(self.dir, existing_nodes={}), vorlane_ast.scan(self.dir, None) | {"root": str(self.dir)})

    def test_wrong_kind_of_existing_nodes_is_refused(self):
        for bad in ([], "x", 3):
            with self.assertRaises(TypeError):
                vorlane_ast.scan(self.dir / "missing", bad)

    def test_pattern_mode_scan_uses_the_fallbacks(self):
        self.file("a.ts", "import x from 'y'\nexport function g() {}\n")
        r = run_python(f"""
            import sys
            sys.modules["tree_sitter"] = None
            import vorlane_ast as v
            g = v.scan({str(self.dir)!r})
            print(g["ast_mode"], [n["id"] for n in g["nodes"]], [e["to"] for e in g["edges"]])
            """)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout.splitlines()[1], "False ['a.ts', 'a.ts::g'] ['y', 'x', 'a.ts::g']")


    def test_pattern_mode_on_many_threads_gives_the_one_thread_graph(self):
        for i in range(60):
            ext = (".ts", ".py", ".jsx", ".md")[i % 4]
            self.file(f"d{i % 5}/f{i}{ext}", f"import x{i} from 'y{i}'\nexport function f{i}() {{}}\ndef g{i}(): pass\n")
        r = run_python(f"""
            import json, os, sys
            sys.modules["tree_sitter"] = None
            import vorlane_ast as v
            out = []
            for threads in ("1", "4"):
                os.environ["VORLANE_THREADS"] = threads
                out.append(json.dumps(v.scan({str(self.dir)!r})))
            print(out[0] == out[1], json.loads(out[0])["symbol_count"])
            """)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout.splitlines()[1], "True 45")


class CommandTest(Tree):
    def run_ok(self, *args, cwd=None):
        r = support.run_command("vorlane_ast", *args, cwd=cwd or self.dir)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stderr, "")
        return r.stdout

    def test_report_files_and_reuse(self):
        self.file("proj/app.py", "import os\n\ndef handle():\n    pass\n")
        self.file("proj/util.ts", "export const fix = () => 1;\n")
        out = self.run_ok("--root", "proj")
        self.assertEqual(out, "[AST] 2 files, 2 symbols, 3 edges\nWrote: .nimbrel/info_graph.json\n"
                              "Symbol index: .nimbrel/symbol_index.json (2 symbols)\n")
        graph_path = self.dir / ".nimbrel/info_graph.json"
        text = graph_path.read_text()
        self.assertFalse(text.endswith("\n"))
        graph = json.loads(text)
        self.assertEqual(graph["root"], str(self.dir / "proj"))
        self.assertEqual(text, json.dumps(graph, indent=2))
        index_text = (self.dir / ".nimbrel/symbol_index.json").read_text()
        self.assertEqual(index_text, json.dumps(json.loads(index_text)))
        self.assertEqual(list(json.loads(index_text)["app.py::handle"]),
                         ["line_start", "line_end", "body_hash", "confidence", "path"])

        # An edited stored summary of an unchanged file is carried over, with a byte-order mark.
        for n in graph["nodes"]:
            if n["id"] in ("app.py", "util.ts"):
                n["summary"] = "stored " + n["id"]
        graph_path.write_text("\ufeff" + json.dumps(graph, indent=2), encoding="utf-8")
        self.file("proj/util.ts", "export const fix2 = () => 1;\n")
        self.run_ok("--root", "proj")
        nodes = {n["id"]: n for n in json.loads(graph_path.read_text())["nodes"]}
        self.assertEqual(nodes["app.py"]["summary"], "stored app.py")
        self.assertNotEqual(nodes["util.ts"]["summary"], "stored util.ts")
        self.assertIn("util.ts::fix2", nodes)
        self.assertEqual(sorted(os.listdir(self.dir / ".nimbrel")), ["info_graph.json", "symbol_index.json"])

    def test_damaged_previous_graph_means_a_full_rebuild(self):
        self.file("p/a.py", "def f(): pass\n")
        self.run_ok("--root", "p", "--out", "o/g.json")
        good = json.loads((self.dir / "o/g.json").read_text())
        for n in good["nodes"]:
            n["summary"] = "stored"
        damaged = [
            b"[1, 2]",
            b"{\"nodes\": [",
            b"\xff\xfe",
            json.dumps({"nodes": good["nodes"] + [{"kind": "file"}]}).encode(),
            json.dumps({"nodes": good["nodes"] + [3]}).encode(),
            json.dumps({"nodes": "abc"}).encode(),
        ]
        for data in damaged:
            (self.dir / "o/g.json").write_bytes(data)
            self.run_ok("--root", "p", "--out", "o/g.json")
            nodes = json.loads((self.dir / "o/g.json").read_text())["nodes"]
            self.assertNotEqual(nodes[0]["summary"], "stored", data)
        (self.dir / "o/g.json").write_text(json.dumps(good))
        self.run_ok("--root", "p", "--out", "o/g.json")
        self.assertEqual(json.loads((self.dir / "o/g.json").read_text())["nodes"][0]["summary"], "stored")

    def test_out_paths(self):
        self.file("a.py", "def f(): pass\n")
        out = self.run_ok("--out", "g.json")
        self.assertEqual(out.splitlines()[1:], ["Wrote: g.json", "Symbol index: symbol_index.json (1 symbols)"])
        out = self.run_ok("--out=./deep//er/./g.json")
        self.assertEqual(out.splitlines()[1:], ["Wrote: deep/er/g.json",
                                                "Symbol index: deep/er/symbol_index.json (1 symbols)"])
        self.assertTrue((self.dir / "deep/er/symbol_index.json").exists())
        # A trailing separator names a file, as the path's own text does, when no folder is there.
        out = self.run_ok("--out", "newdir/")
        self.assertEqual(out.splitlines()[1:], ["Wrote: newdir", "Symbol index: symbol_index.json (1 symbols)"])
        self.assertTrue((self.dir / "newdir").is_file())
        self.assertIn("a.py", [n["id"] for n in json.loads((self.dir / "newdir").read_text())["nodes"]])

    def test_pattern_mode_tag(self):
        self.file("a.py", "def f(): pass\n")
        r = run_python("""
            import sys
            sys.modules["tree_sitter_typescript"] = None
            sys.argv = ["vorlane_ast", "--out", "g.json"]
            import vorlane_ast
            vorlane_ast.main()
            """, cwd=self.dir)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout.splitlines(), [WARN + "import of tree_sitter_typescript halted; None in sys.modules",
                                                 "[regex-fallback] 1 files, 1 symbols, 1 edges", "Wrote: g.json",
                                                 "Symbol index: symbol_index.json (1 symbols)"])

    def test_parser_usage_and_help(self):
        parser = vorlane_ast.build_parser()
        self.assertIsInstance(parser, argparse.ArgumentParser)
        args = parser.parse_args(["--comp", "--root=x", "--root", "y"])
        self.assertEqual((args.root, args.out, args.compare), ("y", ".nimbrel/info_graph.json", True))
        r = support.run_command("vorlane_ast", "--bogus", cwd=self.dir)
        self.assertEqual(r.returncode, 2)
        self.assertIn("usage:", r.stderr)
        self.assertFalse((self.dir / ".nimbrel").exists())
        r = support.run_command("vorlane_ast", "--help", cwd=self.dir)
        self.assertEqual(r.returncode, 0)
        for text in ("Tarvelle Pro AST graph builder", "Project root to scan", "Output JSON path",
                     "Compare AST vs regex side-by-side"):
            self.assertIn(text, r.stdout)

    def test_failing_write_ends_with_a_trace(self):
        self.file("a.py", "x = 1\n")
        self.file("o/g.json/keep", "x")  # a directory stands where the graph goes
        r = support.run_command("vorlane_ast", "--out", "o/g.json", cwd=self.dir)
        self.assertEqual(r.returncode, 1)
        self.assertIn("Traceback", r.stderr)


class CompareTest(Tree):
    RULE60 = "\u2500" * 60

    def test_without_the_pattern_based_builder(self):
        self.file("proj/a.py", "def f(): pass\n")
        r = run_python("""
            import sys
            sys.modules["tarvelle.vorlane"] = None
            sys.argv = ["vorlane_ast", "--root", "proj", "--out", "o/g.json", "--compare"]
            import vorlane_ast
            vorlane_ast.main()
            """, cwd=self.dir)
        self.assertEqual(r.returncode, 0, r.stderr)
        banner = "\u2550" * 60
        lines = r.stdout.split("\n")
        self.assertEqual(lines[:5], ["", banner, "  Comparing AST vs Regex on: proj", banner,
                                     "  [warn] Original vorlane not found \u2014 skipping regex comparison"])
        self.assertEqual(lines[5:9], ["", self.RULE60, "  " + "Metric".ljust(35) + " " + "AST".rjust(10) + " "
                                      + "Regex".rjust(10), self.RULE60])
        self.assertRegex(lines[9], r"^  Scan time \(s\) {22} +\d+\.\d\d       0\.00$")
        def row(a, b, c):
            return "  " + a.ljust(35) + " " + b.rjust(10) + " " + c.rjust(10)
        self.assertEqual(lines[10:], [
            row("Files indexed", "1", "-"), row("Symbols extracted", "1", "-"), row("Edges (imports/refs)", "1", "-"),
            "", "  AST graph:   o/g.json", "", ""])
        self.assertEqual(sorted(os.listdir(self.dir / "o")), ["g.json"])

    def test_with_the_pattern_based_builder(self):
        self.file("proj/we\\ird.py", "def top():\n    def nested():\n        pass\n")
        r = support.run_command("vorlane_ast", "--root", "proj", "--out", "o/g.json", "--compare", cwd=self.dir)
        self.assertEqual(r.returncode, 0, r.stderr)
        out = r.stdout
        self.assertIn("\n  Symbol breakdown:\n", out)
        self.assertIn("  Symbols found ONLY by AST (1 total): ['we\\\\ird.py::nested']\n", out)
        self.assertIn("  Symbols found ONLY by Regex (0 total): []\n", out)
        self.assertTrue(out.endswith("\n  AST graph:   o/g.json\n  Regex graph: o/info_graph_regex.json\n\n"))
        self.assertEqual(sorted(os.listdir(self.dir / "o")), ["g.json", "info_graph_regex.json"])
        regex = json.loads((self.dir / "o/info_graph_regex.json").read_text())
        self.assertNotIn("ast_mode", regex)

    def test_compare_puts_src_first_on_the_search_path_at_each_call(self):
        self.file("p/a.py", "x = 1\n")
        r = run_python(f"""
            import sys, io, contextlib
            import vorlane_ast
            for _ in range(2):
                with contextlib.redirect_stdout(io.StringIO()):
                    vorlane_ast.compare(root={str(self.dir / 'p')!r}, ast_out={str(self.dir / 'a.json')!r},
                                        regex_out={str(self.dir / 'r.json')!r})
            import os
            src = os.path.join(os.path.dirname(vorlane_ast.__file__), "src")
            print(sys.path[:2] == [src, src])
            """)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout, "True\n")


class InterruptTest(Tree):
    """Ctrl-C ends the scan between files, on one thread and on all: a host caller gets
    KeyboardInterrupt promptly, and the command writes nothing and ends by the signal."""

    def setUp(self):
        super().setUp()
        # Long modules of few symbols: the scan's own work dwarfs the making of its
        # result's host objects, which no interrupt can shorten.
        body = "".join(f"x{i} = [a + {i}, b * 2, (c, d)] if e else None\n" for i in range(400))
        support.write_many_modules(self.dir, dirs=20, files=60, body=body + "def f():\n    pass\n")

    @staticmethod
    def threads_env(threads):
        env = {k: v for k, v in os.environ.items() if k != "VORLANE_THREADS"}
        if threads:
            env["VORLANE_THREADS"] = threads
        return env

    def test_scan_raises_keyboard_interrupt_promptly(self):
        # An interrupt that waited for the scan's end would also surface as
        # KeyboardInterrupt, so the time from the interrupt to the exception is compared
        # with a whole scan's.
        for threads in ("1", None):
            with self.subTest(threads=threads):
                r = run_python(f"""
                    import _thread, threading, time
                    import vorlane_ast
                    start = time.monotonic()
                    vorlane_ast.scan({str(self.dir)!r})
                    whole = time.monotonic() - start
                    fired = []
                    def interrupt():
                        fired.append(time.monotonic())
                        _thread.interrupt_main()
                    threading.Timer(whole / 10, interrupt).start()
                    try:
                        vorlane_ast.scan({str(self.dir)!r})
                        print("finished")
                    except KeyboardInterrupt:
                        print("KeyboardInterrupt", (time.monotonic() - fired[0]) < whole / 3)
                    """, env=self.threads_env(threads))
                self.assertEqual((r.returncode, r.stdout, r.stderr), (0, "KeyboardInterrupt True\n", ""))

    def test_command_ends_by_the_signal_and_writes_nothing(self):
        # The command makes the output's directory before it scans: its appearance says
        # the scan has begun.
        target = self.dir / "out" / "sub" / "g.json"
        for threads in ("1", None):
            with self.subTest(threads=threads):
                # At the lowest priority the scan outlasts this test's polling even on a
                # machine busy with other tests, so the signal comes while it scans.
                p = subprocess.Popen([os.path.join(support.BIN, "vorlane_ast"), "--root", str(self.dir),
                                      "--out", str(target)], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                     text=True, env=self.threads_env(threads), preexec_fn=lambda: os.nice(19))
                while not target.parent.exists() and p.poll() is None:
                    time.sleep(0.005)
                p.send_signal(signal.SIGINT)
                stdout, stderr = p.communicate(timeout=60)
                # An uncaught KeyboardInterrupt makes the host end by the signal itself (130 in a shell).
                self.assertEqual(p.returncode, -signal.SIGINT, stderr)
                self.assertIn("KeyboardInterrupt", stderr)
                self.assertEqual(stdout, "")
                self.assertEqual(os.listdir(target.parent), [])
                shutil.rmtree(self.dir / "out")



class WriteInterruptTest(Tree):
    """Ctrl-C while the graph's file is written: the previous graph and index stay as they
    were, no temporary file is left, and the command ends by the signal."""

    def test_previous_outputs_survive_an_interrupt_during_the_write(self):
        # Many small symbols: a graph of tens of megabytes, whose write outlasts the
        # signal's way to the writer many times over.
        (self.dir / "src").mkdir()
        support.write_many_modules(self.dir / "src", dirs=40, files=60)
        out = self.dir / "out"
        out.mkdir()
        (out / "g.json").write_text('{"nodes": [], "edges": []}')
        (out / "symbol_index.json").write_text("{}")
        before = {p.name: p.read_bytes() for p in out.iterdir()}
        for threads in ("1", None):
            with self.subTest(threads=threads):
                # The graph's temporary file appears once the scan and both texts are done.
                p, stdout, stderr = support.interrupt_during_write(
                    [os.path.join(support.BIN, "vorlane_ast"), "--root", str(self.dir / "src"), "--out",
                     str(out / "g.json")], out, InterruptTest.threads_env(threads))
                self.assertEqual(p.returncode, -signal.SIGINT, stderr)
                self.assertTrue(stderr.endswith("KeyboardInterrupt\n"), stderr)
                self.assertEqual(stdout, "")
                self.assertEqual({p.name: p.read_bytes() for p in out.iterdir()}, before)


class DuplicateIdTest(Tree):
    def test_a_directory_and_a_link_to_it_give_one_node_per_id(self):
        self.file("pkg/mod.py", "def f(): pass\n")
        os.symlink(self.dir / "pkg", self.dir / "alias")
        g = vorlane_ast.scan(self.dir)
        self.assertEqual([n["id"] for n in g["nodes"]], ["pkg/mod.py", "pkg/mod.py::f"])


if __name__ == "__main__":
    unittest.main()
