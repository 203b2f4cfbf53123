"""The builders' commands with an --out that is no regular file: a private FIFO or
device node in a folder of the test's own. Such an output holds no previous graph and
is written in place, so the command finishes."""
import json
import os
import stat
import tempfile
import unittest
from pathlib import Path

import tests.host.support as support

BUILDERS = ("vorlane", "vorlane_ast")


class PreviousGraphTest(unittest.TestCase):
    def setUp(self):
        tmp = tempfile.TemporaryDirectory()
        self.addCleanup(tmp.cleanup)
        self.dir = Path(os.path.realpath(tmp.name))
        (self.dir / "proj").mkdir()
        (self.dir / "proj" / "app.py").write_text("def handle(req):\n    return req\n")
        (self.dir / "out").mkdir()

    def run_ok(self, command, out):
        r = support.run_command(command, "--root", "proj", "--out", str(out), cwd=self.dir, timeout=60)
        self.assertEqual((r.returncode, r.stderr), (0, ""), r.stderr)
        # The symbol index beside the output is a file as always.
        self.assertIn("handle", (self.dir / "out" / "symbol_index.json").read_text())

    def test_a_fifo_output_is_not_read_and_gets_the_graph(self):
        fifo = self.dir / "out" / "fifo"
        (self.dir / "out" / "to-fifo").symlink_to("fifo")
        for command in BUILDERS:
            for name in ("fifo", "to-fifo"):
                with self.subTest(command=command, out=name):
                    reader = support.FifoReader(fifo)
                    try:
                        self.run_ok(command, self.dir / "out" / name)
                        graph = json.loads(reader.result())
                        self.assertEqual([n["id"] for n in graph["nodes"] if n["kind"] == "file"], ["app.py"])
                        self.assertTrue(stat.S_ISFIFO(os.lstat(fifo).st_mode))
                    finally:
                        reader.result(timeout=0)
                        os.unlink(fifo)

    def test_an_output_that_gives_bytes_without_end_is_not_read(self):
        zero = self.dir / "out" / "zero"
        support.make_device_node(zero, 5)  # the zero device's numbers: its reads never end
        (self.dir / "out" / "to-zero").symlink_to("zero")
        for command in BUILDERS:
            for name in ("zero", "to-zero"):
                with self.subTest(command=command, out=name):
                    self.run_ok(command, self.dir / "out" / name)
                    self.assertEqual(os.stat(zero).st_rdev, os.makedev(1, 5))
        self.assertEqual(sorted(os.listdir(self.dir / "out")), ["symbol_index.json", "to-zero", "zero"])


if __name__ == "__main__":
    unittest.main()
