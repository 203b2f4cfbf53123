"""The guard command end to end: events piped into the installed `halberk`, against a
project whose chat action graph is written with times taken from the clock."""
import json
import os
import shlex
import shutil
import subprocess
import tempfile
import time
import unittest

from tests.host.support import BIN, ROOT  # noqa: F401  (puts the install tree on sys.path)

import tarvelle.halberk as halberk

GUARD = os.path.join(BIN, "halberk")


def bash(cmd):
    return {"tool_name": "Bash", "tool_input": {"command": cmd}}


def warning(sev, op, lines, hard):
    confirm = ("Please type 'yes, proceed' to confirm, or rephrase your request." if hard
               else "Please confirm with the user before proceeding.")
    return "\n".join([f"Tarvelle Halberk [{sev}]", f"Operation: {op}", "",
                      "The following high-attention files will be affected:", "", *lines, "",
                      "This operation cannot be undone.", confirm, "",
                      "  (To bypass: set KESTIL_HALBERK=0 in your environment)"]) + "\n"


class GuardCase(unittest.TestCase):
    def setUp(self):
        self.tmp = os.path.realpath(tempfile.mkdtemp(prefix="halberk_"))
        self.addCleanup(shutil.rmtree, self.tmp)
        self.proj = os.path.join(self.tmp, "proj")
        os.makedirs(os.path.join(self.proj, ".nimbrel"))
        os.makedirs(os.path.join(self.proj, "src"))
        self.env = {k: v for k, v in os.environ.items() if k not in ("KESTIL_HALBERK", "KESTIL_DATA_DIR")}

    def graph(self, actions, raw=None):
        path = os.path.join(self.proj, ".nimbrel", "chat_action_graph.json")
        with open(path, "w", encoding="utf-8") as f:
            f.write(raw if raw is not None else json.dumps({"actions": actions}))

    now = None

    def act(self, kind, file, age=0, **extra):
        a = {"kind": kind, "ts": (self.now or int(time.time())) - age, "payload": {"file": file}}
        a.update(extra)
        return a

    def run_guard(self, event, cwd=None, env=None, raw=None):
        e = dict(self.env)
        e.update(env or {})
        data = raw if raw is not None else json.dumps(event)
        return subprocess.run([GUARD], input=data.encode("utf-8") if isinstance(data, str) else data,
                              cwd=cwd or self.proj, env=e, capture_output=True)

    def assertAllowed(self, proc):
        self.assertEqual((proc.returncode, proc.stdout, proc.stderr), (0, b"", b""))

    def assertWarns(self, proc, status, text):
        self.assertEqual(proc.returncode, status, proc.stderr.decode())
        self.assertEqual(proc.stdout.decode("utf-8"), text)
        self.assertEqual(proc.stderr.decode("utf-8"), text)


class EnableSwitchAndInput(GuardCase):
    def setUp(self):
        super().setUp()
        self.graph([self.act("register_edit", "src/app.py")] * 2)

    def test_only_exact_zero_turns_the_guard_off(self):
        ev = bash("rm -rf src/app.py")
        self.assertAllowed(self.run_guard(None, raw="not json", env={"KESTIL_HALBERK": "0"}))
        self.assertAllowed(self.run_guard(ev, env={"KESTIL_HALBERK": "0"}))
        for on in ("false", "", " 0", "00", "1"):
            self.assertEqual(self.run_guard(ev, env={"KESTIL_HALBERK": on}).returncode, 2, on)
        self.assertEqual(self.run_guard(ev).returncode, 2)

    def test_unreadable_input_allows(self):
        for raw in (b"", b"not json", b"\xef\xbb\xbf" + json.dumps(bash("rm -rf src/app.py")).encode(),
                    b'{"tool_name": "Bash", "tool_input": {"command": "rm -rf src/app.py \\ud800"'):
            self.assertAllowed(self.run_guard(None, raw=raw))

    def test_shapes_the_guard_cannot_use_allow_silently(self):
        shapes = [[1, 2], "Bash", {"tool_name": "Bash", "tool_input": ["rm -rf src/app.py"]},
                  {"tool_name": "Bash", "tool_input": {"command": ["rm", "-rf", "src/app.py"]}},
                  {"tool_name": "Bash", "tool_input": {"command": None}},
                  {"tool_name": "Write", "tool_input": "src/app.py"},
                  {"tool_name": ["Write"], "tool_input": {"file_path": "src/app.py"}},
                  {"tool_name": "Write", "tool_input": {"file_path": "~nosuchuser_zz/src/app.py"}}]
        for ev in shapes:
            self.assertAllowed(self.run_guard(ev))


class Classification(GuardCase):
    """Each row of the table through the command, against a file edited twice."""

    def setUp(self):
        super().setUp()
        self.graph([self.act("register_edit", f) for f in ("src/app.py", "src/app.py", "dist/x", "dist/x",
                                                            "out/log.txt", "out/log.txt")])

    def status(self, ev):
        return self.run_guard(ev).returncode

    def test_rows(self):
        rows = [
            ({"tool_name": "Read", "tool_input": {"file_path": "src/app.py"}}, 0),
            ({"tool_name": "Write", "tool_input": {"file_path": "  src/app.py  "}}, 1),
            ({"tool_name": "Write", "tool_input": {"content": "x"}}, 0),
            ({"tool_name": "Edit", "tool_input": {"path": "src/app.py"}}, 1),
            ({"tool_name": "NotebookEdit", "tool_input": {"notebook_path": "src/app.py"}}, 1),
            ({"tool_name": "edit", "tool_input": {"path": "src/app.py"}}, 0),
            (bash("rm -rf src/app.py"), 2),
            (bash("rm src/app.py"), 1),
            (bash("rm -i src/app.py"), 1),
            (bash("echo hi > out/log.txt"), 1),
            (bash("echo hi >> out/log.txt"), 0),
            (bash("make 2>&1"), 0),
            (bash("cd app && rm -rf dist/x"), 2),
            (bash("git rm -r src/app.py"), 0),
            (bash("RM -RF dist/x"), 0),  # hard, but the target pattern is case-sensitive
            (bash("  rm -rf dist/x"), 0),
            (bash("echo done\nrm -rf dist/x"), 2),
            (bash(": > src/app.py"), 2),
            (bash("find . -name x -delete > out/log.txt"), 2),
        ]
        for ev, status in rows:
            self.assertEqual(self.status(ev), status, ev)

    def test_targets_from_the_three_keys_and_the_command(self):
        for key in ("file_path", "path", "notebook_path"):
            self.assertEqual(self.status({"tool_name": "Write", "tool_input": {key: "src/app.py"}}), 1, key)
        self.assertEqual(self.status(bash("rm -rf build")), 0)  # hard without targets


class Attention(GuardCase):
    """Ages are exact: each check is retried until the fixture and the guard's run fall
    within one second of the clock."""

    def verdict(self, actions, ev, **kw):
        for _ in range(10):
            self.now = int(time.time())
            self.graph(actions() if callable(actions) else actions)
            proc = self.run_guard(ev, **kw)
            if int(time.time()) == self.now:
                return proc
        self.fail("the clock moved on during every try")

    def test_decay_thresholds(self):
        rows = [(lambda: [self.act("register_edit", "src/a.py", 3600)], 1),
                (lambda: [self.act("register_edit", "src/a.py", 3601)], 0),
                (lambda: [self.act("edit_observation", "src/a.py", 1158)], 1),
                (lambda: [self.act("edit_observation", "src/a.py", 1159)], 0),
                (lambda: [self.act("read", "src/a.py")] * 2, 1),
                (lambda: [self.act("read", "src/a.py")], 0),
                (lambda: [self.act("read_cache_hit", "src/a.py")] * 4, 1)]
        for actions, status in rows:
            self.assertEqual(self.verdict(actions, bash("rm src/a.py")).returncode, status, actions())

    def test_future_and_missing_times(self):
        p = self.verdict(lambda: [self.act("register_edit", "src/a.py", -60)], bash("rm src/a.py"))
        self.assertWarns(p, 1, warning("WARNING", "bash: rm src/a.py",
                                       ["  src/a.py  [edited 1×, last touched -1 min ago]"], False))
        untimed = [{"kind": "register_edit", "payload": {"file": "src/a.py"}}] * 3
        self.assertEqual(self.verdict(untimed, bash("rm src/a.py")).returncode, 0)
        mixed = lambda: [self.act("read", "src/a.py")] * 2 + [{"kind": "read", "ts": "", "payload": {"file": "src/a.py"}}]
        self.assertIn(b"[read 3\xc3\x97, last touched 0 min ago]", self.verdict(mixed, bash("rm src/a.py")).stdout)

    def test_first_equal_entry_decides(self):
        actions = [self.act("read", "./src/a.py"), self.act("register_edit", "src/a.py"),
                   self.act("register_edit", "src/a.py")]
        self.assertAllowed(self.verdict(actions, bash("rm -rf src/a.py")))

    def test_hard_and_soft_verdicts_with_exact_text(self):
        actions = lambda: ([self.act("read", "src/app.py", 100)] * 3
                           + [self.act("register_edit", "src/app.py", 720)] * 2
                           + [self.act("register_edit", "src/b.py", 30)])
        hard = self.verdict(actions, bash("rm -rf src/app.py src/b.py; rm -f src/b.py"))
        self.assertWarns(hard, 2, warning("HARD BLOCK", "bash: rm -rf src/app.py src/b.py; rm -f src/b.py",
                                          ["  src/app.py  [read 3×, edited 2×, last touched 2 min ago]",
                                           "  src/b.py  [edited 1×, last touched 0 min ago]"], True))
        soft = self.verdict(actions, {"tool_name": "Edit",
                                      "tool_input": {"file_path": os.path.join(self.proj, "src/app.py")}})
        self.assertWarns(soft, 1, warning("WARNING", "Edit",
                                          ["  src/app.py  [read 3×, edited 2×, last touched 2 min ago]"], False))
        once = self.verdict([self.act("register_edit", "src/b.py")], bash("rm -rf src/b.py"))
        self.assertEqual(once.returncode, 1)

    def test_five_targets_give_four_lines(self):
        files = [f"src/f{i}.py" for i in range(5)]
        actions = lambda: ([self.act("read", f) for f in files for _ in range(2)]
                           + [self.act("register_edit", "src/f4.py")] * 2)
        # f4 scores highest and comes first; its edits make the call a block.
        every = bash("; ".join("rm -rf " + f for f in files))
        p = self.verdict(actions, every)
        self.assertEqual(p.returncode, 2)
        lines = [l for l in p.stdout.decode().splitlines() if l.startswith("  src/")]
        self.assertEqual([l.split()[0] for l in lines], ["src/f4.py", "src/f0.py", "src/f1.py", "src/f2.py"])
        # Lowest score listed fifth: its edits do not count.
        actions = lambda: ([self.act("read", f) for f in files[:4] for _ in range(3)]
                           + [self.act("read", "src/f4.py")] * 2
                           + [{"kind": "register_edit", "payload": {"file": "src/f4.py"}}] * 2)
        p = self.verdict(actions, every)
        self.assertEqual(p.returncode, 1)
        self.assertNotIn(b"src/f4.py  [", p.stdout)

    def test_data_directory_search(self):
        deep = os.path.join(self.proj, "src", "sub", "deep")
        os.makedirs(os.path.join(self.proj, "src", "sub", ".nimbrel"))  # without the file: passed over
        os.makedirs(deep)
        self.graph([self.act("register_edit", "src/sub/deep/x.py")] * 2)
        ev = bash("rm -rf " + os.path.join(deep, "x.py"))
        self.assertEqual(self.run_guard(ev, cwd=self.tmp).returncode, 2)
        self.assertEqual(self.run_guard(bash("rm -rf x.py/"), cwd=deep).returncode, 2)
        other = os.path.join(self.tmp, "other")
        os.makedirs(other)
        self.assertEqual(self.run_guard(ev, cwd=self.tmp, env={"KESTIL_DATA_DIR": other}).returncode, 0)
        self.assertEqual(self.run_guard(bash("rm -rf proj/src/sub/deep/x.py"), cwd=self.tmp,
                                        env={"KESTIL_DATA_DIR": "proj/.nimbrel"}).returncode, 2)

    def test_unreadable_chat_action_graphs_allow(self):
        ev = bash("rm -rf src/a.py")
        good = json.dumps({"actions": [self.act("register_edit", "src/a.py")] * 2})
        for raw in ("\ufeff" + good, good[:-3], "{}", '{"actions": null}', "[]",
                    json.dumps({"actions": [self.act("register_edit", "src/a.py", ts="abc")]}),
                    json.dumps({"actions": [{"kind": "read", "payload": True}]}),
                    json.dumps({"actions": [self.act("register_edit", "src/a.py")] * 2 + ["x"]})):
            self.graph(None, raw=raw)
            self.assertAllowed(self.run_guard(ev))
        self.graph(None, raw=good)
        self.assertEqual(self.run_guard(ev).returncode, 2)


class VerdictOverItsText(GuardCase):
    """The status is the verdict, whatever becomes of the warning's text; undecodable
    input allows the call whatever the locale."""

    def setUp(self):
        super().setUp()
        self.graph([self.act("register_edit", "src/app.py")] * 2)

    def run_with(self, ev, stdout, stderr, env=None):
        e = dict(self.env)
        e.update(env or {})
        return subprocess.run([GUARD], input=json.dumps(ev).encode(), cwd=self.proj, env=e,
                              stdout=stdout, stderr=stderr).returncode

    def test_a_lost_warning_keeps_the_status(self):
        hard, soft = bash("rm -rf src/app.py"), {"tool_name": "Write", "tool_input": {"file_path": "src/app.py"}}
        r, w = os.pipe()
        os.close(r)  # a reader that went away: every write is a broken pipe
        self.addCleanup(os.close, w)
        with open(os.devnull, "wb") as null, open("/dev/full", "wb") as full:
            for ev, status in ((hard, 2), (soft, 1)):
                for out, err in ((null, full), (full, null), (full, full), (w, null), (w, w)):
                    self.assertEqual(self.run_with(ev, out, err), status, (ev, out, err))
        # Closed streams, as a shell's 2>&- and >&- leave them.
        for redirect in ("2>&-", ">&-", ">&- 2>&-"):
            proc = subprocess.run(f"{shlex.quote(GUARD)} {redirect}", shell=True, input=json.dumps(hard).encode(),
                                  cwd=self.proj, env=self.env, stdout=subprocess.DEVNULL)
            self.assertEqual(proc.returncode, 2, redirect)

    def test_undecodable_input_allows_in_every_locale(self):
        raw = b'{"tool_name": "Write", "tool_input": {"file_path": "src/app.py", "x": "\xff"}}'
        valid = raw.replace(b"\xff", "\u00e9".encode())
        for locale in ({}, {"LC_ALL": "C"}, {"LC_ALL": "C", "PYTHONIOENCODING": "latin-1"}):
            self.assertAllowed(self.run_guard(None, raw=raw, env=locale))
            self.assertEqual(self.run_guard(None, raw=valid, env=locale).returncode, 1, locale)
        self.assertAllowed(self.run_guard(None, raw=valid.replace("\u00e9".encode(), b"\xed\xa0\x80")))


class ModuleConstants(unittest.TestCase):
    def test_values(self):
        self.assertEqual(halberk.WRITE_TOOLS, {"Write", "NotebookEdit"})
        self.assertEqual((halberk.EDIT_TOOL, halberk.BASH_TOOL), ("Edit", "Bash"))
        self.assertEqual(halberk.KIND_WEIGHT, {"read": 2, "read_cache_hit": 1, "register_edit": 8,
                                               "edit_observation": 5})

    def test_patterns_search_as_the_host_does(self):
        import re
        for pat in (halberk.HARD_BASH, halberk.SOFT_BASH):
            host = re.compile(pat.pattern, re.IGNORECASE | re.MULTILINE)
            self.assertEqual(pat.flags, host.flags)
            for s in ("rm -rf build/out", "x; \u0130\u00e9 > a", "f\u0131nd . -delete", "rm\x1c-rf\x1cx/y",
                      "echo hi >> out", "\ud800 > x", "mkfs\u180e", "echo a\nrm -rf b/c"):
                m = host.search(s)
                self.assertEqual(pat.search(s), m.span() if m else None, (pat.pattern, s))

    def test_main_ends_the_process(self):
        code = ("import io, sys; sys.path[:0] = [%r]; import tarvelle.halberk as h; sys.stdin = io.StringIO('{}');"
                "\ntry:\n    h.main()\nexcept SystemExit as e:\n    print('exit', e.code)" % os.path.join(ROOT, "src"))
        out = subprocess.run([shutil.which("python3") or "python3", "-c", code], capture_output=True, text=True)
        self.assertEqual(out.stdout, "exit 0\n")


if __name__ == "__main__":
    unittest.main()
