#!/usr/bin/env python3
"""Scores what `pdfindex --metadata` reads from a corpus whose truth is known.

    bench/corpus/score.py PDFINDEX CORPUS [--verbose] [--keep-cache]

CORPUS is what bench/corpus/make_corpus.py wrote (archive/ and truth.json).
Runs PDFINDEX --metadata --json over CORPUS/archive (without its cache,
unless --keep-cache) and prints per field the recall (right answers over
the PDFs whose page shows the field) and the precision (right answers over
the answers given), overall and per document class. Titles are compared
ignoring case, punctuation and white space; authors by their family names
(the last word of each, ignoring case and accents); abstracts when nine
tenths of their words agree in order; the rest as text.
"""

import argparse
import collections
import difflib
import json
import os
import subprocess
import sys
import unicodedata

FIELDS = ["title", "authors", "abstract", "doi", "container", "volume", "issue", "year",
          "first_page", "last_page"]
TARGETS = {"title": (95, 97), "authors": (90, 95), "doi": (None, 99), "container": (85, None),
           "year": (85, None), "volume": (85, None), "first_page": (85, None),
           "abstract": (80, None)}


def fold(text):
    text = unicodedata.normalize("NFKD", text or "")
    return "".join(c for c in text.lower() if c.isalnum())


def family(name):
    name = name.strip()
    if "," in name:
        name = name.split(",")[0]
    return fold(name.split()[-1]) if name.split() else ""


def same(field, got, want):
    if field == "authors":
        return [family(n) for n in got] == [family(n) for n in want]
    if field == "abstract":
        a, b = got.lower().split(), want.lower().split()
        return difflib.SequenceMatcher(None, a, b, autojunk=False).ratio() >= 0.9
    if field == "doi":
        return got.lower() == want.lower()
    return fold(got) == fold(want)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("pdfindex")
    parser.add_argument("corpus")
    parser.add_argument("--verbose", action="store_true", help="print every wrong field")
    parser.add_argument("--keep-cache", action="store_true")
    args = parser.parse_args()
    archive = os.path.join(args.corpus, "archive")
    with open(os.path.join(args.corpus, "truth.json"), encoding="utf-8") as f:
        truth = json.load(f)
    if not args.keep_cache:
        try:
            os.remove(os.path.join(archive, ".pdfindex-cache"))
        except FileNotFoundError:
            pass
    out = subprocess.run([args.pdfindex, "--quiet", "--metadata", "--json", "-", archive],
                         check=True, stdout=subprocess.PIPE).stdout
    got = {}
    for issue in json.loads(out)["issues"]:
        for pdf in issue["pdfs"]:
            got[os.path.basename(pdf["path"])] = pdf
    counts = collections.defaultdict(lambda: collections.Counter())
    for name, want in sorted(truth.items()):
        pdf = got.get(name)
        fields = pdf["fields"] if pdf else {}
        for cls in ("all", want["cls"]):
            c = counts[cls]
            c["pdfs"] += 1
        for field in FIELDS:
            value = fields.get(field) or ([] if field == "authors" else "")
            expected = want.get(field)
            right = bool(value) and expected is not None and same(field, value, expected)
            for cls in ("all", want["cls"]):
                c = counts[cls]
                c[field + ".truth"] += expected is not None
                c[field + ".given"] += bool(value)
                c[field + ".right"] += right
            if args.verbose and (bool(value) or expected is not None) and not right:
                print("%s %s: got %r, want %r" % (name, field, value, expected), file=sys.stderr)

    def pct(a, b):
        return "%5.1f" % (100.0 * a / b) if b else "    -"

    print("%-11s %6s %7s %9s" % ("field", "PDFs", "recall", "precision"))
    c = counts["all"]
    for field in FIELDS:
        recall = pct(c[field + ".right"], c[field + ".truth"])
        precision = pct(c[field + ".right"], c[field + ".given"])
        target = TARGETS.get(field)
        note = ""
        if target:
            note = "  (target%s%s)" % (" recall >= %d" % target[0] if target[0] else "",
                                       " precision >= %d" % target[1] if target[1] else "")
        print("%-11s %6d %7s %9s%s" % (field, c[field + ".truth"], recall, precision, note))
    print("\nrecall per class (title authors abstract doi container year volume first_page):")
    for cls in sorted(k for k in counts if k != "all"):
        c = counts[cls]
        cells = " ".join(pct(c[f + ".right"], c[f + ".truth"]) for f in
                         ["title", "authors", "abstract", "doi", "container", "year", "volume",
                          "first_page"])
        print("  %-10s %3d PDFs %s" % (cls, c["pdfs"], cells))


if __name__ == "__main__":
    main()
