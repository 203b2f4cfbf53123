"""The README's section for users, run as the README writes it: in a copy of the install
tree under a home folder of the test's own, the sample project that the section builds,
every command of its parts on the graph and on asking a question (compared with the
output the README shows), and the guard fed one event per tool name of the settings
snippet."""
import json
import os
import re
import shutil
import subprocess
import tempfile
import unittest

import tests.host.support as support

import tarvelle.halberk as halberk

README = os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))), "README.md")
SECTION = "## Using it on your project"
# The home folder that the README's runs had; its paths show it in the output.
README_HOME = "/tmp/me"
# The parts whose every command runs here and prints what the README shows.
COMPARED_PARTS = ("### One graph per install", "### Asking a question")
# The guard's part, whose commands run once the session's attention is written as it shows.
GUARD_PART = "### The guard as the agent's pre-tool-use hook"
# The programs besides the install's that those commands and the sample project's script run.
TOOLS = ("cat", "chmod", "date", "mkdir")


def read_blocks():
    """The fenced blocks of the README's section for users, in order, as (part, info
    string, lines): the part is the "### " heading above the block, and a block's lines
    lose the fence's indentation; a shorter fence inside a longer one is content."""
    with open(README, encoding="utf-8") as f:
        lines = f.read().split("\n")
    i = lines.index(SECTION) + 1
    found, part = [], None
    while i < len(lines) and not lines[i].startswith("## "):
        m = re.match(r"^(\s*)(`{3,})(\S*)\s*$", lines[i])
        if lines[i].startswith("### "):
            part = lines[i]
        i += 1
        if not m:
            continue
        indent, fence, info = m.groups()
        body = []
        while not re.match(r"^\s*" + fence + r"\s*$", lines[i]):
            body.append(lines[i][len(indent):] if lines[i].startswith(indent) else lines[i])
            i += 1
        found.append((part, info, body))
        i += 1
    return found


def console_runs(blocks):
    """The commands of the console blocks among `blocks`, in order, each with the lines shown after it."""
    runs = []
    for _, info, body in blocks:
        if info != "console":
            continue
        for line in body:
            if line.startswith("$ "):
                runs.append((line[2:], []))
            else:
                runs[-1][1].append(line)
    return runs


def normal(lines, home):
    """Lines with the README's home folder replaced and elapsed times blanked."""
    return [re.sub(r"\b\d+\.\d+s\b", "T.Ts", line.replace(README_HOME, home)) for line in lines]


class UserPath(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.blocks = read_blocks()
        cls.home = os.path.realpath(tempfile.mkdtemp(prefix="user_path_"))
        cls.addClassCleanup(shutil.rmtree, cls.home)
        # The install step of the README, with the data files it removes left out of the copy.
        shutil.copytree(support.ROOT, os.path.join(cls.home, "tarvelle"), copy_function=os.link,
                        ignore=shutil.ignore_patterns("info_graph.json", "*.jsonl"))
        cls.bin = os.path.join(cls.home, "tarvelle", "bin")
        # A PATH of the install's commands and the few tools the README's commands use, so
        # that no `claude` of the machine's own is found (or started) in place of none.
        tools = os.path.join(cls.home, "tools")
        os.mkdir(tools)
        for tool in TOOLS:
            os.symlink(shutil.which(tool), os.path.join(tools, tool))
        cls.env = {"HOME": cls.home, "PATH": os.pathsep.join([cls.bin, tools]), "LANG": "C.UTF-8"}
        # A sanitizer build's runtime and options reach the commands as they reach this test.
        cls.env.update({k: v for k, v in os.environ.items() if k in ("LD_PRELOAD", "ASAN_OPTIONS", "UBSAN_OPTIONS")})
        sample = [b for _, info, b in cls.blocks if info == "sh" and "cat > app/session.py <<'EOF'" in b]
        assert len(sample) == 1, "the README builds its sample project in one sh block"
        cls.shell("\n".join(sample[0]), cls.home)
        cls.shop = os.path.join(cls.home, "shop")

    @classmethod
    def shell(cls, script, cwd):
        """Runs `script` with bash in `cwd`, standard error merged into standard output;
        returns the status, the output and the folder the script ended in."""
        where = os.path.join(cls.home, ".cwd")
        proc = subprocess.run([shutil.which("bash"), "-c", script + '\nstatus=$?; pwd > "$0"; exit $status', where],
                              cwd=cwd, env=cls.env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        with open(where) as f:
            return proc.returncode, proc.stdout, f.read().strip()

    def assertShows(self, shown, out, command):
        """`out` holds the lines that the README shows, where "..." stands for any lines."""
        lines = out.split("\n")
        if lines[-1] == "":
            lines.pop()
        chunks, chunk = [], []
        for line in normal(shown, self.home):
            if line == "...":
                chunks.append(chunk)
                chunk = []
            else:
                chunk.append(line)
        chunks.append(chunk)
        lines = normal(lines, self.home)
        at = 0
        for n, chunk in enumerate(chunks):
            if n == 0:
                found = at if lines[:len(chunk)] == chunk else -1
            else:
                found = next((i for i in range(at, len(lines) - len(chunk) + 1) if lines[i:i + len(chunk)] == chunk), -1)
            self.assertGreaterEqual(found, 0, f"{command}: the README shows\n" + "\n".join(chunk) +
                                    "\nwhere the command printed\n" + "\n".join(lines[at:]))
            at = found + len(chunk)
        if chunks[-1]:
            self.assertEqual(lines[at:], [], f"{command}: printed more than the README shows")

    def test_graph_and_question_commands_print_what_the_readme_shows(self):
        cwd = self.shop
        self.assertEqual({part for part, _, _ in self.blocks} & set(COMPARED_PARTS), set(COMPARED_PARTS))
        runs = console_runs([b for b in self.blocks if b[0] in COMPARED_PARTS])
        commands = [command for command, _ in runs]
        self.assertIn("kestil scan --root ~/shop", commands)
        plain_dry_runs = 0
        for command, shown in runs:
            _, out, cwd = self.shell(command, cwd)
            self.assertShows(shown, out, command)
            if re.fullmatch(r'wendle-claude --dry-run "[^"]*"', command) and cwd == self.shop:
                plain_dry_runs += 1
                for name in ("app/session.py", "app/routes.py", "web/login.js"):
                    self.assertIn(f"`{name}`", out, command)
        self.assertGreater(plain_dry_runs, 0)

    def write_attention(self):
        """The session's chat action graph, written as the README writes it by hand."""
        (graph,) = [b for _, info, b in self.blocks if info == "sh" and "chat_action_graph.json" in "\n".join(b)]
        self.shell("\n".join(graph), self.home)

    def test_guard_commands_print_what_the_readme_shows(self):
        self.write_attention()
        runs = console_runs([b for b in self.blocks if b[0] == GUARD_PART])
        self.assertGreater(len(runs), 8)
        cwd = self.shop
        for command, shown in runs:
            _, out, cwd = self.shell(command.replace(README_HOME, self.home), cwd)
            self.assertShows(shown, out, command)

    def test_guard_classifies_every_tool_of_the_settings_snippet(self):
        snippets = [json.loads("\n".join(b)) for _, info, b in self.blocks
                    if info == "json" and "PreToolUse" in "\n".join(b)]
        self.assertEqual(len(snippets), 1)
        (entry,) = snippets[0]["hooks"]["PreToolUse"]
        (hook,) = entry["hooks"]
        self.assertEqual(hook["type"], "command")
        self.assertEqual(os.path.basename(hook["command"]), "halberk")
        matcher = entry["matcher"]
        self.assertRegex(matcher, r"^\w+(\|\w+)*$", "a plain list of tool names")
        for tool in (*halberk.WRITE_TOOLS, halberk.EDIT_TOOL, halberk.BASH_TOOL):
            self.assertTrue(re.fullmatch(matcher, tool), f"the matcher leaves out {tool}, which the guard classifies")

        self.write_attention()
        guard = os.path.join(self.bin, os.path.basename(hook["command"]))
        for tool in matcher.split("|"):
            with self.subTest(tool=tool):
                if tool == halberk.BASH_TOOL:
                    tool_input, status = {"command": "rm -rf app/session.py"}, 2
                else:
                    tool_input, status = {"file_path": os.path.join(self.shop, "app", "session.py")}, 1
                event = json.dumps({"hook_event_name": "PreToolUse", "tool_name": tool, "tool_input": tool_input})
                for env, expected in (({}, status), ({"KESTIL_HALBERK": "0"}, 0)):
                    proc = subprocess.run([guard], input=event, cwd=self.shop, env={**self.env, **env},
                                          capture_output=True, text=True)
                    self.assertEqual(proc.returncode, expected, proc.stderr)
                    # The agent reads the reason of a blocked call from standard error.
                    self.assertEqual(proc.stderr.startswith("Tarvelle Halberk ["), expected != 0)


if __name__ == "__main__":
    unittest.main()
