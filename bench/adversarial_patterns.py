#!/usr/bin/env python3
"""Adversarial texts for the Java-family and C# symbol passes and their keyword passes:
times the builder's extractors on 300000-byte texts and the host's `re` on the same
patterns at smaller sizes (the host is quadratic on several of them).

    python3 bench/adversarial_patterns.py [--root dist/root] [--size 300000] [--host-size 20000]

Each text is one unit repeated: an opening that matches, then a bracketed or lazy part that
never closes, or runs of blanks, letters, braces, line feeds, "<" and "(". For the host the
time at --host-size and at twice that are printed, with the time at --size extrapolated from
their ratio. The builder's column times the whole extractor (or keyword function) that runs
the pattern, so it is the same for the patterns of one extractor. Rows that are fast on
both sides are left out.
"""
import argparse
import math
import os
import re
import sys
import time

PATTERNS = {
    "java_method": (r"(?:public|private|protected)\s+(?:static\s+)?(?:final\s+)?(?:default\s+)?(?:synchronized\s+)?(?!class|if|for|while|return|new)(?:\w[\w<>\[\]]*|(?:\w+\s*<[^;{(]*?>))\s+([A-Za-z_]\w*)\s*\(", 0, "java"),
    "java_indented": (r"^\s+(?!public|private|protected|static|final|default|class|if|for|while|return|new|@)([A-Za-z]\w*(?:<[^;{]*?>)?(?:\[\])?)\s+([a-z]\w*)\s*\(", re.M, "java"),
    "cs_type": (r"(?:public|internal|private|protected)\s+(?:(?:static|abstract|sealed|partial|new|override|virtual|extern|unsafe)\s+)*(?:class|interface|enum|struct|record)\s+([A-Za-z_]\w*)", 0, "cs"),
    "cs_method": (r"(?:public|private|protected|internal)\s+(?:static\s+)?(?:async\s+)?(?:virtual\s+|override\s+)?(?!class\b|if\b|for\b|while\b|return\b|new\b)[\w<>\[\]?]+\s+([A-Za-z_]\w*)\s*\(", 0, "cs"),
    "keywords.java_type": (r"(?:public|private|protected|static|final|\s)+(?:class|interface|enum|record)\s+([A-Za-z_]\w*)", 0, ".java"),
    "keywords.java_method": (r"(?:public|private|protected|static|final|\s)+(?!class|if|for|while|return)\w[\w<>\[\]]*\s+([A-Za-z_]\w*)\s*\(", 0, ".java"),
    "keywords.kotlin": (r"^(?:(?:public|private|internal|protected|open|data|sealed|abstract)\s+)*(?:class|object|interface|fun)\s+([A-Za-z_]\w*)", re.M, ".kt"),
    "keywords.cs_method": (r"(?:public|private|protected|internal)\s+(?:static\s+)?(?:async\s+)?(?:virtual\s+|override\s+)?(?!class|if|for|while|return)[\w<>\[\]?]+\s+([A-Za-z_]\w*)\s*\(", 0, ".cs"),
}

UNITS = ["public a<", "private static final a<", "public a<b>", "public a<b> c", "public a< b>",
         "\n a<", "\n a<b>", "\n a<b> c", "\n a[]", "\n", "\n ", " ", "\t", "a", "<", "(", "{",
         "public ", "public\n", "public static ", "internal ", "internal static ", "internal new ",
         "public a ", "public a b ", "public a ( ", "public a[]", "public <", "public async ",
         "protected override ", "internal a? ", "public a<b>? ", "public static abstract ",
         "public static async virtual ", "internal\n", "public\t", "aprivate", "a<private"]


# Appended to each text: nothing, or a call that gives the engine's search its "(".
TAILS = ["", " f("]


def repeat(unit, n):
    return (unit * (n // len(unit) + 1))[:n]


def timed(f):
    t = time.perf_counter()
    f()
    return time.perf_counter() - t


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--root", default=os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "dist", "root"))
    ap.add_argument("--size", type=int, default=300000)
    ap.add_argument("--host-size", type=int, default=20000)
    ap.add_argument("--only", default="", help="a substring of the pattern labels to keep")
    args = ap.parse_args()
    sys.path[:0] = [os.path.join(args.root, "src"), args.root]
    from tarvelle import vorlane

    ours = {
        "java": lambda t: vorlane.extract_symbols_java(t, "A.java"),
        "cs": lambda t: vorlane.extract_symbols_cs(t, "A.cs"),
    }
    print(f"{'pattern':22} {'text':30} {'builder@' + str(args.size):>14} {'host@' + str(args.host_size):>12} "
          f"{'host@' + str(2 * args.host_size):>12} {'host@' + str(args.size) + ' (est.)':>20}")
    for label, (pat, flags, kind) in PATTERNS.items():
        if args.only not in label:
            continue
        rx = re.compile(pat, flags)
        run = ours.get(kind) or (lambda t, ext=kind: vorlane.extract_keywords(t, ext))
        for unit in UNITS:
            for tail in TAILS:
                big = repeat(unit, args.size) + tail
                mine = timed(lambda: run(big))
                h1 = timed(lambda: sum(1 for _ in rx.finditer(repeat(unit, args.host_size) + tail)))
                h2 = timed(lambda: sum(1 for _ in rx.finditer(repeat(unit, 2 * args.host_size) + tail)))
                if h2 < 0.01 and mine < 0.05:
                    continue  # fast everywhere
                growth = math.log2(max(h2, 1e-9) / max(h1, 1e-9))
                est = h2 * (args.size / (2 * args.host_size)) ** max(1.0, growth)
                print(f"{label:22} {unit + tail!r:30} {mine:13.3f}s {h1:11.3f}s {h2:11.3f}s {est:19.1f}s",
                      flush=True)


if __name__ == "__main__":
    main()
