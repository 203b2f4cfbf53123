"""VORLANE_THREADS=N bounds every command: no more than N threads beside the main one run
at once, counted by a library loaded into the command that sees every thread it starts."""
import os
import shutil
import tempfile
import unittest
from pathlib import Path

import tests.host.support as support

PEAK_LIB = os.environ.get("TARVELLE_THREAD_PEAK_LIB")


@unittest.skipUnless(PEAK_LIB and os.path.exists(PEAK_LIB), "the thread-counting library is not built")
class ThreadBoundTest(unittest.TestCase):
    def setUp(self):
        self._tmp = tempfile.TemporaryDirectory()
        self.dir = Path(os.path.realpath(self._tmp.name))
        self.tree = self.dir / "tree"
        # Enough files that a scan uses every thread it may.
        for i in range(60):
            d = self.tree / f"pkg{i % 5}"
            d.mkdir(parents=True, exist_ok=True)
            (d / f"mod{i}.py").write_text(
                f"import os\nfrom pkg{(i + 1) % 5} import mod{i + 1}\n\n"
                f"def handler_{i}(request, db):\n    # TODO: check\n    return db.query({i})\n\n\n"
                f"class Model{i}:\n    def save(self):\n        return fetch('/x')\n")
            (d / f"view{i}.ts").write_text(f"export function view{i}() {{ return fetch('/api/{i}'); }}\n")
        self.out = self.dir / "out"
        self.out.mkdir()

    def tearDown(self):
        self._tmp.cleanup()

    def peak(self, threads, *command):
        env = dict(os.environ, VORLANE_THREADS=str(threads), LD_PRELOAD=PEAK_LIB,
                   TARVELLE_THREAD_PEAK_FILE=str(self.dir / "peak"))
        r = support.run_command(*command, env=env, cwd=self.tree)
        self.assertEqual(r.returncode, 0, r.stderr)
        return int((self.dir / "peak").read_text())

    def test_no_command_runs_more_threads_than_the_setting(self):
        commands = {
            "vorlane": ("vorlane", "--root", str(self.tree), "--out", str(self.out / "g.json")),
            "kestil scan": ("kestil", "scan", "--root", str(self.tree), "--out", str(self.out / "k.json")),
            "vorlane_ast": ("vorlane_ast", "--root", str(self.tree)),
            "audit": ("audit", "--root", str(self.tree), "--out", str(self.out / "audit.json"), "--json"),
        }
        for threads in (1, 4):
            for name, command in commands.items():
                # The second run also reads the graph the first one wrote.
                for run in ("first", "again"):
                    with self.subTest(command=name, threads=threads, run=run):
                        peak = self.peak(threads, *command)
                        self.assertLessEqual(peak, threads)
                        # The counting sees the threads: on four, each command uses more than one.
                        if threads == 4:
                            self.assertGreater(peak, 1)
            shutil.rmtree(self.tree / ".nimbrel")
            for f in self.out.iterdir():
                f.unlink()


if __name__ == "__main__":
    unittest.main()
