#!/usr/bin/env python3
"""Scan benchmark on real source trees, one per language, against ctags on the same files.

    python3 bench/scan_bench.py [--runs 3] [--root dist/root] [--cache dist/bench-trees]
                                [--only c,go] [--single-min-kb 20] [--no-single] [--hashes]

Trees (fetched once into the cache with the ordinary package clients, then reused):
  python      the host's standard library
  ruby        Ruby's library (Debian package libruby3.1)
  go          parts of Go's standard library (golang-1.19-src)
  rust        core, alloc and std (rust-src)
  c           parts of the kernel (linux-source-6.1)
  java        java.base of the JDK (openjdk-17-source)
  typescript  rxjs's sources (npm package rxjs)
  javascript  lodash-es (npm package lodash-es)

For each tree: the files the builder scans (its own walk, at most 300000 bytes each) are handed
to `ctags -L` as they are; the command runs on the tree with one thread (VORLANE_THREADS=1) and
with all threads, each from a fresh output folder. Times are the best of --runs. The ratios are
ctags' time over the command's (above 1: the command is faster); the targets are 1.5 on one
thread and 5 with all threads. Then every file of at least --single-min-kb is scanned alone, in
process, on one thread (best of 2), with generated hostile texts of every suffix (runs of
blanks, letters, braces, keywords up to the size limit), and the files over 50 ms are listed. --hashes prints the
sha256 of each tree's graph and symbol index (one thread and all threads must agree).
"""
import argparse
import glob
import hashlib
import os
import shutil
import subprocess
import sys
import sysconfig
import tarfile
import tempfile
import time
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
PROJECT = os.path.dirname(HERE)
LIMIT = 300000
SINGLE_LIMIT_MS = 50.0
TARGET_ONE, TARGET_ALL = 1.5, 5.0


def run(cmd, cwd=None):
    subprocess.run(cmd, cwd=cwd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def deb_tree(cache, package):
    """The unpacked Debian package (downloaded with apt-get download)."""
    dest = os.path.join(cache, "deb", package)
    if not os.path.isdir(dest):
        os.makedirs(os.path.join(cache, "debs"), exist_ok=True)
        debs = os.path.join(cache, "debs")
        if not glob.glob(os.path.join(debs, f"{package}_*.deb")):
            run(["apt-get", "download", package], cwd=debs)
        deb = glob.glob(os.path.join(debs, f"{package}_*.deb"))[0]
        tmp = dest + ".part"
        shutil.rmtree(tmp, ignore_errors=True)
        os.makedirs(tmp)
        run(["dpkg-deb", "-x", deb, tmp])
        os.rename(tmp, dest)
    return dest


def npm_tree(cache, package):
    """The unpacked npm package (downloaded with npm pack)."""
    dest = os.path.join(cache, "npm", package)
    if not os.path.isdir(dest):
        os.makedirs(os.path.join(cache, "tgz"), exist_ok=True)
        tgz_dir = os.path.join(cache, "tgz")
        found = glob.glob(os.path.join(tgz_dir, f"{package}-*.tgz"))
        if not found:
            run(["npm", "pack", package, "--silent"], cwd=tgz_dir)
            found = glob.glob(os.path.join(tgz_dir, f"{package}-*.tgz"))
        tmp = dest + ".part"
        shutil.rmtree(tmp, ignore_errors=True)
        os.makedirs(tmp)
        with tarfile.open(found[0]) as t:
            t.extractall(tmp)
        os.rename(tmp, dest)
    return os.path.join(dest, "package")


def copy_parts(src, parts, dest):
    for p in parts:
        s = os.path.join(src, p)
        if os.path.isdir(s):
            shutil.copytree(s, os.path.join(dest, p), symlinks=True)


def make_python(cache, dest):
    shutil.copytree(sysconfig.get_paths()["stdlib"], dest, symlinks=True,
                    ignore=shutil.ignore_patterns("site-packages", "__pycache__"))


def make_ruby(cache, dest):
    src = glob.glob(os.path.join(deb_tree(cache, "libruby3.1"), "usr/lib/ruby/3.*"))[0]
    shutil.copytree(src, dest, symlinks=True)


def make_go(cache, dest):
    src = glob.glob(os.path.join(deb_tree(cache, "golang-1.19-src"), "usr/share/go-*/src"))[0]
    copy_parts(src, ["runtime", "net", "go", "crypto", "encoding", "internal"], dest)


def make_rust(cache, dest):
    src = glob.glob(os.path.join(deb_tree(cache, "rust-src"), "usr/src/rustc-*/library"))[0]
    copy_parts(src, ["core", "alloc", "std"], dest)


def make_c(cache, dest):
    tar = glob.glob(os.path.join(deb_tree(cache, "linux-source-6.1"), "usr/src/linux-source-*.tar.xz"))[0]
    top = os.path.basename(tar)[:-len(".tar.xz")]
    parts = ["kernel", "mm", "lib", "net/ipv4", "fs/ext4", "fs/btrfs"]
    tmp = dest + ".x"
    os.makedirs(tmp)
    run(["tar", "-xJf", tar, "-C", tmp] + [f"{top}/{p}" for p in parts])
    os.rename(os.path.join(tmp, top), dest)
    shutil.rmtree(tmp)


def make_java(cache, dest):
    src_zip = glob.glob(os.path.join(deb_tree(cache, "openjdk-17-source"), "usr/lib/jvm/*/lib/src.zip"))[0]
    with zipfile.ZipFile(src_zip) as z:
        z.extractall(dest, [n for n in z.namelist() if n.startswith("java.base/")])


def make_typescript(cache, dest):
    shutil.copytree(os.path.join(npm_tree(cache, "rxjs"), "src"), dest, symlinks=True)


def make_javascript(cache, dest):
    shutil.copytree(npm_tree(cache, "lodash-es"), dest, symlinks=True)


TREES = [("python", make_python), ("ruby", make_ruby), ("go", make_go), ("rust", make_rust), ("c", make_c),
         ("java", make_java), ("typescript", make_typescript), ("javascript", make_javascript)]


def tree(cache, name, make):
    dest = os.path.join(cache, "trees", name)
    if not os.path.isdir(dest):
        tmp = dest + ".part"
        shutil.rmtree(tmp, ignore_errors=True)
        os.makedirs(os.path.dirname(tmp), exist_ok=True)
        make(cache, tmp)
        os.rename(tmp, dest)
    return dest


def best_time(cmd, env, runs, before=None):
    best = float("inf")
    for _ in range(runs):
        if before:
            before()
        start = time.perf_counter()
        r = subprocess.run(cmd, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        elapsed = time.perf_counter() - start
        if r.returncode != 0:
            sys.exit(f"command failed: {' '.join(cmd)}\n{r.stderr}")
        best = min(best, elapsed)
    return best, r.stdout


def sha(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def hostile():
    """Texts up to the size limit with the runs that strain the patterns, for each suffix."""
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
        "generics": lambda: ("public static <T" * (LIMIT // 16))[:LIMIT],
    }
    for ext in exts:
        for kind, make in runs.items():
            yield f"{kind}{ext}", make()


def single_file_times(vorlane, files, min_bytes):
    """Each file of at least min_bytes scanned alone in process on one thread (best of 2)."""
    os.environ["VORLANE_THREADS"] = "1"
    rows = []
    with tempfile.TemporaryDirectory() as one:
        for path in files:
            if os.path.getsize(path) < min_bytes:
                continue
            for old in os.listdir(one):
                os.unlink(os.path.join(one, old))
            shutil.copy(path, os.path.join(one, "f" + os.path.splitext(path)[1]))
            best = float("inf")
            for _ in range(2):
                start = time.perf_counter()
                vorlane.scan(one)
                best = min(best, time.perf_counter() - start)
            rows.append((best, path))
    os.environ.pop("VORLANE_THREADS", None)
    return sorted(rows, reverse=True)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--root", default=os.path.join(PROJECT, "dist", "root"), help="install root")
    ap.add_argument("--cache", default=os.path.join(PROJECT, "dist", "bench-trees"))
    ap.add_argument("--only", help="comma-separated tree names")
    ap.add_argument("--single-min-kb", type=float, default=20.0)
    ap.add_argument("--no-single", action="store_true")
    ap.add_argument("--hashes", action="store_true")
    args = ap.parse_args()

    root = os.path.abspath(args.root)
    command = os.path.join(root, "bin", "vorlane")
    if not os.path.exists(command):
        sys.exit(f"no command at {command}: build and install first (scripts/setup.sh)")
    if not shutil.which("ctags"):
        sys.exit("ctags not found (scripts/setup.sh installs universal-ctags)")
    for q in (os.path.join(root, "src"), root):
        if q not in sys.path:
            sys.path.insert(0, q)
    from tarvelle import vorlane

    wanted = set(args.only.split(",")) if args.only else None
    work = tempfile.mkdtemp(prefix="scan-bench-")
    out_dir = os.path.join(work, "out")
    clear = lambda: shutil.rmtree(out_dir, ignore_errors=True)  # noqa: E731
    one_env = dict(os.environ, VORLANE_THREADS="1")
    all_env = dict(os.environ)
    all_env.pop("VORLANE_THREADS", None)
    print(f"{os.cpu_count()} processors; best of {args.runs} runs; ctags on the files the builder scans (-L)")
    header = (f"{'tree':11s} {'files':>6s} {'MB':>6s} {'symbols':>8s} {'tags':>8s} {'ctags s':>8s} {'1 thr s':>8s} "
              f"{'all s':>7s} {'ctags/1':>8s} {'ctags/all':>9s} {'us/sym 1':>9s}")
    rows, slow_all, hashes = [], [], []
    for name, make in TREES:
        if wanted and name not in wanted:
            continue
        try:
            path = tree(os.path.abspath(args.cache), name, make)
        except (subprocess.CalledProcessError, OSError, IndexError) as e:
            print(f"{name}: tree not available ({e})")
            continue
        listed = [str(p) for p in vorlane.walk_files(path)]
        files = [p for p in listed if os.path.getsize(p) <= LIMIT]
        size = sum(os.path.getsize(p) for p in files)
        list_file = os.path.join(work, f"{name}.files")
        with open(list_file, "w", encoding="utf-8", errors="surrogateescape") as f:
            f.write("".join(p + "\n" for p in files))
        tags = os.path.join(work, "tags")
        t_ctags, _ = best_time(["ctags", "-f", tags, "-L", list_file], None, args.runs)
        with open(tags, "rb") as f:
            tag_count = sum(1 for line in f if not line.startswith(b"!_"))
        graph = os.path.join(out_dir, "g.json")
        cmd = [command, "--root", path, "--out", graph]
        t_one, report = best_time(cmd, one_env, args.runs, clear)
        one_hash = (sha(graph), sha(os.path.join(out_dir, "symbol_index.json")))
        t_all, _ = best_time(cmd, all_env, args.runs, clear)
        all_hash = (sha(graph), sha(os.path.join(out_dir, "symbol_index.json")))
        symbols = int(report.split(" symbols")[0].rsplit(" ", 1)[1])
        rows.append((name, len(files), size / 1e6, symbols, tag_count, t_ctags, t_one, t_all))
        hashes.append((name, one_hash, all_hash))
        if not args.no_single:
            slow = single_file_times(vorlane, files, args.single_min_kb * 1000)
            slow_all += [(t, name, os.path.relpath(p, path), os.path.getsize(p)) for t, p in slow]
        print(f"  {name}: done", file=sys.stderr)
    if not args.no_single and not wanted:
        hostile_dir = os.path.join(work, "hostile")
        os.makedirs(hostile_dir)
        paths = []
        for file_name, text in hostile():
            paths.append(os.path.join(hostile_dir, file_name))
            with open(paths[-1], "w", encoding="utf-8", newline="") as f:
                f.write(text)
        slow = single_file_times(vorlane, paths, 0)
        slow_all += [(t, "hostile", os.path.basename(p), os.path.getsize(p)) for t, p in slow]

    print(header)
    for name, n, mb, symbols, tag_count, t_ctags, t_one, t_all in rows:
        r1, ra = t_ctags / t_one, t_ctags / t_all
        us = t_one / symbols * 1e6 if symbols else float("nan")
        print(f"{name:11s} {n:6d} {mb:6.1f} {symbols:8d} {tag_count:8d} {t_ctags:8.3f} {t_one:8.3f} {t_all:7.3f} "
              f"{r1:7.2f}{'*' if r1 < TARGET_ONE else ' '} {ra:8.2f}{'*' if ra < TARGET_ALL else ' '} {us:9.2f}")
    print(f"(* below the target: {TARGET_ONE} on one thread, {TARGET_ALL} with all threads)")
    if not args.no_single:
        over = [r for r in slow_all if r[0] * 1000 > SINGLE_LIMIT_MS]
        print(f"single files of at least {args.single_min_kb:.0f} kB scanned alone on one thread: {len(slow_all)}, "
              f"{len(over)} over {SINGLE_LIMIT_MS:.0f} ms; the slowest:")
        for t, name, rel, size in sorted(slow_all, reverse=True)[:max(5, len(over))]:
            print(f"  {t * 1000:8.1f} ms  {size:7d} B  {name}/{rel}{'  OVER' if t * 1000 > SINGLE_LIMIT_MS else ''}")
    if args.hashes:
        for name, one_hash, all_hash in hashes:
            same = "same" if one_hash == all_hash else "DIFFER"
            print(f"{name:11s} graph {one_hash[0]}  index {one_hash[1]}  (all threads: {same})")
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
