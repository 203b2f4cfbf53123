"""Shared helpers of the host-level tests: where the install tree is, and how to run a command."""
import os
import subprocess
import sys

ROOT = os.environ.get("TARVELLE_ROOT") or os.path.join(
    os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))), "dist", "root")
SRC = os.path.join(ROOT, "src")
BIN = os.path.join(ROOT, "bin")

for _p in (ROOT, SRC):
    if _p not in sys.path:
        sys.path.insert(0, _p)


def run_command(name, *args, cwd=None, env=None, input=None):
    """Runs the installed launcher `name` and returns the completed process (text mode)."""
    return subprocess.run([os.path.join(BIN, name), *args], cwd=cwd, env=env, input=input,
                          capture_output=True, text=True)


def write_many_modules(root, dirs=40, files=100, body=None):
    """Lays out dirs × files Python modules under `root` (a pathlib.Path), by default
    small ones of many symbols: enough that a scan on one thread takes well over the
    time it takes to interrupt it."""
    if body is None:
        body = "".join(f"def f{i}(a):\n    return a  # pkg/m{i}.py\n\n\nclass K{i}:\n    pass\n\n" for i in range(20))
    for d in range(dirs):
        (root / f"d{d}").mkdir()
        for f in range(files):
            (root / f"d{d}" / f"m{f}.py").write_text(body)
