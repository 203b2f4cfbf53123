"""The syntax-tree extractors against the rules written plainly in the host's language over
the runtime module's own nodes, on the host's standard-library sources, the npm client's
sources when the machine has them, and generated TypeScript, TSX and Go texts: the same
records and edges, in the same order."""
import hashlib
import os
import random
import re
import sysconfig
import unittest

from tests.host import support  # noqa: F401  (puts the install tree on sys.path)

import vorlane_ast as v
from tests.graph.vorlane_ast.host_rules import classify_ts_name, name_keywords

ROUTE = re.compile(r"@(?:app|router|blueprint)\.(?:get|post|put|delete|patch)\s*\(", re.I)


def text(node, src):
    return src[node.start_byte:node.end_byte].decode("utf-8", "ignore")


def walk(root):
    stack = [root]
    while stack:
        n = stack.pop()
        yield n
        stack.extend(reversed(n.children))


def body_hash(lines, s, e):
    return hashlib.md5("\n".join(lines[s:e + 1]).encode("utf-8")).hexdigest()[:8]


class Records:
    def __init__(self, content, path):
        self.lines, self.path, self.seen, self.out = content.splitlines(), path, set(), []

    def add(self, name, s, e, t, c, x):
        if not name or name in self.seen:
            return
        self.seen.add(name)
        self.out.append({"id": f"{self.path}::{name}", "name": name, "symbol_type": t, "line_start": s,
                         "line_end": e, "body_hash": body_hash(self.lines, s, e), "confidence": c, "exported": x,
                         "keywords": name_keywords(name)})


def ts_lang(ext):
    return v._LANG_TSX if ext == ".tsx" else v._LANG_JS if ext in (".js", ".jsx") else v._LANG_TS


def ts_symbols(content, path, ext):
    src = content.encode("utf-8", "ignore")
    r = Records(content, path)
    for n in walk(v.Parser(ts_lang(ext)).parse(src).root_node):
        t = n.type
        exp = n.parent is not None and n.parent.type in ("export_statement", "export_clause",
                                                          "export_default_declaration")
        if t in ("function_declaration", "generator_function_declaration"):
            nm = n.child_by_field_name("name")
            if nm is not None and text(nm, src):
                r.add(text(nm, src), n.start_point[0], n.end_point[0], *classify_ts_name(text(nm, src), exp), exp)
        elif t == "lexical_declaration":
            for d in n.children:
                if d.type != "variable_declarator":
                    continue
                nm, val = d.child_by_field_name("name"), d.child_by_field_name("value")
                if nm is not None and val is not None and val.type in ("arrow_function", "function") and text(nm, src):
                    r.add(text(nm, src), n.start_point[0], n.end_point[0], *classify_ts_name(text(nm, src), exp),
                          exp)
        elif t in ("class_declaration", "interface_declaration", "type_alias_declaration", "enum_declaration"):
            nm = n.child_by_field_name("name")
            if nm is not None:
                r.add(text(nm, src), n.start_point[0], n.end_point[0], "model", "high", exp)
        elif t == "method_definition":
            nm = n.child_by_field_name("name")
            if nm is not None and not text(nm, src).startswith("#"):
                r.add(text(nm, src), n.start_point[0], n.end_point[0], "use_case", "medium", False)
    return r.out


def py_symbols(content, path):
    src = content.encode("utf-8", "ignore")
    r = Records(content, path)
    deco = {content[:m.start()].count("\n") for m in ROUTE.finditer(content)}

    def add(name, s, e, t):
        if name and name not in r.seen and not name.startswith("_") and not name.startswith("test_"):
            r.add(name, s, e, t, "high", True)

    for n in walk(v.Parser(v._LANG_PY).parse(src).root_node):
        if n.type in ("function_definition", "decorated_definition"):
            target = n
            if n.type == "decorated_definition":
                target = next((c for c in n.children if c.type in ("function_definition", "class_definition")), n)
            nm = target.child_by_field_name("name")
            if target.type == "function_definition" and nm is not None and text(nm, src):
                s = n.start_point[0]
                add(text(nm, src), s, n.end_point[0],
                    "api_route" if any(abs(s - d) <= 3 for d in deco) else "use_case")
        elif n.type == "class_definition":
            nm = n.child_by_field_name("name")
            if nm is not None and text(nm, src):
                add(text(nm, src), n.start_point[0], n.end_point[0], "model")
    return r.out


def go_symbols(content, path):
    src = content.encode("utf-8", "ignore")
    r = Records(content, path)
    for n in walk(v.Parser(v._LANG_GO).parse(src).root_node):
        if n.type in ("function_declaration", "method_declaration"):
            nm = n.child_by_field_name("name")
            if nm is not None:
                name = text(nm, src)
                r.add(name, n.start_point[0], n.end_point[0], "use_case", "high", bool(name) and name[0].isupper())
        elif n.type == "type_declaration":
            for spec in n.children:
                nm = spec.child_by_field_name("name") if spec.type == "type_spec" else None
                if nm is None or not text(nm, src) or not text(nm, src)[0].isupper():
                    continue
                ty = spec.child_by_field_name("type")
                kind = "use_case" if ty is not None and ty.type == "interface_type" else "model"
                r.add(text(nm, src), n.start_point[0], n.end_point[0], kind, "high", True)
    return r.out


def imports(content, path, ext):
    src = content.encode("utf-8", "ignore")
    out = []
    lang = v._LANG_GO if ext == ".go" else v._LANG_PY if ext == ".py" else ts_lang(ext)
    for n in walk(v.Parser(lang).parse(src).root_node):
        if ext == ".go" and n.type == "import_spec":
            for c in n.children:
                if c.type == "interpreted_string_literal" and text(c, src).strip('"'):
                    out.append({"from": path, "to": text(c, src).strip('"'), "rel": "imports"})
        elif ext == ".py" and n.type == "import_statement":
            for c in n.children:
                if c.type in ("dotted_name", "aliased_import"):
                    out.append({"from": path, "to": text(c, src).split(" as ")[0].strip(), "rel": "imports"})
        elif ext == ".py" and n.type == "import_from_statement":
            m = n.child_by_field_name("module_name")
            if m is not None:
                out.append({"from": path, "to": text(m, src), "rel": "imports"})
        elif ext not in (".go", ".py") and n.type == "import_statement":
            s = n.child_by_field_name("source")
            if s is not None:
                out.append({"from": path, "to": text(s, src).strip("'\""), "rel": "imports"})
        elif ext not in (".go", ".py") and n.type == "call_expression":
            f, a = n.child_by_field_name("function"), n.child_by_field_name("arguments")
            if f is not None and text(f, src) == "require" and a is not None:
                for c in a.children:
                    if c.type == "string":
                        out.append({"from": path, "to": text(c, src).strip("'\""), "rel": "requires"})
    return out


# Names for every class of the TypeScript name rule and for the keyword split's corners.
NAMES_TS = """export function GET() {}
function POST() {}
export function Get() {}
export const useAuth = () => 1
function useauth() {}
function use() {}
export const use\u00c9tat = () => 1
export function user() {}
export function Button() {}
function get() {}
export function _id() {}
export function parseXMLDocumentNode() {}
function render_HTMLPage_v2Final() {}
export function MAX_FILE_BYTES() {}
export function a1B2C3() {}
"""


def generated(rng):
    words = ["export ", "default ", "async ", "function ", "class ", "const ", "let ", "var ", "interface ",
             "type ", "enum ", "import ", "from ", "require(", "'m'", "\"n\"", "=> ", "() ", "{ ", "} ", "; ",
             "\n", "\f", "\r", "#p() {} ", "get x() {} ", "A", "useB", "GET", "_c", "=", "<div>", "</div>", "*",
             "func ", "(r *T) ", "package p\n", "struct{} ", "interface{} ", "\u00c9t", "`raw`"]
    return ["".join(rng.choice(words) for _ in range(rng.randrange(5, 120))) for _ in range(300)]


def corpus():
    stdlib = sysconfig.get_paths()["stdlib"]
    files = []
    for sub in ("email", "json", "asyncio", "unittest", "importlib", "test/test_asyncio"):
        for d, _, names in os.walk(os.path.join(stdlib, sub)):
            files += [os.path.join(d, n) for n in sorted(names) if n.endswith(".py")]
    npm = "/usr/lib/node_modules/npm/lib"
    if os.path.isdir(npm):
        for d, _, names in os.walk(npm):
            files += [os.path.join(d, n) for n in sorted(names) if n.endswith(".js")][:8]
    texts = []
    for f in files[:400]:
        with open(f, "rb") as fh:
            texts.append((f, os.path.splitext(f)[1],
                          fh.read().decode("utf-8", "ignore").replace("\r\n", "\n").replace("\r", "\n")))
    texts.append(("names.ts", ".ts", NAMES_TS))
    rng = random.Random(5)
    for i, t in enumerate(generated(rng)):
        texts.append((f"gen{i}", (".ts", ".tsx", ".js", ".jsx", ".go")[i % 5], t))
    return texts


class OracleTest(unittest.TestCase):
    def test_same_records_and_edges_as_the_plain_rules(self):
        checked, classes = 0, set()
        for path, ext, content in corpus():
            with self.subTest(path=path):
                if ext in (".ts", ".tsx", ".js", ".jsx"):
                    classes.update((r["symbol_type"], r["confidence"]) for r in ts_symbols(content, path, ext))
                if ext == ".py":
                    self.assertEqual(v.extract_symbols_py_ast(content, path), py_symbols(content, path))
                elif ext == ".go":
                    self.assertEqual(v.extract_symbols_go_ast(content, path), go_symbols(content, path))
                    self.assertEqual(v.extract_imports_go_ast(content, path), imports(content, path, ext))
                else:
                    self.assertEqual(v.extract_symbols_ts_ast(content, path, ext), ts_symbols(content, path, ext))
                if ext == ".py":
                    self.assertEqual(v.extract_imports_py_ast(content, path), imports(content, path, ext))
                elif ext != ".go":
                    self.assertEqual(v.extract_imports_ts_ast(content, path, ext), imports(content, path, ext))
                checked += 1
        self.assertGreater(checked, 500)
        self.assertLessEqual({("api_route", "high"), ("hook", "high"), ("use_case", "medium"), ("use_case", "high"),
                              ("utility", "medium")}, classes)

    def test_scan_parses_once_for_the_same_records_and_edges(self):
        import tempfile
        texts = corpus()[::7]
        with tempfile.TemporaryDirectory() as tmp:
            root = os.path.realpath(tmp)
            ids = []
            for i, (_, ext, content) in enumerate(texts):
                ids.append(f"f{i}{ext}")
                with open(os.path.join(root, ids[-1]), "w", encoding="utf-8", newline="") as fh:
                    fh.write(content.replace("\r", ""))
            g = v.scan(root)
            for fid, (_, ext, content) in zip(ids, texts):
                content = content.replace("\r", "")
                want_edges = v._extract_imports(content, fid, ext, root)
                want_syms = [s["id"] for s in v._extract_symbols(content, fid, ext)]
                got_syms = [n["id"] for n in g["nodes"] if n["kind"] == "symbol" and n["path"] == fid]
                self.assertEqual(got_syms, want_syms, fid)
                got = [e for e in g["edges"] if e["from"] == fid and e["rel"] != "contains"]
                seen = []
                for e in want_edges:
                    if e not in seen:
                        seen.append(e)
                self.assertEqual(got, seen, fid)


if __name__ == "__main__":
    unittest.main()
