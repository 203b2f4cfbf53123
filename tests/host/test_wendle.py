"""The launcher end to end, in a copy of the install tree (its module data directory,
and so its graph file, is the copy's own): options, failures, the graph bootstrap, and
the hand-over to a fake `claude` that records what it received."""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

from tests.host.support import ROOT

SEPARATOR = "\n\n---\n\nUser question: "
INSTRUCTIONS = ("\n\nInstructions: Answer thoroughly using the pre-loaded context above. Include relevant code "
                "snippets in your response when they help explain the answer. Reference specific file paths and "
                "line numbers. Do not edit any files.")

FAKE_CLAUDE = """#!/bin/sh
printf '%s\\0' "$@" > "$FAKE_CLAUDE_OUT.argv"
cat /proc/$$/environ > "$FAKE_CLAUDE_OUT.env"
echo $$ > "$FAKE_CLAUDE_OUT.pid"
exit ${FAKE_CLAUDE_STATUS:-7}
"""

TMP = None
TREE = None


def setUpModule():
    global TMP, TREE
    TMP = os.path.realpath(tempfile.mkdtemp(prefix="wendle_"))
    TREE = os.path.join(TMP, "root")
    shutil.copytree(ROOT, TREE, copy_function=os.link, ignore=shutil.ignore_patterns("info_graph.json"))


def tearDownModule():
    shutil.rmtree(TMP)


def tree_python(code, tree=None):
    """Runs `code` in a fresh interpreter with the tree's modules importable; its stdout."""
    root = tree or TREE
    prelude = "import sys; sys.path[:0] = [%r, %r]\n" % (root, os.path.join(root, "src"))
    proc = subprocess.run([sys.executable, "-c", prelude + code], capture_output=True, text=True)
    if proc.returncode:
        raise AssertionError(proc.stderr)
    return proc.stdout


def graph_json():
    return tree_python("import tarvelle.kestil as k; print(k.GRAPH_JSON)").strip()


class LauncherCase(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(dir=TMP)
        self.addCleanup(shutil.rmtree, self.dir)
        self.fakebin = os.path.join(self.dir, "fakebin")
        os.makedirs(self.fakebin)
        self.record = os.path.join(self.dir, "rec")
        self.proj = os.path.join(self.dir, "proj")
        os.makedirs(os.path.join(self.proj, "src"))
        with open(os.path.join(self.proj, "src", "scan.py"), "w") as f:
            f.write("def scan_tree(root):\n    '''Walks the tree.'''\n    return root\n")
        self.env = {k: v for k, v in os.environ.items() if k not in ("CLAUDECODE", "CLAUDE_CODE_SESSION")}
        self.env["PATH"] = self.fakebin + os.pathsep + "/usr/bin" + os.pathsep + "/bin"
        self.env["FAKE_CLAUDE_OUT"] = self.record
        self.ensure_graph()

    def ensure_graph(self):
        if not os.path.exists(graph_json()):
            self.launch("--dry-run", "x", "-r", self.proj)

    def fake_claude(self, body=FAKE_CLAUDE):
        path = os.path.join(self.fakebin, "claude")
        with open(path, "w") as f:
            f.write(body)
        os.chmod(path, 0o755)

    def launch(self, *args, env=None, cwd=None):
        e = dict(self.env)
        e.update(env or {})
        proc = subprocess.Popen([os.path.join(TREE, "bin", "wendle-claude"), *args], cwd=cwd or self.proj, env=e,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        out, err = proc.communicate()
        return proc.pid, proc.returncode, out.decode("utf-8"), err.decode("utf-8")

    def recorded(self):
        with open(self.record + ".argv", "rb") as f:
            argv = [a.decode("utf-8") for a in f.read().split(b"\0")[:-1]]
        with open(self.record + ".env", "rb") as f:
            env = dict(item.decode("utf-8").split("=", 1) for item in f.read().split(b"\0") if item)
        with open(self.record + ".pid") as f:
            pid = int(f.read())
        return argv, env, pid


class HandOver(LauncherCase):
    def setUp(self):
        super().setUp()
        self.fake_claude()

    def context(self, *args):
        _, status, out, _ = self.launch("--dry-run", *args)
        self.assertEqual(status, 0)
        self.assertTrue(out.endswith("\n"))
        return out[:-1]

    def test_process_is_replaced_with_the_exact_vector(self):
        pid, status, out, err = self.launch("where", "is", "the", "scan?")
        self.assertEqual((status, out, err), (7, "", ""))
        argv, _, child_pid = self.recorded()
        self.assertEqual(child_pid, pid)
        prompt = self.context("where", "is", "the", "scan?") + SEPARATOR + "where is the scan?" + INSTRUCTIONS
        self.assertEqual(argv, ["-p", prompt, "--model", "claude-sonnet-4-6"])

    def test_optional_switches_in_order(self):
        rows = [((), []), (("--json",), ["--output-format", "json"]),
                (("--no-permissions",), ["--dangerously-skip-permissions"]),
                (("--no-session",), ["--no-session-persistence"]),
                (("--no-session", "--no-perm", "--json", "-m", "opus"),
                 ["--output-format", "json", "--dangerously-skip-permissions", "--no-session-persistence"])]
        for args, tail in rows:
            _, status, _, _ = self.launch("q", *args)
            self.assertEqual(status, 7, args)
            argv, _, _ = self.recorded()
            self.assertEqual(argv[2:4], ["--model", "opus" if "opus" in args else "claude-sonnet-4-6"])
            self.assertEqual(argv[4:], tail, args)

    def test_prompt_text_arrives_unchanged(self):
        words = ['say "hi"', "it's\nmulti-line", "caf\u00e9 \u2192 \U0001f600", "$HOME `x`", "a\\b"]
        _, status, _, _ = self.launch(*words)
        self.assertEqual(status, 7)
        argv, _, _ = self.recorded()
        q = " ".join(words)
        self.assertEqual(argv[1], self.context(*words) + SEPARATOR + q + INSTRUCTIONS)

    def test_environment_without_the_session_markers(self):
        extra = {"CLAUDECODE": "1", "CLAUDE_CODE_SESSION": "abc", "KEEP_ME": "v\u00e9 x", "CLAUDE_OTHER": "y"}
        _, status, _, _ = self.launch("q", env=extra)
        self.assertEqual(status, 7)
        _, env, _ = self.recorded()
        want = dict(self.env, KEEP_ME="v\u00e9 x", CLAUDE_OTHER="y")
        self.assertEqual(env, want)
        self.launch("q")
        self.assertEqual(self.recorded()[1], self.env)

    def test_verbose_lines_in_order(self):
        _, status, _, err = self.launch("-v", "q", "-m", "m1")
        self.assertEqual(status, 7)
        lines = err.splitlines()
        self.assertRegex(lines[0], r"^\[wendle\] Context packed in \d+\.\d\ds \(~\d+ tokens\)$")
        self.assertEqual(lines[1:], ["[wendle] Launching: claude -p ... --model m1"])
        _, status, out, err = self.launch("-v", "--dry-run", "q")
        self.assertEqual(status, 0)
        self.assertEqual(len(err.splitlines()), 1)
        self.assertIn("Context packed in", err)

    def test_prompt_too_long_for_one_argument_is_the_platforms_error(self):
        _, status, _, err = self.launch(*["x" * 99] * 1500)  # each word fits, the prompt does not
        self.assertEqual(status, 1)
        self.assertIn("OSError: [Errno 7] Argument list too long", err)
        self.assertFalse(os.path.exists(self.record + ".pid"))

    def test_script_without_interpreter_line_is_not_run_by_a_shell(self):
        self.fake_claude("echo ran > %s\n" % os.path.join(self.dir, "ran"))
        _, status, _, err = self.launch("q")
        self.assertEqual(status, 1)
        self.assertIn("OSError: [Errno 8] Exec format error", err)
        self.assertFalse(os.path.exists(os.path.join(self.dir, "ran")))


class Failures(LauncherCase):
    def test_empty_and_blank_questions(self):
        usage = 'Usage: wendle-claude [OPTIONS] "your question here"\nRun wendle-claude --help for full options.\n'
        for args in ((), ("  ", "\t"), ("-r", "/nonexistent", "")):
            self.assertEqual(self.launch(*args)[1:], (1, "", usage), args)

    def test_project_root_missing_or_a_file(self):
        for root in ("missing/../also", os.path.join(self.proj, "src", "scan.py")):
            resolved = os.path.realpath(os.path.join(self.proj, root))
            self.assertEqual(self.launch("q", "-r", root)[1:],
                             (1, "", "[wendle] Error: project root does not exist: %s\n" % resolved))

    def test_graph_that_cannot_be_loaded(self):
        path = graph_json()
        with open(path, "rb") as f:
            good = f.read()
        self.addCleanup(lambda: open(path, "wb").write(good))
        with open(path, "w") as f:
            f.write("not json")
        self.assertEqual(self.launch("q", "--dry-run")[1:],
                         (1, "", "[wendle] Error loading graph: Expecting value: line 1 column 1 (char 0)\n"))

    def test_no_agent_on_the_path(self):
        _, status, out, err = self.launch("q", env={"PATH": self.fakebin})
        self.assertEqual((status, out), (1, ""))
        lines = err.splitlines()
        self.assertEqual(len(lines), 2)
        self.assertEqual(lines[0], "[wendle] Error: 'claude' binary not found in PATH.")
        self.assertIn("install", lines[1].lower())

    def test_usage_errors_before_any_work(self):
        for args, message in ((("why", "--json", "is"), "unrecognized arguments: is"),
                              (("--budget", "four", "q"), "argument --budget/-b: invalid int value: 'four'"),
                              (("--no", "q"), "ambiguous option: --no could match --no-permissions, --no-session"),
                              (("--max-files",), "argument --max-files: expected one argument")):
            _, status, out, err = self.launch(*args)
            self.assertEqual((status, out), (2, ""), args)
            self.assertTrue(err.startswith("usage: wendle-claude"), err)
            self.assertIn("wendle-claude: error: " + message, err)
        _, status, out, err = self.launch("--help")
        self.assertEqual((status, err), (0, ""))
        self.assertIn("Pre-injection wrapper: graph retrieval \u2192 packed context \u2192 claude -p", out)

    def test_missing_sibling_stops_the_module_from_loading(self):
        tree = os.path.join(self.dir, "tree")
        shutil.copytree(TREE, tree, copy_function=os.link)
        pkg = os.path.join(tree, "src", "tarvelle")
        for f in os.listdir(pkg):
            if f.startswith("bundrel."):
                os.remove(os.path.join(pkg, f))
        proc = subprocess.run([os.path.join(tree, "bin", "wendle-claude"), "--dry-run", "q"], capture_output=True,
                              text=True, cwd=self.proj)
        self.assertEqual(proc.returncode, 1)
        self.assertIn("No module named 'tarvelle.bundrel'", proc.stderr)
        self.assertNotIn("[wendle]", proc.stderr)


class Bootstrap(LauncherCase):
    def setUp(self):
        super().setUp()
        self.path = graph_json()
        with open(self.path, "rb") as f:
            saved = f.read()
        self.addCleanup(lambda: open(self.path, "wb").write(saved))
        os.remove(self.path)

    def test_first_run_builds_and_the_next_is_silent(self):
        _, status, out, err = self.launch("--dry-run", "scan", "-r", "src/..", env={"PATH": self.fakebin})
        self.assertEqual(status, 0)
        self.assertTrue(out.endswith("\n"))
        lines = err.splitlines()
        self.assertEqual(lines[0], "[wendle] No graph found \u2014 scanning %s ..." % self.proj)
        with open(self.path, encoding="utf-8") as f:
            text = f.read()
        graph = json.loads(text)
        self.assertRegex(lines[1], r"^\[wendle\] Graph built in \d+\.\ds: %d nodes, %d edges$"
                         % (graph["node_count"], graph["edge_count"]))
        self.assertEqual(len(lines), 2)
        self.assertEqual(text, json.dumps(graph, indent=2))
        self.assertEqual(graph["root"], self.proj)
        self.assertEqual(os.listdir(os.path.dirname(self.path)), ["info_graph.json"])
        # The stored graph, whichever root is named: no scan, the file left as it is.
        _, status, out2, err2 = self.launch("--dry-run", "scan", "-r", "/tmp")
        self.assertEqual((status, err2), (0, ""))
        self.assertIn("src/scan.py", out2)
        with open(self.path, encoding="utf-8") as f:
            self.assertEqual(f.read(), text)

    def test_ensure_graph_in_process(self):
        code = ("import pathlib, tarvelle.wendle_claude as w\n"
                "g = w._ensure_graph(pathlib.Path(%r))\n"
                "print(g['node_count'], w._ensure_graph.__doc__)\n"
                "w.load_graph = lambda: 'loaded'\n"
                "print(w._ensure_graph(None))\n") % self.proj
        out = tree_python(code).splitlines()
        self.assertRegex(out[0], r"^\d+ Load the graph, building it automatically if it doesn't exist yet\.$")
        self.assertEqual(out[1], "loaded")

    def test_counts_missing_from_the_graph_show_as_question_marks(self):
        code = ("import tarvelle.wendle_claude as w\n"
                "w.scan = lambda root: {'nodes': []}\n"
                "print(w._ensure_graph('x'))\n")
        prelude = "import sys; sys.path[:0] = [%r, %r]\n" % (TREE, os.path.join(TREE, "src"))
        proc = subprocess.run([sys.executable, "-c", prelude + code], capture_output=True, text=True)
        self.assertEqual(proc.stdout, "{'nodes': []}\n")
        self.assertRegex(proc.stderr, r"^\[wendle\] No graph found \u2014 scanning x \.\.\.\n"
                                      r"\[wendle\] Graph built in \d+\.\ds: \? nodes, \? edges\n$")


class ModuleSurface(unittest.TestCase):
    def test_parse_args(self):
        code = r'''
import tarvelle.wendle_claude as w
def show(argv):
    a = w.parse_args(argv)
    print(a.query, a.project_root, a.budget, a.max_files, a.model, a.json, a.dry_run, a.no_permissions,
          a.no_session, a.verbose)
show([])
show(["--dry-run", "why"])
show(["why", "--dry-run"])
show(["--budget=4000", "-b4000"])
show(["--budget", "4000", "--max-files", "0", "-b", "-1"])
show(["-r", "a", "--project-root=b", "--proj", "c", "-m", "x", "-v", "--json", "--no-s"])
show(["--", "--json", "x"])
'''
        self.assertEqual(tree_python(code).splitlines(), [
            "[] . 5000 8 claude-sonnet-4-6 False False False False False",
            "['why'] . 5000 8 claude-sonnet-4-6 False True False False False",
            "['why'] . 5000 8 claude-sonnet-4-6 False True False False False",
            "[] . 4000 8 claude-sonnet-4-6 False False False False False",
            "[] . -1 0 claude-sonnet-4-6 False False False False False",
            "[] c 5000 8 x True False False True True",
            "['--json', 'x'] . 5000 8 claude-sonnet-4-6 False False False False False",
        ])

    def test_start_up(self):
        code = r'''
import sys
import tarvelle.wendle_claude as w, tarvelle.bundrel as b, tarvelle.kestil as k, tarvelle.vorlane as v
print(sys.path[0] == str(w._BIN_DIR), w._BIN_DIR.is_absolute(), type(w._BIN_DIR).__name__)
print(w.scan is v.scan, w.pack is b.pack, w.retrieve is k.retrieve, w.load_graph is k.load_graph,
      w.classify_intent is k.classify_intent, w.estimate_tokens is b.estimate_tokens,
      w.load_summaries is b.load_summaries)
'''
        self.assertEqual(tree_python(code).splitlines(), ["True True PosixPath", "True True True True True True True"])
        # Already on the path as the same text: left where it is.
        pkg = os.path.join(TREE, "src", "tarvelle")
        code = ("sys.path.append(%r)\nbefore = list(sys.path)\nimport tarvelle.wendle_claude\n"
                "print(sys.path == before)\n") % pkg
        self.assertEqual(tree_python(code), "True\n")

    def test_main_calls_the_bound_names(self):
        code = r'''
import tarvelle.wendle_claude as w
calls = []
w._ensure_graph = lambda root: calls.append(("graph", root.name)) or {"g": 1}
w.retrieve = lambda graph, query, **kw: calls.append(("retrieve", graph, query, kw)) or "R"
w.load_summaries = lambda root: calls.append(("summaries", root.name)) or "S"
w.pack = lambda **kw: calls.append(("pack", sorted((k, str(v)) for k, v in kw.items() if k != "project_root"))) or "CTX"
w.estimate_tokens = lambda text: calls.append(("tokens", text)) or 41
print(w.main(["-r", "/tmp", "--max-files", "3", "-b", "77", "-v", "--dry-run", " why ", "now "]))
for c in calls:
    print(c)
'''
        out = tree_python(code).splitlines()
        self.assertEqual(out, [
            "CTX", "0", "('graph', 'tmp')",
            "('retrieve', {'g': 1}, 'why  now', {'top_files': 3, 'top_edges': 40})",
            "('summaries', 'tmp')",
            "('pack', [('graph', \"{'g': 1}\"), ('max_files', '3'), ('retrieve_result', 'R'), ('summaries', 'S'), "
            "('token_budget', '77')])",
            "('tokens', 'CTX')",
        ])

    def test_graph_errors_are_caught_and_others_are_not(self):
        code = r'''
import tarvelle.wendle_claude as w
def boom(root):
    raise OSError(13, "Permission denied", "/x/info_graph.json")
w._ensure_graph = boom
print(w.main(["q"]))
def stop(root):
    raise KeyboardInterrupt
w._ensure_graph = stop
try:
    w.main(["q"])
except KeyboardInterrupt:
    print("interrupt passed")
'''
        prelude = "import sys; sys.path[:0] = [%r, %r]\n" % (TREE, os.path.join(TREE, "src"))
        proc = subprocess.run([sys.executable, "-c", prelude + code], capture_output=True, text=True, cwd=TMP)
        self.assertEqual(proc.stdout, "1\ninterrupt passed\n")
        self.assertEqual(proc.stderr,
                         "[wendle] Error loading graph: [Errno 13] Permission denied: '/x/info_graph.json'\n")


if __name__ == "__main__":
    unittest.main()
