"""Ctrl-C while `kestil scan` writes its graph: the previous graph stays as it was, no
temporary file is left, and the command ends by the signal."""
import os
import signal
import tempfile
import unittest
from pathlib import Path

import tests.host.support as support


class ScanWriteInterruptTest(unittest.TestCase):
    def setUp(self):
        self._tmp = tempfile.TemporaryDirectory()
        self.dir = Path(os.path.realpath(self._tmp.name))

    def tearDown(self):
        self._tmp.cleanup()

    def test_previous_graph_survives_an_interrupt_during_the_write(self):
        # A graph of tens of megabytes, whose write outlasts the signal's way to the writer.
        (self.dir / "src").mkdir()
        support.write_many_modules(self.dir / "src", dirs=40, files=60)
        out = self.dir / "out"
        out.mkdir()
        (out / "g.json").write_text('{"nodes": [], "edges": []}')
        before = {p.name: p.read_bytes() for p in out.iterdir()}
        # The write is the same on any number of threads; the scan before it runs on all.
        env = {k: v for k, v in os.environ.items() if k != "VORLANE_THREADS"}
        p, stdout, stderr = support.interrupt_during_write(
            [os.path.join(support.BIN, "kestil"), "scan", "--root", str(self.dir / "src"), "--out", str(out / "g.json")],
            out, env)
        self.assertEqual(p.returncode, -signal.SIGINT, stderr)
        self.assertTrue(stderr.endswith("KeyboardInterrupt\n"), stderr)
        self.assertEqual(stdout, "")
        self.assertEqual({p.name: p.read_bytes() for p in out.iterdir()}, before)


if __name__ == "__main__":
    unittest.main()
