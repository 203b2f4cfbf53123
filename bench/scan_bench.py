#!/usr/bin/env python3
"""Scan benchmark: builds a mixed corpus, runs the vorlane command on it several times and
prints files/s, MB/s and peak memory (medians), beside `ctags -R` on the same tree.

    python3 bench/scan_bench.py [--runs 5] [--root dist/root] [--keep DIR] [--threads N]

The corpus holds the host's standard-library sources, this project's own tree, and generated
files of every scanned language, large and adversarial ones up to the 300000-byte limit. Only
files that the scan reads go into it (scanned suffixes, at most the size limit, outside the
folders the walk prunes), so both tools see the same files.

Rows: the command with its default thread count, with one thread (VORLANE_THREADS=1), a second
run that takes over the unchanged files of the first, and ctags. Then every large and
adversarial file is scanned alone, in process; those over 100 ms are marked.
"""
import argparse
import os
import random
import shutil
import statistics
import subprocess
import sys
import sysconfig
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PROJECT = os.path.dirname(HERE)
LIMIT = 300000

SKIP_DIRS = {".git", ".beads", ".beads-hooks", "node_modules", "vendor", "dist", ".next", ".idea", ".vscode",
             "__pycache__", "venv", ".venv", ".nimbrel", "Intermediate", "Binaries", "DerivedDataCache", "Saved",
             "build"}
SINGLE_LIMIT_MS = 100.0

SCANNED = {".go", ".py", ".js", ".jsx", ".ts", ".tsx", ".swift", ".rs", ".java", ".cs", ".rb", ".php",
           ".kt", ".kts", ".scala", ".c", ".cpp", ".h", ".hpp", ".json", ".yaml", ".yml", ".md", ".xaml"}

SAMPLES = {
    ".ts": "export async function handle{n}(req: Request) {{\n  const x = await fetch('/api/v{n}/items');\n"
           "  return x;\n}}\nexport interface Item{n} {{ id: number }}\nimport {{ a{n} }} from './lib/a{n}';\n",
    ".tsx": "export default function Page{n}() {{\n  return <div className=\"p{n}\">{{useThing{n}()}}</div>;\n}}\n",
    ".js": "const m{n} = require('./mod{n}');\nfunction run{n}(a, b) {{\n  if (a) {{ return b; }}\n}}\n",
    ".py": "import os\nfrom .models import User{n}\n\n@app.get('/items/{n}')\ndef get_item_{n}(x):\n"
           "    \"\"\"Return item {n}.\"\"\"\n    return x\n\nclass Model{n}:\n    pass\n",
    ".rs": "use std::io;\npub fn parse_{n}(s: &str) -> usize {{\n    s.len()\n}}\npub struct Thing{n} {{ a: u8 }}\n",
    ".java": "import java.util.List;\npublic class Service{n} {{\n    public List<String> find{n}(int id) {{\n"
             "        return null;\n    }}\n}}\n",
    ".cs": "using System.Text;\npublic class Ctl{n} {{\n    public async Task<int> Get{n}(int id) {{ return id; }}\n}}\n",
    ".rb": "require 'json'\nclass Store{n}\n  def fetch_{n}(id)\n    id\n  end\nend\n",
    ".php": "<?php\nuse App\\Models\\User{n};\nclass Repo{n} {{\n    public function find{n}($id) {{ return $id; }}\n}}\n",
    ".c": "#include \"util{n}.h\"\nint compute_{n}(int a, int b) {{\n    return a + b;\n}}\n",
    ".cpp": "#include \"core/x{n}.hpp\"\nnamespace ns{n} {{\nclass Widget{n} {{ public: void draw(); }};\n"
            "void Widget{n}::draw() {{\n}}\n}}\n",
    ".go": "package main\nimport \"fmt\"\nfunc Serve{n}() {{ fmt.Println(\"{n}\") }}\n",
    ".md": "# Notes {n}\nSee src/app/main{n}.py and docs/guide{n}.md.\n",
    ".json": "{{\"name\": \"pkg{n}\", \"main\": \"lib/index{n}.js\"}}\n",
}


def adversarial():
    """Texts that make naive backtracking patterns slow, each up to the size limit."""
    rnd = random.Random(7)
    letters = "".join(rnd.choice("abcdefghij") for _ in range(LIMIT))
    yield "blanks.java", " " * (LIMIT - 20) + "class Foo {}"
    yield "blanks.cs", " " * (LIMIT - 30) + "public class Foo {}"
    yield "tokens.js", letters
    yield "slashes.ts", "".join(rnd.choice("ab/") for _ in range(LIMIT))
    yield "braces.ts", "{" * (LIMIT // 2) + "}" * (LIMIT // 2)
    yield "lines.py", "\n" * LIMIT
    yield "tabs.c", "\t \n" * (LIMIT // 3)
    yield "mixed.kt", ("public " * (LIMIT // 7))[:LIMIT]
    yield "php_blanks.php", " " * (LIMIT - 20) + "function foo() {}"
    yield "cpp_words.cpp", ("int x " * (LIMIT // 6))[:LIMIT]


def copy_scanned(src, dest):
    """Copies the files under `src` that the scan reads, keeping their folders."""
    for d, dirs, names in os.walk(src):
        dirs[:] = [x for x in dirs if x not in SKIP_DIRS]
        for n in names:
            p = os.path.join(d, n)
            if (os.path.splitext(n)[1].lower() in SCANNED and os.path.isfile(p) and not os.path.islink(p)
                    and os.path.getsize(p) <= LIMIT):
                q = os.path.join(dest, os.path.relpath(p, src))
                os.makedirs(os.path.dirname(q), exist_ok=True)
                shutil.copyfile(p, q)


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write(text)


def large_text(sample):
    """The sample repeated with growing numbers up to just under the size limit."""
    big, size, k = [], 0, 0
    while True:
        piece = sample.format(n=k)
        if size + len(piece.encode()) > LIMIT:
            return "".join(big)
        big.append(piece)
        size += len(piece.encode())
        k += 1


def build_corpus(dest):
    stdlib = sysconfig.get_paths()["stdlib"]
    copy_scanned(stdlib, os.path.join(dest, "stdlib"))
    for top in ("core", "graph", "host", "tests", "bench", "scripts"):
        src = os.path.join(PROJECT, top)
        if os.path.isdir(src):
            copy_scanned(src, os.path.join(dest, "project", top))
    gen = os.path.join(dest, "generated")
    for ext, sample in SAMPLES.items():
        d = os.path.join(gen, ext[1:])
        for i in range(40):
            write(os.path.join(d, f"f{i}{ext}"), "".join(sample.format(n=i * 1000 + k) for k in range(30)))
        write(os.path.join(d, f"large{ext}"), large_text(sample))
    for name, text in adversarial():
        write(os.path.join(gen, "adversarial", name), text)


def hostile():
    """More texts for the one-file timings: each suffix with the runs that strain its patterns."""
    exts = [".ts", ".js", ".py", ".rs", ".java", ".kt", ".cs", ".rb", ".php", ".c", ".cpp", ".h", ".go", ".md",
            ".json", ".xaml", ".swift"]
    runs = {
        "blanks": lambda: " " * (LIMIT - 40) + "\nclass Foo { void f() {} }\n",
        "indent": lambda: ("\n" + " " * 99) * (LIMIT // 100),
        "letters": lambda: "x" * LIMIT,
        "braces": lambda: "{" * (LIMIT // 2) + "}" * (LIMIT // 2),
        "parens": lambda: "(" * (LIMIT // 2) + ")" * (LIMIT // 2),
        "quotes": lambda: "'\"" * (LIMIT // 2),
        "import": lambda: ("import " * (LIMIT // 7))[:LIMIT],
        "from": lambda: ("from a import " * (LIMIT // 14))[:LIMIT],
        "words": lambda: ("public static int f " * (LIMIT // 20))[:LIMIT],
        "decl": lambda: ("def f(\n" * (LIMIT // 7))[:LIMIT],
        "slashes": lambda: ("a/" * (LIMIT // 2))[:LIMIT],
        "comment": lambda: "/**" + " " * (LIMIT - 3),
    }
    for ext in exts:
        for kind, make in runs.items():
            yield f"{kind}{ext}", make()


def corpus_size(root):
    files = size = 0
    for d, dirs, names in os.walk(root):
        for n in names:
            if os.path.splitext(n)[1].lower() in SCANNED:
                p = os.path.join(d, n)
                s = os.path.getsize(p)
                if s <= LIMIT:
                    files += 1
                    size += s
    return files, size


def timed(cmd, cwd, env=None):
    with tempfile.TemporaryFile() as err:
        start = time.perf_counter()
        proc = subprocess.Popen(cmd, cwd=cwd, stdout=subprocess.DEVNULL, stderr=err, env=env)
        _, status, usage = os.wait4(proc.pid, 0)
        elapsed = time.perf_counter() - start
        proc.returncode = os.waitstatus_to_exitcode(status)
        if proc.returncode != 0:
            err.seek(0)
            sys.exit(f"command failed: {' '.join(cmd)}\n{err.read().decode(errors='replace')}")
    return elapsed, usage.ru_maxrss / 1024.0


def per_file_times(install_root, files):
    """Scans each file alone, in process, and returns (best seconds of 3, name) rows, slowest first."""
    for q in (os.path.join(install_root, "src"), install_root):
        if q not in sys.path:
            sys.path.insert(0, q)
    from tarvelle import vorlane
    rows = []
    for path, name in files:
        with tempfile.TemporaryDirectory() as one:
            shutil.copy(path, one)
            best = float("inf")
            for _ in range(3):
                start = time.perf_counter()
                vorlane.scan(one)
                best = min(best, time.perf_counter() - start)
        rows.append((best, name))
    return sorted(rows, reverse=True)


def single_files(corpus, work):
    """The corpus's large and adversarial files, and the extra hostile texts."""
    gen = os.path.join(corpus, "generated")
    out = []
    for d, _, names in os.walk(gen):
        for n in names:
            if n.startswith("large") or os.path.basename(d) == "adversarial":
                out.append((os.path.join(d, n), os.path.relpath(os.path.join(d, n), gen)))
    extra = os.path.join(work, "hostile")
    for name, text in hostile():
        path = os.path.join(extra, name)
        if not os.path.exists(path):
            write(path, text)
        out.append((path, "hostile/" + name))
    return out


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--root", default=os.path.join(PROJECT, "dist", "root"), help="install root")
    ap.add_argument("--keep", help="build the corpus in this folder and keep it")
    ap.add_argument("--threads", help="VORLANE_THREADS for the default row (default: the hardware's count)")
    ap.add_argument("--no-single", action="store_true", help="skip the one-file timings")
    args = ap.parse_args()

    root = os.path.abspath(args.root)
    vorlane = os.path.join(root, "bin", "vorlane")
    if not os.path.exists(vorlane):
        sys.exit(f"no command at {vorlane}: build and install first (scripts/setup.sh)")
    if not shutil.which("ctags"):
        sys.exit("ctags not found (scripts/setup.sh installs universal-ctags)")
    work = os.path.abspath(args.keep) if args.keep else tempfile.mkdtemp(prefix="scan-bench-")
    corpus = os.path.join(work, "corpus")
    if not os.path.isdir(corpus):
        build_corpus(corpus)
    files, size = corpus_size(corpus)
    print(f"corpus: {files} files, {size / 1e6:.1f} MB in {corpus}; {os.cpu_count()} processors")

    out = os.path.join(work, "out", "g.json")
    vorlane_cmd = [vorlane, "--root", corpus, "--out", out]
    default_env = dict(os.environ)
    default_env.pop("VORLANE_THREADS", None)
    if args.threads:
        default_env["VORLANE_THREADS"] = args.threads
    rows = {}
    plans = (("vorlane", vorlane_cmd, default_env, True),
             ("vorlane, 1 thread", vorlane_cmd, dict(default_env, VORLANE_THREADS="1"), True),
             ("vorlane, reuse", vorlane_cmd, default_env, False),
             ("ctags -R", ["ctags", "-R", "-f", os.path.join(work, "tags"), corpus], None, False))
    for label, cmd, env, fresh in plans:
        times, mems = [], []
        for _ in range(args.runs):
            if fresh:  # no previous graph: a full scan
                shutil.rmtree(os.path.dirname(out), ignore_errors=True)
            t, m = timed(cmd, work, env)
            times.append(t)
            mems.append(m)
        t, m = statistics.median(times), statistics.median(mems)
        rows[label] = t
        print(f"{label:18s} median {t:7.3f} s  {files / t:9.0f} files/s  {size / 1e6 / t:7.1f} MB/s  "
              f"peak {m:7.1f} MiB")
    ctags = rows["ctags -R"]
    print(f"ratio ctags/vorlane time: {ctags / rows['vorlane']:.2f} (above 1: vorlane is faster); "
          f"one thread: {ctags / rows['vorlane, 1 thread']:.2f}")

    if not args.no_single:
        slow = per_file_times(root, single_files(corpus, work))
        over = [r for r in slow if r[0] * 1000 > SINGLE_LIMIT_MS]
        print(f"single files: {len(slow)} scanned alone (best of 3), {len(over)} over {SINGLE_LIMIT_MS:.0f} ms; "
              "the slowest:")
        for t, name in (over or slow[:5])[:max(5, len(over))]:
            print(f"  {t * 1000:8.1f} ms  {name}{'  OVER' if t * 1000 > SINGLE_LIMIT_MS else ''}")
    if not args.keep:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
