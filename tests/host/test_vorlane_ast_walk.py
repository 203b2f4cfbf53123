"""The syntax-tree builder's walker, summaries, keywords and structural peers through the
installed module: names, keyword arguments, the shapes of the results and the peer table."""
import os
import re
import tempfile
import unittest
from pathlib import Path

from tests.host import support  # noqa: F401  (puts the install tree on sys.path)

import vorlane_ast
from tests.graph.vorlane_ast.host_rules import PEER_PAIRS, extract_keywords, make_summary, peer_edges


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

    def test_odd_names_and_root_forms_as_the_host_walks(self):
        # Undecodable bytes come back as the host's surrogate escapes; parent steps and
        # doubled separators in the root stay as the host's path objects write them.
        self.file("p/é.ts")
        self.file("p/line\nbreak.py")
        self.file("p/sp ace/a.md")
        raw = os.fsencode(self.dir / "p")
        os.mkdir(raw + b"/d\xff")
        for name in (b"/\xfe.py", b"/d\xff/c.go"):
            with open(raw + name, "w") as f:
                f.write("x")
        self.file("far/f.py")
        self.file("far/deep/g.py")
        os.symlink(self.dir / "far/deep", self.dir / "p/sub")
        cwd = os.getcwd()
        os.chdir(self.dir / "p")
        try:
            for root in (self.dir / "p", str(self.dir / "p") + "//", str(self.dir) + "//p/./sp ace", "sub/..", "sub/../",
                         "..", "../p/d\udcff"):
                got = vorlane_ast.walk_files(root)
                self.assertEqual(got, host_walk(root), root)
                self.assertTrue(got, root)
        finally:
            os.chdir(cwd)
        self.assertIn(self.dir / "p/\udcfe.py", vorlane_ast.walk_files(self.dir / "p"))

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
        self.assertEqual(vorlane_ast._make_summary("", "a/\udcff_x.py", ".py"), "Handles a \udcff x.")

    def test_keywords(self):
        self.assertEqual(vorlane_ast.extract_keywords(content="export const useAuthStore = 1", ext=".ts"),
                         ["useauthstore", "use", "auth", "store"])
        self.assertEqual(vorlane_ast.extract_keywords("func (s *Server) HandleLogin() {}\ntype Cache struct{}", ".go"),
                         ["handlelogin", "handle", "login", "cache"])
        self.assertEqual(vorlane_ast.extract_keywords("", ".md"), [])


def assert_same_edges(test, got, want):
    # Reports the first difference only: the host's full diff of two long edge lists takes
    # many minutes.
    if got != want:
        i = next((k for k, (a, b) in enumerate(zip(got, want)) if a != b), min(len(got), len(want)))
        test.fail(f"{len(got)} edges, {len(want)} expected; from edge {i}: {got[i:i + 2]} != {want[i:i + 2]}")


class PeersTest(unittest.TestCase):
    def test_edges_hold_the_callers_ids_in_order(self):
        a, b, c = "api/routes.ts", "api/middleware.ts", "lib/guards.ts"
        edges = vorlane_ast._structural_peer_edges(file_ids=[a, b, c])
        self.assertEqual(edges, [{"from": a, "to": b, "rel": "structural_peer"},
                                 {"from": b, "to": a, "rel": "structural_peer"}])
        self.assertEqual([list(e) for e in edges], [["from", "to", "rel"]] * 2)
        self.assertIs(edges[0]["from"], a)
        self.assertEqual(vorlane_ast._structural_peer_edges([]), [])

    def test_odd_ids_as_the_host_pairs_them(self):
        # Stems the host lower-cases and matches with ignore-case (the dotless i and the
        # long s among them), directories as the host's path objects group them, and ids
        # holding surrogate escapes, which pair with nothing but keep their place.
        stems = ["routes", "ROUTES", "middleware", "\u017fervice", "serv\u0131ce", "SERV\u0130CE", "repositories",
                 "repo", "auth", "policies", "policy", "dependenciess", "routes\n", "route.", "..routes", ".routes",
                 "", "guards", "\u0131nterceptor", "routes\udcff"]
        dirs = ["", "./", "a/", "a//", "./a/", "a/./", "/", "b/../a/"]
        ids = [dirs[i % len(dirs)] + stems[(i * 7) % len(stems)] + [".ts", "", ".PY", ".x.ts", "/"][i % 5]
               for i in range(400)]
        assert_same_edges(self, vorlane_ast._structural_peer_edges(ids), peer_edges(ids))

    def test_peer_table(self):
        rows = vorlane_ast._PEER_PAIRS
        self.assertEqual([(x.pattern, y.pattern) for x, y in rows], PEER_PAIRS)
        for x, y in rows:
            self.assertIsInstance(x, re.Pattern)
            self.assertEqual(x.flags & ~re.UNICODE, re.IGNORECASE)
            self.assertEqual(y.flags & ~re.UNICODE, re.IGNORECASE)


# The walk written in the host's own language (the summary, keyword and peer rules are in
# tests/graph/vorlane_ast/host_rules.py), for the comparison over the project's tree.
SKIP = {".git", ".beads", ".beads-hooks", "node_modules", "vendor", "dist", "build", ".next", ".idea", ".vscode",
        "__pycache__", "venv", ".venv", ".nimbrel"}
EXTS = (".go", ".py", ".js", ".jsx", ".ts", ".tsx", ".swift", ".json", ".yaml", ".yml", ".md")


def host_walk(root):
    root = Path(root)
    root_resolved = root.resolve()
    out = []
    for dirpath, dirnames, filenames in os.walk(root, followlinks=True):
        base = Path(dirpath)

        def keep(d):
            if d in SKIP:
                return False
            full = base / d
            try:
                if full.is_symlink():
                    r = full.resolve()
                    return r == root_resolved or root_resolved in r.parents
            except Exception:
                return False
            return True
        dirnames[:] = [d for d in dirnames if keep(d)]
        for fn in filenames:
            p = base / fn
            s = str(p.relative_to(root))
            if "/venv/" not in s and "/.venv/" not in s and p.suffix.lower() in EXTS and p.is_file():
                out.append(p)
    return out


class OwnTreeTest(unittest.TestCase):
    """The walk, the summaries, the keywords and the peers of this project's own tree, and of
    the host's standard library, against the rules run by the host."""

    def check_tree(self, root):
        files = vorlane_ast.walk_files(root)
        self.assertEqual(files, host_walk(root))
        ids = []
        for p in files:
            text = p.read_text(encoding="utf-8", errors="ignore")
            fid = str(p.relative_to(root))
            ids.append(fid)
            ext = p.suffix.lower()
            self.assertEqual(vorlane_ast._make_summary(text, fid, ext), make_summary(text, fid, ext), fid)
            self.assertEqual(vorlane_ast.extract_keywords(text, ext), extract_keywords(text, ext), fid)
        return files

    def test_project_tree(self):
        project = Path(__file__).resolve().parents[2]
        self.assertGreater(len(self.check_tree(project)), 10)

    def test_standard_library_json_and_email(self):
        import sysconfig
        for sub in ("json", "email", "asyncio"):
            self.check_tree(Path(sysconfig.get_paths()["stdlib"]) / sub)

    def test_peers_of_generated_ids(self):
        stems = ["routes", "Middleware", "guards", "service", "repos", "models", "schema", "views", "auth", "policies",
                 "handler", "validators", "resolver", "interceptor", "deps", "readme", "router", "controller"]
        ids = [f"d{i % 7}/{stems[(i * 5) % len(stems)]}.{'ts' if i % 3 else 'py'}" for i in range(300)]
        ids += [stems[i] + ".go" for i in range(len(stems))]
        want = peer_edges(ids)
        self.assertGreater(len(want), 100)
        assert_same_edges(self, vorlane_ast._structural_peer_edges(ids), want)


if __name__ == "__main__":
    unittest.main()
