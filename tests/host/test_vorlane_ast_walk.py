"""The syntax-tree builder's walker, summaries, keywords and structural peers through the
installed module: names, keyword arguments, the shapes of the results and the peer table."""
import os
import re
import tempfile
import unittest
from pathlib import Path

from tests.host import support  # noqa: F401  (puts the install tree on sys.path)

import vorlane_ast


class Tree(unittest.TestCase):
    def setUp(self):
        self._tmp = tempfile.TemporaryDirectory()
        self.dir = Path(os.path.realpath(self._tmp.name))

    def tearDown(self):
        self._tmp.cleanup()

    def file(self, rel, text="x"):
        p = self.dir / rel
        p.parent.mkdir(parents=True, exist_ok=True)
        p.write_text(text)
        return p


class WalkTest(Tree):
    def test_paths_are_path_objects_built_from_the_root_as_given(self):
        self.file("a.py")
        self.file("pkg/b.ts")
        self.file("pkg/c.rs")
        self.file("build/d.py")
        self.file("Build/e.md")
        got = vorlane_ast.walk_files(root=str(self.dir))
        self.assertIsInstance(got, list)
        self.assertTrue(all(isinstance(p, Path) for p in got))
        self.assertCountEqual(got, [self.dir / "a.py", self.dir / "pkg/b.ts", self.dir / "Build/e.md"])
        cwd = os.getcwd()
        os.chdir(self.dir)
        try:
            self.assertCountEqual(vorlane_ast.walk_files(Path(".")), [Path("a.py"), Path("pkg/b.ts"), Path("Build/e.md")])
        finally:
            os.chdir(cwd)

    def test_missing_root_and_link_cycle(self):
        self.assertEqual(vorlane_ast.walk_files(self.dir / "missing"), [])
        self.file("r/s/a.py")
        os.symlink(self.dir / "r", self.dir / "r/s/up")
        self.assertEqual(vorlane_ast.walk_files(self.dir / "r"), [self.dir / "r/s/a.py"])

    def test_should_scan(self):
        self.assertTrue(vorlane_ast.should_scan(path="src/Main.PY"))
        self.assertTrue(vorlane_ast.should_scan(Path("a.test.ts")))
        self.assertFalse(vorlane_ast.should_scan("x/venv/a.py"))
        self.assertFalse(vorlane_ast.should_scan("notes."))
        self.assertFalse(vorlane_ast.should_scan("lib.rs"))


class SummaryKeywordsTest(unittest.TestCase):
    def test_summary(self):
        self.assertEqual(
            vorlane_ast._make_summary(content='"""Payment rules for the billing API."""\ndef pay():\n    pass\n',
                                      path="src/billing.py", ext=".py"),
            "Payment rules for the billing API. Contains 1 function: pay.")
        self.assertEqual(vorlane_ast._make_summary("", "src/api/user_accounts.py", ".py"), "Handles api user accounts.")
        self.assertEqual(vorlane_ast._make_summary("", "", ""), "")

    def test_keywords(self):
        self.assertEqual(vorlane_ast.extract_keywords(content="export const useAuthStore = 1", ext=".ts"),
                         ["useauthstore", "use", "auth", "store"])
        self.assertEqual(vorlane_ast.extract_keywords("func (s *Server) HandleLogin() {}\ntype Cache struct{}", ".go"),
                         ["handlelogin", "handle", "login", "cache"])
        self.assertEqual(vorlane_ast.extract_keywords("", ".md"), [])


class PeersTest(unittest.TestCase):
    def test_edges_hold_the_callers_ids_in_order(self):
        a, b, c = "api/routes.ts", "api/middleware.ts", "lib/guards.ts"
        edges = vorlane_ast._structural_peer_edges(file_ids=[a, b, c])
        self.assertEqual(edges, [{"from": a, "to": b, "rel": "structural_peer"},
                                 {"from": b, "to": a, "rel": "structural_peer"}])
        self.assertEqual([list(e) for e in edges], [["from", "to", "rel"]] * 2)
        self.assertIs(edges[0]["from"], a)
        self.assertEqual(vorlane_ast._structural_peer_edges([]), [])

    def test_peer_table(self):
        rows = vorlane_ast._PEER_PAIRS
        self.assertEqual(len(rows), 22)
        self.assertEqual(rows[0][0].pattern, "^routes?$")
        self.assertEqual(rows[19][1].pattern, "^repositor(?:y|ies)$")
        self.assertEqual(rows[21][1].pattern, "^dep(endencies)?s?$")
        for x, y in rows:
            self.assertIsInstance(x, re.Pattern)
            self.assertEqual(x.flags & ~re.UNICODE, re.IGNORECASE)
            self.assertEqual(y.flags & ~re.UNICODE, re.IGNORECASE)


if __name__ == "__main__":
    unittest.main()
