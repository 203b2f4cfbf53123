#!/usr/bin/env python3
"""The syntax-tree builder's speed, in one run:

1. Extraction against parsing: for TypeScript, JavaScript, Python and Go sources, the raw
   parse of every file (the runtime and grammars alone, through the tree_sitter module),
   then each syntax-tree extractor on the same files (one parse and one walk per call).
   MB/s, and the extractor's cost on top of the parse (target: at most +25%).
2. Scanning against the pattern-based builder: `vorlane_ast.scan` and
   `tarvelle.vorlane.scan` on the same trees, on one thread (VORLANE_THREADS=1) and on all,
   best of --runs. Ratio syntax-tree / pattern-based (target: at most 2).
3. Parses given up: texts on which the TSX grammar parses without end, short and behind
   sound lines up to the size limit, each through `_extract_imports` (one parse, given up
   at its budget, then the patterns): seconds and the process's peak memory so far.

    python3 bench/ast_bench.py [--root dist/root] [--runs 1] [--tree DIR ...]

Trees: the host's standard library (Python), the npm client's own sources when the machine
has them (JavaScript), the tree-sitter packages that the build fetched, and generated
TypeScript and Go trees. Extra trees may be given with --tree.
"""
import argparse
import os
import random
import resource
import shutil
import sys
import sysconfig
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PROJECT = os.path.dirname(HERE)
LIMIT = 300000


def generated_ts(n):
    return (f"import {{ api{n} }} from './api/client{n}';\nimport type {{ Props{n} }} from '../types';\n\n"
            f"export interface State{n} {{\n  id: number;\n  items: Array<string>;\n}}\n\n"
            f"export const useThing{n} = (id: number): State{n} => {{\n  const [s, set] = useState<State{n}>();\n"
            f"  useEffect(() => {{ api{n}.get(`/items/${{id}}`).then(set); }}, [id]);\n  return s!;\n}};\n\n"
            f"export class Store{n} {{\n  private cache = new Map<string, number>();\n"
            f"  get(key: string): number | undefined {{\n    return this.cache.get(key) ?? {n};\n  }}\n"
            f"  async load(url: string) {{\n    const r = await fetch(url);\n    return r.json();\n  }}\n}}\n\n"
            f"export function format{n}(d: Date, opts?: Props{n}): string {{\n"
            f"  if (!d) {{ throw new Error('no date'); }}\n  return d.toISOString() + String(opts);\n}}\n")


def generated_go(n):
    return (f"package svc{n % 17}\n\nimport (\n\t\"context\"\n\t\"fmt\"\n\tlog \"github.com/x/log\"\n)\n\n"
            f"type Config{n} struct {{\n\tName string\n\tPort int\n}}\n\n"
            f"type Store{n} interface {{\n\tGet(ctx context.Context, id int) (string, error)\n}}\n\n"
            f"func NewServer{n}(c Config{n}) *Server{n} {{\n\treturn &Server{n}{{cfg: c}}\n}}\n\n"
            f"type Server{n} struct{{ cfg Config{n} }}\n\n"
            f"func (s *Server{n}) Serve(ctx context.Context) error {{\n"
            f"\tfor i := 0; i < s.cfg.Port; i++ {{\n\t\tif err := ctx.Err(); err != nil {{\n"
            f"\t\t\tlog.Println(err)\n\t\t\treturn fmt.Errorf(\"serve: %w\", err)\n\t\t}}\n\t}}\n\treturn nil\n}}\n")


def make_generated(base):
    rng = random.Random(7)
    for kind, make, ext, files in (("ts", generated_ts, ".ts", 1500), ("go", generated_go, ".go", 1500)):
        root = os.path.join(base, kind)
        for i in range(files):
            d = os.path.join(root, f"pkg{i % 40}", f"sub{i % 7}")
            os.makedirs(d, exist_ok=True)
            reps = rng.choice((1, 2, 4, 8))
            with open(os.path.join(d, f"file{i}{ext}"), "w") as f:
                f.write("".join(make(i * 10 + k) for k in range(reps)))
    return os.path.join(base, "ts"), os.path.join(base, "go")


def files_of(root, exts):
    out = []
    for d, dirs, names in os.walk(root):
        dirs[:] = [x for x in dirs if x != "__pycache__"]
        for n in names:
            p = os.path.join(d, n)
            if os.path.splitext(n)[1] in exts and os.path.isfile(p) and os.path.getsize(p) <= LIMIT:
                out.append(p)
    return out


def read_texts(paths):
    texts = []
    for p in paths:
        with open(p, "rb") as f:
            texts.append(f.read().decode("utf-8", "ignore").replace("\r\n", "\n").replace("\r", "\n"))
    return texts


def best(fn, runs):
    times = []
    for _ in range(runs):
        t = time.perf_counter()
        fn()
        times.append(time.perf_counter() - t)
    return min(times)


def extraction_section(va, corpora, runs):
    print("1. Extraction against parsing (MB/s; overhead = extractor time / parse time - 1)")
    print(f"   {'corpus':<12} {'files':>6} {'MB':>7} {'parse':>8} {'symbols':>8} {'+%':>6} {'imports':>8} {'+%':>6}")
    for name, texts, lang, ext, sym, imp in corpora:
        if not texts:
            continue
        data = [t.encode("utf-8", "ignore") for t in texts]
        mb = sum(len(b) for b in data) / 1e6
        parser = va.Parser(lang)

        def parse_all():
            for b in data:
                parser.parse(b)

        def run(fn):
            if ext is None:
                return lambda: [fn(t, "f") for t in texts]
            return lambda: [fn(t, "f", ext) for t in texts]

        tp = best(parse_all, runs)
        ts = best(run(sym), runs)
        ti = best(run(imp), runs)
        print(f"   {name:<12} {len(texts):>6} {mb:>7.2f} {mb / tp:>8.2f} {mb / ts:>8.2f} {100 * (ts / tp - 1):>+6.0f}"
              f" {mb / ti:>8.2f} {100 * (ti / tp - 1):>+6.0f}")


def scan_section(va, vr, trees, runs):
    print()
    print("2. Scan time (s, best of runs) against the pattern-based builder on the same tree; ratio ast / regex")
    print(f"   {'tree':<24} {'files':>6} {'threads':>7} {'ast':>8} {'regex':>8} {'ratio':>6}")
    for name, root in trees:
        g = va.scan(root)
        for threads in ("1", ""):
            if threads:
                os.environ["VORLANE_THREADS"] = threads
            else:
                os.environ.pop("VORLANE_THREADS", None)
            ta = best(lambda: va.scan(root), runs)
            tr = best(lambda: vr.scan(root), runs)
            label = threads or f"all({os.cpu_count()})"
            print(f"   {name:<24} {g['file_count']:>6} {label:>7} {ta:>8.3f} {tr:>8.3f} {ta / tr:>6.2f}")
    os.environ.pop("VORLANE_THREADS", None)


def given_up_section(va):
    print()
    print("3. Parses given up (s, one run each; peak memory of the process so far)")
    print(f"   {'text':<40} {'bytes':>7} {'s':>7} {'peak MB':>8}")
    cases = [("(x'://']=#", ""), ("function[<n m=>'{'l /*a:1/t;.", "")]
    cases += [("(x'://']=#", "const a = 1;\n" * n) for n in (3000, 22000)]
    for tail, head in cases:
        text = head + tail
        start = time.perf_counter()
        edges = va._extract_imports(text, "f.tsx", ".tsx", ".")
        took = time.perf_counter() - start
        if edges != va._parse_relations_regex("f.tsx", text):
            sys.exit("a parse given up did not take the patterns")
        label = (f"{len(head.splitlines())} sound lines, then " if head else "") + repr(tail)
        peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024
        print(f"   {label:<40} {len(text):>7} {took:>7.2f} {peak:>8.0f}")


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--root", default=os.path.join(PROJECT, "dist", "root"), help="install root")
    ap.add_argument("--runs", type=int, default=1, help="best of this many runs per figure")
    ap.add_argument("--tree", action="append", default=[], help="another tree to scan")
    args = ap.parse_args()
    for p in (args.root, os.path.join(args.root, "src")):
        sys.path.insert(0, p)
    import vorlane_ast as va
    import tarvelle.vorlane as vr
    if not va._AST_AVAILABLE or va._LANG_GO is None:
        sys.exit("the syntax trees are not available in " + args.root)

    stdlib = sysconfig.get_paths()["stdlib"]
    npm = "/usr/lib/node_modules/npm"
    fetched = os.path.join(PROJECT, "dist", "tree-sitter", "src")
    base = tempfile.mkdtemp(prefix="ast_bench_")
    try:
        ts_root, go_root = make_generated(base)
        py_files = files_of(stdlib, {".py"})
        js_files = files_of(npm, {".js"}) if os.path.isdir(npm) else files_of(fetched, {".js"})
        corpora = [
            ("python", read_texts(py_files), va._LANG_PY, None, va.extract_symbols_py_ast, va.extract_imports_py_ast),
            ("javascript", read_texts(js_files), va._LANG_JS, ".js", va.extract_symbols_ts_ast,
             va.extract_imports_ts_ast),
            ("typescript", read_texts(files_of(ts_root, {".ts"})), va._LANG_TS, ".ts", va.extract_symbols_ts_ast,
             va.extract_imports_ts_ast),
            ("go", read_texts(files_of(go_root, {".go"})), va._LANG_GO, None, va.extract_symbols_go_ast,
             va.extract_imports_go_ast),
        ]
        extraction_section(va, corpora, args.runs)
        trees = [("python stdlib", stdlib), ("generated typescript", ts_root), ("generated go", go_root),
                 ("fetched packages", fetched)]
        if os.path.isdir(npm):
            trees.insert(1, ("npm client (js)", npm))
        trees += [(t, t) for t in args.tree]
        scan_section(va, vr, trees, args.runs)
        given_up_section(va)
    finally:
        shutil.rmtree(base, ignore_errors=True)


if __name__ == "__main__":
    main()
