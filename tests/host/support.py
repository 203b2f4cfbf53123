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
