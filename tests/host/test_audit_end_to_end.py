"""A graph builder writes a project's graph, then the auditor reports real findings from it."""
import json
import os
import pathlib
import tempfile
import unittest

from tests.host.support import BIN, run_command

BODY = "".join(f"    x{i} = a + {i}\n" for i in range(12))
PROJECT = {
    "lib/one.py": "def helper(a):\n" + BODY + "    return a\n",
    "lib/two.py": "def helper(a):\n" + BODY + "    return a\n",
    "lib/test_one.py": "def test_helper():\n    pass\n",
    "api/routes.py": "def list_users(db):\n    # TODO: paginate results\n    return db.query('select 1')\n",
    "lib/remote.py": ("import requests\n\n\ndef load(url):\n    return requests.get(url)\n\n\n"
                      "def safe(url):\n    try:\n        return requests.get(url)\n    except Exception:\n        return None\n"),
    "README.md": "# Fixture\n",
}


class EndToEndTest(unittest.TestCase):
    def setUp(self):
        tmp = tempfile.TemporaryDirectory()
        self.addCleanup(tmp.cleanup)
        self.proj = pathlib.Path(tmp.name) / "proj"
        for rel, text in PROJECT.items():
            p = self.proj / rel
            p.parent.mkdir(parents=True, exist_ok=True)
            p.write_text(text)

    def audit_after(self, builder):
        # Every builder is installed: a missing one is a broken install, not a case to pass over.
        self.assertTrue(os.access(os.path.join(BIN, builder), os.X_OK), f"{builder} is not installed in {BIN}")
        graph = self.proj / ".nimbrel/info_graph.json"
        r = run_command(builder, "--root", str(self.proj), "--out", str(graph))
        self.assertEqual(r.returncode, 0, r.stderr)
        r = run_command("audit", "--root", str(self.proj), "--json")
        self.assertEqual(r.returncode, 0, r.stderr)
        report = json.loads(r.stdout)

        self.assertEqual(report["test_coverage"], {"total_code_files": 4, "tested_files": 1, "coverage_pct": 25,
                                                   "untested": report["test_coverage"]["untested"]})
        self.assertEqual(set(report["test_coverage"]["untested"]), {"lib/two.py", "lib/remote.py", "api/routes.py"})
        self.assertEqual(len(report["copy_paste"]), 1)
        group = report["copy_paste"][0]
        self.assertEqual((group["copies"], group["lines"]), (2, 13))
        self.assertEqual({s["file"] for s in group["symbols"]}, {"lib/one.py", "lib/two.py"})
        self.assertEqual(report["db_in_routes"], [{"file": "api/routes.py", "count": 1, "lines": [3],
                                                   "patterns": ["db."]}])
        self.assertEqual(report["todos"], [{"file": "api/routes.py", "line": 2, "text": "TODO: paginate results"}])
        self.assertEqual(report["missing_error_handling"], [{"file": "lib/remote.py", "symbol": "load", "line": 4}])
        self.assertEqual(report["dead_exports"], [])
        # 35 for the coverage, 2 for the copy-paste group, 1 for the route file.
        self.assertEqual(report["debt_score"], 38)

        text = run_command("audit", "--root", str(self.proj)).stdout
        weeks = [line.strip() for line in text.splitlines() if line.startswith("  Week ")]
        self.assertEqual(weeks, ["Week 1:  Add tests to largest untested modules",
                                 "Week 1:  Move DB calls out of route handlers",
                                 "Week 2:  Extract duplicated functions to shared util",
                                 "Week 2:  Add error handling to 1 external call(s)"])
        context = (self.proj / ".nimbrel/AUDIT_CONTEXT.md").read_text()
        self.assertIn("Vibe debt score: 38/100 (MEDIUM)\nTest coverage: 25%\n\nDB in route handlers: api/routes.py\n",
                      context)

    def test_after_the_syntax_tree_builder(self):
        self.audit_after("vorlane_ast")

    def test_after_the_pattern_builder(self):
        self.audit_after("vorlane")


if __name__ == "__main__":
    unittest.main()
