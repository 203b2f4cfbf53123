"""The vorlane command, run through its installed launcher."""
import json
import os
import pathlib
import tempfile
import unittest

from tests.host.support import run_command

PROJECT = {
    "app.py": "import util\n\n\ndef handle(req):\n    return util.fix(req)\n\n\nclass Server:\n    pass\n",
    "util.py": "def fix(x):\n    return x\n",
    "docs/guide.md": "# Guide\nSee src/app.py and naïve café ✓ notes.\n",
    "web/index.ts": "export function greet(name: string) {\n  return name;\n}\n",
}


def expected_index(graph):
    idx = {}
    for n in graph["nodes"]:
        if n.get("kind") == "symbol":
            idx[n["id"]] = {"line_start": n["line_start"], "line_end": n["line_end"],
                            "body_hash": n["body_hash"], "confidence": n.get("confidence", ""),
                            "path": n["path"]}
    return idx


class CommandCase(unittest.TestCase):
    def setUp(self):
        tmp = tempfile.TemporaryDirectory()
        self.addCleanup(tmp.cleanup)
        self.tmp = pathlib.Path(tmp.name)
        self.proj = self.tmp / "proj"
        for rel, text in PROJECT.items():
            p = self.proj / rel
            p.parent.mkdir(parents=True, exist_ok=True)
            p.write_text(text, encoding="utf-8")

    def run_ok(self, *args):
        r = run_command("vorlane", *args, cwd=self.tmp)
        self.assertEqual((r.returncode, r.stderr), (0, ""), r.stderr)
        return r


class OutputTest(CommandCase):
    def test_files_and_report_lines(self):
        r = self.run_ok("--ro", "proj", "--out=./deep//er/g.json")
        graph_bytes = (self.tmp / "deep/er/g.json").read_bytes()
        index_bytes = (self.tmp / "deep/er/symbol_index.json").read_bytes()
        graph = json.loads(graph_bytes)
        index = json.loads(index_bytes)

        self.assertEqual(graph_bytes, json.dumps(graph, indent=2).encode("ascii"))
        self.assertEqual(index_bytes, json.dumps(expected_index(graph)).encode("ascii"))
        self.assertEqual(list(index), list(expected_index(graph)))
        self.assertIn(b"\\u00ef", graph_bytes)  # non-ASCII text is escaped
        self.assertEqual(graph["root"], str(self.proj.resolve()))
        self.assertEqual(graph["file_count"], 4)
        self.assertEqual(r.stdout, (
            f"Scanned: {graph['file_count']} files, {graph['symbol_count']} symbols, {graph['edge_count']} edges\n"
            "Wrote: deep/er/g.json\n"
            f"Symbol index: deep/er/symbol_index.json ({len(index)} symbols)\n"))

    def test_default_and_bare_out_paths(self):
        r = self.run_ok("--root", str(self.proj))
        self.assertTrue((self.tmp / "nimbrel-dashboard/data/info_graph.json").is_file())
        self.assertTrue((self.tmp / "nimbrel-dashboard/data/symbol_index.json").is_file())
        self.assertIn("Wrote: nimbrel-dashboard/data/info_graph.json\n", r.stdout)
        r = self.run_ok("--root", "proj", "--out", "g.json")
        self.assertRegex(r.stdout.splitlines()[2], r"^Symbol index: symbol_index\.json \(\d+ symbols\)$")
        self.assertTrue((self.tmp / "symbol_index.json").is_file())

    def test_project_without_symbols(self):
        (self.tmp / "empty").mkdir()
        r = self.run_ok("--root", "empty", "--out", "o/g.json")
        self.assertEqual(r.stdout, "Scanned: 0 files, 0 symbols, 0 edges\nWrote: o/g.json\n"
                                   "Symbol index: o/symbol_index.json (0 symbols)\n")
        self.assertEqual((self.tmp / "o/symbol_index.json").read_bytes(), b"{}")
        self.assertEqual(json.loads((self.tmp / "o/g.json").read_bytes())["nodes"], [])


class OwnOutputTest(CommandCase):
    def test_output_inside_the_tree_is_not_scanned(self):
        # The defaults write below ".": a second run must not read the first one's files.
        first = run_command("vorlane", cwd=self.proj)
        self.assertEqual(first.returncode, 0, first.stderr)
        data = self.proj / "nimbrel-dashboard/data"
        graph1 = (data / "info_graph.json").read_bytes()
        second = run_command("vorlane", cwd=self.proj)
        self.assertEqual(second.returncode, 0, second.stderr)
        graph2 = json.loads((data / "info_graph.json").read_bytes())
        ids = [n["id"] for n in graph2["nodes"] if n["kind"] == "file"]
        self.assertEqual(sorted(ids), sorted(PROJECT))
        self.assertEqual((data / "info_graph.json").read_bytes(), graph1)
        self.assertEqual(first.stdout, second.stdout)

    def test_other_json_files_of_the_same_names_are_scanned(self):
        # Only the paths this run writes are left out, not every file of those names.
        (self.proj / "conf").mkdir()
        (self.proj / "conf/symbol_index.json").write_text('{"a": 1}')
        (self.proj / "conf/info_graph.json").write_text('{"b": 2}')
        self.run_ok("--root", "proj", "--out", "proj/out/info_graph.json")
        graph = json.loads((self.tmp / "proj/out/info_graph.json").read_bytes())
        ids = {n["id"] for n in graph["nodes"] if n["kind"] == "file"}
        self.assertIn("conf/symbol_index.json", ids)
        self.assertIn("conf/info_graph.json", ids)
        self.assertFalse({"out/info_graph.json", "out/symbol_index.json"} & ids)


class ReuseTest(CommandCase):
    """A second run takes over the stored summary of an unchanged file, or nothing at all."""

    def first_graph(self):
        self.run_ok("--root", "proj", "--out", "g.json")
        return json.loads((self.tmp / "g.json").read_bytes())

    def summary_after_rerun(self, data):
        (self.tmp / "g.json").write_bytes(data)
        self.run_ok("--root", "proj", "--out", "g.json")
        graph = json.loads((self.tmp / "g.json").read_bytes())
        return next(n for n in graph["nodes"] if n["id"] == "util.py")["summary"]

    def test_stored_node_reused(self):
        graph = self.first_graph()
        for n in graph["nodes"]:
            if n["id"] == "util.py":
                n["summary"] = "stored summary"
        self.assertEqual(self.summary_after_rerun(json.dumps(graph).encode()), "stored summary")
        # A later file node of the same id wins.
        graph["nodes"].append({"id": "util.py", "kind": "file", "summary": "later",
                               "file_hash": next(n for n in graph["nodes"] if n["id"] == "util.py")["file_hash"]})
        self.assertEqual(self.summary_after_rerun(json.dumps(graph).encode()), "later")

    def test_unusable_previous_graph_reuses_nothing(self):
        graph = self.first_graph()
        fresh = next(n for n in graph["nodes"] if n["id"] == "util.py")["summary"]
        for n in graph["nodes"]:
            if n["id"] == "util.py":
                n["summary"] = "stored summary"

        def variant(extra):
            g = json.loads(json.dumps(graph))
            g["nodes"].append(extra)
            return json.dumps(g).encode()

        cases = {
            "byte-order mark": b"\xef\xbb\xbf" + json.dumps(graph).encode(),
            "invalid UTF-8": variant({"kind": "note", "id": "MARK"}).replace(b'"MARK"', b'"\xff"'),
            "non-object node": variant(3),
            "file node without id": variant({"kind": "file"}),
            "file node with a list id": variant({"kind": "file", "id": ["util.py"]}),
            "not JSON": b'{"nodes": [',
        }
        for name, data in cases.items():
            with self.subTest(name):
                r_summary = self.summary_after_rerun(data)
                self.assertEqual(r_summary, fresh)


class FailureTest(CommandCase):
    def test_out_naming_a_directory(self):
        (self.tmp / "outdir").mkdir()
        r = run_command("vorlane", "--root", "proj", "--out", "outdir", cwd=self.tmp)
        self.assertEqual(r.returncode, 1)
        self.assertEqual(r.stdout, "")
        self.assertIn("IsADirectoryError", r.stderr)
        self.assertFalse((self.tmp / "symbol_index.json").exists())

    def test_parent_that_is_a_file(self):
        (self.tmp / "flat").write_text("x")
        r = run_command("vorlane", "--root", "proj", "--out", "flat/g.json", cwd=self.tmp)
        self.assertEqual(r.returncode, 1)
        self.assertIn("FileExistsError", r.stderr)

    def test_usage_errors_create_nothing(self):
        before = sorted(os.listdir(self.tmp))
        for args in (["--bogus"], ["extra"], ["--out"], ["--root", "proj", "--out", "-x"]):
            with self.subTest(args=args):
                r = run_command("vorlane", *args, cwd=self.tmp)
                self.assertEqual(r.returncode, 2)
                self.assertEqual(r.stdout, "")
                self.assertTrue(r.stderr.startswith("usage: vorlane"), r.stderr)
                self.assertEqual(sorted(os.listdir(self.tmp)), before)

    def test_help(self):
        before = sorted(os.listdir(self.tmp))
        r = run_command("vorlane", "--help", cwd=self.tmp)
        self.assertEqual((r.returncode, r.stderr), (0, ""))
        for text in ("usage: vorlane [-h] [--root ROOT] [--out OUT]", "Scan project and build information graph JSON.",
                     "Project root to scan.", "Output JSON path."):
            self.assertIn(text, r.stdout)
        self.assertEqual(sorted(os.listdir(self.tmp)), before)


if __name__ == "__main__":
    unittest.main()
