"""The installed vorlane module, imported as users import it: under its package name with
<root>/src on the path, and under its source-tree name with <root> on the path."""
import subprocess
import sys
import unittest

import tests.host.support as support

SCRIPT = r"""
import os, sys
root = sys.argv[1]
sys.path[:0] = [os.path.join(root, "src"), root]
import tarvelle.vorlane as a
import src.tarvelle.vorlane as b
assert a is not b, "one module object for two names"
assert (a.__name__, b.__name__) == ("tarvelle.vorlane", "src.tarvelle.vorlane")
for m in (a, b):
    assert m.Node is not (b if m is a else a).Node
    assert m.Node.__module__ == m.__name__, m.Node.__module__
    n = m.Node("f.py", "file", "f.py", ".py", 1, [])
    assert list(n.as_dict())[-1] == "file_hash"
    assert m.dedupe_edges([{"from": "a", "to": "b", "rel": "r"}] * 2) == [{"from": "a", "to": "b", "rel": "r"}]
    assert m.rel(os.path.join(root, "src"), root) == "src"
    assert m.Edge.__module__ == m.__name__
print("ok")
"""


class ImportTest(unittest.TestCase):
    def test_both_module_names_in_one_process(self):
        # A clean interpreter, so only the script decides what is on the path.
        proc = subprocess.run([sys.executable, "-c", SCRIPT, support.ROOT], capture_output=True, text=True)
        self.assertEqual(proc.returncode, 0, proc.stderr)
        self.assertEqual(proc.stdout, "ok\n")


if __name__ == "__main__":
    unittest.main()
