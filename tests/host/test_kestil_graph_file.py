"""Data locations and load_graph, each case in a fresh interpreter over a temporary copy of the
install tree (the data directory lies beside the module, and the constants are fixed at load)."""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import textwrap
import unittest

from tests.host import support

PRELUDE = """
import json, os, sys, pathlib
sys.path.insert(0, {src!r})
import tarvelle.kestil as k
calls = []
_scan = k.scan
def counting_scan(*args):
    calls.append(args)
    return _scan(*args)
k.scan = counting_scan
def out(v):
    print(json.dumps(v))
"""


class Tree:
    """A temporary copy of the install tree, a project to scan, and a way to run code there."""

    def __init__(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.root = os.path.join(self.tmp.name, "root")
        shutil.copytree(support.ROOT, self.root, ignore=shutil.ignore_patterns("info_graph.json", "*.jsonl"))
        self.src = os.path.join(self.root, "src")
        self.data = os.path.join(self.src, "tarvelle", "data")
        shutil.rmtree(self.data, ignore_errors=True)
        self.graph = os.path.join(self.data, "info_graph.json")
        self.project = os.path.join(self.tmp.name, "project")
        os.makedirs(os.path.join(self.project, "src"))
        with open(os.path.join(self.project, "src", "app.py"), "w", encoding="utf-8") as f:
            f.write('"""Caf\u00e9 app."""\nimport os\n\ndef serve():\n    return 1\n')

    def run(self, code, env=None, cwd=None, unset=()):
        e = dict(os.environ)
        e.pop("PYTHONPATH", None)
        for name in ("NIMBREL_PROJECT_ROOT", "KESTIL_CAPABILITY_INDEX") + tuple(unset):
            e.pop(name, None)
        e.update(env or {})
        script = PRELUDE.format(src=self.src) + textwrap.dedent(code)
        p = subprocess.run([sys.executable, "-c", script], env=e, cwd=cwd or self.tmp.name, capture_output=True,
                           text=True)
        return p

    def json_out(self, code, **kw):
        p = self.run(code, **kw)
        if p.returncode != 0:
            raise AssertionError(p.stderr)
        return [json.loads(line) for line in p.stdout.splitlines()]

    def write_graph(self, data):
        os.makedirs(self.data, exist_ok=True)
        with open(self.graph, "wb") as f:
            f.write(data)

    def close(self):
        self.tmp.cleanup()


class LoadGraph(unittest.TestCase):
    def setUp(self):
        self.t = Tree()

    def tearDown(self):
        self.t.close()

    def test_first_call_scans_once_and_stores(self):
        env = {"NIMBREL_PROJECT_ROOT": self.t.project}
        got = self.t.json_out("""
            g = k.load_graph()
            out([len(calls), str(calls[0][0]), type(calls[0][0]).__name__, g["node_count"]])
            text = open(k.GRAPH_JSON, encoding="utf-8").read()
            out(text == json.dumps(g, indent=2))
            out(text.isascii())
            open(os.path.join(os.environ["NIMBREL_PROJECT_ROOT"], "src", "new.py"), "w").write("x = 1\\n")
            g2 = k.load_graph()
            out([len(calls), g2 == g, list(g2) == list(g), g2["nodes"][0]["summary"] == g["nodes"][0]["summary"]])
            """, env=env)
        self.assertEqual(got[0][0], 1)
        self.assertEqual(got[0][1], os.path.realpath(self.t.project))
        self.assertEqual(got[0][3] > 0, True)
        self.assertEqual(got[1:], [True, True, [1, True, True, True]])
        with open(self.t.graph, encoding="ascii") as f:
            self.assertIn("\\u00e9", f.read())
        self.assertEqual(sorted(os.listdir(self.t.data)), ["info_graph.json"])

    def test_file_forms(self):
        cases = [(b'\xef\xbb\xbf{"nodes": [], "x": "\\u00e9"}', {"nodes": [], "x": "\u00e9"}),
                 (b' {"a": [1, 2.5, NaN, -Infinity, 123456789012345678901234567890, -0, 1E2], "b": {}}\r\n',
                  None),
                 (b'{"a": 1, "a": 2, "b": "\\ud800\\udc00\\ud800"}', None)]
        for data, want in cases:
            self.t.write_graph(data)
            got = self.t.run("""
                g = k.load_graph()
                want = json.loads(open(k.GRAPH_JSON, encoding="utf-8-sig").read())
                print(repr(g) == repr(want), len(calls))
                """)
            self.assertEqual(got.stdout.split(), ["True", "0"], (data, got.stderr))
            if want is not None:
                self.assertEqual(self.t.json_out("out(k.load_graph())"), [want])

    def test_wrong_top_level_kinds(self):
        for data, kind in ((b"[]", "list"), (b"null", "null"), (b'"x"', "str"), (b"3", "int"), (b"2.5", "float"),
                           (b"true", "bool")):
            self.t.write_graph(data)
            p = self.t.run("k.load_graph()")
            self.assertIn("TypeError", p.stderr, data)
            self.assertIn(kind, p.stderr.splitlines()[-1], data)
            self.assertIn("dict", p.stderr.splitlines()[-1], data)

    def test_invalid_text_is_the_hosts_error_and_stays(self):
        for data, error in ((b'{"a": }', "JSONDecodeError"), (b"", "JSONDecodeError"),
                            (b'{"a": 1} x', "JSONDecodeError"), (b'\xef\xbb\xbf\xef\xbb\xbf{}', "JSONDecodeError"),
                            (b'{"a": "\xff"}', "UnicodeDecodeError"), (b'{"a": "\t"}', "JSONDecodeError"),
                            (b"[" * 100000, "RecursionError")):
            self.t.write_graph(data)
            p = self.t.run("""
                try:
                    k.load_graph()
                except Exception as e:
                    host = None
                    try:
                        json.loads(open(k.GRAPH_JSON, encoding="utf-8-sig").read())
                    except Exception as h:
                        host = h
                    print(type(e).__name__, str(e) == str(host), len(calls))
                """)
            self.assertEqual(p.stdout.split(), [error, "True", "0"], (data[:20], p.stderr[-300:]))
            with open(self.t.graph, "rb") as f:
                self.assertEqual(f.read(), data)

    def test_directory_in_place_of_the_file(self):
        os.makedirs(self.t.graph)
        p = self.t.run("k.load_graph()")
        self.assertIn("IsADirectoryError", p.stderr)

    def test_environment(self):
        rel = os.path.relpath(self.t.project, self.t.tmp.name)
        code = """
            out([str(k.BASE_DIR), str(k.DATA_DIR), str(k.GRAPH_JSON), str(k.ACTION_LOG), str(k.TOKEN_LOG),
                 str(k.CAPABILITY_INDEX), str(k.DEFAULT_ROOT), isinstance(k.DEFAULT_ROOT, pathlib.Path),
                 os.path.exists(k.DATA_DIR)])
            """
        base = os.path.realpath(os.path.join(self.t.src, "tarvelle"))
        data = os.path.join(base, "data")
        cwd = os.path.realpath(self.t.tmp.name)
        fixed = [base, data, os.path.join(data, "info_graph.json"), os.path.join(data, "action_events.jsonl"),
                 os.path.join(data, "token_usage.jsonl")]
        default_index = os.path.join(data, "functionality_index.md")
        cases = [({}, [default_index, cwd]),
                 ({"NIMBREL_PROJECT_ROOT": rel, "KESTIL_CAPABILITY_INDEX": "idx/../i.md"},
                  [os.path.join(cwd, "i.md"), os.path.realpath(self.t.project)]),
                 ({"NIMBREL_PROJECT_ROOT": "", "KESTIL_CAPABILITY_INDEX": ""}, [default_index, cwd])]
        for env, want in cases:
            self.assertEqual(self.t.json_out(code, env=env), [fixed + want + [True, False]], env)

    def test_missing_root_stores_an_empty_graph(self):
        env = {"NIMBREL_PROJECT_ROOT": os.path.join(self.t.tmp.name, "nothing")}
        got = self.t.json_out("""
            g = k.load_graph()
            out([g["node_count"], g["edge_count"], k.load_graph() == g, len(calls)])
            """, env=env)
        self.assertEqual(got, [[0, 0, True, 1]])

    def test_ensure_data_dir(self):
        got = self.t.json_out("""
            k.ensure_data_dir(); k.ensure_data_dir()
            out(os.path.isdir(k.DATA_DIR))
            """)
        self.assertEqual(got, [True])
        shutil.rmtree(self.t.data)
        with open(self.t.data, "w") as f:
            f.write("x")
        p = self.t.run("k.ensure_data_dir()")
        self.assertIn("FileExistsError", p.stderr)

    def test_failing_write_leaves_no_partial_file(self):
        env = {"NIMBREL_PROJECT_ROOT": self.t.project}
        p = self.t.run("""
            import resource, signal
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            k.ensure_data_dir()
            resource.setrlimit(resource.RLIMIT_FSIZE, (64, resource.RLIM_INFINITY))
            try:
                k.load_graph()
            except OSError as e:
                print("OSError", e.errno)
            print(os.listdir(k.DATA_DIR))
            """, env=env)
        self.assertEqual(p.stdout.split("\n")[:2], ["OSError 27", "[]"], p.stderr)

    def test_unserialisable_graph_writes_nothing(self):
        p = self.t.run("""
            k.scan = lambda root: {"nodes": [{1, 2}]}
            try:
                k.load_graph()
            except TypeError as e:
                print(e)
            print(os.path.exists(k.GRAPH_JSON))
            """)
        self.assertEqual(p.stdout.split("\n")[:2], ["Object of type set is not JSON serializable", "False"],
                         p.stderr)

    def test_written_text_is_the_hosts_dumps(self):
        got = self.t.run("""
            v = {"s": "a\\u007f\\u00e9\\U0001f600\\ud800\\"\\\\\\n", "i": [10**30, -1, True, None], "f": [1e16, 1e-05,
                 float("nan"), float("inf"), 0.1, 1000000000000000.0], "e": [{}, [], ()], 1: "int key",
                 2.5: "float key", None: "none", False: "f"}
            k.scan = lambda root: v
            k.load_graph()
            print(open(k.GRAPH_JSON, encoding="ascii").read() == json.dumps(v, indent=2))
            """)
        self.assertEqual(got.stdout.strip(), "True", got.stderr)

    def test_link_target_is_replaced(self):
        os.makedirs(self.t.data)
        target = os.path.join(self.t.tmp.name, "elsewhere.json")
        os.symlink(target, self.t.graph)
        got = self.t.json_out("""
            g = k.load_graph()
            out([os.path.islink(k.GRAPH_JSON), json.load(open(os.readlink(k.GRAPH_JSON))) == g, len(calls)])
            """, env={"NIMBREL_PROJECT_ROOT": self.t.project})
        self.assertEqual(got, [[True, True, 1]])


class StartUp(unittest.TestCase):
    def test_missing_builder_fails_the_import(self):
        with tempfile.TemporaryDirectory() as d:
            os.makedirs(os.path.join(d, "tarvelle"))
            with open(os.path.join(d, "tarvelle", "vorlane.py"), "w") as f:
                f.write("other = 1\n")
            code = textwrap.dedent(f"""
                import sys
                sys.path[:0] = [{d!r}, {support.SRC!r}]
                try:
                    import tarvelle.kestil
                except ImportError as e:
                    print(type(e).__name__, "|", e)
                print("tarvelle.kestil" in sys.modules)
                """)
            p = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True)
            first, second = p.stdout.splitlines()
            self.assertTrue(first.startswith("ImportError | cannot import name 'scan' from 'tarvelle.vorlane'"),
                            p.stdout + p.stderr)
            self.assertEqual(second, "False")

    def test_loading_prints_and_creates_nothing(self):
        t = Tree()
        try:
            p = t.run("pass")
            self.assertEqual((p.stdout, p.stderr, os.path.exists(t.data)), ("", "", False))
        finally:
            t.close()

    def test_module_names(self):
        import tarvelle.kestil as k
        self.assertEqual(k.__doc__, "Nimbrel starter CLI for Claude Code style hook integration.")
        import tarvelle.vorlane as v
        self.assertIs(k.scan, v.scan)
        names = list(vars(k))
        order = ["scan", "BASE_DIR", "DATA_DIR", "GRAPH_JSON", "ACTION_LOG", "TOKEN_LOG", "CAPABILITY_INDEX",
                 "DEFAULT_ROOT", "RetrieveResult", "CapabilityEntry", "ensure_data_dir", "load_graph",
                 "extract_route", "tokenize_query", "score_text", "classify_intent", "node_role",
                 "intent_role_weight", "query_scoped_to_feature", "score_node", "load_capability_index",
                 "capability_file_boosts", "retrieve"]
        self.assertEqual([n for n in names if n in order], order)


if __name__ == "__main__":
    unittest.main()
