"""Shared helpers of the host-level tests: where the install tree is, and how to run a command."""
import os
import signal
import stat
import subprocess
import sys
import threading
import unittest

ROOT = os.environ.get("TARVELLE_ROOT") or os.path.join(
    os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))), "dist", "root")
SRC = os.path.join(ROOT, "src")
BIN = os.path.join(ROOT, "bin")

for _p in (ROOT, SRC):
    if _p not in sys.path:
        sys.path.insert(0, _p)


def run_command(name, *args, cwd=None, env=None, input=None, timeout=None):
    """Runs the installed launcher `name` and returns the completed process (text mode)."""
    return subprocess.run([os.path.join(BIN, name), *args], cwd=cwd, env=env, input=input,
                          capture_output=True, text=True, timeout=timeout)


def make_device_node(path, minor):
    """A private character device at `path` with the numbers of the null (minor 3) or
    the zero (minor 5) device; skips the test where no node can be made."""
    try:
        os.mknod(path, 0o666 | stat.S_IFCHR, os.makedev(1, minor))
    except OSError as e:
        raise unittest.SkipTest(f"no device node can be made here: {e.strerror}")


class FifoReader:
    """A FIFO at `path` and a thread that reads it to its end, as a reader of a pipe
    would: `result()` gives the bytes read (None when nothing ever opened it to write)."""

    def __init__(self, path):
        self.path = path
        os.mkfifo(path)
        self.data = None
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        with open(self.path, "rb") as f:
            self.data = f.read()

    def result(self, timeout=60):
        self.thread.join(timeout)
        if self.thread.is_alive():
            # Still waiting for a writer: one that writes nothing lets it go.
            try:
                os.close(os.open(self.path, os.O_WRONLY | os.O_NONBLOCK))
            except OSError:
                pass
            self.thread.join(timeout)
            return None
        return self.data


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


def interrupt_during_write(cmd, out_dir, env=None):
    """Runs `cmd` at the lowest priority, sends SIGINT once a temporary file appears in
    `out_dir` (the replacing write has begun) and returns the ended process, with its
    standard output and error."""
    p = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, env=env,
                         preexec_fn=lambda: os.nice(19))
    while p.poll() is None and not any(n.endswith(".tmp") for n in os.listdir(out_dir)):
        pass
    p.send_signal(signal.SIGINT)
    stdout, stderr = p.communicate(timeout=120)
    return p, stdout, stderr
