"""Query analysis, node scoring and the capability index through the installed module: the
documented cases, the host's own re and str on the texts where PCRE2 and ICU could differ, and
the argument checks."""
import os
import re
import tempfile
import unittest

from tests.host import support  # noqa: F401

import tarvelle.kestil as kestil

ROUTE = re.compile(r"\b(GET|POST|PUT|DELETE|PATCH)\s+(/[\w/\-{}:]+)", re.IGNORECASE)
ROUTE_ANY = re.compile(r"\b(GET|POST|PUT|DELETE|PATCH)\s+/\S+", re.IGNORECASE)


class Tokenize(unittest.TestCase):
    def test_cases(self):
        cases = [("Fix the API bug in Checkout.tsx", ["bug", "checkout", "tsx"]),
                 ("order Order ORDER a b", ["order"]),
                 ("user_id caf\u00e9 404", ["user_id", "caf", "404"]),
                 ("", []),
                 ("\u212aey", ["key"]),                 # Kelvin sign lower-cases to k
                 ("F\u0130X the typo", ["fi", "typo"]),  # İ lower-cases to i + combining dot
                 ("please make it differently", [])]
        for text, want in cases:
            self.assertEqual(kestil.tokenize_query(text), want, text)
            self.assertEqual(kestil.tokenize_query(text=text), want)


class Route(unittest.TestCase):
    def test_cases(self):
        cases = [("POST /api/invoice/create", ("POST", ["invoice", "create"])),
                 ("get /Users/{id}/Orders", ("GET", ["users", "id", "orders"])),
                 ("GET /api", ("GET", [])),
                 ("GET users", ("", [])),
                 ("forget /x", ("", [])),
                 ("PATCH /shop//items/:itemId?x=1", ("PATCH", ["shop", "items", "itemid"])),
                 ("GET /?id=1", ("", [])),
                 ("see delete /a/{b}/c", ("DELETE", ["a", "b", "c"])),
                 ("po\u017ft /x", ("POST", ["x"]))]  # long s matches s ignoring case, and upper-cases to S
        for query, want in cases:
            self.assertEqual(kestil.extract_route(query), want, query)

    def test_differential_against_the_host(self):
        texts = ["GET\x1c/x", "GET\u180e/x", "GET\u00a0/a/b", "PUT\t/x-y/{id}", "xGET /a", "_GET /a",
                 "\u00e9GET /a", "GET /\u00e9t\u00e9/x", "GET /a\u0301b", "DELETE\u2028/z", "GET\x1f/x",
                 "post  /A/B:c", "GET /\U0001d400/x", "\u0661GET /x"]
        for t in texts:
            m = ROUTE.search(t)
            if m:
                segs = [p.lower() for p in (re.sub(r"[{}:<>]", "", x) for x in m.group(2).strip("/").split("/"))
                        if p and p.lower() != "api"]
                want = (m.group(1).upper(), segs)
            else:
                want = ("", [])
            self.assertEqual(kestil.extract_route(t), want, repr(t))
            host_debug = bool(ROUTE_ANY.search(t))
            self.assertEqual(kestil.classify_intent(t) == "debug", host_debug or "error" in t, repr(t))


class Intent(unittest.TestCase):
    def test_every_rule_and_its_priority(self):
        cases = [("GET /?id=1", "debug"), ("why does checkout crash", "explain"),
                 ("how does login work", "explain"), ("how  does login", "general"),
                 ("stack trace in login", "debug"), ("returns 404", "debug"),
                 ("add a unit test for the parser", "test"), ("the latest build", "test"),
                 ("simplify and add", "refactor"), ("address form", "feature"), ("fix the typo", "edit"),
                 ("patch it", "edit"), ("hello", "general"), ("", "general"),
                 ("F\u0130X the typo", "general"), ("FIX the typo", "edit"),
                 ("GET\x1c/x", "debug"), ("GET\u180e/x", "general")]
        for query, want in cases:
            self.assertEqual(kestil.classify_intent(query), want, repr(query))
            self.assertEqual(kestil.classify_intent(query=query), want)


class Roles(unittest.TestCase):
    def test_every_marker(self):
        cases = [("src/components/ui/Button.tsx", ".tsx", "shared_ui"), ("docs/tests/guide.md", ".md", "docs"),
                 ("README.MD", ".MD", "code"), ("tests/test_api.py", ".py", "code"),
                 ("src/tests/a.py", ".py", "test"), ("src/test/a.py", ".py", "test"),
                 ("src/a.test.ts", ".ts", "test"), ("src/a.SPEC.TSX", ".tsx", "test"), ("a.test.js", ".js", "code"),
                 ("src/app/pages/home.tsx::Home", ".tsx", "ui_surface"),
                 ("src/components/features/x.ts", ".ts", "ui_surface"), ("a/views/x", "", "ui_surface"),
                 ("a/screens/x", "", "ui_surface"), ("src/api/orders.py", ".py", "logic"),
                 ("a/services/x", "", "logic"), ("a/store/x", "", "logic"), ("a/hooks/x", "", "logic"),
                 ("a/utils/x", "", "logic"), ("src\\api\\orders.py", ".py", "code"), ("src/Pages/X.tsx", "", "ui_surface"),
                 ("", "", "code")]
        for path, ext, want in cases:
            self.assertEqual(kestil.node_role(path, ext), want, path)
            self.assertEqual(kestil.node_role(path=path, ext=ext), want)

    def test_weights(self):
        table = {"edit": [3, 3, 1, 2, -2, 1], "feature": [3, 4, 1, 2, -2, 1], "debug": [2, 4, 0, 2, -2, 2],
                 "refactor": [2, 3, 1, 3, -2, 2], "test": [1, 2, 0, 1, -2, 5], "explain": [1, 2, 0, 1, 2, 0],
                 "general": [2, 2, 0, 1, -1, 0], "other": [2, 2, 0, 1, -1, 0]}
        roles = ["ui_surface", "logic", "shared_ui", "code", "docs", "test"]
        for intent, row in table.items():
            for role, w in zip(roles, row):
                self.assertEqual(kestil.intent_role_weight(intent, role), w, (intent, role))
            self.assertEqual(kestil.intent_role_weight(intent=intent, role="nothing"), 0)

    def test_feature_scope(self):
        self.assertTrue(kestil.query_scoped_to_feature("my orders page"))
        self.assertFalse(kestil.query_scoped_to_feature("Checkout"))
        self.assertTrue(kestil.query_scoped_to_feature(q="the admin"))


class ScoreText(unittest.TestCase):
    def test_counts(self):
        self.assertEqual(kestil.score_text("Order ORDERS", ["order", "orders", "order", "x"]), 3)
        self.assertEqual(kestil.score_text(text="\u212a", terms=["k"]), 1)
        self.assertEqual(kestil.score_text("abc", []), 0)
        self.assertEqual(kestil.score_text("abc", [""]), 1)
        self.assertEqual(kestil.score_text("A B", ["a b"]), 1)


class ScoreNode(unittest.TestCase):
    def score(self, node, query):
        return kestil.score_node(node, kestil.tokenize_query(query), query)

    def test_worked_examples(self):
        q_card = "add status badge to the order card button on checkout page"
        cases = [({"id": "src/api/orders.py", "ext": ".py"}, "fix orders endpoint", 12),
                 ({"id": "src/api/invoice.ts::createInvoice", "ext": ".ts", "kind": "symbol", "confidence": "high",
                   "keywords": ["post", "invoice", "create"]}, "POST /api/invoice/create fails", 41),
                 ({"id": "src/components/ui/Card.tsx", "ext": ".tsx"}, q_card, 12),
                 ({"id": "src/components/ui/Card.tsx", "ext": ".tsx"}, q_card + " shared", 14),
                 ({"id": "docs/guide.md", "ext": ".md", "summary": "Login guide", "keywords": ["login", "guide"]},
                  "fix login", -2)]
        for node, query, want in cases:
            self.assertEqual(self.score(node, query), want, node["id"])

    def test_vendor_and_missing_fields(self):
        self.assertEqual(self.score({"id": "node_modules/a.py", "ext": ".py"}, "zz") -
                         self.score({"id": "nodemodules/a.py", "ext": ".py"}, "zz"), -10)
        self.assertEqual(self.score({"id": "venv/lib/x.py", "ext": ".py"}, "zz"),
                         self.score({"id": "venvx/lib/x.py", "ext": ".py"}, "zz"))
        self.assertEqual(self.score({}, "hello"), 1)                 # general/code
        self.assertEqual(self.score({"ext": ".md"}, "hello"), -3)   # docs -1, .md -2
        # A null id or ext scores by its text form "none".
        self.assertEqual(kestil.score_node({"id": None, "ext": None}, ["none"], "x"), 3 + 1)
        self.assertEqual(kestil.score_node({"id": 12, "ext": ".py"}, ["12"], "x"), 3 + 1 + 4)
        # Null keywords count as none, also with a route that has segments.
        q = "GET /users/list"
        self.assertEqual(self.score({"id": "a", "keywords": None}, q), self.score({"id": "a", "keywords": []}, q))
        self.assertEqual(self.score({"id": "a", "summary": None}, "a"), self.score({"id": "a"}, "a"))

    def test_route_rules(self):
        # 4b per listed segment (repeats count), 4c looks in the keyword text only and is a substring
        # test ("get" in "target"); rule 3 counts the terms "get" and "users" in the keywords.
        q = "GET /users/users"
        self.assertEqual(self.score({"id": "x", "keywords": ["users", "target"]}, q) -
                         self.score({"id": "x", "keywords": ["nothing"]}, q), 2 * 2 + 8 + 3)
        # A route without segments gets neither 4b nor 4c: rule 3 gives 2, debug/code 2.
        self.assertEqual(self.score({"id": "x", "keywords": ["get"]}, "GET /api"), 2 + 2)
        self.assertEqual(self.score({"id": "x", "keywords": ["get"]}, "GET /api/x"), 2 + 4 + 3 + 2)

    def test_types(self):
        with self.assertRaisesRegex(TypeError, "node"):
            kestil.score_node([], [], "q")
        with self.assertRaisesRegex(TypeError, "terms"):
            kestil.score_node({}, "q", "q")
        with self.assertRaisesRegex(TypeError, "query"):
            kestil.score_node({}, [], None)
        for bad in ({"summary": 3}, {"keywords": "abc"}, {"keywords": ["a", 1]}):
            with self.assertRaises(TypeError):
                kestil.score_node(bad, [], "q")
        self.assertEqual(kestil.score_node(node={"id": "a"}, terms=[], query="q"), 1)


class ArgumentKinds(unittest.TestCase):
    def test_text_arguments_refuse_other_kinds(self):
        calls = [(kestil.tokenize_query, (None,), "text"), (kestil.extract_route, (1,), "query"),
                 (kestil.classify_intent, (b"x",), "query"), (kestil.node_role, ("a", None), "ext"),
                 (kestil.intent_role_weight, (1, "code"), "intent"), (kestil.query_scoped_to_feature, ([],), "q"),
                 (kestil.score_text, ("a", ("a",)), "terms"), (kestil.score_text, ("a", [1]), "terms"),
                 (kestil.capability_file_boosts, (("a",), []), "query_terms"),
                 (kestil.capability_file_boosts, ([], None), "caps")]
        for fn, args, name in calls:
            with self.assertRaisesRegex(TypeError, name):
                fn(*args)


class CapabilityIndex(unittest.TestCase):
    def load(self, data):
        with tempfile.TemporaryDirectory() as d:
            path = os.path.join(d, "index.md")
            with open(path, "wb") as f:
                f.write(data)
            return kestil.load_capability_index(path)

    def test_sections_and_line_kinds(self):
        text = ("keywords: early\n- `src/early.py`\n"
                "## Billing\nKeywords: invoice, payment , , Checkout\n- `src/billing/invoice.py`\n"
                "- src/pay.py `note`\n- README\n- src/dir/\n- src.d/\n-src/x.py\n* src/y.py\n"
                "##NoSpace\n##   \n### Deep\nprose line\n"
                "## Only files\n- a/b.c\n"
                "## Keywords twice\nkeywords: one\nKEYWORDS: two:three, four\n"
                "## Emptied\nkeywords: x\nkeywords:\n"
                "## Empty\n"
                "## \u00a0Spaced name\u3000 \r\nkeywords : not a keyword line\nkeywords:\u212aey\n")
        caps = self.load(text.encode())
        got = [(c.name, c.keywords, c.files) for c in caps]
        self.assertEqual(got, [
            ("Billing", ["invoice", "payment", "checkout"], ["src/billing/invoice.py", "src/pay.py `note", "src.d/"]),
            ("Only files", [], ["a/b.c"]),
            ("Keywords twice", ["two:three", "four"], []),
            ("Spaced name", ["key"], []),
        ])
        self.assertEqual(repr(caps[0]), "CapabilityEntry(name='Billing', keywords=['invoice', 'payment', 'checkout'], "
                                        "files=['src/billing/invoice.py', 'src/pay.py `note', 'src.d/'])")

    def test_line_breaks_bom_and_bad_bytes(self):
        data = b"## A\x0bkeywords: k\x1c- a/b.c\x85## B\xe2\x80\xa8keywords: z\x1f- q/r.s\n"
        caps = self.load(data.replace(b"\x85", "\u0085".encode()))
        self.assertEqual([(c.name, c.keywords, c.files) for c in caps], [("A", ["k"], ["a/b.c"]),
                                                                         ("B", ["z\x1f- q/r.s"], [])])
        # The byte-order mark stays a character: the first heading is no heading.
        self.assertEqual([c.name for c in self.load(b"\xef\xbb\xbf## A\nkeywords: k\n## B\nkeywords: j\n")], ["B"])
        # Undecodable bytes are dropped.
        caps = self.load(b"## Bi\xffll\xc3ing\nkeywords: in\xedvoice\n- src/\xa0x.py\n")
        self.assertEqual([(c.name, c.keywords, c.files) for c in caps], [("Billing", ["invoice"], ["src/x.py"])])

    def test_missing_and_unreadable(self):
        with tempfile.TemporaryDirectory() as d:
            self.assertEqual(kestil.load_capability_index(os.path.join(d, "none.md")), [])
            self.assertEqual(kestil.load_capability_index(path=os.path.join(d, "none", "x.md")), [])
            with self.assertRaises(IsADirectoryError):
                kestil.load_capability_index(d)
            import pathlib
            self.assertEqual(kestil.load_capability_index(pathlib.Path(d) / "none.md"), [])

    def test_boosts(self):
        E = kestil.CapabilityEntry
        caps = [E("A", ["Auth", "login"], ["a/x.py", "a/y.py", "a/x.py"]),
                E(name="B", keywords=["login", "session", "token"], files=["a/y.py", "b/z.py"]),
                E("C", ["auth"], ["c/w.py"]), E("D", [], ["d/v.py"]), E("E", ["design system"], ["e/u.py"])]
        self.assertEqual(kestil.capability_file_boosts(["login", "login", "auth"], caps),
                         {"a/x.py": 8, "a/y.py": 8, "b/z.py": 6, "c/w.py": 6})
        self.assertEqual(list(kestil.capability_file_boosts(["session", "token", "auth"], caps)),
                         ["a/x.py", "a/y.py", "b/z.py", "c/w.py"])
        self.assertEqual(kestil.capability_file_boosts(["authentication", "design"], caps), {})
        self.assertEqual(kestil.capability_file_boosts(query_terms=[], caps=[]), {})

    def test_record_class(self):
        e = kestil.CapabilityEntry(name="n", keywords=["k"], files=["a/b.c"])
        self.assertEqual((e.name, e.keywords, e.files), ("n", ["k"], ["a/b.c"]))
        self.assertEqual(e, kestil.CapabilityEntry("n", ["k"], ["a/b.c"]))
        with self.assertRaises(TypeError):
            kestil.CapabilityEntry("n", ["k"])
        r = kestil.RetrieveResult(files=[], edges=[1])
        self.assertEqual(r.edges, [1])
        with self.assertRaises(TypeError):
            kestil.RetrieveResult([])


if __name__ == "__main__":
    unittest.main()
