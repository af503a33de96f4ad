#!/usr/bin/env python3
"""The exports as their readers take them.

Runs pdfindex with --json, --bibtex, --csl-json and --ris on a copy of the
example archive and on made-up archives of every publisher layout, then:
compares the example's exports with examples/expected/, validates the JSON
against doc/catalogue.schema.json, reads the BibTeX and the CSL-JSON with
pandoc, counts the RIS records with a parser of its own, and checks that
HtmlData.htm is the same bytes with and without the exports.

  exports_test.py --pdfindex BIN --examples DIR --schema FILE
                  [--make-archive BIN] [--update]

--update rewrites the expected exports from this run.
"""
import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile
import urllib.parse

import jsonschema

EXPORTS = {  # option -> expected file name
    "--json": "catalogue.json",
    "--bibtex": "catalogue.bib",
    "--csl-json": "catalogue.csl.json",
    "--ris": "catalogue.ris",
}

failures = []
passed = 0


def check(ok, message):
    global passed
    if ok:
        passed += 1
    else:
        failures.append(message)
        print("FAIL:", message)
    return ok


def run_pdfindex(binary, root, out_dir=None, extra=()):
    """Runs pdfindex on `root`; with `out_dir`, writes every export there."""
    args = [binary]
    if out_dir is not None:
        for option, name in EXPORTS.items():
            args += [option, os.path.join(out_dir, name)]
    args += list(extra) + [root]
    done = subprocess.run(args, stdin=subprocess.DEVNULL, capture_output=True, timeout=600)
    if done.returncode != 0:
        sys.exit(f"pdfindex failed ({done.returncode}): {done.stdout!r} {done.stderr!r}")
    return done.stdout


def read(path):
    with open(path, "rb") as f:
        return f.read()


def parse_ris(text):
    """The records of a RIS file as lists of (tag, value)."""
    records, current = [], None
    for line in text.splitlines():
        if not line.strip():
            continue
        check(len(line) >= 6 and line[2:6] == "  - ", f"RIS line not 'XX  - ...': {line!r}")
        tag, value = line[:2], line[6:]
        if tag == "TY":
            check(current is None, "TY inside a record")
            current = [(tag, value)]
        elif tag == "ER":
            check(current is not None, "ER outside a record")
            records.append(current)
            current = None
        else:
            check(current is not None, f"{tag} outside a record")
            if current is not None:
                current.append((tag, value))
    check(current is None, "RIS file ends inside a record")
    return records


def zotero_link(value, imported_folder):
    """The file a link names by Zotero's importer rules: a file:// URI
    (percent-decoded to the exact bytes), an absolute path, or a path
    relative to the imported file's folder."""
    if value.startswith("file://"):
        return urllib.parse.unquote_to_bytes(value[len("file://"):])
    path = os.fsencode(value)
    return path if os.path.isabs(path) else os.path.join(os.fsencode(imported_folder), path)


def bibtex_files(text):
    """Each entry's key and the path of its file field, Zotero's form
    (":path:type" or "path", with \\ \\: \\; escaped) decoded."""
    files = {}
    key = None
    for line in text.splitlines():
        if line.startswith("@") and not line.lower().startswith("@comment"):
            key = line[line.index("{") + 1:].rstrip(",")
        elif line.startswith("  file = {") and line.endswith("},"):
            parts, part, escaped = [], "", False
            for c in line[len("  file = {"):-2]:
                if escaped:
                    part, escaped = part + c, False
                elif c == "\\":
                    escaped = True
                elif c == ":":
                    parts.append(part)
                    part = ""
                else:
                    part += c
            parts.append(part)
            files[key] = parts[1] if len(parts) == 3 else parts[0]
    return files


def file_directory(text):
    """The file directory the BibTeX's JabRef comment names, or None."""
    head = "@Comment{jabref-meta: fileDirectory:"
    if not text.startswith(head):
        return None
    value = text[len(head):text.index(";}")]
    return value.replace("\\;", ";").replace("\\\\", "\\")


def pandoc_items(source_format, path):
    done = subprocess.run(["pandoc", "-f", source_format, "-t", "csljson", path],
                          capture_output=True, timeout=600)
    check(done.returncode == 0, f"pandoc -f {source_format} failed: {done.stderr[:500]!r}")
    return json.loads(done.stdout or b"[]")


def check_exports(root, out_dir, schema, outside_root):
    """Checks the four exports of the archive at `root` in `out_dir`; returns the catalogue."""
    raw = {name: read(os.path.join(out_dir, name)) for name in EXPORTS.values()}
    for name, data in raw.items():
        try:
            data.decode("utf-8")
        except UnicodeDecodeError as e:
            check(False, f"{name} is not UTF-8: {e}")
    catalogue = json.loads(raw["catalogue.json"])
    jsonschema.validate(catalogue, schema, cls=jsonschema.Draft202012Validator)
    check(("root" in catalogue) == outside_root, "JSON root member present iff outside the root")
    pdfs = [pdf for issue in catalogue["issues"] for pdf in issue["pdfs"]]
    # Every href names the exact bytes of a PDF or page that is there.
    for issue in catalogue["issues"]:
        for item in issue["pdfs"] + issue["pages"]:
            path = os.path.join(os.fsencode(root), urllib.parse.unquote_to_bytes(item["href"]))
            check(os.path.isfile(path), f"href {item['href']} names no file")
    found_on_disk = sum(len([n for n in files if n.lower().endswith(".pdf")])
                        for _, _, files in os.walk(root))
    check(len(pdfs) == found_on_disk, f"JSON has {len(pdfs)} PDFs, the archive {found_on_disk}")

    # BibTeX through pandoc: one item per PDF, with the fields it was given.
    bib_items = pandoc_items("bibtex", os.path.join(out_dir, "catalogue.bib"))
    check(len(bib_items) == len(pdfs), f"pandoc read {len(bib_items)} BibTeX items of {len(pdfs)}")
    keys = [item["id"] for item in bib_items]
    check(len(set(keys)) == len(keys), "BibTeX keys are not unique")
    for pdf, item in zip(pdfs, bib_items):
        if pdf["fields"]["authors"]:
            check(len(item.get("author", [])) == len(pdf["fields"]["authors"]),
                  f"{item['id']}: pandoc read {item.get('author')} for {pdf['fields']['authors']}")
        if pdf["fields"]["year"].isdigit():
            check(item.get("issued", {}).get("date-parts") == [[int(pdf["fields"]["year"])]],
                  f"{item['id']}: year")
        check(bool(item.get("title")), f"{item['id']}: no title")

    # CSL-JSON: as written, and as pandoc reads it back.
    csl = json.loads(raw["catalogue.csl.json"])
    check([item["id"] for item in csl] == keys, "CSL-JSON ids differ from the BibTeX keys")
    round_trip = pandoc_items("csljson", os.path.join(out_dir, "catalogue.csl.json"))
    check(len(round_trip) == len(pdfs), f"pandoc read {len(round_trip)} CSL items of {len(pdfs)}")
    for pdf, item in zip(pdfs, csl):
        check(item["type"] == ("document" if not any(pdf["fields"].values()) else
                               "article-journal"), f"{item['id']}: type {item['type']}")
        if not any(pdf["fields"].values()):
            check(item["title"] == pdf["base"], f"{item['id']}: title is not the base name")
        # No local path reaches a rendered bibliography.
        check("archive_location" not in item and pdf["path"] not in json.dumps(item),
              f"{item['id']}: a path in the CSL-JSON")

    # Every attachment link leads to its PDF by Zotero's rules, and for
    # JabRef through the file directory the BibTeX names.
    bib_text = raw["catalogue.bib"].decode("utf-8")
    directory = file_directory(bib_text)
    check(directory is None or os.path.realpath(directory) == os.path.realpath(root),
          f"BibTeX file directory {directory}")
    files = bibtex_files(bib_text)
    check(list(files) == keys, "BibTeX file fields")
    for pdf, key in zip(pdfs, keys):
        want = os.path.realpath(os.path.join(os.fsencode(root),
                                             urllib.parse.unquote_to_bytes(pdf["href"])))
        value = files.get(key, "")
        check(os.path.realpath(zotero_link(value, out_dir)) == want,
              f"{key}: BibTeX file {value!r} is not its PDF by Zotero's rules")
        if directory is not None and not value.startswith("file://"):
            jabref = os.path.join(os.fsencode(directory), os.fsencode(value))
            check(os.path.realpath(jabref) == want, f"{key}: BibTeX file {value!r} for JabRef")

    # RIS with a parser of our own.
    records = parse_ris(raw["catalogue.ris"].decode("utf-8"))
    check(len(records) == len(pdfs), f"{len(records)} RIS records for {len(pdfs)} PDFs")
    for pdf, record, key in zip(pdfs, records, keys):
        tags = dict(record)
        want = os.path.realpath(os.path.join(os.fsencode(root),
                                             urllib.parse.unquote_to_bytes(pdf["href"])))
        check(os.path.realpath(zotero_link(tags.get("L1", ""), out_dir)) == want,
              f"L1 {tags.get('L1')} is not its PDF by Zotero's rules")
        check(tags.get("ID") == key, f"RIS ID {tags.get('ID')} is not the key {key}")
        check(sum(1 for t, _ in record if t == "AU") == len(pdf["fields"]["authors"]), "AU count")
        check("TI" in tags, f"{pdf['path']}: no TI")
    return catalogue, csl


# What the README tells pdflatex users to put in the preamble: characters
# with no LaTeX command and no font in a default installation (Cyrillic,
# CJK) print as "?" instead of stopping the run.
PDFLATEX_PREAMBLE = r"""\makeatletter
\def\UTFviii@undefined@err#1{?}
\makeatother
"""


def run_tool(args, cwd):
    done = subprocess.run(args, cwd=cwd, stdin=subprocess.DEVNULL, capture_output=True,
                          timeout=300)
    return done.returncode, done.stdout.decode("utf-8", "replace")


def no_empty_brackets(folder, name, label):
    """The typeset bibliography NAME.pdf shows no "()" where a year is
    missing (where pdftotext is installed)."""
    if not shutil.which("pdftotext"):
        return
    code, text = run_tool(["pdftotext", name + ".pdf", "-"], folder)
    text = " ".join(text.split())
    at = text.find("()")
    check(code == 0 and at < 0, f"{label}: {name}: empty brackets: {text[max(0, at - 80):at + 20]}")


def tools_read(bib, ris, csl, keys, label, work):
    """The BibTeX compiles with pdflatex + bibtex (plain, unsrt, abbrv) and
    with biblatex + biber with no error; bibutils and JabRef read every
    entry; pandoc's citeproc renders no PDF path (where the tools are
    installed)."""
    folder = tempfile.mkdtemp(dir=work)
    shutil.copy(bib, os.path.join(folder, "refs.bib"))
    if shutil.which("pdflatex") and shutil.which("bibtex"):
        for style in ("plain", "unsrt", "abbrv"):
            with open(os.path.join(folder, f"{style}.tex"), "w", encoding="utf-8") as f:
                f.write("\\documentclass{article}\n" + PDFLATEX_PREAMBLE +
                        "\\begin{document}\n\\nocite{*}\n\\bibliographystyle{" + style +
                        "}\n\\bibliography{refs}\n\\end{document}\n")
            run_tool(["pdflatex", "-interaction=nonstopmode", style], folder)
            code, out = run_tool(["bibtex", style], folder)
            warnings = [line for line in out.splitlines() if line.startswith("Warning--")
                        and "empty" not in line]
            check(code == 0 and "error message" not in out and not warnings,
                  f"{label}: bibtex {style}: {out[-800:]}")
            with open(os.path.join(folder, f"{style}.bbl"), encoding="utf-8") as f:
                cited = f.read().count("\\bibitem")
            check(cited == len(keys), f"{label}: bibtex {style} has {cited} of {len(keys)}")
            code, out = run_tool(["pdflatex", "-interaction=nonstopmode", style], folder)
            check(code == 0 and "\n!" not in out, f"{label}: pdflatex {style}: {out[-800:]}")
            no_empty_brackets(folder, style, label)
    if shutil.which("biber") and shutil.which("pdflatex"):
        with open(os.path.join(folder, "biber.tex"), "w", encoding="utf-8") as f:
            f.write("\\documentclass{article}\n" + PDFLATEX_PREAMBLE +
                    "\\usepackage[backend=biber]{biblatex}\n\\addbibresource{refs.bib}\n"
                    "\\begin{document}\n\\nocite{*}\n\\printbibliography\n\\end{document}\n")
        run_tool(["pdflatex", "-interaction=nonstopmode", "biber"], folder)
        code, out = run_tool(["biber", "biber"], folder)
        check(code == 0 and "ERROR" not in out, f"{label}: biber: {out[-800:]}")
        code, out = run_tool(["pdflatex", "-interaction=nonstopmode", "biber"], folder)
        check(code == 0 and "\n!" not in out, f"{label}: pdflatex with biblatex: {out[-800:]}")
        no_empty_brackets(folder, "biber", label)
    if shutil.which("bib2xml") and shutil.which("ris2xml"):
        for tool, path in (("bib2xml", bib), ("ris2xml", ris)):
            code, out = run_tool([tool, path], folder)
            read_count = out.count("<mods ID=")
            check(code == 0 and read_count == len(keys),
                  f"{label}: {tool} read {read_count} of {len(keys)}")
            if tool == "ris2xml":
                check(all(f'<mods ID="{key}">' in out for key in keys),
                      f"{label}: ris2xml did not take the keys from ID")
    if shutil.which("jabref"):
        # Headless: imports the BibTeX and exports it again as RIS.
        out_ris = os.path.join(folder, "jabref.ris")
        code, out = run_tool(["jabref", "-n", "-i", bib, "-o", out_ris + ",ris"], folder)
        entries = read(out_ris).count(b"\nER  -") if os.path.exists(out_ris) else 0
        check(entries == len(keys), f"{label}: JabRef read {entries} of {len(keys)}: {out[-500:]}")
    styles = "/usr/share/citation-style-language/styles"
    if os.path.isdir(styles):
        with open(os.path.join(folder, "cite.md"), "w", encoding="utf-8") as f:
            f.write("---\nnocite: '@*'\n---\n\nText.\n")
        for style in ("chicago-author-date", "apa"):
            for source in (bib, csl):
                code, out = run_tool(["pandoc", "--citeproc", "--bibliography", source, "--csl",
                                      os.path.join(styles, style + ".csl"), "-t", "plain",
                                      "cite.md"], folder)
                check(code == 0 and ".pdf" not in out.lower(),
                      f"{label}: {style} from {os.path.basename(source)} shows a path: "
                      f"{out[:300]}")


def index_unchanged(binary, root, work):
    """HtmlData.htm with the exports (in the root) is the bytes without them."""
    run_pdfindex(binary, root)
    alone = read(os.path.join(root, "HtmlData.htm"))
    run_pdfindex(binary, root, work)
    check(read(os.path.join(root, "HtmlData.htm")) == alone, f"{root}: HtmlData.htm changed")
    return alone


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pdfindex", required=True)
    parser.add_argument("--examples", required=True)
    parser.add_argument("--schema", required=True)
    parser.add_argument("--make-archive")
    parser.add_argument("--update", action="store_true")
    args = parser.parse_args()
    with open(args.schema, encoding="utf-8") as f:
        schema = json.load(f)
    jsonschema.Draft202012Validator.check_schema(schema)
    binary = os.path.abspath(args.pdfindex)
    expected = os.path.join(args.examples, "expected")

    with tempfile.TemporaryDirectory() as work:
        # The example archive, exports in its root: compared byte for byte.
        root = os.path.join(work, "archive")
        shutil.copytree(os.path.join(args.examples, "archive"), root, symlinks=True)
        index = index_unchanged(binary, root, root)
        check(index == read(os.path.join(expected, "HtmlData.htm")), "example HtmlData.htm")
        for name in EXPORTS.values():
            # The BibTeX names the root, which is the test's own folder.
            got = read(os.path.join(root, name)).replace(
                os.fsencode(os.path.realpath(root)) + b"/", b"/ROOT/")
            if args.update:
                with open(os.path.join(expected, name), "wb") as f:
                    f.write(got)
            check(got == read(os.path.join(expected, name)), f"{name} differs from expected")
        catalogue, csl = check_exports(root, root, schema, outside_root=False)
        tools_read(*(os.path.join(root, n) for n in ("catalogue.bib", "catalogue.ris",
                                                     "catalogue.csl.json")),
                   [item["id"] for item in csl], "example archive", work)
        pdfs = [pdf for issue in catalogue["issues"] for pdf in issue["pdfs"]]
        described = [item for pdf, item in zip(pdfs, csl) if pdf["found"]]
        full = [item for item in described if item.get("title") and item.get("author")]
        share = len(full) / max(1, len(described))
        print(f"example archive: {len(full)} of {len(described)} described PDFs have a title "
              f"and authors in the CSL-JSON ({share:.0%})")
        # The share is the readers' to reach; it is measured once any of them
        # fills the fields (until then every PDF is exported as a document).
        if any(any(pdf["fields"].values()) for pdf in pdfs):
            check(share >= 0.9, "fewer than 90% of described PDFs have a title and authors")
        else:
            print("example archive: no reader fills the fields yet; the 90% share is not checked")

        # With --metadata the PDFs' first pages describe them too, the seven
        # that no contents page lists among them: compared with
        # examples/expected/metadata/ where the PDF reader is built.
        meta_root = os.path.join(work, "metadata")
        shutil.copytree(os.path.join(args.examples, "archive"), meta_root, symlinks=True)
        meta_args = [binary, "--metadata", "-j", "2"]
        for option, name in EXPORTS.items():
            meta_args += [option, os.path.join(meta_root, name)]
        done = subprocess.run(meta_args + [meta_root], stdin=subprocess.DEVNULL,
                              capture_output=True, timeout=600)
        check(done.returncode == 0, f"pdfindex --metadata failed: {done.stderr!r}")
        if b"PDF reader was not loaded" in done.stderr:
            print("example archive: no PDF reader built; --metadata exports not compared")
        else:
            check(read(os.path.join(meta_root, "HtmlData.htm")) ==
                  read(os.path.join(expected, "HtmlData.htm")), "HtmlData.htm with --metadata")
            for name in EXPORTS.values():
                got = read(os.path.join(meta_root, name)).replace(
                    os.fsencode(os.path.realpath(meta_root)) + b"/", b"/ROOT/")
                want = os.path.join(expected, "metadata", name)
                if args.update:
                    os.makedirs(os.path.dirname(want), exist_ok=True)
                    with open(want, "wb") as f:
                        f.write(got)
                check(got == read(want), f"metadata/{name} differs from expected")
            meta_catalogue, _ = check_exports(meta_root, meta_root, schema, outside_root=False)
            titled = [pdf for issue in meta_catalogue["issues"] for pdf in issue["pdfs"]
                      if pdf["fields"]["title"]]
            check(len(titled) == len(pdfs), "--metadata: every example PDF has a title")

        # The same exports written outside the root say the root.
        outside = os.path.join(work, "elsewhere")
        os.mkdir(outside)
        run_pdfindex(binary, root, outside)
        catalogue_out, _ = check_exports(root, outside, schema, outside_root=True)
        check(catalogue_out["root"] == os.path.realpath(root) + "/", "JSON root member")
        check(read(os.path.join(outside, "catalogue.bib")).startswith(
            b"@Comment{jabref-meta: fileDirectory:"), "BibTeX names the root as file directory")

        # "-" is standard output.
        stdout = run_pdfindex(binary, root, extra=["--ris", "-"]).replace(
            os.fsencode(os.path.realpath(root)) + b"/", b"/ROOT/")
        check(stdout == read(os.path.join(expected, "catalogue.ris")), "--ris - on stdout")

        # Awkward file names: not UTF-8, URL and BibTeX specials.
        odd = os.path.join(work, "odd")
        folder = os.path.join(os.fsencode(odd), b"Odd \xe9", b"Vol {1}")
        os.makedirs(folder)
        names = [b"caf\xe9", b"a b#%?&", b"x{y}z", b"semi;colon:back\\slash", b"caf\xc3\xa9"]
        links = b"".join(b'<A HREF="' + n + b'.pdf">' + n + b"</A><BR>\n" for n in names)
        with open(os.path.join(folder, b"contents.htm"), "wb") as f:
            f.write(b"<HTML><TITLE>Odd names</TITLE><BODY>\n" + links + b"</BODY></HTML>\n")
        for n in names:
            open(os.path.join(folder, n + b".pdf"), "wb").close()
        index_unchanged(binary, odd, odd)
        catalogue, _ = check_exports(odd, odd, schema, outside_root=False)
        check(len(catalogue["issues"][0]["pdfs"]) == len(names), "odd names: every PDF listed")

        # Hostile text: scripts without LaTeX commands, math, combining
        # accents, unbalanced braces and LaTeX's specials in titles and names.
        hostile = os.path.join(work, "hostile")
        folder = os.path.join(hostile, "Hostile", "Vol 1")
        os.makedirs(folder)
        entries = [
            ("h1", "\u03b2-Lactamase in Homo sapiens: DNA &amp; RNA {unbalanced",
             "\u0418\u0432\u0430\u043d\u043e\u0432 \u0418, M\u00fcller K-H, \u738b\u5c0f\u660e"),
            ("h2", "\u03a9mega \u2211 x\u00b2 \u2264 \u221e e&#x301;te $5 # 50% _a_ ~ ^ \\ }",
             "van der Berg J, Jos\u00e9 \u00c1lvarez Jr."),
            ("h3", "\u0421\u043b\u043e\u0432\u0430\u0440\u044c \u65e5\u672c } "
                   "@misc(inj1, title = \"Injected\")",
             "Smith, J.; O'Brien, P.; {Varga H, Brandt E}"),
        ]
        with open(os.path.join(folder, "contents.htm"), "w", encoding="utf-8") as f:
            f.write('<HTML><HEAD><meta charset="utf-8"><TITLE>Hostile</TITLE></HEAD><BODY>\n')
            for base, title, authors in entries:
                f.write(f'<P><A HREF="{base}.pdf">{title}</A><BR>{authors}<BR></P>\n')
                open(os.path.join(folder, base + ".pdf"), "wb").close()
            f.write("</BODY></HTML>\n")
        open(os.path.join(folder, "a}b.pdf"), "wb").close()
        index_unchanged(binary, hostile, hostile)
        catalogue, csl = check_exports(hostile, hostile, schema, outside_root=False)
        tools_read(*(os.path.join(hostile, n) for n in ("catalogue.bib", "catalogue.ris",
                                                        "catalogue.csl.json")),
                   [item["id"] for item in csl], "hostile archive", work)
        tools_read(*(os.path.join(odd, n) for n in ("catalogue.bib", "catalogue.ris",
                                                    "catalogue.csl.json")),
                   [item["id"] for item in json.loads(read(os.path.join(odd, "catalogue.csl.json")))],
                   "odd names", work)

        # Made-up archives of every layout.
        if args.make_archive:
            generated = os.path.join(work, "generated")
            subprocess.run([args.make_archive, generated, "2", "25"], check=True,
                           stdout=subprocess.DEVNULL)
            out = os.path.join(work, "generated-out")
            os.mkdir(out)
            index_unchanged(binary, generated, out)
            catalogue, _ = check_exports(generated, out, schema, outside_root=True)
            formats = {issue["format"] for issue in catalogue["issues"]}
            print(f"generated archive: {sum(len(i['pdfs']) for i in catalogue['issues'])} PDFs, "
                  f"formats {sorted(f or 'none' for f in formats)}")

    print(f"{passed} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
