#!/usr/bin/env python3
"""Time from Ctrl-C to the end of the command, for `vorlane_ast` and `audit` on one thread
and on all (target: under 1 s everywhere).

    python3 bench/interrupt_bench.py [--root dist/root] [--files 20000] [--tree DIR]

The tree (generated once and kept, by default under /tmp) holds --files Python modules of
many small symbols, so that the syntax-tree builder's graph runs to hundreds of megabytes
and its write phase lasts several seconds. A first run of each command, timed, gives the
previous outputs; then SIGINT is sent at fractions of a whole run's time (the early ones
land in the scan or the checks, the late ones in the write) and the signal-to-exit time is
printed, with whether the previous outputs were left as they were.
"""
import argparse
import hashlib
import os
import signal
import subprocess
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PROJECT = os.path.dirname(HERE)
POINTS = (0.2, 0.5, 0.75, 0.9)


def make_tree(base, files):
    mark = os.path.join(base, f".complete-{files}")
    if os.path.exists(mark):
        return
    body = "".join(f"def handler_{i}(request, db):\n    \"\"\"Serve item {i}.\"\"\"\n    return db.query({i})\n\n\n"
                   f"class Model{i}:\n    def save(self):\n        pass\n\n" for i in range(30))
    for f in range(files):
        d = os.path.join(base, f"pkg{f % 100}", f"sub{f % 7}")
        os.makedirs(d, exist_ok=True)
        with open(os.path.join(d, f"mod{f}.py"), "w") as fh:
            fh.write(f"import os\nfrom pkg{(f + 1) % 100} import mod{f + 1}\n" + body)
    open(mark, "w").close()


def outputs(folder):
    """Inode and hash of each file of `folder`, temporary ones included: a file replaced
    by the same bytes counts as replaced."""
    out = {}
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        if not os.path.isfile(path):
            continue
        with open(path, "rb") as f:
            out[name] = (os.stat(path).st_ino, hashlib.sha256(f.read()).hexdigest())
    return out


def default_sigint():
    # A bench started in the background of a shell inherits SIGINT ignored, and the host
    # then installs no handler of its own.
    signal.signal(signal.SIGINT, signal.SIG_DFL)


def env_for(threads):
    env = {k: v for k, v in os.environ.items() if k != "VORLANE_THREADS"}
    if threads:
        env["VORLANE_THREADS"] = threads
    return env


def whole(cmd, env):
    t = time.monotonic()
    subprocess.run(cmd, env=env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.monotonic() - t


def interrupted(cmd, env, after):
    p = subprocess.Popen(cmd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, preexec_fn=default_sigint)
    time.sleep(after)
    sent = time.monotonic()
    p.send_signal(signal.SIGINT)
    p.wait()
    return p.returncode, time.monotonic() - sent


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--root", default=os.path.join(PROJECT, "dist", "root"))
    ap.add_argument("--files", type=int, default=20000)
    ap.add_argument("--tree", default=None)
    args = ap.parse_args()
    base = args.tree or f"/tmp/tarvelle-interrupt-bench-{args.files}"
    tree = os.path.join(base, "tree")
    print(f"tree: {tree} ({args.files} files)", flush=True)
    make_tree(tree, args.files)
    data = os.path.join(tree, ".nimbrel")
    bin_dir = os.path.join(args.root, "bin")
    commands = {
        "vorlane_ast": [os.path.join(bin_dir, "vorlane_ast"), "--root", tree, "--out",
                        os.path.join(data, "info_graph.json")],
        "audit": [os.path.join(bin_dir, "audit"), "--root", tree, "--out", os.path.join(base, "audit.json")],
    }
    worst = 0.0
    for name, cmd in commands.items():
        for threads in ("1", None):
            env = env_for(threads)
            full = whole(cmd, env)
            before = outputs(data), outputs(base)
            label = f"{name} threads={threads or 'all'}"
            print(f"{label}: whole run {full:.2f} s", flush=True)
            for point in POINTS:
                rc, latency = interrupted(cmd, env, full * point)
                after = outputs(data), outputs(base)
                kept = after == before
                if rc == 0:
                    before = after  # a run that ended before the signal replaced them itself
                worst = max(worst, latency) if rc == -signal.SIGINT else worst
                state = "interrupted" if rc == -signal.SIGINT else f"ended with {rc}"
                print(f"  SIGINT at {point:.0%}: {latency:.2f} s to exit ({state}); previous outputs "
                      f"{'kept' if kept else 'REPLACED'}", flush=True)
    print(f"worst signal-to-exit: {worst:.2f} s (target: under 1 s)")


if __name__ == "__main__":
    main()
