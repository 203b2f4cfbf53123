"""The source checks against a plain host rendering of their rules, on random projects whose
texts are full of the host's own line breaks, white space and letters outside ASCII."""
import pathlib
import random
import re
import tempfile
import unittest

import tests.host.support  # noqa: F401
import audit

# The auditor's constants as written down for it, not read back from the module (the
# module's own are checked against these below).
CODE_EXTS = {".ts", ".tsx", ".js", ".jsx", ".py", ".go", ".rs", ".java", ".kt", ".cs", ".rb", ".php", ".c", ".cpp",
             ".cc", ".swift", ".dart", ".ex", ".exs", ".scala", ".lua", ".jl", ".hs", ".zig"}
PATTERN_TEXTS = {
    "TEST_PAT": r"(?:\.test\.|\.spec\.|_test\.|test_|spec_|__tests__/|/tests?/)",
    "DB_RE": r"(?:db\.|prisma\.|mongoose\.|sqlalchemy\.|session\.query|\.query\s*\(|\.execute\s*\(|"
             r"\.find(?:One|All|Many)?\s*\(|\.save\s*\(|\.create\s*\(|cursor\.execute)",
    "ROUTE_RE": r"(?:routes?|controllers?|handlers?|views?|api)",
    "TODO_RE": r"(?:TODO|FIXME|HACK|XXX)\s*(?:\([^)]*\))?[:" "\uff1a" r"]?\s*(.{3,})",  # the full-width colon
    "EXTERNAL_RE": r"(?:fetch\s*\(|axios\.[a-z]+\s*\(|http(?:s)?\.request\s*\(|requests\.[a-z]+\s*\(|"
                   r"urllib\.request\.|grpc\.|\.rpc\s*\()",
    "ERR_RE": r"\btry\b|\bcatch\b|\bexcept\b|\brescue\b",
}
DB_RE = re.compile(PATTERN_TEXTS["DB_RE"], re.I)
TODO_RE = re.compile(PATTERN_TEXTS["TODO_RE"], re.I)
EXTERNAL_RE = re.compile(PATTERN_TEXTS["EXTERNAL_RE"], re.I)
ERR_RE = re.compile(PATTERN_TEXTS["ERR_RE"], re.I)
ROUTE_RE = re.compile(PATTERN_TEXTS["ROUTE_RE"], re.I)

# One worked line per alternative of the database and external-call patterns, in the
# patterns' order: (alternative, line, the text it matches). Each line matches through its
# own alternative and through no other, so losing any alternative loses its line.
DB_LINES = [
    (r"db\.", "rows = db.users", "db."),
    (r"prisma\.", "Prisma.user", "Prisma."),
    (r"mongoose\.", "mongoose.connect", "mongoose."),
    (r"sqlalchemy\.", "import sqlalchemy.orm", "sqlalchemy."),
    (r"session\.query", "q = SESSION.query", "SESSION.query"),
    (r"\.query\s*\(", "pool.query (sql)", ".query ("),
    (r"\.execute\s*\(", "conn.execute(sql)", ".execute("),
    (r"\.find(?:One|All|Many)?\s*\(", "items.find(x)", ".find("),
    (r"\.find(?:One|All|Many)?\s*\(", "User.findone\t(x)", ".findone\t("),
    (r"\.find(?:One|All|Many)?\s*\(", "User.findAll()", ".findAll("),
    (r"\.find(?:One|All|Many)?\s*\(", "User.findMany  (x)", ".findMany  ("),
    (r"\.save\s*\(", "user.save()", ".save("),
    (r"\.create\s*\(", "Order.Create({})", ".Create("),
    (r"cursor\.execute", "cursor.execute", "cursor.execute"),
]
EXTERNAL_LINES = [
    (r"fetch\s*\(", "await FETCH (url)", "FETCH ("),
    (r"axios\.[a-z]+\s*\(", "axios.Get(url)", "axios.Get("),
    (r"http(?:s)?\.request\s*\(", "http.request(opts)", "http.request("),
    (r"http(?:s)?\.request\s*\(", "https.request (opts)", "https.request ("),
    (r"requests\.[a-z]+\s*\(", "requests.post(u)", "requests.post("),
    (r"urllib\.request\.", "urllib.request.urlopen", "urllib.request."),
    (r"grpc\.", "grpc.insecure_channel", "grpc."),
    (r"\.rpc\s*\(", "client.rpc (x)", ".rpc ("),
]


def read(root, fid):
    p = pathlib.Path(root) / fid
    if not p.exists():
        return ""
    try:
        return p.read_text(encoding="utf-8", errors="replace")
    except Exception:
        return ""


def db_in_routes(graph, root):
    out = []
    for n in graph.get("nodes", []):
        if n.get("kind") != "file":
            continue
        fid = n["id"]
        if not ROUTE_RE.search(fid) or pathlib.Path(fid).suffix not in CODE_EXTS:
            continue
        text = read(root, fid)
        hits = DB_RE.findall(text)
        if not hits:
            continue
        lines = [i for i, line in enumerate(text.splitlines(), 1) if DB_RE.search(line)][:5]
        out.append({"file": fid, "count": len(hits), "lines": lines, "patterns": list(dict.fromkeys(hits))[:3]})
    out.sort(key=lambda d: d["count"], reverse=True)
    return out[:10]


def todos(graph, root):
    out = []
    for n in graph.get("nodes", []):
        if n.get("kind") != "file" or pathlib.Path(n["id"]).suffix not in CODE_EXTS:
            continue
        for i, line in enumerate(read(root, n["id"]).splitlines(), 1):
            m = TODO_RE.search(line)
            if m:
                out.append({"file": n["id"], "line": i, "text": m.group(0)[:90].strip()})
    return out[:40]


def missing_error_handling(graph, root):
    out, cache = [], {}
    for n in graph.get("nodes", []):
        if n.get("kind") != "symbol":
            continue
        from_path = "file" not in n
        f = n.get("file", n.get("path", ""))
        if pathlib.Path(f).suffix not in CODE_EXTS:
            continue
        if f not in cache:
            cache[f] = read(root, f).splitlines()
        lines = cache[f]
        ls, le = n.get("line_start"), n.get("line_end")
        if from_path:
            ls = ls + 1 if isinstance(ls, int) else ls
            le = le + 1 if isinstance(le, int) else le
        start = (ls or 1) - 1
        end = min(len(lines), le or start + 1)
        excerpt = "\n".join(lines[start:end])
        if EXTERNAL_RE.search(excerpt) and not ERR_RE.search(excerpt):
            out.append({"file": f, "symbol": n.get("name", ""), "line": start + 1})
        if len(out) >= 25:
            break
    return out


PIECES = ["db.query(", "DB.save (", "prisma.user.findMany(", ".execute\n(", "cursor.execute", "fetch(", "axios.get (",
          "requests.Session()", "grpc.", "try", "catch", "retry", "except", "TODO", "todo(x)", "FIXME:", "HACK\uff1a",
          "XXX", " ", "  ", "\t", "\n", "\r\n", "\r", "\x0b", "\x0c", "\x1c", "\x1f", "\x85", "\u2028", "\u3000",
          "\xa0", "word", "\xe9t\xe9", "\u0130", "\u0131", "(", ")", ":", "x" * 40, "\ud83d\ude00"]
NAMES = ["api/users.py", "routes/a.ts", "lib/util.go", "views/v.rb", "src/rapid.py", "README.md", "api/X.PY",
         "handlers/h.js", "core/c.rs"]


class ConstantsTest(unittest.TestCase):
    def test_module_constants_are_the_written_ones(self):
        self.assertEqual(audit.CODE_EXTS, CODE_EXTS)
        for name, text in PATTERN_TEXTS.items():
            pat = getattr(audit, name)
            self.assertEqual(pat.pattern, text, name)
            self.assertEqual(pat.flags & (re.I | re.M | re.S), re.I, name)


class WorkedLinesTest(unittest.TestCase):
    TABLES = (("DB_RE", DB_LINES), ("EXTERNAL_RE", EXTERNAL_LINES))

    def test_each_alternative_has_a_line_that_only_it_matches(self):
        for name, rows in self.TABLES:
            alternatives = list(dict.fromkeys(alt for alt, _, _ in rows))
            self.assertEqual("(?:" + "|".join(alternatives) + ")", PATTERN_TEXTS[name])
            for alt, line, match in rows:
                self.assertEqual(re.search(alt, line, re.I).group(0), match, line)
                self.assertEqual(re.findall(PATTERN_TEXTS[name], line, re.I), [match], line)
                for other in alternatives:
                    if other != alt:
                        self.assertIsNone(re.search(other, line, re.I), (line, other))

    def test_the_checks_find_each_worked_line(self):
        with tempfile.TemporaryDirectory() as tmp:
            root = pathlib.Path(tmp)
            (root / "api").mkdir()
            for _, line, match in DB_LINES:
                (root / "api/w.py").write_text("x = 1\n" + line + "\n")
                graph = {"nodes": [{"id": "api/w.py", "kind": "file"}]}
                self.assertEqual(audit.check_db_in_routes(graph, tmp),
                                 [{"file": "api/w.py", "count": 1, "lines": [2], "patterns": [match]}], line)
            graph = {"nodes": [{"id": "w.py", "kind": "file"},
                               {"id": "w.py::s", "kind": "symbol", "file": "w.py", "name": "s", "line_start": 1,
                                "line_end": 1}]}
            for _, line, _ in EXTERNAL_LINES:
                (root / "w.py").write_text(line + "\n")
                self.assertEqual(audit.check_missing_error_handling(graph, tmp),
                                 [{"file": "w.py", "symbol": "s", "line": 1}], line)
                (root / "w.py").write_text(line + " # except\n")
                self.assertEqual(audit.check_missing_error_handling(graph, tmp), [], line)


class ReferenceTest(unittest.TestCase):
    def test_random_projects(self):
        rng = random.Random(11)
        for trial in range(40):
            with tempfile.TemporaryDirectory() as tmp:
                nodes = []
                for name in rng.sample(NAMES, rng.randint(1, len(NAMES))):
                    text = "".join(rng.choice(PIECES) for _ in range(rng.randint(0, 120)))
                    p = pathlib.Path(tmp) / name
                    p.parent.mkdir(parents=True, exist_ok=True)
                    data = text.encode("utf-8", "surrogatepass")
                    if rng.random() < 0.3:
                        data += b"\xff\xc3 tail TODO: broken \xe2\x82\n"
                    p.write_bytes(data)
                    nodes.append({"id": name, "kind": "file"})
                    for k in range(rng.randint(0, 4)):
                        key = rng.choice(["file", "path"])
                        sym = {"id": f"{name}::s{k}", "kind": "symbol", key: name, "name": f"s{k}"}
                        for field in ("line_start", "line_end"):
                            if rng.random() < 0.8:
                                sym[field] = rng.choice([0, 1, 2, 3, 5, 8, 13, 40, None])
                        nodes.append(sym)
                nodes.append({"id": "api/missing.py", "kind": "file"})
                graph = {"nodes": nodes}
                for ours, ref in ((audit.check_db_in_routes, db_in_routes), (audit.check_todos, todos),
                                  (audit.check_missing_error_handling, missing_error_handling)):
                    self.assertEqual(ours(graph, tmp), ref(graph, tmp), f"{ours.__name__} on trial {trial}")


if __name__ == "__main__":
    unittest.main()
