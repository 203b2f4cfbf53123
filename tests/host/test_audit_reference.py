"""The source checks against a plain host rendering of their rules, on random projects whose
texts are full of the host's own line breaks, white space and letters outside ASCII."""
import pathlib
import random
import re
import tempfile
import unittest

import tests.host.support  # noqa: F401
import audit

CODE_EXTS = audit.CODE_EXTS
DB_RE = re.compile(audit.DB_RE.pattern, re.I)
TODO_RE = re.compile(audit.TODO_RE.pattern, re.I)
EXTERNAL_RE = re.compile(audit.EXTERNAL_RE.pattern, re.I)
ERR_RE = re.compile(audit.ERR_RE.pattern, re.I)
ROUTE_RE = re.compile(audit.ROUTE_RE.pattern, re.I)


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
