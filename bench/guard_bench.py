#!/usr/bin/env python3
"""Guard start-up benchmark: the wall time of one run of the installed `halberk` command,
as a ratio to the interpreter's own start (`python3 -c pass`) measured in the same run.

    python3 bench/guard_bench.py [--runs 40] [--root dist/root]

Rows: a harmless event (a read, no file looked at); a soft event (a write) and a hard event
(a forced deletion) on a project whose chat action graph holds 10,000 actions over 400
files, the target being the last file of the attention map; and the same hard event with
10,000 distinct files, each resolved once while the target is matched. Runs of all rows
are interleaved; each figure is the median.
"""
import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PROJECT = os.path.dirname(HERE)


def write_graph(proj, files, actions):
    os.makedirs(os.path.join(proj, ".nimbrel"), exist_ok=True)
    os.makedirs(os.path.join(proj, "src"), exist_ok=True)
    now = int(time.time())
    kinds = ["read", "read_cache_hit", "register_edit", "edit_observation", "tool_use"]
    acts = [{"kind": kinds[i % len(kinds)], "ts": now - (actions - i), "session": "bench",
             "payload": {"file": f"src/mod{i % files}.py", "summary": "touched"}} for i in range(actions - 2)]
    # The last file, first seen at the end of the map, was edited twice just now.
    acts += [{"kind": "register_edit", "ts": now, "payload": {"file": f"src/mod{files - 1}.py"}}] * 2
    with open(os.path.join(proj, ".nimbrel", "chat_action_graph.json"), "w") as f:
        json.dump({"version": 1, "actions": acts}, f)
    return f"src/mod{files - 1}.py"


def timed(cmd, data, cwd):
    t = time.perf_counter()
    proc = subprocess.run(cmd, input=data, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.perf_counter() - t, proc.returncode


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--runs", type=int, default=40)
    ap.add_argument("--root", default=os.path.join(PROJECT, "dist", "root"))
    args = ap.parse_args()
    guard = os.path.join(os.path.abspath(args.root), "bin", "halberk")
    tmp = tempfile.mkdtemp(prefix="guard_bench_")
    try:
        typical, wide = os.path.join(tmp, "typical"), os.path.join(tmp, "wide")
        last = write_graph(typical, 400, 10000)
        last_wide = write_graph(wide, 10000, 10000)
        env = {k: v for k, v in os.environ.items() if k not in ("KESTIL_HALBERK", "KESTIL_DATA_DIR")}
        rows = [
            ("python3 -c pass", [sys.executable, "-c", "pass"], b"", typical, None),
            ("harmless event", [guard], json.dumps({"tool_name": "Read", "tool_input": {"file_path": last}}).encode(),
             typical, 0),
            ("soft event, 10,000 actions", [guard],
             json.dumps({"tool_name": "Write", "tool_input": {"file_path": last}}).encode(), typical, 1),
            ("hard event, 10,000 actions", [guard],
             json.dumps({"tool_name": "Bash", "tool_input": {"command": f"rm -rf {last}"}}).encode(), typical, 2),
            ("hard event, 10,000 files", [guard],
             json.dumps({"tool_name": "Bash", "tool_input": {"command": f"rm -rf {last_wide}"}}).encode(), wide, None),
        ]
        times = {name: [] for name, *_ in rows}
        for _ in range(args.runs):
            for name, cmd, data, cwd, want in rows:
                t, rc = timed(cmd, data, cwd)
                if want is not None and rc != want:
                    sys.exit(f"{name}: status {rc}, expected {want}")
                times[name].append(t)
        base = statistics.median(times["python3 -c pass"])
        print(f"{'row':32} {'median ms':>10} {'ratio':>7}")
        for name, *_ in rows:
            m = statistics.median(times[name])
            print(f"{name:32} {m * 1000:10.1f} {m / base:7.2f}")
    finally:
        shutil.rmtree(tmp)


if __name__ == "__main__":
    main()
