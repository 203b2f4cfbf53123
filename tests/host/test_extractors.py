"""The Rust, Ruby, Java-family, C#, PHP and C/C++ extractors as the host sees them."""
import hashlib
import os
import unittest

import tests.host.support  # noqa: F401  (puts the install tree on sys.path)
from tarvelle import vorlane

CORPUS = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "fixtures", "corpus")
KEYS = ["id", "name", "symbol_type", "line_start", "line_end", "body_hash", "confidence", "exported", "keywords"]

# Corpus file, extractor, and the names it yields in order.
CORPUS_NAMES = [
    ("inventory.rs", "extract_symbols_rs",
     ["restock", "sync_remote", "reserve", "reprice", "drain", "Item", "parse", "Slot", "Movement", "Auditable"]),
    ("billing.rb", "extract_symbols_rb",
     ["initialize", "total", "paid", "void", "self", "registry", "Billing", "Invoice", "Reminder"]),
    ("OrderService.java", "extract_symbols_java",
     ["OrderService", "handles", "Builder", "Status", "Listener", "Tracked", "Point", "Visible", "main", "place",
      "audit", "byCustomer", "flush", "toString", "start", "handle", "pending", "sizes", "changed"]),
    ("Repository.kt", "extract_symbols_java",
     ["User", "Result", "Loading", "Success", "Repository", "Factory", "Registry", "Source", "create", "cache",
      "fetch"]),
    ("Router.scala", "extract_symbols_java", ["Router", "Response", "normalise", "dispatch", "empty", "handle"]),
    ("PaymentGateway.cs", "extract_symbols_cs",
     ["Commented", "PaymentGateway", "Ledger", "Extensions", "struct", "class", "IClient", "Currency", "Spread",
      "ChargeAsync", "ToString", "Reset", "Warm", "Validate", "Pending", "Buckets"]),
    ("UserController.php", "extract_symbols_php",
     ["helper", "second_helper", "third", "fourth", "find", "log", "index", "show", "create", "authorize", "cache",
      "plain", "__construct", "Repository", "Loggable", "Status", "UserController", "extends", "Widget",
      "Phantom"]),
    ("ring_buffer.c", "extract_symbols_c_cpp",
     ["ring", "value", "state", "is_full", "ring_push", "ring_clone", "ring_free"]),
    ("scene_graph.cpp", "extract_symbols_c_cpp",
     ["scene", "Node", "Pool", "Layer", "Transform", "acquire", "id", "collect", "depth", "hidden"]),
    ("ArenaActor.h", "extract_symbols_c_cpp",
     ["FArenaScore", "UArenaListener", "EArenaPhase", "EPlainFlags", "StartRound", "GetScore", "IsRunning",
      "ServerEnd", "AArenaActor", "UIndentedWidget", "UFUNCTION", "UCLASS"]),
]


def read(name):
    with open(os.path.join(CORPUS, name), encoding="utf-8", errors="ignore") as f:
        return f.read()


class CorpusRecords(unittest.TestCase):
    def test_records_of_each_corpus_file(self):
        for name, func, names in CORPUS_NAMES:
            with self.subTest(file=name):
                content = read(name)
                rows = content.splitlines()
                records = getattr(vorlane, func)(content, "src/" + name)
                self.assertIsInstance(records, list)
                self.assertEqual([r["name"] for r in records], names)
                for r in records:
                    self.assertEqual(list(r), KEYS)
                    self.assertEqual(r["id"], "src/" + name + "::" + r["name"])
                    self.assertIs(type(r["line_start"]), int)
                    self.assertIs(type(r["exported"]), bool)
                    self.assertEqual(r["confidence"], "high")
                    self.assertLessEqual(r["line_start"], r["line_end"])
                    self.assertLess(r["line_end"], len(rows))
                    body = "\n".join(rows[r["line_start"]:r["line_end"] + 1])
                    self.assertEqual(r["body_hash"], hashlib.md5(body.encode("utf-8")).hexdigest()[:8])


class Calling(unittest.TestCase):
    FUNCS = ["extract_symbols_rs", "extract_symbols_rb", "extract_symbols_java", "extract_symbols_cs",
             "extract_symbols_php", "extract_symbols_c_cpp"]

    def test_arguments_by_position_or_name(self):
        for func in self.FUNCS:
            with self.subTest(func=func):
                f = getattr(vorlane, func)
                self.assertEqual(f("", "a"), [])
                self.assertEqual(f(content="", file_path="a"), [])
                with self.assertRaises(TypeError):
                    f("")
                with self.assertRaises(TypeError):
                    f(file_path="a")

    def test_path_is_used_unchanged(self):
        # a file id may carry the surrogate escapes of an undecodable file name
        path = "dir\\sub/\udcffname.rs"
        records = vorlane.extract_symbols_rs("pub fn run() {}\n", path)
        self.assertEqual([r["id"] for r in records], [path + "::run"])


class PhpVisibility(unittest.TestCase):
    """A PHP function is hidden when "private" or "protected" stands on its keyword's row
    before the keyword; rows are counted by line feeds, so the other line breaks of
    str.splitlines do not start a row."""

    @staticmethod
    def expected_exported(text, name):
        keyword = text.index("function " + name)
        row = text[text.rfind("\n", 0, keyword) + 1:keyword]
        return "private" not in row and "protected" not in row

    def test_only_a_line_feed_starts_the_row(self):
        # The host's own row ends, one character each, and its pair "\r\n".
        breaks = [chr(c) for c in range(0x110000) if len(("a" + chr(c) + "b").splitlines()) == 2]
        self.assertEqual(breaks, list("\n\x0b\x0c\r\x1c\x1d\x1e\x85\u2028\u2029"))
        texts = [
            "<?php\nprotected {} function f() {{}}\n",
            "<?php\nclass C {{\n    private $x;{}    function f() {{}}\n}}\n",
            "<?php\nclass C {{\n    /* protected */{}    static function f() {{}}\n}}\n",
            "<?php\nclass C {{\n    function f() {{}}{}    private $y;\n}}\n",
        ]
        for brk in breaks + ["\r\n"]:
            for template in texts:
                text = template.format(brk)
                with self.subTest(text=text):
                    records = vorlane.extract_symbols_php(text, "a.php")
                    got = {r["name"]: r["exported"] for r in records}
                    self.assertEqual(got["f"], self.expected_exported(text, "f"))
        self.assertFalse(self.expected_exported("<?php\nprotected \x0c function f() {}\n", "f"))


if __name__ == "__main__":
    unittest.main()
