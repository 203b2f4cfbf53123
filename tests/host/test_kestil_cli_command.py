"""The installed kestil command, run in a private copy of the install tree, so that the
module data directory beside the copied module is the test's own."""
import json
import os
import pathlib
import re
import shutil
import stat
import subprocess
import sys
import tempfile
import unittest

import tests.host.support as support

PROJECT = {
    "src/auth/login.ts": "import { hashPassword } from './hash';\n\nexport function login(user: string) {\n"
                         "  return hashPassword(user);\n}\n",
    "src/auth/hash.ts": "export function hashPassword(p: string) {\n  return p + 'salt';\n}\n",
    "src/cart/checkout.py": "import payments\n\n\ndef checkout(cart):\n    return payments.charge(cart)\n",
    "src/cart/payments.py": "def charge(cart):\n    return sum(cart)\n",
    "docs/readme.md": "# Shop\nLogin and checkout. Caf\u00e9 notes.\n",
}

SUBCOMMANDS = [
    ("scan", "Scan project and build info graph"),
    ("retrieve", "Retrieve relevant files/edges for a query"),
    ("prime", "Output compact context for Claude hooks"),
    ("action", "Action graph operations"),
    ("stats", "Token usage stats"),
]

TIMESTAMP = r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d(\.\d{6})?\+00:00"


def retrieve_text(query, files, edges):
    lines = [f"Query: {query}", "", "Relevant files:"]
    lines += [f"- {f.get('id')}" for f in files]
    lines += ["", "Relevant relations:"]
    lines += [f"- {e.get('from')} --{e.get('rel')}--> {e.get('to')}" for e in edges]
    return "\n".join(lines) + "\n"


def prime_text(query, files, edges, actions):
    lines = ["# Nimbrel Active\n", "## Rules", "- Prefer focused context over full transcript dumps.",
             "- Use graph-backed files/edges for impact analysis.",
             "- Preserve existing behavior unless request says otherwise.\n", "## Current Focus",
             f"- Query: {query}\n", f"## Relevant Files (Top {len(files)})"]
    lines += [f"- {f.get('id')}" for f in files]
    lines += ["", f"## Relevant Relations (Top {len(edges)})"]
    lines += [f"- {e.get('from')} --{e.get('rel')}--> {e.get('to')}" for e in edges]
    lines += ["", f"## Action Trail (Recent {len(actions)})"]
    if not actions:
        lines.append("- (no actions recorded yet)")
    lines += [f"- [{a.get('kind', 'unknown')}] {a.get('summary', '')}" for a in actions]
    return "\n".join(lines) + "\n"


_TREE = {}


def setUpModule():
    # One copy for every test here: the launcher, the module and the builder it binds.
    tmp = tempfile.TemporaryDirectory()
    base = pathlib.Path(tmp.name).resolve()
    root = base / "root"
    (root / "bin").mkdir(parents=True)
    (root / "src" / "tarvelle").mkdir(parents=True)
    shutil.copy2(os.path.join(support.BIN, "kestil"), root / "bin" / "kestil")
    for so in pathlib.Path(support.SRC, "tarvelle").iterdir():
        if so.name.startswith(("kestil.", "vorlane.")):
            shutil.copy2(so, root / "src" / "tarvelle" / so.name)
    project = base / "project"
    for rel, text in PROJECT.items():
        p = project / rel
        p.parent.mkdir(parents=True, exist_ok=True)
        p.write_text(text, encoding="utf-8")
    _TREE.update(tmp=tmp, base=base, root=root, project=project)


def tearDownModule():
    _TREE["tmp"].cleanup()


class KestilCase(unittest.TestCase):
    """A copy of the installed command and module without a data directory, and a small
    project."""

    def setUp(self):
        self.tmp, self.root, self.project = _TREE["base"], _TREE["root"], _TREE["project"]
        self.data = self.root / "src" / "tarvelle" / "data"
        shutil.rmtree(self.data, ignore_errors=True)
        self.env = {k: v for k, v in os.environ.items()
                    if k not in ("KESTIL_QUERY", "KESTIL_CAPABILITY_INDEX", "PYTHONPATH")}
        self.env["NIMBREL_PROJECT_ROOT"] = str(self.project)

    def kestil(self, *args, **env):
        run_env = dict(self.env, **env)
        return subprocess.run([str(self.root / "bin" / "kestil"), *args], env=run_env, cwd=self.tmp,
                              capture_output=True, text=True)

    def ok(self, *args, **env):
        r = self.kestil(*args, **env)
        self.assertEqual((r.returncode, r.stderr), (0, ""), r.stderr)
        return r.stdout


class UsageTest(KestilCase):
    def test_usage_errors_end_with_status_2_before_any_handler(self):
        cases = [
            ((), "the following arguments are required: cmd"),
            (("action",), "the following arguments are required: action_cmd"),
            (("action", "log"), "the following arguments are required: --kind"),
            (("retrieve",), "the following arguments are required: --query"),
            (("retrieve", "--query", "x", "--top-files", "many"), "argument --top-files: invalid int value: 'many'"),
            (("retrieve", "--query", "x", "--top", "5"), "ambiguous option: --top could match --top-files, --top-edges"),
            (("prime", "--top", "5"), "ambiguous option: --top could match --top-files, --top-edges"),
            (("--json", "stats"), "unrecognized arguments: --json"),
            (("stats", "extra"), "unrecognized arguments: extra"),
            (("ret", "--query", "x"), "invalid choice: 'ret'"),
            (("prime", "--query", "-x"), "argument --query: expected one argument"),
            (("retrieve", "--query", "x", "--top-files", "bad", "-h"), "invalid int value: 'bad'"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                r = self.kestil(*args)
                self.assertEqual(r.returncode, 2)
                self.assertEqual(r.stdout, "")
                self.assertTrue(r.stderr.startswith("usage: kestil"), r.stderr)
                self.assertRegex(r.stderr, r"\nkestil( \w+)*: error: .*" + re.escape(message))
        self.assertFalse(self.data.exists(), "a handler ran")

    def test_help_at_each_level(self):
        top = self.ok("-h")
        self.assertTrue(top.startswith("usage: kestil"))
        self.assertIn("Nimbrel starter CLI", top)
        for name, text in SUBCOMMANDS:
            self.assertRegex(top, rf"\n +{name} +{re.escape(text)}\n")
        action = self.ok("action", "--help")
        self.assertRegex(action, r"\n +log +Append action event\n")
        log = self.ok("action", "log", "-h")
        for option, text in (("--kind", "Action kind"), ("--summary", "Short action summary"),
                             ("--meta", "JSON object metadata")):
            self.assertRegex(log, rf"{option} \w+ +{text}")
        scan = self.ok("scan", "-h")
        self.assertIn("Project root to scan", scan)
        self.assertIn("Output graph JSON", scan)
        self.assertNotIn(str(self.project), scan)  # defaults are not shown
        self.assertNotIn("Scan project and build info graph", scan)
        prime = self.ok("prime", "-h")
        for option in ("--query", "--top-files", "--top-edges", "--recent-actions"):
            self.assertIn(option, prime)
        # Left to right: help before a bad value wins.
        self.assertIn("--top-edges", self.ok("retrieve", "-h", "--top-files", "bad"))
        self.assertIn("--json", self.ok("stats", "--help"))
        self.assertFalse(self.data.exists())


class ActionLogTest(KestilCase):
    def log_lines(self):
        return (self.data / "action_events.jsonl").read_text(encoding="utf-8").splitlines(keepends=True)

    def test_event_lines_and_what_prime_shows_of_them(self):
        self.assertEqual(self.ok("action", "log", "--kind", "edit"), "ok\n")
        self.assertEqual(self.ok("action", "log", "--kind=read", "--sum", "r\u00e9sum\u00e9 \U0001f600",
                                 "--meta", '{"n": 123456789012345678901234567890, "x": NaN, '
                                           '"nested": {"l": [1, -Infinity, null]}, "f": 1.5}'), "ok\n")
        self.assertEqual(self.ok("action", "log", "--kind", "", "--meta", " {} ", "--kind", "last"), "ok\n")
        lines = self.log_lines()
        self.assertEqual(len(lines), 3)
        self.assertRegex(lines[0], rf'^\{{"timestamp": "{TIMESTAMP}", "kind": "edit", "summary": "", '
                                   r'"meta": \{\}\}\n$')
        self.assertRegex(lines[1], r'"kind": "read", "summary": "r\\u00e9sum\\u00e9 \\ud83d\\ude00", '
                                   r'"meta": \{"n": 123456789012345678901234567890, "x": NaN, '
                                   r'"nested": \{"l": \[1, -Infinity, null\]\}, "f": 1.5\}\}\n$')
        self.assertIn('"kind": "last"', lines[2])
        for line in lines:
            self.assertTrue(line.isascii())
        prime = self.ok("prime", "--top-files", "0", "--top-edges", "0")
        self.assertTrue(prime.endswith("## Action Trail (Recent 3)\n- [edit] \n"
                                       "- [read] r\u00e9sum\u00e9 \U0001f600\n- [last] \n"), prime)

    def test_meta_refusals_append_nothing_but_create_the_data_directory(self):
        cases = [("null", "meta must be a JSON object"), ("[1]", "meta must be a JSON object"),
                 ("3", "meta must be a JSON object"), ('"s"', "meta must be a JSON object"),
                 ("true", "meta must be a JSON object"),
                 ("{bad", "Expecting property name enclosed in double quotes: line 1 column 2 (char 1)"),
                 ("   ", "Expecting value: line 1 column 4 (char 3)"),
                 ("\ufeff{}", "Unexpected UTF-8 BOM (decode using utf-8-sig): line 1 column 1 (char 0)")]
        for meta, reason in cases:
            with self.subTest(meta=meta):
                r = self.kestil("action", "log", "--kind", "edit", "--meta=" + meta)
                self.assertEqual((r.returncode, r.stdout), (2, ""))
                self.assertEqual(r.stderr, "error: invalid --meta JSON: " + reason + "\n")
        self.assertTrue(self.data.is_dir())
        self.assertFalse((self.data / "action_events.jsonl").exists())

    def test_an_append_cut_short_loses_no_later_event(self):
        self.ok("action", "log", "--kind", "first")
        size = (self.data / "action_events.jsonl").stat().st_size
        # A file-size limit a few bytes past the log's end: the append is cut part-way.
        limited = subprocess.run(["bash", "-c", f'ulimit -f 1; exec "$0" "$@"', str(self.root / "bin" / "kestil"),
                                  "action", "log", "--kind", "cut", "--summary", "x" * 2000],
                                 env=self.env, cwd=self.tmp, capture_output=True, text=True)
        self.assertEqual(limited.returncode, 1, limited.stderr)
        self.assertIn("File too large", limited.stderr)
        self.assertGreater((self.data / "action_events.jsonl").stat().st_size, size)
        self.assertEqual(self.ok("action", "log", "--kind", "after", "--summary", "kept"), "ok\n")
        out = self.ok("prime", "--query", "q")
        self.assertTrue(out.endswith("## Action Trail (Recent 2)\n- [first] \n- [after] kept\n"), out)

    def test_recent_actions_slices(self):
        log = self.data / "action_events.jsonl"
        self.data.mkdir(parents=True)
        rows = [json.dumps({"kind": f"k{i}", "summary": f"s{i}"}) for i in range(1, 13)]
        log.write_text("\ufeff" + json.dumps({"kind": "lost"}) + "\n\nnot json\n" + "\n".join(rows) + "\n",
                       encoding="utf-8")
        for limit, first, count in (("8", 5, 8), ("20", 1, 12), ("0", 1, 12), ("-3", 4, 9), ("-12", None, 0)):
            with self.subTest(limit=limit):
                out = self.ok("prime", "--query", "q", "--recent=" + limit)
                trail = out[out.index("## Action Trail"):]
                expected = [f"- [k{i}] s{i}" for i in range(first, 13)] if first else ["- (no actions recorded yet)"]
                self.assertEqual(trail, f"## Action Trail (Recent {count})\n" + "\n".join(expected) + "\n")


class ScanRetrievePrimeTest(KestilCase):
    def test_scan_writes_the_graph_and_reports(self):
        out = self.ok("scan", "--root", str(self.project), "--out", "")
        graph_file = self.data / "info_graph.json"
        text = graph_file.read_text(encoding="ascii")
        graph = json.loads(text)
        self.assertEqual(text, json.dumps(graph, indent=2))  # no line feed after the brace
        self.assertEqual(graph["root"], str(self.project))
        self.assertEqual(out, f"Scanned: {graph['node_count']} nodes, {graph['edge_count']} edges\n"
                              f"Wrote: {graph_file}\n")
        self.assertGreater(graph["node_count"], 5)

    def test_scan_of_a_missing_root_is_an_error_that_writes_nothing(self):
        r = self.kestil("scan", "--root", "no/such/dir", "--out", "elsewhere.json")
        self.assertEqual((r.returncode, r.stdout), (1, ""))
        self.assertEqual(r.stderr, f"Error: cannot scan {self.tmp / 'no/such/dir'}: No such file or directory\n")
        self.assertFalse((self.tmp / "elsewhere.json").exists())

    def test_scan_into_a_missing_directory_fails_after_the_scan(self):
        r = self.kestil("scan", "--out", str(self.tmp / "missing" / "g.json"))
        self.assertEqual((r.returncode, r.stdout), (1, ""))
        self.assertIn("Traceback", r.stderr)
        self.assertIn("No such file or directory", r.stderr)
        self.assertTrue(self.data.is_dir())

    def test_retrieve_text_and_json_agree(self):
        query = "fix login password hashing"
        data = json.loads(self.ok("retrieve", "--query", query, "--json"))
        self.assertEqual(list(data), ["query", "files", "edges"])
        self.assertEqual(data["query"], query)
        ids = [f["id"] for f in data["files"]]
        self.assertIn(os.path.join("src", "auth", "login.ts"), ids)
        self.assertEqual(self.ok("retrieve", "--query", query), retrieve_text(query, data["files"], data["edges"]))
        self.assertTrue((self.data / "info_graph.json").exists())  # built on first use
        small = json.loads(self.ok("retrieve", "--query", query, "--top-f", "1", "--top-e=1", "--json"))
        self.assertEqual((len(small["files"]), len(small["edges"])), (1, min(1, len(data["edges"]))))
        # A negative count reaches retrieve unchecked: no file is chosen, so the files are
        # the graph's nodes as the host's slice gives them, and the edges are scored
        # without any chosen file, as for a count of 0.
        negative = json.loads(self.ok("retrieve", "--query", query, "--top-files", "-3", "--json"))
        nodes = json.loads((self.data / "info_graph.json").read_text(encoding="utf-8"))["nodes"]
        self.assertGreater(len(nodes), 3)
        none = json.loads(self.ok("retrieve", "--query", query, "--top-files", "0", "--json"))
        self.assertEqual(none["files"], [])
        self.assertEqual(negative, {"query": query, "files": nodes[:-3], "edges": none["edges"]})
        self.assertEqual(self.ok("retrieve", "--query", query, "--top-files", "0", "--top-edges", "0"),
                         f"Query: {query}\n\nRelevant files:\n\nRelevant relations:\n")

    def test_prime_block_and_its_query_fallbacks(self):
        default = "General codebase maintenance task"
        for option, env, query in (("checkout payments", None, "checkout payments"),
                                   ("", None, default), ("", "cart from env", "cart from env"), ("", "", "")):
            with self.subTest(option=option, env=env):
                extra = {} if env is None else {"KESTIL_QUERY": env}
                data = json.loads(self.ok("retrieve", "--query", query, "--top-files", "12", "--top-edges", "20",
                                          "--json", **extra))
                self.assertEqual(self.ok("prime", "--query", option, **extra),
                                 prime_text(query, data["files"], data["edges"], []))
        data = json.loads(self.ok("retrieve", "--query", "login", "--top-files", "2", "--top-edges", "1", "--json"))
        self.assertEqual(self.ok("prime", "--query", "login", "--top-files", "2", "--top-edges", "1"),
                         prime_text("login", data["files"], data["edges"], []))


class OutputNodeTest(KestilCase):
    """Outputs and inputs that are no regular files: private nodes in a folder of the test's own."""

    def setUp(self):
        super().setUp()
        tmp = tempfile.TemporaryDirectory()
        self.addCleanup(tmp.cleanup)
        self.dir = pathlib.Path(tmp.name).resolve()

    def scan_to(self, out):
        r = self.kestil("scan", "--root", str(self.project), "--out", str(out))
        self.assertEqual((r.returncode, r.stderr), (0, ""), r.stderr)

    def test_scan_writes_into_a_fifo_or_a_device_in_place(self):
        (self.dir / "to-fifo").symlink_to("fifo")
        for name in ("fifo", "to-fifo"):
            with self.subTest(out=name):
                reader = support.FifoReader(self.dir / "fifo")
                self.scan_to(self.dir / name)
                graph = json.loads(reader.result())
                self.assertGreater(graph["node_count"], 5)
                self.assertTrue(stat.S_ISFIFO(os.stat(self.dir / "fifo").st_mode))
                os.unlink(self.dir / "fifo")
        support.make_device_node(self.dir / "null", 3)
        (self.dir / "to-null").symlink_to("null")
        for name in ("null", "to-null"):
            self.scan_to(self.dir / name)
        st = os.stat(self.dir / "null")
        self.assertTrue(stat.S_ISCHR(st.st_mode))
        self.assertEqual(st.st_rdev, os.makedev(1, 3))
        self.assertTrue((self.dir / "to-null").is_symlink())
        self.assertEqual(sorted(os.listdir(self.dir)), ["null", "to-fifo", "to-null"])  # no temporary file left

    def test_a_capability_index_that_is_no_regular_file_fails_as_a_folder_does(self):
        (self.dir / "folder").mkdir()
        os.mkfifo(self.dir / "fifo")  # no writer: a read would wait for ever
        for name, error in (("folder", "IsADirectoryError: [Errno 21] Is a directory"),
                            ("fifo", "OSError: [Errno 22] Invalid argument")):
            with self.subTest(index=name):
                r = subprocess.run([str(self.root / "bin" / "kestil"), "retrieve", "--query", "login"],
                                   env=dict(self.env, KESTIL_CAPABILITY_INDEX=str(self.dir / name)), cwd=self.tmp,
                                   capture_output=True, text=True, timeout=60)
                self.assertEqual((r.returncode, r.stdout), (1, ""))
                self.assertTrue(r.stderr.startswith("Traceback"), r.stderr)
                self.assertIn(f"{error}: '{self.dir / name}'", r.stderr)


class StatsTest(KestilCase):
    LOG = ("\ufeff" + json.dumps({"mode": "lost", "total_tokens": 1000}) + "\n"
           + json.dumps({"mode": "b", "total_tokens": 10}) + "\n"
           + "not json\n\n   \n"
           + json.dumps({"mode": "a", "total_tokens": 12.9}) + "\n"
           + json.dumps({"mode": "b", "total_tokens": "42", "extra": ["x"]}) + "\n"
           + json.dumps({"total_tokens": True}) + "\n"
           + json.dumps({"mode": "Zero"}) + "\n"
           + json.dumps({"mode": None, "total_tokens": -3.5}) + "\n"
           + '{"mode": "b", "total_tokens": 1, "x": NaN, "big": 123456789012345678901234567890}\n'
           + '{"cut": ')

    def test_text_and_json_forms_over_bad_rows(self):
        self.data.mkdir(parents=True)
        (self.data / "token_usage.jsonl").write_text(self.LOG, encoding="utf-8")
        self.assertEqual(self.ok("stats"),
                         "Events: 7\nTotal tokens: 63\n- None: -3\n- Zero: 0\n- a: 12\n- b: 53\n- unknown: 1\n")
        out = self.ok("stats", "--json")
        data = json.loads(out)
        rows = [json.loads(line) for line in self.LOG.splitlines()[1:] if line.startswith("{\"m") or
                line.startswith("{\"t")]
        self.assertEqual(list(data), ["event_count", "total_tokens", "by_mode", "recent"])
        self.assertEqual(list(data["by_mode"].items()),
                         [("b", 53), ("a", 12), ("unknown", 1), ("Zero", 0), ("None", -3)])
        self.assertEqual(out, json.dumps({"event_count": 7, "total_tokens": 63, "by_mode": data["by_mode"],
                                          "recent": rows}, indent=2) + "\n")
        self.assertIn('"big": 123456789012345678901234567890', out)
        self.assertIn('"x": NaN', out)

    def test_missing_log(self):
        self.assertEqual(self.ok("stats"), "Events: 0\nTotal tokens: 0\n")
        self.assertEqual(self.ok("stats", "--json"),
                         '{\n  "event_count": 0,\n  "total_tokens": 0,\n  "by_mode": {},\n  "recent": []\n}\n')
        self.assertFalse(self.data.exists())

    def test_undecodable_or_uncountable_log_fails_before_printing(self):
        self.data.mkdir(parents=True)
        cases = [(b'{"mode": "a", "total_tokens": 1}\n\xff\n',
                  "UnicodeDecodeError: 'utf-8' codec can't decode byte 0xff in position 33"),
                 # Too wide for the totals: never counted as 0 behind the user's back.
                 (b'{"mode": "a", "total_tokens": 1}\n{"mode": "a", "total_tokens": 1e39}\n', "OverflowError")]
        for log, error in cases:
            with self.subTest(error=error):
                (self.data / "token_usage.jsonl").write_bytes(log)
                for args in (("stats",), ("stats", "--json")):
                    r = self.kestil(*args)
                    self.assertEqual((r.returncode, r.stdout), (1, ""))
                    self.assertIn(error, r.stderr)


class StartUpTest(KestilCase):
    def test_import_prints_creates_and_scans_nothing(self):
        script = ("import sys; sys.path[:0] = [sys.argv[1]]\n"
                  "import tarvelle.kestil as k\n"
                  "assert k.DATA_DIR == k.BASE_DIR / 'data', k.DATA_DIR\n"
                  "names = ['read_action_events', 'cmd_scan', 'cmd_retrieve', 'cmd_prime', 'cmd_action_log',\n"
                  "         'cmd_stats', 'build_parser', 'main']\n"
                  "assert all(callable(getattr(k, n)) for n in names)\n")
        r = subprocess.run([sys.executable, "-c", script, str(self.root / "src")], env=self.env, cwd=self.tmp,
                           capture_output=True, text=True)
        self.assertEqual((r.returncode, r.stdout, r.stderr), (0, "", ""))
        self.assertFalse(self.data.exists())


if __name__ == "__main__":
    unittest.main()
