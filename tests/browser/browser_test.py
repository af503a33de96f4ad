#!/usr/bin/env python3
"""Checks the index page in a real browser.

pdfindex indexes a copy of the example archive and a made-up archive of
awkward file names; headless Chromium then loads each HtmlData.htm. From the
DOM Chromium built (--dump-dom), every heading of the page must stand in the
body (so it is shown) with the text the page holds, and every link, resolved
by Chromium against the page, must lead to an existing PDF: each PDF of the
archive exactly once.

Only the standard library is used. Usage:
  browser_test.py --pdfindex BIN --examples DIR [--chromium BIN]
                  [--screenshot OUT.png] [--keep]
"""

import argparse
import html.parser
import json
import os
import shutil
import subprocess
import sys
import tempfile
import urllib.parse

# The flags every Chromium run gets: headless, no sandbox (CI runs as root),
# and nothing that reaches the network or keeps state between runs.
CHROMIUM_FLAGS = [
    "--headless",
    "--no-sandbox",
    "--disable-gpu",
    "--disable-background-networking",
    "--disable-component-update",
    "--disable-sync",
    "--no-first-run",
]

# The awkward archive: (publisher folder, issue folder, files). A file whose
# name ends in ".htm" gets a contents page with an Embo-like title.
AWKWARD = [
    (b"Odd & Ends", b'v <1> "q"', [b"a b.pdf", b"it's.pdf", b"x#y.pdf", b"50%.pdf",
                                    b"what?.pdf", b"%41.pdf", b"a&amp;b.pdf", b"<i>.pdf",
                                    b"semi;colon=+,.pdf", b"UPPER.PDF"]),
    (b" Lead", b" issue ", [b"f.pdf", b" g.pdf", b"h .pdf"]),
    (b"x:y", b"c:", [b"z.pdf", b"http:x.pdf"]),
    (b"Latin1 \xe9", b"caf\xe9", [b"r\xe9sum\xe9.pdf", b"\xff\xfe.pdf", b"\x80\x81\x8d.pdf"]),
    (b"UTF-8 caf\xc3\xa9", b"\xe2\x80\x94 dash", [b"na\xc3\xafve.pdf", b"\xf0\x9f\x93\x84.pdf"]),
    (b"back\\slash", b"v\\1", [b"a\\b.pdf", b"\\.pdf"]),
    (b"dots", b"...", [b"....pdf", b"..pdf"]),
    (b"%2e", b"%2E%2E", [b"%2F.pdf"]),
    (b"ctl", b"tab\there", [b"new\nline.pdf", b"cr\rx.pdf"]),
    (b"Embo", b"Vol <1> & \"2\"", [b"contents.htm", b"a1.pdf", b"gone.pdf"]),
    (b"Embo", b"no pages \xe9 <&>", [b"q.pdf"]),
]

EMBO_PAGE = (b"<HTML><HEAD><TITLE>J. Mol. Things &amp; <Odd> \xe9 20(1)</TITLE></HEAD>\r\n"
             b"<DL><DT><A HREF=\"/cgi/reprint/20/1/a1\">\r\n"
             b" Heading of a1</A><DD>\r\n"
             b"<STRONG>Ann Author</STRONG><BR>\r\n"
             b"J. Mol. Things 20: 1-10.<NOBR> <A HREF=\"/cgi/content/abstract/20/1/a1\">"
             b"[Abstract]</A>\r\n"
             b"</DL></HTML>\r\n")

PDF = b"%PDF-1.4\n%%EOF\n"


class Failures:
    def __init__(self):
        self.messages = []

    def check(self, ok, message):
        if not ok:
            self.messages.append(message)
        return ok


def make_awkward_archive(root):
    for publisher, issue, files in AWKWARD:
        folder = os.path.join(root, publisher, issue)
        os.makedirs(folder, exist_ok=True)
        for name in files:
            with open(os.path.join(folder, name), "wb") as f:
                f.write(EMBO_PAGE if name.endswith(b".htm") else PDF)


def archive_pdfs(root):
    """Every PDF the index must link: issue folders two levels down."""
    pdfs = set()
    for publisher in os.listdir(root):
        if publisher.startswith(b".") or not os.path.isdir(os.path.join(root, publisher)):
            continue
        for issue in os.listdir(os.path.join(root, publisher)):
            folder = os.path.join(root, publisher, issue)
            if issue.startswith(b".") or not os.path.isdir(folder):
                continue
            for name in os.listdir(folder):
                if name.lower().endswith(b".pdf") and os.path.isfile(os.path.join(folder, name)):
                    pdfs.add(os.path.realpath(os.path.join(folder, name)))
    return pdfs


def run_chromium(chromium, work, args, url):
    """Chromium's standard output for one headless run with a fresh profile."""
    profile = os.fsdecode(tempfile.mkdtemp(prefix=b"profile-", dir=work))
    command = [chromium, *CHROMIUM_FLAGS, "--user-data-dir=" + profile, *args, url]
    done = subprocess.run(command, capture_output=True, timeout=180, check=False)
    shutil.rmtree(profile, ignore_errors=True)
    if done.returncode != 0:
        sys.stderr.write(done.stderr.decode("utf-8", "replace"))
        raise SystemExit("chromium failed on %s (exit %d)" % (url, done.returncode))
    return done.stdout.decode("utf-8")


class DomReader(html.parser.HTMLParser):
    """Headings (<b> texts), links and rules of a page, and where they stand."""

    def __init__(self):
        super().__init__()
        self.in_body = False
        self.bold_depth = 0
        self.headings = []        # (text, in_body)
        self.links = []           # [href, text, in_body]
        self.rules_in_body = 0
        self.in_link = False
        self.in_pre = False
        self.pre_text = None

    def handle_starttag(self, tag, attrs):
        if tag == "body":
            self.in_body = True
        elif tag == "b":
            if self.bold_depth == 0:
                self.headings.append(["", self.in_body])
            self.bold_depth += 1
        elif tag == "a":
            self.links.append([dict(attrs).get("href"), "", self.in_body])
            self.in_link = True
        elif tag == "hr" and self.in_body:
            self.rules_in_body += 1
        elif tag == "pre":
            self.in_pre = True
            self.pre_text = ""

    def handle_endtag(self, tag):
        if tag == "b" and self.bold_depth > 0:
            self.bold_depth -= 1
        elif tag == "a":
            self.in_link = False
        elif tag == "pre":
            self.in_pre = False

    def handle_data(self, data):
        if self.bold_depth > 0:
            self.headings[-1][0] += data
        if self.in_link:
            self.links[-1][1] += data
        if self.in_pre:
            self.pre_text += data


def squeeze(text):
    return " ".join(text.split())


def decode_page(data, charset):
    """The page's bytes as the browser decoded them with `charset`."""
    label = charset.lower()
    if label in ("windows-1252", "iso-8859-1", "us-ascii"):
        # The web's windows-1252 maps the five bytes Python's cp1252 leaves
        # undefined to the control characters of the same number.
        return "".join(bytes([b]).decode("cp1252", "ignore") or chr(b) for b in data)
    return data.decode(label, "replace")


PROBE = """<!DOCTYPE html><html><body><pre id="out"></pre>
<iframe id="index" src="%s"></iframe>
<script>
window.addEventListener("load", function () {
  var d = document.getElementById("index").contentDocument;
  var hrefs = [];
  for (const a of d.querySelectorAll("a")) hrefs.push(a.href);
  document.getElementById("out").textContent =
      JSON.stringify({charset: d.characterSet, hrefs: hrefs});
});
</script></body></html>
"""


def browser_view(chromium, work, index):
    """What Chromium made of the page: its DOM, and from a probe page that
    frames it, the page's character set and every link as Chromium resolved
    it (a.href)."""
    url = "file://" + urllib.parse.quote(os.fsdecode(index))
    dom = DomReader()
    dom.feed(run_chromium(chromium, work, ["--dump-dom"], url))
    probe_path = os.path.join(work, b"probe.html")
    with open(probe_path, "w", encoding="utf-8") as f:
        f.write(PROBE % url)
    probe = DomReader()
    probe.feed(run_chromium(chromium, work,
                            ["--allow-file-access-from-files", "--virtual-time-budget=5000",
                             "--dump-dom"],
                            "file://" + urllib.parse.quote(os.fsdecode(probe_path))))
    if not probe.pre_text:
        raise SystemExit("the probe page got nothing from the index frame")
    return dom, json.loads(probe.pre_text)


def file_of_url(url):
    """The file a file: URL names: its path, percent-decoded to bytes, as
    Chromium opens it; None for any other URL or one with a query or
    fragment."""
    parts = urllib.parse.urlsplit(url)
    if parts.scheme != "file" or parts.netloc not in ("", "localhost") or parts.query \
            or parts.fragment or "?" in url or "#" in url:
        return None
    return urllib.parse.unquote_to_bytes(parts.path)


def check_archive(name, chromium, pdfindex, root, work, failures):
    run = subprocess.run([pdfindex], cwd=root, capture_output=True, timeout=120, check=False)
    if not failures.check(run.returncode == 0 and run.stdout == b"",
                          "%s: pdfindex exited %d: %r" % (name, run.returncode, run.stdout)):
        return
    index = os.path.join(root, b"HtmlData.htm")
    with open(index, "rb") as f:
        raw = f.read()
    dom, probe = browser_view(chromium, work, index)
    charset = probe["charset"]

    # Headings: the <B> elements of the page's bytes, decoded as Chromium
    # decoded them, must all stand in the body, in order, with that text.
    source = DomReader()
    source.feed(decode_page(raw, charset))
    expected = [squeeze(text) for text, _ in source.headings]
    shown = [squeeze(text) for text, in_body in dom.headings if in_body]
    failures.check(len(dom.headings) == len(shown),
                   "%s: %d headings not in the body" % (name, len(dom.headings) - len(shown)))
    failures.check(shown == expected, "%s: headings shown %r, page holds %r" %
                   (name, shown, expected))
    issue_folders = raw.count(b"<HR>") - 1
    failures.check(dom.rules_in_body == issue_folders + 1,
                   "%s: %d rules in the body for %d issue folders" %
                   (name, dom.rules_in_body, issue_folders))

    # Links: each resolved by Chromium to an existing PDF, each PDF once.
    pdfs = archive_pdfs(root)
    failures.check(len(dom.links) == len(probe["hrefs"]) == len(pdfs),
                   "%s: %d links in the DOM, %d in the frame, %d PDFs" %
                   (name, len(dom.links), len(probe["hrefs"]), len(pdfs)))
    reached = set()
    for (href, text, in_body), resolved in zip(dom.links, probe["hrefs"]):
        failures.check(in_body, "%s: link %r not in the body" % (name, href))
        path = file_of_url(resolved)
        if not failures.check(path is not None and os.path.isfile(path),
                              "%s: link %r resolves to %r, no file" % (name, href, resolved)):
            continue
        path = os.path.realpath(path)
        failures.check(path in pdfs, "%s: link %r leads to %r, not a PDF of the archive" %
                       (name, href, path))
        failures.check(path not in reached, "%s: %r linked twice" % (name, path))
        reached.add(path)
        base = os.path.basename(path)
        if base.lower().endswith(b".pdf"):
            base = base[:-4]
        failures.check(squeeze(text) == squeeze(decode_page(base, charset)),
                       "%s: link text %r for %r" % (name, text, path))
    failures.check(reached == pdfs, "%s: PDFs without a link: %r" %
                   (name, sorted(pdfs - reached)))
    print("%s: %d headings and %d links checked (page read as %s)" %
          (name, len(expected), len(reached), charset))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--pdfindex", required=True)
    parser.add_argument("--examples", required=True, help="the examples folder")
    parser.add_argument("--chromium", default=shutil.which("chromium") or "chromium")
    parser.add_argument("--screenshot", help="also save a PNG of the example index here")
    parser.add_argument("--keep", action="store_true", help="keep the work folder")
    args = parser.parse_args()
    args.pdfindex = os.path.abspath(args.pdfindex)

    work = tempfile.mkdtemp(prefix="pdfindex-browser-").encode()
    failures = Failures()
    try:
        example = os.path.join(work, b"example")
        shutil.copytree(os.path.join(os.fsencode(args.examples), b"archive"), example)
        for leftover in (b"HtmlData.htm", b".HtmlData.htm.tmp"):
            if os.path.exists(os.path.join(example, leftover)):
                os.remove(os.path.join(example, leftover))
        check_archive("example archive", args.chromium, args.pdfindex, example, work, failures)

        awkward = os.path.join(work, b"awkward")
        make_awkward_archive(awkward)
        check_archive("awkward names", args.chromium, args.pdfindex, awkward, work, failures)

        if args.screenshot:
            out = os.path.abspath(args.screenshot)
            run_chromium(args.chromium, work,
                         ["--screenshot=" + out, "--window-size=1100,760", "--hide-scrollbars"],
                         "file://" + urllib.parse.quote(
                             os.fsdecode(os.path.join(example, b"HtmlData.htm"))))
            print("screenshot:", out)
    finally:
        if args.keep:
            print("work folder:", os.fsdecode(work))
        else:
            shutil.rmtree(work, ignore_errors=True)

    for message in failures.messages:
        print("FAIL:", message)
    print("browser test: %s" % ("failed" if failures.messages else "passed"))
    return 1 if failures.messages else 0


if __name__ == "__main__":
    sys.exit(main())
