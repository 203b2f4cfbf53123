"""The walker's neighbours as the host runs them: summary, keywords, name classes and peer
rules in the host's own language. The C++ suites (through pipeline_oracle.hpp) and the
host-level tests both compare the built code against these."""
import re
from pathlib import Path

JS = (".ts", ".tsx", ".js", ".jsx")

def split_camel(name):
    s = re.sub(r"([a-z0-9])([A-Z])", r"\1 \2", name)
    s = re.sub(r"([A-Z]+)([A-Z][a-z])", r"\1 \2", s)
    return [p.lower() for p in s.split() if len(p) >= 3]

def name_keywords(name):
    tokens, seen = [], set()
    def add(word):
        w = word.lower().strip("_")
        if len(w) > 2 and w not in seen:
            seen.add(w)
            tokens.append(w)
    add(name)
    for p in split_camel(name):
        add(p)
    for p in name.split("_"):
        add(p)
    return tokens[:10]

def classify_ts_name(name, exported):
    if re.match(r"^(GET|POST|PUT|PATCH|DELETE|HEAD|OPTIONS)$", name):
        return ("api_route", "high")
    if name.startswith("use") and len(name) > 3 and name[3].isupper():
        return ("hook", "high")
    if exported:
        return ("use_case", "medium") if name[0].isupper() else ("use_case", "high")
    return ("utility", "medium")

def make_summary(content, path, ext):
    lines = content.splitlines()
    lead = ""
    if ext == ".py":
        m = re.search(r"^\s*(?:\'\'\'|\"\"\")([^\'\"]{8,200}?)(?:\'\'\'|\"\"\")", content, re.DOTALL)
        if m:
            lead = " ".join(m.group(1).split())[:120]
    elif ext in JS:
        m = re.match(r"\s*/\*\*?\s*(.*?)\*/", content, re.DOTALL)
        if m:
            lead = " ".join(m.group(1).replace("*", "").split())[:120]
    if not lead:
        for line in lines[:5]:
            l = line.strip().lstrip("#").lstrip("/").strip()
            if len(l) >= 10:
                lead = l[:120]
                break
    names = []
    pat = None
    if ext == ".py":
        pat = r"^(?:async\s+)?def\s+([A-Za-z_]\w*)|^class\s+([A-Za-z_]\w*)"
    elif ext in JS:
        pat = r"(?:export\s+)?(?:async\s+)?function\s+([A-Za-z_]\w*)|(?:export\s+)?class\s+([A-Za-z_]\w*)"
    if pat:
        for m in re.finditer(pat, content, re.MULTILINE):
            n = m.group(1) or m.group(2)
            if not n or n in names or (ext == ".py" and n.startswith("_")):
                continue
            names.append(n)
            if len(names) >= 5:
                break
    parts = [p for p in re.split(r"[/\\]", path) if p and p != "."]
    domain_parts = [p for p in parts if p.lower() not in ("src", "lib", "app", "pkg", "main", "index")]
    if domain_parts:
        domain = " ".join(domain_parts[-2:]).replace("_", " ").replace("-", " ")
    else:
        domain = parts[-1] if parts else ""
    domain = re.sub(r"\.\w+$", "", domain).strip()
    out = []
    if lead:
        out.append(lead.rstrip(".") + ".")
    elif domain:
        out.append("Handles " + domain + ".")
    if names:
        label = "function" if len(names) == 1 else "functions/classes"
        shown = ", ".join(names[:4]) + (", ..." if len(names) == 5 else "")
        out.append("Contains %d %s: %s." % (len(names), label, shown))
    return " ".join(out)[:250]

ROUTE = r"(?:app|router|r|mux|api)\s*[.\@]\s*(get|post|put|delete|patch|handle|handlefunc)\s*\(\s*['\"/]([^'\")\s]+)"

def extract_keywords(content, ext):
    tokens, seen = [], set()
    def add(word):
        w = word.lower().strip("_")
        if len(w) >= 3 and w not in seen:
            seen.add(w)
            tokens.append(w)
    def add_name(name):
        add(name)
        for p in split_camel(name):
            add(p)
    for m in re.finditer(ROUTE, content, re.IGNORECASE):
        add(m.group(1).upper())
        for seg in m.group(2).strip("/").split("/"):
            seg = re.sub(r"[{}:<>]", "", seg)
            if seg:
                add(seg)
    if ext in JS:
        for m in re.finditer(r"export\s+(?:default\s+)?(?:async\s+)?(?:function|class|const|type|interface|enum)\s+([A-Za-z_]\w*)", content):
            add_name(m.group(1))
        for m in re.finditer(r"export\s*\{([^}]+)\}", content):
            for p in re.split(r"[,\s]+", m.group(1)):
                p = p.strip()
                if p:
                    add_name(p)
    if ext == ".py":
        for m in re.finditer(r"^(?:async\s+)?def\s+([A-Za-z_]\w*)|^class\s+([A-Za-z_]\w*)", content, re.MULTILINE):
            n = m.group(1) or m.group(2)
            if n and not n.startswith("_"):
                add_name(n)
                for p in n.split("_"):
                    add(p)
    if ext == ".go":
        for m in re.finditer(r"^func\s+(?:\([^)]+\)\s+)?([A-Za-z_]\w*)\s*\(", content, re.MULTILINE):
            add_name(m.group(1))
        for m in re.finditer(r"^type\s+([A-Za-z_]\w*)\s+(?:struct|interface)", content, re.MULTILINE):
            add_name(m.group(1))
    return tokens[:80]

# The naming conventions that pair two files of one directory, in the order they are tried.
PEER_PAIRS = [
    ("^routes?$", "^middlewares?$"),
    ("^route$", "^middlewares?$"),
    ("^router$", "^middlewares?$"),
    ("^routes?$", "^guards?$"),
    ("^routes?$", "^interceptors?$"),
    ("^controllers?$", "^services?$"),
    ("^handlers?$", "^middlewares?$"),
    ("^handlers?$", "^validators?$"),
    ("^views?$", "^serializers?$"),
    ("^views?$", "^schemas?$"),
    ("^resolvers?$", "^guards?$"),
    ("^resolvers?$", "^interceptors?$"),
    ("^models?$", "^schemas?$"),
    ("^models?$", "^migrations?$"),
    ("^auth$", "^guards?$"),
    ("^auth$", "^permissions?$"),
    ("^auth$", "^policies$"),
    ("^auth$", "^middlewares?$"),
    ("^handlers?$", "^routers?$"),
    ("^services?$", "^repositor(?:y|ies)$"),
    ("^services?$", "^repos?$"),
    ("^routes?$", "^dep(endencies)?s?$"),
]

def peer_edges(file_ids, pure_path=Path):
    """`pure_path` is the platform's path class: Path here, PureWindowsPath for the
    answers that a Windows host gives."""
    pairs = [(re.compile(x, re.IGNORECASE), re.compile(y, re.IGNORECASE)) for x, y in PEER_PAIRS]
    by_dir = {}
    for fid in file_ids:
        p = pure_path(fid)
        by_dir.setdefault(str(p.parent), []).append((fid, p.stem.lower()))
    edges = []
    for files in by_dir.values():
        for i, (a, sa) in enumerate(files):
            for b, sb in files[i + 1:]:
                for px, py in pairs:
                    if (px.match(sa) and py.match(sb)) or (py.match(sa) and px.match(sb)):
                        edges.append({"from": a, "to": b, "rel": "structural_peer"})
                        edges.append({"from": b, "to": a, "rel": "structural_peer"})
                        break
    return edges
