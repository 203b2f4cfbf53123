"""A scan command given a root it cannot list fails and leaves its previous output alone."""
import os
import tempfile
import unittest
from pathlib import Path

import tests.host.support as support

# The three commands that scan a root into a graph file, each with its output named.
COMMANDS = (("kestil", "scan"), ("vorlane",), ("vorlane_ast",))


class ScanRootTest(unittest.TestCase):
    def setUp(self):
        self._tmp = tempfile.TemporaryDirectory()
        self.dir = Path(os.path.realpath(self._tmp.name))
        (self.dir / "a-file").write_text("x\n")
        (self.dir / "empty").mkdir()

    def tearDown(self):
        self._tmp.cleanup()

    def test_missing_or_file_root_is_an_error_and_writes_nothing(self):
        for command in COMMANDS:
            for root, reason in (("missing", "No such file or directory"), ("a-file", "Not a directory")):
                with self.subTest(command=command, root=root):
                    out = self.dir / "out" / "graph.json"
                    out.parent.mkdir(exist_ok=True)
                    out.write_text("previous")
                    r = support.run_command(*command, "--root", root, "--out", str(out), cwd=self.dir)
                    self.assertEqual(r.returncode, 1)
                    self.assertEqual(r.stdout, "")
                    self.assertEqual(r.stderr, f"Error: cannot scan {self.dir / root}: {reason}\n")
                    self.assertEqual(out.read_text(), "previous")
                    self.assertEqual(os.listdir(out.parent), ["graph.json"])

    def test_empty_root_still_scans_to_an_empty_graph(self):
        # kestil's scan also makes the install's data folder, so only the builders run here.
        for command in COMMANDS[1:]:
            with self.subTest(command=command):
                r = support.run_command(*command, "--root", "empty", "--out", str(self.dir / "g.json"), cwd=self.dir)
                self.assertEqual(r.returncode, 0, r.stderr)
                self.assertTrue((self.dir / "g.json").is_file())


if __name__ == "__main__":
    unittest.main()
