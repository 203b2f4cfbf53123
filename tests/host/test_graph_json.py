"""The graph file's reader and writer of host objects (host/common/graph_json) through kestil's
load_graph, which reads the file with it and stores a scanned graph with it: the fast reader takes
every document the host reads except the ones it documents as declined, which the host's own
reader then reads; the writer refuses what json.dumps refuses and writes nothing then."""
import io
import json
import os
import pathlib
import random
import tempfile
import unittest

from tests.host import support  # noqa: F401

import tarvelle.kestil as kestil


class GraphFile(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.saved = {name: getattr(kestil, name) for name in ("GRAPH_JSON", "DATA_DIR", "scan")}
        kestil.DATA_DIR = pathlib.Path(self.tmp.name)
        kestil.GRAPH_JSON = kestil.DATA_DIR / "info_graph.json"
        self.host_reads = 0
        real_open = io.open

        def counting_open(*args, **kw):
            self.host_reads += 1
            return real_open(*args, **kw)

        io.open = counting_open
        self.addCleanup(setattr, io, "open", real_open)

    def tearDown(self):
        for name, value in self.saved.items():
            setattr(kestil, name, value)
        self.tmp.cleanup()

    def load(self, data):
        """load_graph over a file of `data`: (the value or the error's type and text, host reads)."""
        with open(kestil.GRAPH_JSON, "wb") as f:
            f.write(data)
        self.host_reads = 0
        try:
            got = kestil.load_graph()
        except Exception as e:
            got = (type(e), str(e))
        return got, self.host_reads

    def host_value(self, data):
        """json.loads of the file's text as the host reads it (utf-8-sig, universal newlines)."""
        try:
            return json.loads(io.TextIOWrapper(io.BytesIO(data), encoding="utf-8-sig").read())
        except Exception as e:
            return (type(e), str(e))

    def test_every_document_the_host_reads_is_read_without_it(self):
        rnd = random.Random(11)
        pool = ["a", "id", " ", '"', "\\", "\n", "\x01", "\x7f", "\u00e9", "\u20ac", "\U0001f600", "\ud800", "/"]

        def text():
            return "".join(rnd.choice(pool) for _ in range(rnd.randint(0, 12)))

        def value(depth=0):
            r = rnd.random()
            if depth > 4 or r < 0.3:
                return text()
            if r < 0.45:
                return rnd.choice([0, -7, 2**64, -3**70, 1.5, -2.5e-300, 1e300, 5e-324, 0.1, True, False, None,
                                   float("nan"), float("inf"), -0.0])
            if r < 0.7:
                return [value(depth + 1) for _ in range(rnd.randint(0, 4))]
            return {rnd.choice(["id", "kind", "from", text()]): value(depth + 1) for _ in range(rnd.randint(0, 5))}

        for i in range(300):
            doc = {"nodes": [value() for _ in range(3)], text(): value()}
            indent = rnd.choice([None, 2])
            raw = json.dumps(doc, indent=indent, ensure_ascii=rnd.random() < 0.5)
            if not raw.isascii() and any("\ud800" <= c <= "\udfff" for c in raw):
                raw = json.dumps(doc, indent=indent)  # a raw lone surrogate is no UTF-8
            if i % 5 == 0:
                raw = raw.replace("\n", "\r\n")
            data = (b"\xef\xbb\xbf" if i % 7 == 0 else b"") + raw.encode("utf-8")
            got, host_reads = self.load(data)
            self.assertEqual((repr(got), host_reads), (repr(self.host_value(data)), 0), data[:200])

    def test_declined_documents_are_the_hosts_reading(self):
        def nested(levels):
            return b'{"a": ' + b"[" * (levels - 1) + b"]" * (levels - 1) + b"}"

        cases = [(nested(900), 0), (nested(901), 1),
                 (b'{"a": 1e400, "b": -1e400}', 1), (b'{"a": 1e-400}', 1), (b'{"a": 1.5e308}', 0),
                 (b'{"a": "\xff"}', 1), (b'{"a": "\xed\xa0\x80"}', 1),
                 (b'{"a": }', 1), (b'{"a": 1} x', 1), (b"", 1), (b"[1]", 0)]
        for data, want_host_reads in cases:
            got, host_reads = self.load(data)
            want = self.host_value(data)
            if isinstance(want, list):
                want = TypeError
                got = TypeError if isinstance(got, tuple) and got[0] is TypeError else got
            self.assertEqual((repr(got), host_reads), (repr(want), want_host_reads), data[:40])

    def test_writer_refuses_circular_values_and_writes_nothing(self):
        shared = [1, {"x": "\u00e9"}]
        loop = []
        loop.append(loop)
        ring = {"a": {}}
        ring["a"]["b"] = ring
        for graph in ({"nodes": [shared, shared]}, {"nodes": loop}, ring, {"nodes": [(shared, shared)]}):
            kestil.scan = lambda root, graph=graph: graph
            if kestil.GRAPH_JSON.exists():
                kestil.GRAPH_JSON.unlink()
            try:
                want = json.dumps(graph, indent=2)
            except ValueError as e:
                want = (ValueError, str(e))
            try:
                kestil.load_graph()
                got = kestil.GRAPH_JSON.read_text(encoding="ascii")
            except ValueError as e:
                got = (ValueError, str(e))
                self.assertEqual(os.listdir(self.tmp.name), [])
            self.assertEqual(got, want)


if __name__ == "__main__":
    unittest.main()
