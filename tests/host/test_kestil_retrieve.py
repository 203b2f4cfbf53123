"""retrieve: ranking, the one-entry-per-file rule, boosts, counts, fallbacks, shared objects and
type errors, and a differential run against a plain host rendering of the same rules on
generated graphs."""
import os
import random
import re
import tempfile
import unittest

from tests.host import support  # noqa: F401  (puts the install tree on the path)

import tarvelle.kestil as kestil

# ---------------------------------------------------------------------------
# The rules in the host's own terms, written from the documented behaviour, as an oracle.

STOP = {"a", "an", "the", "to", "for", "with", "from", "and", "or", "of", "on", "in", "by", "you", "your", "can",
        "could", "should", "would", "will", "want", "need", "please", "fix", "update", "make", "show",
        "differently", "different", "change", "do", "it", "api"}
ROUTE = re.compile(r"\b(GET|POST|PUT|DELETE|PATCH)\s+(/[\w/\-{}:]+)", re.IGNORECASE)
ROUTE_ANY = re.compile(r"\b(GET|POST|PUT|DELETE|PATCH)\s+/\S+", re.IGNORECASE)
INTENTS = [("explain", ["why", "explain", "architecture", "dependency", "how does"]),
           ("debug", ["error", "bug", "crash", "failing", "fail", "broken", "stack trace", "500", "404", "returning",
                      "throws", "exception"]),
           ("test", ["test", "unit test", "integration test", "coverage"]),
           ("refactor", ["refactor", "cleanup", "simplify", "restructure", "optimize"]),
           ("feature", ["add", "create", "implement", "build", "support"]),
           ("edit", ["fix", "update", "change", "edit", "modify", "patch"])]
WEIGHTS = {"edit": [3, 3, 1, 2, -2, 1], "feature": [3, 4, 1, 2, -2, 1], "debug": [2, 4, 0, 2, -2, 2],
           "refactor": [2, 3, 1, 3, -2, 2], "test": [1, 2, 0, 1, -2, 5], "explain": [1, 2, 0, 1, 2, 0],
           "general": [2, 2, 0, 1, -1, 0]}
ROLES = ["ui_surface", "logic", "shared_ui", "code", "docs", "test"]


def ref_tokenize(text):
    out = []
    for run in re.findall(r"[a-zA-Z0-9_]+", text.lower()):
        if len(run) >= 2 and run not in STOP and run not in out:
            out.append(run)
    return out


def ref_route(query):
    m = ROUTE.search(query)
    if not m:
        return "", []
    segs = []
    for piece in m.group(2).strip("/").split("/"):
        piece = re.sub(r"[{}:<>]", "", piece)
        if piece and piece.lower() != "api":
            segs.append(piece.lower())
    return m.group(1).upper(), segs


def ref_score_text(text, terms):
    t = text.lower()
    return sum(1 for term in terms if term in t)


def ref_intent(query):
    q = query.lower()
    if ROUTE_ANY.search(query):
        return "debug"
    for intent, words in INTENTS:
        if any(w in q for w in words):
            return intent
    return "general"


def ref_role(path, ext):
    p = path.lower()
    if ext == ".md":
        return "docs"
    if "/test/" in p or "/tests/" in p or p.endswith((".test.ts", ".spec.ts", ".test.tsx", ".spec.tsx")):
        return "test"
    if "/components/ui/" in p:
        return "shared_ui"
    if any(m in p for m in ("/pages/", "/components/features/", "/views/", "/screens/")):
        return "ui_surface"
    if any(m in p for m in ("/api/", "/services/", "/store/", "/hooks/", "/utils/")):
        return "logic"
    return "code"


def ref_weight(intent, role):
    row = WEIGHTS.get(intent, WEIGHTS["general"])
    return row[ROLES.index(role)] if role in ROLES else 0


def ref_score_node(node, terms, query):
    path = str(node.get("id", "")).lower()
    ext = str(node.get("ext", "")).lower()
    summary = node.get("summary", "") or ""
    keywords = node.get("keywords", []) or []
    intent = ref_intent(query)
    role = ref_role(path, ext)
    q = query.lower()
    kw = " ".join(keywords)
    method, segs = ref_route(query)
    s = 3 * ref_score_text(path, terms)
    if summary:
        s += 3 * ref_score_text(summary, terms)
    if keywords:
        s += 2 * ref_score_text(kw, terms)
    if segs:
        blob = kw + " " + path
        s += 4 * sum(1 for g in segs if g in blob)
        if method and method.lower() in kw:
            s += 3
    s += ref_weight(intent, role)
    if ext in (".py", ".ts", ".tsx", ".js", ".jsx", ".go"):
        s += 4
    elif ext == ".md":
        s -= 2
    if any(m in path for m in ("node_modules/", "site-packages/", "/venv/", "/.venv/")):
        s -= 10
    if "/components/ui/" in path:
        s -= 1
    if any(m in path for m in ("/components/features/", "/pages/", "/api/")):
        s += 2
    for word, marker in (("restaurant", "restaurant-portal/"), ("customer", "customer-portal/"),
                         ("admin", "admin-portal/")):
        if word in q and marker in path:
            s += 4
    if any(w in q for w in ("payment", "invoice", "checkout")) and \
            any(w in path for w in ("payment", "invoice", "checkout", "order")):
        s += 3
    if any(w in q for w in ("button", "modal", "card", "table", "form", "badge", "page", "screen")):
        if role == "ui_surface":
            s += 4
        if any(w in path for w in ("card", "modal", "details", "list", "table", "orders", "checkout")):
            s += 3
        if "button" in q and any(w in q for w in ("status", "payment", "checkout", "invoice")):
            if any(w in path for w in ("card", "modal", "detail")):
                s += 4
            if any(w in path for w in ("list", "table", "/pages/")):
                s -= 3
        if "/components/ui/" in path and any(w in q for w in ("portal", "checkout", "invoice", "payment", "order",
                                                               "restaurant", "customer", "admin")) \
                and not any(w in q for w in ("global", "shared", "design system", "reusable")):
            s -= 2
    if role == "docs" and intent in ("edit", "feature", "debug", "refactor"):
        s -= 3
    if node.get("kind") == "symbol":
        s += 3
        if node.get("confidence") == "high":
            s += 2
    return s


def ref_boosts(terms, caps):
    q = set(terms)
    boosts = {}
    for cap in caps:
        overlap = len(q & {k.lower() for k in cap.keywords})
        if overlap:
            for f in cap.files:
                boosts[f] = max(boosts.get(f, 0), 4 + 2 * overlap)
    return boosts


def ref_retrieve(graph, query, top_files, top_edges, caps):
    terms = ref_tokenize(query)
    intent = ref_intent(query)
    q = query.lower()
    cap_boost = ref_boosts(terms, caps)
    nodes, edges = graph.get("nodes", []), graph.get("edges", [])
    degree, buttons, badges = {}, set(), set()
    for e in edges:
        frm, to, rel = str(e.get("from", "")), str(e.get("to", "")), str(e.get("rel", ""))
        if frm:
            degree[frm] = degree.get(frm, 0) + 1
        if to:
            degree[to] = degree.get(to, 0) + 1
        if rel == "imports":
            if "button" in to.lower():
                buttons.add(frm)
            if "badge" in to.lower():
                badges.add(frm)
    scored = []
    for n in nodes:
        s = ref_score_node(n, terms, query)
        nid = str(n.get("id", ""))
        s += cap_boost.get(nid, 0)
        for pref, b in cap_boost.items():
            if pref.endswith("/") and nid.startswith(pref):
                s += b
            elif pref.endswith("*") and nid.startswith(pref[:-1]):
                s += b
        s += min(degree.get(nid, 0) // 3, 4)
        if "button" in q and nid in buttons:
            s += 6
        if "button" in q and "badge" not in q and nid in badges:
            s -= 2
        if "badge" in q and nid in badges:
            s += 4
        if s > 0:
            scored.append((s, n))
    scored.sort(key=lambda x: (-x[0], x[1].get("id", "")))
    chosen, seen = [], set()
    for s, n in scored:
        if len(chosen) >= top_files:
            break
        nid, kind = str(n.get("id", "")), str(n.get("kind", "file"))
        base = nid.split("::", 1)[0] if kind == "symbol" else nid
        if base in seen:
            continue
        seen.add(base)
        sn = {k: v for k, v in n.items() if k != "content"}
        sn["_score"] = s
        sn["_role"] = ref_role(str(sn.get("id", "")), str(sn.get("ext", "")))
        sn["_intent"] = intent
        chosen.append(sn)
    chosen_ids = {f.get("id", "") for f in chosen}
    escored = []
    for e in edges:
        rel = str(e.get("rel", ""))
        s = 2 * ref_score_text(f"{e.get('from', '')} {rel} {e.get('to', '')}", terms)
        if ("from" in e and e["from"] in chosen_ids) or ("to" in e and e["to"] in chosen_ids):
            s += 4
        if ("from" in e and e["from"] in cap_boost) or ("to" in e and e["to"] in cap_boost):
            s += 2
        if rel == "imports":
            s += 1
        if s > 0:
            escored.append((s, e))
    escored.sort(key=lambda x: (-x[0], x[1].get("from", ""), x[1].get("to", "")))
    chosen_edges = [e for _, e in escored[:top_edges]]
    if not chosen:
        chosen = nodes[:top_files]
    if not chosen_edges:
        chosen_edges = edges[:top_edges]
    return chosen, chosen_edges


# ---------------------------------------------------------------------------

class IndexDir:
    """A temporary capability index; kestil.CAPABILITY_INDEX points at it while in use."""

    def __init__(self, text=None):
        self.text = text

    def __enter__(self):
        self.dir = tempfile.TemporaryDirectory()
        self.saved = kestil.CAPABILITY_INDEX
        path = os.path.join(self.dir.name, "functionality_index.md")
        if self.text is not None:
            with open(path, "w", encoding="utf-8") as f:
                f.write(self.text)
        kestil.CAPABILITY_INDEX = path
        return path

    def __exit__(self, *exc):
        kestil.CAPABILITY_INDEX = self.saved
        self.dir.cleanup()


def node(id_, kind="file", ext=".py", **more):
    n = {"id": id_, "kind": kind, "path": id_.split("::")[0], "ext": ext, "size": 1, "keywords": []}
    n.update(more)
    return n


def ids(result):
    return [f.get("id") for f in result.files]


class RetrieveRanking(unittest.TestCase):
    def setUp(self):
        self.index = IndexDir()
        self.index.__enter__()

    def tearDown(self):
        self.index.__exit__()

    def test_empty_graphs(self):
        for g in ({}, {"nodes": [], "edges": []}):
            r = kestil.retrieve(g, "anything", 5, 5)
            self.assertEqual((r.files, r.edges), ([], []))
            self.assertIsInstance(r, kestil.RetrieveResult)

    def test_ties_go_by_id_then_graph_order(self):
        a1 = node("b/x.py", summary="one")
        a2 = node("a/x.py", summary="two")
        a3 = node("a/x.py", kind="other", summary="three")
        r = kestil.retrieve({"nodes": [a1, a2, a3]}, "x", 10, 10)
        self.assertEqual([f["summary"] for f in r.files], ["two", "one"])

    def test_equal_ids_keep_graph_order(self):
        # Equal scores and equal ids: the first in graph order takes the file's place.
        g = {"nodes": [node("a.py", summary="first"), node("a.py", summary="second")]}
        r = kestil.retrieve(g, "zzz", 10, 10)
        self.assertEqual([f["summary"] for f in r.files], ["first"])

    def test_symbol_outranking_its_file_takes_the_place(self):
        g = {"nodes": [node("src/pay.py"),
                       node("src/pay.py::charge", kind="symbol", keywords=["charge"], confidence="high"),
                       node("src/other.py")]}
        r = kestil.retrieve(g, "charge", 2, 5)
        self.assertEqual(ids(r), ["src/pay.py::charge", "src/other.py"])

    def test_degree_bonus(self):
        for ends, bonus in ((2, 0), (3, 1), (11, 3), (12, 4), (40, 4)):
            edges = [{"from": "hub.py", "to": f"t{i}", "rel": "references"} for i in range(ends)]
            r = kestil.retrieve({"nodes": [node("hub.py")], "edges": edges}, "zzz", 1, 0)
            base = kestil.score_node(node("hub.py"), [], "zzz")
            self.assertEqual(r.files[0]["_score"], base + bonus, ends)

    def test_button_and_badge_consumers(self):
        g = {"nodes": [node("btn.py"), node("bdg.py"), node("both.py")],
             "edges": [{"from": "btn.py", "to": "./ui/Button", "rel": "imports"},
                       {"from": "bdg.py", "to": "./ui/StatusBadge", "rel": "imports"},
                       {"from": "both.py", "to": "./ui/Button", "rel": "imports"},
                       {"from": "both.py", "to": "./ui/Badge", "rel": "imports"}]}
        base = kestil.score_node(node("btn.py"), [], "q")

        def scores(query):
            r = kestil.retrieve(g, query, 10, 0)
            return {f["id"]: f["_score"] - kestil.score_node(node(f["id"]), kestil.tokenize_query(query), query)
                    for f in r.files}
        self.assertGreater(base, 0)
        self.assertEqual(scores("the button"), {"btn.py": 6, "bdg.py": -2, "both.py": 4})
        self.assertEqual(scores("button badge"), {"btn.py": 6, "bdg.py": 4, "both.py": 10})

    def test_capability_boosts_exact_and_prefix(self):
        text = ("## Billing\nkeywords: invoice\n- `src/billing.py`\n- `src/pay.d/`\n- `src/star.x*`\n")
        g = {"nodes": [node("src/billing.py"), node("src/pay.d/a.py"), node("src/pay.d/a.py::f", kind="symbol"),
                       node("src/star.x1.py"), node("src/plain.py")],
             "edges": [{"from": "src/billing.py", "to": "zz", "rel": "references"},
                       {"from": "q", "to": "src/pay.d/", "rel": "references"}]}
        with IndexDir(text):
            r = kestil.retrieve(g, "invoice", 10, 10)
        got = {f["id"]: f["_score"] for f in r.files}
        terms = ["invoice"]
        for n in g["nodes"]:
            base = kestil.score_node(n, terms, "invoice")
            extra = {"src/billing.py": 6, "src/pay.d/a.py": 6, "src/star.x1.py": 6}.get(n["id"].split("::")[0], 0)
            if n["id"] in got:
                self.assertEqual(got[n["id"]], base + extra, n["id"])
        # Exact key test on edge ends: the "/" key matches only an end equal to it.
        self.assertEqual([e["to"] for e in r.edges], ["zz", "src/pay.d/"])

    def test_counts_zero_negative_and_fractional(self):
        g = {"nodes": [node(f"f{i}.py") for i in range(5)],
             "edges": [{"from": f"f{i}.py", "to": "m", "rel": "imports"} for i in range(5)]}
        self.assertEqual(kestil.retrieve(g, "q", 0, 0).files, [])
        self.assertEqual(kestil.retrieve(g, "q", 0, 0).edges, [])
        r = kestil.retrieve(g, "q", -2, -2)
        self.assertEqual(ids(r), ["f0.py", "f1.py", "f2.py"])  # fallback: nodes[:-2]
        self.assertEqual(len(r.edges), 3)
        r = kestil.retrieve(g, "q", 2.9, True)
        self.assertEqual(len(r.files), 2)
        self.assertEqual(len(r.edges), 1)
        self.assertEqual(len(kestil.retrieve(g, "q", 10**30, -10**30).files), 5)

    def test_fallbacks_share_the_graph_maps(self):
        g = {"nodes": [node("a.md", ext=".md", content="x"), node("b.md", ext=".md")],
             "edges": [{"from": "a", "to": "b", "rel": "references"}]}
        r = kestil.retrieve(g, "fix it", 1, 5)
        self.assertIs(r.files[0], g["nodes"][0])
        self.assertIn("content", r.files[0])
        self.assertIs(r.edges[0], g["edges"][0])

    def test_scored_node_shape_and_shared_values(self):
        n = node("src/pages/Home.tsx", ext=".tsx", keywords=["home"], content="text", summary="Home page")
        g = {"nodes": [n], "edges": [{"from": "src/pages/Home.tsx", "to": "x", "rel": "imports"}]}
        r = kestil.retrieve(g, "home page", 5, 5)
        f = r.files[0]
        self.assertEqual(list(f), ["id", "kind", "path", "ext", "size", "keywords", "summary", "_score", "_role",
                                   "_intent"])
        self.assertIs(f["keywords"], g["nodes"][0]["keywords"])
        self.assertIsNot(f, n)
        self.assertIs(r.edges[0], g["edges"][0])
        self.assertEqual(f["_role"], "ui_surface")

    def test_role_of_an_id_with_capitals(self):
        g = {"nodes": [node("src/Pages/Home.tsx", ext=".tsx")]}
        r = kestil.retrieve(g, "home", 5, 5)
        self.assertEqual(r.files[0]["_role"], "ui_surface")

    def test_type_errors_name_the_argument(self):
        cases = [(([], "q", 1, 1), "graph"), (({}, None, 1, 1), "query"), (({}, "q", "1", 1), "top_files"),
                 (({}, "q", 1, None), "top_edges"), (({}, b"q", 1, 1), "query")]
        for args, name in cases:
            with self.assertRaisesRegex(TypeError, name):
                kestil.retrieve(*args)
        r = kestil.retrieve(graph={}, query="q", top_files=1, top_edges=1)
        self.assertEqual(r.files, [])

    def test_unreadable_index_ends_the_call(self):
        with tempfile.TemporaryDirectory() as d:
            saved = kestil.CAPABILITY_INDEX
            kestil.CAPABILITY_INDEX = d
            try:
                with self.assertRaises(IsADirectoryError):
                    kestil.retrieve({}, "q", 1, 1)
            finally:
                kestil.CAPABILITY_INDEX = saved

    def test_ids_that_are_not_texts(self):
        # Numbers order as numbers; an edge end equal to a chosen number id counts.
        g = {"nodes": [{"id": 10}, {"id": 9}, {"id": 9.5}],
             "edges": [{"from": 9, "to": "x", "rel": "references"}, {"from": "y", "to": "z", "rel": "references"}]}
        r = kestil.retrieve(g, "q", 5, 5)
        self.assertEqual(ids(r), [9, 9.5, 10])
        self.assertEqual(r.edges, [g["edges"][0]])


WORDS = ["order", "orders", "invoice", "payment", "checkout", "button", "badge", "card", "modal", "table", "list",
         "detail", "details", "page", "status", "user", "Pages", "api", "test", "docs", "portal", "admin",
         "customer", "restaurant", "shared", "global", "caf\u00e9", "\u212aey", "F\u0130X", "\u03a3\u0391\u03a3"]
DIRS = ["src/pages/", "src/components/ui/", "src/components/features/", "src/api/", "src/services/",
        "node_modules/x/", "venv/lib/", "app/.venv/", "customer-portal/", "admin-portal/", "restaurant-portal/",
        "tests/", "src/tests/", "docs/", "src/Pages/", "src\\api\\", ""]
EXTS = [".py", ".ts", ".tsx", ".md", ".MD", ".go", ".json", ""]
QUERIES = ["fix the checkout button status on the order card", "POST /api/invoice/create fails",
           "get /Users/{id}/Orders", "add a reusable modal for payments", "why does the customer portal crash",
           "button badge", "explain the admin table", "refactor the list page", "hello", "",
           "PATCH /shop//items/:itemId?x=1 order", "F\u0130X the \u212aey", "unit test coverage for orders"]


def random_graph(rnd, n_files):
    nodes, edges = [], []
    for i in range(n_files):
        fid = rnd.choice(DIRS) + "_".join(rnd.sample(WORDS, 2)) + str(i % 7) + rnd.choice(EXTS)
        fn = {"id": fid, "kind": "file", "path": fid, "ext": rnd.choice(EXTS), "size": i,
              "keywords": rnd.sample(WORDS, rnd.randint(0, 3)), "content": "x" * i,
              "summary": rnd.choice(["", None, " ".join(rnd.sample(WORDS, 3))]), "file_hash": "h"}
        if rnd.random() < 0.1:
            fn["keywords"] = None
        if rnd.random() < 0.1:
            del fn["ext"]
        nodes.append(fn)
        for j in range(rnd.randint(0, 3)):
            name = rnd.choice(WORDS) + str(j)
            sid = fid + "::" + name
            nodes.append({"id": sid, "kind": "symbol", "path": fid, "ext": fn.get("ext", ""), "size": 2,
                          "keywords": rnd.sample(WORDS, 2), "name": name,
                          "confidence": rnd.choice(["high", "medium"])})
            edges.append({"from": fid, "to": sid, "rel": "contains"})
        for _ in range(rnd.randint(0, 4)):
            target = rnd.choice(["./ui/Button", "./StatusBadge", "react", "../api/orders", fid, "x/y.py"])
            edges.append({"from": fid, "to": target, "rel": rnd.choice(["imports", "references", "requires"])})
    rnd.shuffle(nodes)
    return {"nodes": nodes, "edges": edges}


class RetrieveAgainstOracle(unittest.TestCase):
    INDEX = ("## Orders\nKeywords: order, orders, checkout\n- `src/pages/`\n- `customer-portal/*`\n"
             "## Pay\nkeywords: payment, invoice\n- src/api/payment_invoice0.py\n- `src/api/`\n")

    def test_generated_graphs(self):
        rnd = random.Random(11)
        with IndexDir(self.INDEX) as path:
            caps = kestil.load_capability_index(path)
            for round_ in range(40):
                g = random_graph(rnd, rnd.randint(0, 60))
                for query in rnd.sample(QUERIES, 3):
                    tf, te = rnd.choice([0, 1, 3, 8, 50, -2]), rnd.choice([0, 2, 10, 100, -3])
                    want_files, want_edges = ref_retrieve(g, query, tf, te, caps)
                    got = kestil.retrieve(g, query, tf, te)
                    self.assertEqual(got.files, want_files, (round_, query, tf, te))
                    self.assertEqual([id(e) for e in got.edges], [id(e) for e in want_edges], (round_, query))

    def test_odd_graphs_against_oracle(self):
        # Nodes without an id or with an empty one, edges without ends or with empty ones:
        # an empty "from" still names the importer, adds no degree, and equals a chosen "".
        g = {"nodes": [{"kind": "file", "ext": ".py", "keywords": ["button"]}, {"id": "", "ext": ".ts"},
                       {"id": "a.py", "kind": "symbol"}, {"id": "b.py::x"}],
             "edges": [{"to": "./Button", "rel": "imports"}, {"from": "", "to": "./badge", "rel": "imports"},
                       {"from": "", "to": "", "rel": "references"}, {"rel": "imports"},
                       {"from": "a.py", "to": "", "rel": "contains"}, {"from": "a.py"}, {}]}
        with IndexDir() as path:
            caps = kestil.load_capability_index(path)
            for query in ("button", "button badge", "badge", "x", "fix the button"):
                for tf, te in ((5, 10), (1, 1), (0, 3)):
                    want_files, want_edges = ref_retrieve(g, query, tf, te, caps)
                    got = kestil.retrieve(g, query, tf, te)
                    self.assertEqual(got.files, want_files, (query, tf))
                    self.assertEqual([id(e) for e in got.edges], [id(e) for e in want_edges], (query, tf, te))

    def test_keys_of_other_objects_and_kinds(self):
        # Keys equal to the field names but other objects, a str subclass key, a key that
        # is not text: each node reads as a lookup of its fields would read it.
        class Key(str):
            pass
        made = "".join(["i", "d"])
        g = {"nodes": [{"id": "a/orders.py", "ext": ".py"},
                       {made: "b/orders.py", "".join(["e", "xt"]): ".py", 1: "one"},
                       {Key("id"): "c/orders.py", "ext": ".py", "keywords": ["orders"]},
                       {("id",): "tuple", "id": "d/orders.py", "summary": "orders"}],
             "edges": [{"".join(["fr", "om"]): "b/orders.py", "to": "a/orders.py", "rel": "imports"},
                       {Key("from"): "c/orders.py", 2.5: "x", "rel": "imports"}]}
        with IndexDir() as path:
            caps = kestil.load_capability_index(path)
            want_files, want_edges = ref_retrieve(g, "orders", 10, 10, caps)
            got = kestil.retrieve(g, "orders", 10, 10)
        self.assertEqual(got.files, want_files)
        self.assertEqual([id(e) for e in got.edges], [id(e) for e in want_edges])
        self.assertEqual(len(got.files), 4)

    def test_large_graph_on_several_threads(self):
        # Big enough for the scoring to be split over threads; same answer as the oracle.
        rnd = random.Random(5)
        g = random_graph(rnd, 9000)
        with IndexDir(self.INDEX) as path:
            caps = kestil.load_capability_index(path)
            for query in QUERIES[:4]:
                want_files, want_edges = ref_retrieve(g, query, 25, 60, caps)
                got = kestil.retrieve(g, query, 25, 60)
                self.assertEqual(got.files, want_files, query)
                self.assertEqual([id(e) for e in got.edges], [id(e) for e in want_edges], query)

    def test_long_queries_against_oracle(self):
        # Term counting has three regimes: terms and path words in one automaton, more
        # terms than fit beside the path words, and more than one automaton holds (or
        # one very long word); each ranks as the oracle does.
        rnd = random.Random(8)
        g = random_graph(rnd, 300)
        words = sorted({w.lower() for w in WORDS if w.isascii() and " " not in w and w.lower() not in STOP})
        queries = [" ".join(words + [f"w{i}" for i in range(12)]),
                   " ".join(words + [f"w{i}" for i in range(45)]),
                   "orders " + "z" * 5000 + " checkout " + "order" * 900]
        with IndexDir(self.INDEX) as path:
            caps = kestil.load_capability_index(path)
            for query in queries:
                want_files, want_edges = ref_retrieve(g, query, 30, 60, caps)
                got = kestil.retrieve(g, query, 30, 60)
                self.assertEqual(got.files, want_files, len(ref_tokenize(query)))
                self.assertEqual([id(e) for e in got.edges], [id(e) for e in want_edges])

    def test_routes_with_repeats_and_many_segments_against_oracle(self):
        # Repeated segments count per entry; a method that is also a segment; more
        # distinct segments than one search set holds.
        nodes = [{"id": "src/s1/s2.py", "keywords": ["s3", "get", "targets5"]}, {"id": "a/x.py", "keywords": None},
                 {"id": "get", "keywords": ["post", "s70x", "s62", "s61"]}, {"id": "users/users.py"}]
        routes = ["GET /users/users/get", "post /get/post/" + "/".join(f"s{i}" for i in range(63)),
                  "GET /" + "/".join(f"s{i}" for i in range(80)) + "/s1/s1"]
        for query in routes:
            terms = ref_tokenize(query)
            for n in nodes:
                self.assertEqual(kestil.score_node(n, terms, query), ref_score_node(n, terms, query), (n, query[:20]))

    def test_score_node_against_oracle(self):
        rnd = random.Random(3)
        g = random_graph(rnd, 200)
        for n in g["nodes"]:
            for query in QUERIES:
                terms = ref_tokenize(query)
                self.assertEqual(kestil.score_node(n, terms, query), ref_score_node(n, terms, query), (n, query))


if __name__ == "__main__":
    unittest.main()
