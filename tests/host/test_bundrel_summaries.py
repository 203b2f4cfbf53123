"""The packer's summary store and renderings, token estimate and symbol excerpts, through the installed module."""
import os
import shutil
import sys
import tempfile
import unittest

from tests.host import support  # noqa: F401  (puts the install tree on the module path)
from tarvelle import bundrel


def fn(**keys):
    return dict(keys)


class SummaryBlock(unittest.TestCase):
    def test_worked_block(self):
        summary = {
            "description": "Order endpoints",
            "functions": {
                "list_orders": fn(params=["db: Database", "status: str = None"], returns="list[Order]",
                                  calls_internal=["to_response", "paginate"], calls_external=["db.query"],
                                  decorators=["@router.get"]),
                "create_order": fn(params=["db: Database", "data: OrderIn"]),
            },
            "classes": {"OrderIn": {"bases": ["BaseModel"]}},
            "variables": [{"name": "router", "used_by": ["list_orders", "create_order"]}],
        }
        self.assertEqual(bundrel.expand_summary(summary),
                         "Order endpoints.\n"
                         "Functions:\n"
                         "  list_orders(db: Database, status: str = None) -> list[Order]\n"
                         "    calls: to_response, paginate, db.query | decorators: @router.get\n"
                         "  create_order(db: Database, data: OrderIn)\n"
                         "Classes: OrderIn(BaseModel)\n"
                         "Vars: router (used by: list_orders, create_order)")

    def test_lines_of_one_section(self):
        cases = [
            ("description stripped and closed", {"description": "  Handles orders  "}, "Handles orders."),
            ("description already closed", {"description": "Done."}, "Done."),
            ("params as text", {"functions": {"f": fn(params="x, y")}}, "Functions:\n  f(x, y)"),
            ("params as list", {"functions": {"f": fn(params=["x", "y"])}}, "Functions:\n  f(x, y)"),
            ("no params", {"functions": {"f": {}}}, "Functions:\n  f()"),
            ("params null by text substitution", {"functions": {"f": fn(params=None)}}, "Functions:\n  f(None)"),
            ("params number", {"functions": {"f": fn(params=0, returns=7)}}, "Functions:\n  f(0) -> 7"),
            ("async with return", {"functions": {"f": fn(**{"async": True, "returns": "None"})}},
             "Functions:\n  async f() -> None"),
            ("async, return null", {"functions": {"f": fn(**{"async": 1, "returns": None})}},
             "Functions:\n  async f()"),
            ("async false", {"functions": {"f": fn(**{"async": False})}}, "Functions:\n  f()"),
            ("only an empty functions map", {"functions": {}}, ""),
            ("one entry with an empty name", {"functions": {"": fn(params="x")}}, "Functions:"),
            ("calls capped at 6, internal first",
             {"functions": {"f": fn(calls_internal=list("abcdefg"), calls_external=["x", "y"])}},
             "Functions:\n  f()\n    calls: a, b, c, d, e, f"),
            ("decorators alone, capped at 3", {"functions": {"f": fn(decorators=["@a", "@b", "@c", "@d"])}},
             "Functions:\n  f()\n    decorators: @a, @b, @c"),
            ("external calls alone", {"functions": {"f": fn(calls_internal=None, calls_external=["x"])}},
             "Functions:\n  f()\n    calls: x"),
            ("classes: bases list, methods capped",
             {"classes": {"A": {"bases": ["B", "C"], "methods": ["m1", "m2", "m3", "m4", "m5"]}}},
             "Classes: A(B, C) [m1, m2, m3, m4]"),
            ("classes: methods as text not shown", {"classes": {"A": {"bases": ["B", "C"], "methods": "m1"}}},
             "Classes: A(B, C)"),
            ("classes: bases as text, empty list, null",
             {"classes": {"A": {"bases": "B"}, "D": {"bases": []}, "E": {"bases": None}, "F": {}}},
             "Classes: A(B), D, E, F"),
            ("classes capped at 5", {"classes": {c: {} for c in "ABCDEFG"}}, "Classes: A, B, C, D, E"),
            ("variables", {"variables": [{"name": "x", "used_by": ["f", "g", "h", "i"]}, "y", 3, {"used_by": ["f"]},
                                         {"name": "z", "used_by": []}]},
             "Vars: x (used by: f, g, h), y, z"),
            ("variables capped at 6", {"variables": list("abcdefgh")}, "Vars: a, b, c, d, e, f"),
            ("variables giving nothing", {"variables": [1, {"name": ""}, None]}, ""),
            ("a variable that is a number beyond 64 bits gives nothing", {"variables": [2 ** 80, -2 ** 70, "y"]},
             "Vars: y"),
            ("call graph", {"internal_graph": [{"from": "a", "to": "b"}, {"from": "c"}, "x->y",
                                               {"from": "d", "to": "e", "rel": "uses"}]},
             "Call graph: a->b, d->e"),
            ("call graph giving nothing", {"internal_graph": [{"from": "c"}]}, ""),
            ("call graph capped at 6", {"internal_graph": [{"from": str(i), "to": "x"} for i in range(8)]},
             "Call graph: 0->x, 1->x, 2->x, 3->x, 4->x, 5->x"),
            ("imports", {"imports": [{"module": "typing", "names": ["A", "B", "C", "D", "E"]}, {"module": "os"},
                                     {"names": ["x"]}, "sys"]},
             "Imports: typing(A, B, C, D), os"),
            ("imports capped at 5", {"imports": [{"module": m} for m in "abcdefg"]}, "Imports: a, b, c, d, e"),
        ]
        for what, summary, expected in cases:
            with self.subTest(what):
                self.assertEqual(bundrel.expand_summary(summary), expected)

    def test_eight_places_for_functions_and_five_in_the_single_line(self):
        funcs = {"": {}}
        funcs.update({f"f{i}": {} for i in range(1, 10)})
        block = bundrel.expand_summary({"functions": funcs})
        self.assertEqual(block, "Functions:\n" + "\n".join(f"  f{i}()" for i in range(1, 8)))
        self.assertEqual(bundrel.condense_summary({"functions": funcs}), "Functions: f1(), f2(), f3(), f4()")

    def test_empty_and_falsy_values(self):
        for value in [{}, [], "", None, 0, "text", ["a"], {"description": ""}, {"description": "   "},
                      {"functions": None, "classes": [], "variables": {}, "internal_graph": 0, "imports": ""},
                      {"classes": {}, "imports": [], "internal_graph": []}]:
            with self.subTest(value=value):
                self.assertEqual(bundrel.expand_summary(value), "")
                self.assertEqual(bundrel.condense_summary(value), "")

    def test_values_of_other_kinds_do_not_break_a_rendering(self):
        summary = {
            "description": 12,
            "functions": {"f": "not a map", "g": {"params": ("a", "b"), "calls_internal": "x",
                                                 "decorators": [1, None], "returns": 2 ** 80}},
            "classes": {"A": ["x"], "B": {"bases": [1, True]}},
            "variables": "abc",
            "imports": [{"module": 5, "names": ["x", 2.5]}],
        }
        self.assertEqual(bundrel.expand_summary(summary),
                         "Functions:\n  f()\n  g(('a', 'b')) -> 1208925819614629174706176\n"
                         "    decorators: 1, None\nClasses: A, B(1, True)\nImports: 5(x, 2.5)")

    def test_single_line_is_cut_to_300_characters(self):
        desc = "\u00e9\u4e2d" * 100
        funcs = {f"function_{i}": {"params": ["a", "b"], "returns": "int"} for i in range(7)}
        full = (desc + ". | Functions: "
                + ", ".join(f"function_{i}(a, b) -> int" for i in range(5)))
        got = bundrel.condense_summary({"description": desc, "functions": funcs})
        self.assertEqual(len(got), 300)
        self.assertEqual(got, full[:300])
        self.assertEqual(bundrel.condense_summary({"description": "Short", "functions": {"f": {"async": True}}}),
                         "Short. | Functions: f()")


class SummaryStore(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.root)
        self.store = os.path.join(self.root, ".nimbrel", "structured_summaries.json")

    def write(self, data):
        os.makedirs(os.path.dirname(self.store), exist_ok=True)
        with open(self.store, "wb") as f:
            f.write(data)

    def test_failures_give_an_empty_map(self):
        self.assertEqual(bundrel.load_summaries(self.root), {})
        self.assertEqual(bundrel.load_summaries(os.path.join(self.root, "missing")), {})
        os.makedirs(self.store)
        self.assertEqual(bundrel.load_summaries(self.root), {})
        os.rmdir(self.store)
        for data in [b"[1, 2]", b"{\"a\": ", b"\"x\"", b"null", b"", b"\xef\xbb\xbf\xef\xbb\xbf{}"]:
            with self.subTest(data=data):
                self.write(data)
                self.assertEqual(bundrel.load_summaries(self.root), {})

    def test_object_is_returned_in_stored_order_with_a_byte_order_mark_skipped(self):
        self.write(b"\xef\xbb\xbf{\"z.py\": {\"description\": \"\\u00e9\", \"n\": [1, 2.5, null, true]}, \"a.py\": 3}")
        got = bundrel.load_summaries(__import__("pathlib").Path(self.root))
        self.assertEqual(list(got), ["z.py", "a.py"])
        self.assertEqual(got, {"z.py": {"description": "\u00e9", "n": [1, 2.5, None, True]}, "a.py": 3})

    def test_integers_beyond_64_bits_stay_exact(self):
        self.write(b'{"a.py": {"n": [100000000000000000000000000001, -9223372036854775809, '
                   b'18446744073709551615]}}')
        got = bundrel.load_summaries(self.root)
        self.assertEqual(got, {"a.py": {"n": [10 ** 29 + 1, -2 ** 63 - 1, 2 ** 64 - 1]}})
        self.assertEqual([type(n) for n in got["a.py"]["n"]], [int] * 3)

    def test_an_integer_beyond_the_hosts_conversion_limit_is_a_malformed_store(self):
        limit = sys.get_int_max_str_digits()
        self.write(b'{"a.py": {"n": [' + b"9" * limit + b"]}}")
        self.assertEqual(len(str(bundrel.load_summaries(self.root)["a.py"]["n"][0])), limit)
        self.write(b'{"a.py": {"n": [' + b"9" * (limit + 1) + b"]}}")
        self.assertEqual(bundrel.load_summaries(self.root), {})

    def test_invalid_utf8_raises_the_hosts_decoding_error(self):
        data = b"{\"a\": \"caf\xe9\"}"
        self.write(data)
        with self.assertRaises(UnicodeDecodeError) as got:
            bundrel.load_summaries(self.root)
        try:
            data.decode("utf-8-sig")
        except UnicodeDecodeError as expected:
            self.assertEqual(str(got.exception), str(expected))


class TokenEstimate(unittest.TestCase):
    def test_lengths(self):
        for text, tokens in [("", 0), ("a", 1), ("abc", 1), ("abcd", 2), ("x" * 16, 5), ("x" * 17, 6),
                             ("x" * 32, 10), ("\U0001F600" * 16, 5), ("\u00e9" * 3, 1), ("\ud800", 1)]:
            with self.subTest(text=text):
                self.assertEqual(bundrel.estimate_tokens(text), tokens)
                self.assertEqual(bundrel.estimate_tokens(text=text), tokens)

    def test_not_a_text(self):
        with self.assertRaisesRegex(TypeError, "'text'"):
            bundrel.estimate_tokens(b"abc")


class SymbolExcerpts(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.root)

    def write(self, rel, data):
        path = os.path.join(self.root, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)

    def rows(self, rel, n):
        self.write(rel, "".join(f"row {i}\n" for i in range(n)).encode())

    def test_spans(self):
        self.rows("src/m.py", 150)
        read = bundrel.read_symbol_content

        def shown(first, last):
            return "\n".join(f"row {i}" for i in range(first, last + 1))

        self.assertEqual(read(self.root, "src/m.py", {"f": {"line_start": 3, "line_end": 3}}),
                         "# src/m.py::f (lines 4-4)\nrow 3")
        self.assertEqual(read(self.root, "src/m.py", {"f": {"line_start": 10, "line_end": 109}}),
                         "# src/m.py::f (lines 11-90)\n" + shown(10, 89))
        self.assertEqual(read(self.root, "src/m.py", {"f": {"line_start": 10, "line_end": 109}}, max_lines=5),
                         "# src/m.py::f (lines 11-15)\n" + shown(10, 14))
        three = {"d": {"line_start": 90}, "c": {"line_start": 60, "line_end": 99},
                 "a": {"line_start": 0, "line_end": 29}, "b": {"line_start": 30, "line_end": 59}}
        self.assertEqual(read(project_root=self.root, file_id="src/m.py", functions=three),
                         "# src/m.py::a (lines 1-30)\n" + shown(0, 29) + "\n\n"
                         "# src/m.py::b (lines 31-60)\n" + shown(30, 59) + "\n\n"
                         "# src/m.py::c (lines 61-80)\n" + shown(60, 79))
        # An inverted span shows no rows and leaves the whole budget to the next one.
        self.assertEqual(read(self.root, "src/m.py", {"x": {"line_start": 40, "line_end": 20},
                                                      "y": {"line_start": 50, "line_end": 149}}),
                         "# src/m.py::x (lines 41-21)\n\n\n# src/m.py::y (lines 51-130)\n" + shown(50, 129))
        # Rows that are not integers take their defaults; so does a span that is not a map.
        self.assertEqual(read(self.root, "src/m.py", {"g": {"line_start": None, "line_end": "2"}}),
                         "# src/m.py::g (lines 1-21)\n" + shown(0, 20))
        self.assertEqual(read(self.root, "src/m.py", {"g": [5]}), "# src/m.py::g (lines 1-21)\n" + shown(0, 20))
        self.assertEqual(read(self.root, "src/m.py", {"g": {"line_start": -4, "line_end": True}}),
                         "# src/m.py::g (lines 1-2)\n" + shown(0, 1))

    def test_files(self):
        read = bundrel.read_symbol_content
        self.write("crlf.py", b"a\r\nb\r\n\r\nc")
        self.write("empty.py", b"")
        self.write("bad.py", b"x\xff\xfey\n")
        self.assertEqual(read(self.root, "crlf.py", {"f": {"line_start": 0, "line_end": 9}}),
                         "# crlf.py::f (lines 1-4)\na\nb\n\nc")
        self.assertEqual(read(self.root, "empty.py", {"f": {"line_start": 0}}), "# empty.py::f (lines 1-0)\n")
        self.assertEqual(read(self.root, "bad.py", {"f": {"line_start": 0}}), "# bad.py::f (lines 1-1)\nxy")
        self.assertEqual(read(self.root, "missing.py", {"f": {"line_start": 0}}), "")
        # A path with a NUL character names no file, not the file before the NUL.
        self.assertEqual(read(self.root, "crlf.py\x00.py", {"f": {"line_start": 0}}), "")
        self.assertEqual(read(self.root, "crlf.py", {}), "")
        os.mkdir(os.path.join(self.root, "sub"))
        self.assertEqual(read(os.path.join(self.root, "sub"), "../crlf.py", {"f": {"line_start": 1, "line_end": 1}}),
                         "# ../crlf.py::f (lines 2-2)\nb")

    def test_rows_are_the_hosts_rows(self):
        data = ("a\rb\r\nc\nd\x0be\x0cf\x1cg\x1dh\x1ei\x1fj\x85k\u2028l\u2029m\ufeffn\r\r\n\n".encode()
                + b"o\xff\xc3p\xed\xa0\x80q\xf4\x90\x80\x80r\n")
        self.write("rows.txt", data)
        with open(os.path.join(self.root, "rows.txt"), encoding="utf-8", errors="ignore") as f:
            rows = f.read().splitlines()
        got = bundrel.read_symbol_content(self.root, "rows.txt", {"f": {"line_start": 0, "line_end": 100}})
        self.assertEqual(got, f"# rows.txt::f (lines 1-{len(rows)})\n" + "\n".join(rows))

    def test_argument_checks_name_the_argument(self):
        read = bundrel.read_symbol_content
        for args, name in [((None, "a.py", {}), "project_root"), ((self.root, 3, {}), "file_id"),
                           ((self.root, "a.py", [("f", {})]), "functions"),
                           ((self.root, "a.py", {}, "80"), "max_lines")]:
            with self.subTest(name=name):
                with self.assertRaisesRegex(TypeError, f"'{name}'"):
                    read(*args)


if __name__ == "__main__":
    unittest.main()
