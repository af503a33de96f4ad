#!/usr/bin/env python3
"""Writes the example archive's PDFs: one small first page per article.

    bench/corpus/make_example_pdfs.py examples/

Each PDF of examples/archive gets a first page as a journal prints it (a
running head with the citation, the title in large bold type, the authors,
an affiliation, "Abstract" and its paragraph, a DOI in the footer) in the
standard Helvetica fonts, so that each file is a kilobyte or two. The fields
of the PDFs a contents page describes are the ones that page gives
(examples/expected/catalogue.json); the seven PDFs no page lists get made-up
fields, their first page being all that describes them. Some PDFs carry
document information: the true title and authors, or junk a word processor
leaves ("Microsoft Word - ms7.doc", a user name). The output is the same on
every run.
"""

import json
import os
import sys
import zlib

# Fields of the PDFs no contents page lists, by base name.
UNLISTED = {
    "ja015599": ("Counting Drops in a Leaking Imaginary Beaker", ["Nina Novak", "Otto Ortega"],
                 "J. Imag. Chem. Soc.", "123", "5", "2001", "900", "905"),
    "JAT0910099": ("Thin Films That Hum at Room Temperature", ["Petra Pohl"],
                   "J. Appl. Things", "91", "1", "2002", "99", "104"),
    "S1077-4410-01-05899-0": ("On Numbers That Refuse to Be Counted",
                              ["Quentin Quist", "Rosa Ruiz", "Sven Sørensen"],
                              "Proc. Northern Made-up Univ.", "129", "3", "2001", "899", "906"),
    "mt0199": ("Made-up Cells Dividing Twice at Once", ["Tara Tulli", "Uwe Ulm"],
               "J. Mol. Things", "20", "1", "2001", "199", "210"),
    "M312000100": ("An Enzyme That Prefers Tuesdays", ["Vera Vidal", "Will Wong", "Xia Xu"],
                   "J. Biol. Chem. Things", "279", "2", "2004", "1000", "1008"),
    "99-101": ("Imaginary Ecology of Very Small Islands", ["Yara Yilmaz"],
               "J. Imag. Ecol.", "215", "1", "1999", "99", "101"),
    "s0099": ("Botany of Plants Nobody Has Seen", ["Zeno Zanetti", "Åsa Åberg"],
              "J. Imag. Bot.", "12", "3", "2000", "99", "108"),
}

ABSTRACT = ("We describe {what} and report what we measured over three seasons in made-up "
            "conditions. The results agree with earlier imaginary work and suggest further "
            "study of the same effect in related systems.")


def win_ansi(text):
    """The text as the standard fonts' WinAnsiEncoding bytes."""
    out = bytearray()
    for ch in text:
        if ch in "()\\":
            out += b"\\" + ch.encode()
        elif ord(ch) < 0x80:
            out += ch.encode()
        elif ch == "\u2013":
            out += b"\x96"
        elif ord(ch) < 0x100:
            out.append(ord(ch))
        else:
            out += b"?"
    return bytes(out)


def info_string(text):
    """A document information string: UTF-16 with its mark."""
    return b"<FEFF" + text.encode("utf-16-be").hex().upper().encode() + b">"


def wrap(text, width):
    lines, line = [], ""
    for word in text.split():
        if line and len(line) + 1 + len(word) > width:
            lines.append(line)
            line = word
        else:
            line = (line + " " + word).strip()
    if line:
        lines.append(line)
    return lines


def make_pdf(fields, number):
    title, authors, journal, volume, issue, year, first, last, doi, info = fields
    ops = []

    def text(font, size, x, y, s):
        ops.append(b"BT /%s %d Tf %d %d Td (%s) Tj ET" % (font.encode(), size, x, y, win_ansi(s)))

    cite = "%s %s (%s) %s\u2013%s" % (journal, volume, year, first, last) if last else \
        "%s %s (%s) %s" % (journal, volume, year, first)
    text("F1", 8, 56, 800, cite)
    y = 740
    for line in wrap(title, 48):
        text("F2", 16, 56, y, line)
        y -= 20
    y -= 6
    text("F1", 11, 56, y, ", ".join(authors))
    y -= 16
    text("F1", 8, 56, y, "Department of Examples, Made-up University, Nowhere")
    y -= 28
    text("F2", 10, 56, y, "Abstract")
    y -= 14
    for line in wrap(ABSTRACT.format(what=title[0].lower() + title[1:]), 95):
        text("F1", 9, 56, y, line)
        y -= 11
    if doi:
        text("F1", 8, 56, 40, "doi:" + doi)
    content = zlib.compress(b"\n".join(ops), 9)
    objects = [
        b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R "
        b"/Resources << /Font << /F1 5 0 R /F2 6 0 R >> >> >>",
        b"<< /Length %d /Filter /FlateDecode >>\nstream\n" % len(content) + content +
        b"\nendstream",
        b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
        b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold "
        b"/Encoding /WinAnsiEncoding >>",
    ]
    entries = [(b"Producer", info_string("make_example_pdfs"))]
    if info == "true":
        entries += [(b"Title", info_string(title)), (b"Author", info_string("; ".join(authors)))]
    elif info == "junk":
        entries += [(b"Title", info_string("Microsoft Word - ms%d.doc" % number)),
                    (b"Author", info_string("chrisq"))]
    objects.append(b"<< " + b" ".join(b"/%s %s" % e for e in entries) + b" >>")
    out = bytearray(b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n")
    offsets = []
    for n, body in enumerate(objects, 1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % n + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    for offset in offsets:
        out += b"%010d 00000 n \n" % offset
    out += b"trailer\n<< /Size %d /Root 1 0 R /Info %d 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (
        len(objects) + 1, len(objects), xref)
    return bytes(out)


def main():
    examples = sys.argv[1] if len(sys.argv) > 1 else "examples"
    with open(os.path.join(examples, "expected", "catalogue.json"), encoding="utf-8") as f:
        catalogue = json.load(f)
    for number, pdf in enumerate(p for issue in catalogue["issues"] for p in issue["pdfs"]):
        f = pdf["fields"]
        if pdf["found"]:
            # What the page leaves out, the PDF's first page prints all the same.
            first = f["first_page"] or str(100 + 10 * number)
            last = f["last_page"] or (str(int(first) + 9) if first.isdigit() else "")
            fields = [f["title"], f["authors"], f["container"], f["volume"], f["issue"],
                      f["year"] or "2001", first, last]
        else:
            fields = list(UNLISTED[pdf["base"]])
        # Every other PDF prints a DOI; every third carries true document
        # information and every third junk.
        doi = "10.5555/example.%d" % (number + 1) if number % 2 == 0 else ""
        info = ["true", "junk", "none"][number % 3]
        path = os.path.join(examples, "archive", pdf["path"])
        with open(path, "wb") as out:
            out.write(make_pdf(fields + [doi, info], number + 1))
    print("wrote %d PDFs" % (number + 1))


if __name__ == "__main__":
    main()
