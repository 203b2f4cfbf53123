"""The kestil handlers, parser and action-log reader called in-process, with the module's
operations and paths replaced the way a caller may replace them."""
import argparse
import contextlib
import io
import json
import math
import pathlib
import sys
import tempfile
import unittest

import tests.host.support  # noqa: F401  (puts the install tree on sys.path)
from tarvelle import kestil


class HandlerCase(unittest.TestCase):
    def setUp(self):
        tmp = tempfile.TemporaryDirectory()
        self.addCleanup(tmp.cleanup)
        self.tmp = pathlib.Path(tmp.name).resolve()
        self.data = self.tmp / "data"
        for name, value in (("DATA_DIR", self.data), ("GRAPH_JSON", self.data / "info_graph.json"),
                            ("ACTION_LOG", self.data / "action_events.jsonl"),
                            ("TOKEN_LOG", self.data / "token_usage.jsonl")):
            self.replace(name, value)

    def replace(self, name, value):
        old = getattr(kestil, name)
        setattr(kestil, name, value)
        self.addCleanup(setattr, kestil, name, old)

    def call(self, handler, **fields):
        out, err = io.StringIO(), io.StringIO()
        with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err):
            status = handler(argparse.Namespace(**fields))
        return status, out.getvalue(), err.getvalue()


class ParserTest(HandlerCase):
    def parse(self, *args):
        return vars(kestil.build_parser().parse_args(list(args)))

    def test_parsed_records(self):
        cases = [
            (("scan",), {"cmd": "scan", "root": str(kestil.DEFAULT_ROOT), "out": str(kestil.GRAPH_JSON),
                         "func": kestil.cmd_scan}),
            (("retrieve", "--qu", "x", "--top-files", "-3"),
             {"cmd": "retrieve", "query": "x", "top_files": -3, "top_edges": 40, "json": False,
              "func": kestil.cmd_retrieve}),
            (("prime",), {"cmd": "prime", "query": "", "top_files": 12, "top_edges": 20, "recent_actions": 8,
                          "func": kestil.cmd_prime}),
            (("prime", "--recent", "3", "--top-edges=7", "--top-edges", "99999999999999999999999"),
             {"cmd": "prime", "query": "", "top_files": 12, "top_edges": 99999999999999999999999,
              "recent_actions": 3, "func": kestil.cmd_prime}),
            (("prime", "--query=-x", "--recent-actions", "-2"),
             {"cmd": "prime", "query": "-x", "top_files": 12, "top_edges": 20, "recent_actions": -2,
              "func": kestil.cmd_prime}),
            (("action", "log", "--kind", "edit"),
             {"cmd": "action", "action_cmd": "log", "kind": "edit", "summary": "", "meta": "",
              "func": kestil.cmd_action_log}),
            (("stats",), {"cmd": "stats", "json": False, "func": kestil.cmd_stats}),
            (("stats", "--j"), {"cmd": "stats", "json": True, "func": kestil.cmd_stats}),
        ]
        for args, expected in cases:
            with self.subTest(args=args):
                self.assertEqual(self.parse(*args), expected)

    def test_main_passes_on_the_handlers_status(self):
        calls = []

        def fake_stats(args):
            calls.append(args.json)
            return 7

        self.replace("cmd_stats", fake_stats)
        self.replace_argv(["kestil", "stats", "--json"])
        self.assertEqual(kestil.main(), 7)
        self.assertEqual(calls, [True])
        self.replace("cmd_stats", lambda args: True)
        self.assertIs(type(kestil.main()), int)
        self.replace_argv(["kestil"])
        with contextlib.redirect_stderr(io.StringIO()) as err, self.assertRaises(SystemExit) as exit_:
            kestil.main()
        self.assertEqual(exit_.exception.code, 2)
        self.assertIn("required: cmd", err.getvalue())

    def replace_argv(self, argv):
        old = sys.argv
        sys.argv = argv
        self.addCleanup(setattr, sys, "argv", old)


class ReplacedOperationsTest(HandlerCase):
    GRAPH = {"root": "/p", "node_count": 3, "edge_count": 1, "file_count": 2, "symbol_count": 1,
             "nodes": [{"id": "a.py", "kind": "file", "summary": "caf\u00e9"}], "edges": []}

    def test_scan_uses_the_module_scan_and_writes_the_output(self):
        seen = []

        def fake_scan(root):
            seen.append(root)
            return dict(self.GRAPH, big=2 ** 80)

        self.replace("scan", fake_scan)
        out = self.tmp / "g.json"
        (self.tmp / "proj").mkdir()
        status, text, err = self.call(kestil.cmd_scan, root=str(self.tmp / "x" / ".." / "proj"), out=str(out))
        self.assertEqual((status, err), (0, ""))
        self.assertEqual(seen, [self.tmp / "proj"])
        self.assertIsInstance(seen[0], pathlib.PurePath)
        self.assertEqual(text, f"Scanned: 3 nodes, 1 edges\nWrote: {out}\n")
        self.assertEqual(out.read_text(), json.dumps(dict(self.GRAPH, big=2 ** 80), indent=2))
        self.assertTrue(self.data.is_dir())

    def test_scan_with_an_empty_output_writes_graph_json(self):
        self.replace("scan", lambda root: self.GRAPH)
        link_target = self.tmp / "real.json"
        link_target.write_text("old")
        self.data.mkdir()
        kestil.GRAPH_JSON.symlink_to(link_target)
        status, text, _ = self.call(kestil.cmd_scan, root="", out="")
        self.assertEqual(text, f"Scanned: 3 nodes, 1 edges\nWrote: {kestil.GRAPH_JSON}\n")
        self.assertTrue(kestil.GRAPH_JSON.is_symlink())  # the link's target is replaced
        self.assertEqual(json.loads(link_target.read_text()), self.GRAPH)

    def test_retrieve_and_prime_use_the_module_operations(self):
        calls = []

        class Result:
            files = [{"id": "a.py", "_score": 2, "big": -2 ** 80, "w": 0.1}, {"kind": "file"}, {"id": None},
                     {"id": 5, "keywords": ["caf\u00e9", math.nan]}]
            edges = [{"from": "a.py", "rel": "imports", "to": "b"}, {"from": "a.py", "to": "c"}]

        def fake_retrieve(graph, query, top_files, top_edges):
            calls.append((graph, query, top_files, top_edges))
            return Result()

        self.replace("load_graph", lambda: "G")
        self.replace("retrieve", fake_retrieve)
        self.replace("read_action_events", lambda limit=8: [{"summary": "no kind"}, {"kind": None}, ["odd"], 3])
        status, text, _ = self.call(kestil.cmd_retrieve, query="q", top_files=-1, top_edges=2, json=False)
        self.assertEqual(status, 0)
        self.assertEqual(text, "Query: q\n\nRelevant files:\n- a.py\n- None\n- None\n- 5\n\n"
                               "Relevant relations:\n- a.py --imports--> b\n- a.py --None--> c\n")
        _, text, _ = self.call(kestil.cmd_retrieve, query="q\u00e9", top_files=1, top_edges=2, json=True)
        self.assertEqual(text, json.dumps({"query": "q\u00e9", "files": Result.files, "edges": Result.edges},
                                          indent=2) + "\n")
        _, text, _ = self.call(kestil.cmd_prime, query="p", top_files=3, top_edges=4, recent_actions=1)
        self.assertIn("## Relevant Files (Top 4)\n- a.py\n- None\n- None\n- 5\n\n", text)
        self.assertTrue(text.endswith("## Action Trail (Recent 4)\n- [unknown] no kind\n- [None] \n"
                                      "- [unknown] \n- [unknown] \n"), text)
        self.assertEqual(calls, [("G", "q", -1, 2), ("G", "q\u00e9", 1, 2), ("G", "p", 3, 4)])

    def test_action_log_uses_the_module_data_locations(self):
        status, out, err = self.call(kestil.cmd_action_log, kind="k", summary="s", meta='{"a": 1}')
        self.assertEqual((status, out, err), (0, "ok\n", ""))
        row = json.loads(kestil.ACTION_LOG.read_text())
        self.assertEqual(list(row), ["timestamp", "kind", "summary", "meta"])
        self.assertEqual((row["kind"], row["summary"], row["meta"]), ("k", "s", {"a": 1}))


class ReadActionEventsTest(HandlerCase):
    def write_log(self, text):
        self.data.mkdir(exist_ok=True)
        kestil.ACTION_LOG.write_text(text, encoding="utf-8")

    def test_missing_log_is_empty_for_every_limit(self):
        for limit in (8, 0, -3, 10 ** 30):
            self.assertEqual(kestil.read_action_events(limit), [])
        self.assertEqual(kestil.read_action_events(), [])

    def test_tail_slices(self):
        self.write_log("".join(json.dumps({"n": i}) + "\n" for i in range(1, 13)))
        cases = [((), list(range(5, 13))), ((8,), list(range(5, 13))), ((20,), list(range(1, 13))),
                 ((0,), list(range(1, 13))), ((-3,), list(range(4, 13))), ((-12,), []), ((-10 ** 30,), []),
                 ((10 ** 30,), list(range(1, 13))), ((True,), [12])]
        for args, ns in cases:
            with self.subTest(args=args):
                self.assertEqual(kestil.read_action_events(*args), [{"n": n} for n in ns])
        self.assertEqual(kestil.read_action_events(limit=2), [{"n": 11}, {"n": 12}])
        with self.assertRaises(TypeError):
            kestil.read_action_events(1.5)

    def test_rows_keep_the_values_of_the_json_text(self):
        self.write_log("\ufeff{\"lost\": 1}\n{\"big\": 123456789012345678901234567890, \"x\": NaN, \"i\": -Infinity}\n"
                       "[1, \"two\"]\n\u2028  \n{\"cut\"\n\"text\"\x1c{\"after\": \"sep\"}")
        rows = kestil.read_action_events(0)
        self.assertEqual(rows[0]["big"], 123456789012345678901234567890)
        self.assertTrue(math.isnan(rows[0]["x"]))
        self.assertEqual(rows[0]["i"], -math.inf)
        self.assertEqual(rows[1:], [[1, "two"], "text", {"after": "sep"}])

    def test_unreadable_logs_raise_the_hosts_errors(self):
        self.data.mkdir()
        kestil.ACTION_LOG.write_bytes(b'{"a": 1}\n\xc3\x28\n')
        with self.assertRaises(UnicodeDecodeError) as raised:
            kestil.read_action_events()
        self.assertEqual((raised.exception.start, raised.exception.reason), (9, "invalid continuation byte"))
        kestil.ACTION_LOG.unlink()
        kestil.ACTION_LOG.mkdir()
        with self.assertRaises(IsADirectoryError):
            kestil.read_action_events()


if __name__ == "__main__":
    unittest.main()
