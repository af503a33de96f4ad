#!/usr/bin/python3
"""Checks the searchable index page in a real browser, used as a user would.

The page is written for a copy of the example archive and for a made-up
archive of awkward names (a folder named <script>, Latin-1 and UTF-8
accents, quotes, percent signs), into a folder beside each archive so that
every link is relative through "..". Each page must be well-formed HTML whose
data parses; then headless Chromium, driven through Selenium, opens it from
file:// and the test types queries and counts the rows shown against the
archive on disk, clears the box, uses the format filter and "Not described
only", follows a link to its PDF, and runs axe-core in the page (no serious
or critical violation).

A page of known records with abstracts (written by make_fixture_page) is
used for what needs filled fields: field search and year ranges, accents
and scripts without spaces, highlighted matches, abstracts, sorting and the
keyboard. At a phone's width (390 px) every page must show each row as a
card whose text stays in its box, with no word broken inside, title,
authors and year shown, and a header of at most a fifth of the screen; axe
runs there too.

  search_page_test.py --pdfindex BIN --examples DIR --fixture BIN --axe axe.min.js
                      [--chromium BIN] [--chromedriver BIN] [--keep]
"""

import argparse
import base64
import html.parser
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unicodedata
import urllib.parse
import zlib

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.common.exceptions import TimeoutException
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import Select, WebDriverWait

FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--window-size=1280,900"]

PDF = b"%PDF-1.4\n%%EOF\n"

# The awkward archive: (publisher folder, issue folder, files).
AWKWARD = [
    (b"<script>", b"<b>bold &amp; <!--", [b"alert(1).pdf", b"<img src=x onerror=alert(1)>.pdf"]),
    (b"Odd & Ends", b'v <1> "q"', [b"a b.pdf", b"it's.pdf", b"x#y.pdf", b"50%.pdf",
                                    b"what?.pdf", b"%41.pdf", b"UPPER.PDF"]),
    (b"Latin1 \xe9", b"caf\xe9", [b"r\xe9sum\xe9.pdf", b"\x96dash.pdf"]),
    (b"UTF-8 caf\xc3\xa9", b"\xe2\x80\x94 dash", [b"na\xc3\xafve.pdf", b"\xf0\x9f\x93\x84.pdf",
                                                  b"R\xc3\xa9sum\xc3\xa9 two.pdf"]),
    (b"Embo", b"v20n1", [b"contents.htm", b"a1.pdf", b"gone.pdf"]),
    (b"Embo", b"empty", []),
    (b"back\\slash", b"v\\1", [b"a\\b.pdf"]),
]

EMBO_PAGE = (b"<HTML><HEAD><TITLE>J. Mol. Things 20(1)</TITLE></HEAD>\r\n"
             b"<DL><DT><A HREF=\"/cgi/reprint/20/1/a1\">\r\n Heading of a1</A><DD>\r\n"
             b"<STRONG>Ann Author</STRONG><BR>\r\nJ. Mol. Things 20: 1-10.\r\n</DL></HTML>\r\n")

# Queries on the awkward archive: all words must match the path, without
# regard to case or accents.
QUERIES = ["cafe", "CAFÉ", "resume", "script", "<script>", "odd 50%", "naive dash", "zzz",
           "a1", "\u2014", "embo v20n1 gone"]

VOID = {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta", "source",
        "track", "wbr"}


class Failures:
    def __init__(self):
        self.messages = []

    def check(self, ok, message):
        if not ok:
            self.messages.append(message)
        return ok


class WellFormed(html.parser.HTMLParser):
    """Every element closed in order, no stray end tag, and the text of the
    page's script elements."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.stack, self.errors, self.scripts, self.ids = [], [], [], set()

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if "id" in attrs:
            if attrs["id"] in self.ids:
                self.errors.append("id %r twice" % attrs["id"])
            self.ids.add(attrs["id"])
        if tag == "script":
            self.scripts.append([attrs, ""])
        if tag not in VOID:
            self.stack.append(tag)

    def handle_startendtag(self, tag, attrs):
        self.errors.append("self-closing <%s/>" % tag)

    def handle_endtag(self, tag):
        if not self.stack or self.stack[-1] != tag:
            self.errors.append("</%s> closes %r" % (tag, self.stack[-1:]))
        else:
            self.stack.pop()

    def handle_data(self, data):
        if self.stack and self.stack[-1] == "script":
            self.scripts[-1][1] += data


def fold(text):
    text = unicodedata.normalize("NFD", text.lower())
    return "".join(c for c in text if not unicodedata.combining(c)).replace("\u00df", "ss")


def shown_name(raw):
    """A name as the page shows it: UTF-8 when valid, else windows-1252."""
    try:
        return raw.decode("utf-8")
    except UnicodeDecodeError:
        return "".join(bytes([b]).decode("cp1252", "ignore") or chr(b) for b in raw)


def archive_pdfs(root):
    """(publisher, issue, file) of every PDF, as bytes."""
    out = []
    for publisher in sorted(os.listdir(root)):
        if publisher.startswith(b".") or not os.path.isdir(os.path.join(root, publisher)):
            continue
        for issue in sorted(os.listdir(os.path.join(root, publisher))):
            folder = os.path.join(root, publisher, issue)
            if issue.startswith(b".") or not os.path.isdir(folder):
                continue
            for name in sorted(os.listdir(folder)):
                if name.lower().endswith(b".pdf"):
                    out.append((publisher, issue, name))
    return out


def make_awkward(root):
    for publisher, issue, files in AWKWARD:
        folder = os.path.join(root, publisher, issue)
        os.makedirs(folder, exist_ok=True)
        for name in files:
            with open(os.path.join(folder, name), "wb") as f:
                f.write(EMBO_PAGE if name.endswith(b".htm") else PDF)


def write_page(pdfindex, root, page):
    """Runs pdfindex on `root` from another folder, with the page's path
    relative to that folder."""
    start = os.path.dirname(page)
    subprocess.run([pdfindex, "--html", os.path.basename(page), root], cwd=start, check=True,
                   timeout=300, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)


def check_source(name, page, failures, scripts=3):
    """The page file: well-formed, its data parses; returns the data."""
    with open(page, "rb") as f:
        raw = f.read()
    text = raw.decode("utf-8")  # must be UTF-8 however the names were encoded
    parser = WellFormed()
    parser.feed(text)
    parser.close()
    failures.check(not parser.errors, "%s: not well-formed: %s" % (name, parser.errors[:5]))
    failures.check(parser.stack == [], "%s: left open: %r" % (name, parser.stack))
    failures.check(len(parser.scripts) == scripts, "%s: %d script elements" %
                   (name, len(parser.scripts)))
    data = [s for a, s in parser.scripts if a.get("class") == "catalogue"]
    if not failures.check(len(data) >= 1, "%s: no data" % name):
        return None
    # Deflated records in base64 lines, in one element or more.
    return records(zlib.decompress(base64.b64decode("".join(data)), -15).decode("utf-8"))


def records(text):
    """The page's data as {"root", "folders": [[publisher, name, format,
    href, [titles], [rows]]]}, each row [file, href, described, title,
    [authors], journal, volume, issue, pages, year, doi, description, has an
    abstract] (the numbers 0 or 1)."""
    def fields(record):
        return [re.sub("\x1b(.)", lambda m: chr(ord(m.group(1)) - 64), f, flags=re.S)
                for f in record.split("\x1f")]
    parts = text.split("\x1e")
    assert parts[-1] == ""
    folders = []
    for record in parts[1:-1]:
        if record[0] == "#":
            f = fields(record[1:])
            folders.append(f[:4] + [f[4:], []])
        else:
            f, flags = fields(record[1:]), int(record[0])
            folders[-1][5].append(f[:2] + [flags & 1, f[2], f[10:]] + f[3:10] + [flags >> 1])
    return {"root": parts[0], "folders": folders}


def fragment_of(driver, wanted):
    """The URL's fragment, decoded, once it is `wanted` or after 3 s (the
    page follows the controls at most every 100 ms)."""
    def fragment(d):
        return urllib.parse.unquote_plus(urllib.parse.urlsplit(d.current_url).fragment)
    try:
        WebDriverWait(driver, 3).until(lambda d: fragment(d) == wanted)
    except TimeoutException:
        pass
    return fragment(driver)


def rows_shown(driver):
    return driver.execute_script(
        "return Array.from(document.querySelectorAll('#window .row .pdf a'),"
        " function (a) { return a.href; });")


def status(driver):
    return driver.find_element(By.ID, "shown").text


def check_page(name, driver, root, page, data, axe, failures):
    pdfs = archive_pdfs(root)
    url = "file://" + urllib.parse.quote(os.fsdecode(page))
    driver.get(url)
    WebDriverWait(driver, 30).until(
        lambda d: d.execute_script("return document.documentElement.dataset.ready"))

    # Every PDF once, each link leading to its file.
    hrefs = rows_shown(driver)
    failures.check(status(driver) == "Showing all %d PDFs." % len(pdfs) or
                   (len(pdfs) == 1 and status(driver) == "Showing all 1 PDF."),
                   "%s: status %r for %d PDFs" % (name, status(driver), len(pdfs)))
    reached = set()
    for href in hrefs:
        path = urllib.parse.unquote_to_bytes(urllib.parse.urlsplit(href).path)
        failures.check(os.path.isfile(path), "%s: link %r leads to no file" % (name, href))
        reached.add(os.path.realpath(path))
    expected = {os.path.realpath(os.path.join(root, *p)) for p in pdfs}
    failures.check(reached == expected and len(hrefs) == len(pdfs),
                   "%s: %d links reach %d of %d PDFs" % (name, len(hrefs),
                                                         len(reached & expected), len(pdfs)))

    # Queries typed into the box, counted against the paths on disk (or, for
    # words that are no path's, at least the rows whose path holds them).
    box = driver.find_element(By.ID, "q")
    body = driver.find_element(By.TAG_NAME, "body")
    body.send_keys("/")
    failures.check(driver.switch_to.active_element == box, "%s: '/' does not focus the box" %
                   name)
    paths = [fold("/".join(shown_name(x) for x in p)) for p in pdfs]
    for query in QUERIES if name == "awkward" else ["embo", "EMBO V20", "zzz", "j. mol"]:
        box.send_keys(Keys.CONTROL, "a")
        box.send_keys(query)
        words = fold(query).split()
        by_path = sum(1 for p in paths if all(w in p for w in words))
        shown = len(rows_shown(driver))
        if name == "example" and query != "zzz":
            # The example's descriptions hold words of paths too.
            failures.check(shown >= by_path, "%s: %r shows %d rows, paths alone match %d" %
                           (name, query, shown, by_path))
        else:
            failures.check(shown == by_path, "%s: %r shows %d rows, %d paths match" %
                           (name, query, shown, by_path))
        fragment = fragment_of(driver, "q=" + query)
        failures.check(fragment == "q=" + query, "%s: fragment %r for %r" % (name, fragment, query))
    # The filtered view comes back from its bookmark.
    bookmark = driver.current_url
    driver.get("about:blank")
    driver.get(bookmark)
    WebDriverWait(driver, 30).until(
        lambda d: d.execute_script("return document.documentElement.dataset.ready"))
    box = driver.find_element(By.ID, "q")
    failures.check(box.get_attribute("value") == query and len(rows_shown(driver)) == shown,
                   "%s: bookmark %r shows %r" % (name, bookmark, box.get_attribute("value")))
    box.send_keys(Keys.ESCAPE)
    failures.check(len(rows_shown(driver)) == len(pdfs) and box.get_attribute("value") == "",
                   "%s: Esc leaves %d rows" % (name, len(rows_shown(driver))))

    # The format filter and "Not described only", counted against the data.
    folders = data["folders"]
    per_format = {}
    for folder in folders:
        per_format[folder[2]] = per_format.get(folder[2], 0) + len(folder[5])
    select = Select(driver.find_element(By.ID, "format"))
    for fmt, count in sorted(per_format.items()):
        select.select_by_value(fmt)
        failures.check(len(rows_shown(driver)) == count, "%s: format %s shows %d of %d" %
                       (name, fmt, len(rows_shown(driver)), count))
    select.select_by_value("")
    undescribed = sum(1 for f in folders for r in f[5] if r[2] == 0)
    driver.find_element(By.ID, "undescribed").click()
    marks = driver.execute_script(
        "return document.querySelectorAll('#window .row.undescribed .mark').length")
    failures.check(len(rows_shown(driver)) == undescribed == marks,
                   "%s: not described only shows %d, %d marked, data says %d" %
                   (name, len(rows_shown(driver)), marks, undescribed))
    driver.find_element(By.ID, "undescribed").click()

    # Names are text: the <script> folder shows as its name, and the page
    # gained no element from any name.
    if name == "awkward":
        headings = driver.execute_script(
            "return Array.from(document.querySelectorAll('h2, h3'), function (h) {"
            " return h.textContent; });")
        failures.check(any(h.startswith("<script> ") for h in headings),
                       "%s: no heading shows <script>: %r" % (name, headings[:4]))
        failures.check(any(h.startswith("<b>bold &amp; <!-- ") for h in headings),
                       "%s: the issue folder's name is not shown as text: %r" % (name, headings))
        counts = driver.execute_script(
            "return [document.scripts.length, document.images.length,"
            " document.querySelectorAll('#window b').length];")
        failures.check(counts == [3, 0, 0], "%s: scripts, images, <b> = %r" % (name, counts))

    run_axe(driver, name, axe, failures)

    # Following a link opens its PDF.
    first = driver.find_element(By.CSS_SELECTOR, "#window .row a")
    target = first.get_attribute("href")
    first.click()
    WebDriverWait(driver, 10).until(lambda d: d.current_url != url)
    opened = urllib.parse.unquote_to_bytes(urllib.parse.urlsplit(driver.current_url).path)
    failures.check(driver.current_url == target and os.path.isfile(opened),
                   "%s: the link to %r opened %r" % (name, target, driver.current_url))
    print("%s: %d PDFs, %d folders checked" % (name, len(pdfs), len(folders)))


def run_axe(driver, name, axe, failures):
    """axe-core in the page, in light and dark: no serious or critical
    violation."""
    with open(axe, encoding="utf-8") as f:
        driver.execute_script(f.read())
    for scheme in ("light", "dark"):
        driver.execute_cdp_cmd("Emulation.setEmulatedMedia",
                               {"features": [{"name": "prefers-color-scheme", "value": scheme}]})
        result = driver.execute_async_script(
            "var done = arguments[arguments.length - 1];"
            "axe.run(document).then(function (r) { done(r.violations.map(function (v) {"
            " return [v.id, v.impact, v.nodes.length]; })); });")
        bad = [v for v in result if v[1] in ("serious", "critical")]
        failures.check(not bad, "%s: axe (%s): %r" % (name, scheme, bad))
    driver.execute_cdp_cmd("Emulation.setEmulatedMedia", {"features": []})


def open_page(driver, page, fragment="", abstracts=False):
    driver.get("file://" + urllib.parse.quote(os.fsdecode(page)) + fragment)
    WebDriverWait(driver, 30).until(lambda d: d.execute_script(
        "var d = document.documentElement.dataset;"
        "return d.ready && (d.abstracts || !arguments[0]);", abstracts))


def files_shown(driver):
    return [urllib.parse.unquote(h.rsplit("/", 1)[1]) for h in rows_shown(driver)]


# Queries on the fixture page and the PDFs each must show.
FIXTURE_QUERIES = [
    ("author:varga", {"varga2001.pdf", "adams2010.pdf"}),
    ("author:kovacs", {"varga2001.pdf"}),
    ("title:\"slow rivers\"", {"varga2001.pdf"}),
    ("\"rivers of the\"", {"varga2001.pdf"}),
    ("\"the rivers\"", set()),
    ("rivers", {"varga2001.pdf", "mueller1998.pdf"}),  # the second by its abstract
    ("title:rivers", {"varga2001.pdf"}),
    ("journal:physik", {"mueller1998.pdf"}),
    ("journal:varga", set()),
    ("doi:0123456789ABCDEF", {"varga2001.pdf"}),
    ("year:2001", {"varga2001.pdf"}),
    ("year:1998..2003", {"varga2001.pdf", "mueller1998.pdf", "wang2003.pdf"}),
    ("year:..1998", {"mueller1998.pdf", "papa1995.pdf"}),
    ("year:1998..2003 kristallen", {"mueller1998.pdf"}),
    ("MULLER warmeleitung", {"mueller1998.pdf"}),
    ("angstrom grains", {"varga2001.pdf"}),  # words of the abstract alone
    ("\"slow rivers carry\"", {"varga2001.pdf"}),
    ("\"h rivers\"", {"mueller1998.pdf"}),  # the row before holds "h" and "rivers" apart
    ("<script>", {"varga2001.pdf"}),
    ("\u6298\u53e0", {"wang2003.pdf"}),  # inside a title without spaces
    ("\u901f\u5ea6", {"wang2003.pdf"}),  # inside an abstract without spaces
    ("\u03bc\u03b5\u03bb\u03b5\u03c4\u03b7", {"papa1995.pdf"}),  # Greek, accent folded
    ("\u03a1\u039f\u0397\u03a3", {"papa1995.pdf"}),  # capitals and a final sigma
    ("zzz", set()),
]

MARKS = ("return Array.from(document.querySelectorAll(arguments[0]),"
         " function (m) { return m.textContent; });")


# A browser that will not start the worker the abstracts are inflated in
# (it fails after it is made): the page does it on its main thread.
REFUSED_WORKER = """
window.Worker = function () {
  var self = this;
  setTimeout(function () { if (self.onerror) self.onerror(new ErrorEvent("error")); }, 0);
};
window.Worker.prototype.postMessage = function () {};
window.Worker.prototype.terminate = function () {};
"""


def check_refused_worker(driver, page, failures):
    added = driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument",
                                   {"source": REFUSED_WORKER})
    try:
        open_page(driver, page, abstracts=True)
        box = driver.find_element(By.ID, "q")
        box.send_keys("angstrom grains")
        shown = set(files_shown(driver))
        failures.check(shown == {"varga2001.pdf"},
                       "fixture without a worker: 'angstrom grains' shows %r" % shown)
    finally:
        driver.execute_cdp_cmd("Page.removeScriptToEvaluateOnNewDocument",
                               {"identifier": added["identifier"]})


def check_fixture(driver, page, failures):
    """Field search, folding, highlighting, abstracts, sorting and the
    keyboard on the page of known records."""
    open_page(driver, page, abstracts=True)
    box = driver.find_element(By.ID, "q")
    # Twice, the second time backwards: typed on from an earlier query or
    # met again, a query takes rows the page remembers.
    for query, wanted in FIXTURE_QUERIES + FIXTURE_QUERIES[::-1]:
        box.send_keys(Keys.CONTROL, "a")
        box.send_keys(Keys.DELETE)
        box.send_keys(query)
        shown = set(files_shown(driver))
        failures.check(shown == wanted, "fixture: %r shows %r, wants %r" % (query, shown, wanted))
    box.send_keys(Keys.CONTROL, "a")
    box.send_keys("riversz")
    box.send_keys(Keys.BACKSPACE)
    shown = set(files_shown(driver))
    failures.check(shown == {"varga2001.pdf", "mueller1998.pdf"},
                   "fixture: 'riversz' then Backspace shows %r" % shown)

    # Matches are marked in the fields they matched, folded as the filter.
    marked = [
        ("MULLER warmeleitung", ".authors", ["M\u00fcller"]),
        ("MULLER warmeleitung", ".title", ["W\u00e4rmeleitung"]),
        ("author:varga", ".authors", ["Varga", "Varga"]),
        ("author:varga", ".title, .pdf", []),
        ("\u6298\u53e0", ".title", ["\u6298\u53e0"]),
        ("\u03a1\u039f\u0397\u03a3", ".title", ["\u03c1\u03bf\u03ae\u03c2"]),
        ("year:2001 rivers", ".year", ["2001"]),
    ]
    for query, where, wanted in marked:
        box.send_keys(Keys.CONTROL, "a")
        box.send_keys(query)
        got = driver.execute_script(MARKS, ", ".join("#window .row %s mark" % w
                                                     for w in where.split(", ")))
        failures.check(got == wanted, "fixture: %r marks %r in %s, wants %r" %
                       (query, got, where, wanted))

    # An abstract opens under its row, as text, with its matches marked.
    box.send_keys(Keys.CONTROL, "a")
    box.send_keys("angstrom")
    more = driver.find_element(By.CSS_SELECTOR, "#window .row .more")
    failures.check(more.get_attribute("aria-expanded") == "false", "fixture: abstract open at first")
    more.click()
    text = driver.execute_script(
        "var a = document.querySelector('#window .abstract'); return a && a.textContent;")
    failures.check(text is not None and "<script>alert(1)</script> stays text" in text and
                   "back\\slash" in text, "fixture: abstract shows %r" % text)
    got = driver.execute_script(MARKS, "#window .abstract mark")
    failures.check(got == ["\u00c5ngstr\u00f6m"], "fixture: abstract marks %r" % got)
    failures.check(driver.execute_script("return document.scripts.length") == 4 and
                   not driver.execute_script("return document.querySelector('#window script')"),
                   "fixture: the abstract made an element")
    driver.find_element(By.CSS_SELECTOR, "#window .row .more").click()
    failures.check(not driver.find_elements(By.CSS_SELECTOR, "#window .abstract"),
                   "fixture: the abstract does not fold again")

    # Sorting by a column head, again for descending, kept in the fragment;
    # within folders, then across the whole catalogue; rows without the key
    # last.
    box.send_keys(Keys.CONTROL, "a")
    box.send_keys(Keys.DELETE)
    sorts = [
        ("year", False, ["mueller1998.pdf", "varga2001.pdf", "gone.pdf",
                         "papa1995.pdf", "wang2003.pdf", "adams2010.pdf"]),
        ("year", False, ["varga2001.pdf", "mueller1998.pdf", "gone.pdf",
                         "adams2010.pdf", "wang2003.pdf", "papa1995.pdf"]),
        ("year", True, ["papa1995.pdf", "mueller1998.pdf", "varga2001.pdf", "wang2003.pdf",
                        "adams2010.pdf", "gone.pdf"]),
        ("author", True, ["adams2010.pdf", "mueller1998.pdf", "papa1995.pdf", "varga2001.pdf",
                          "wang2003.pdf", "gone.pdf"]),
        ("title", True, ["adams2010.pdf", "varga2001.pdf", "mueller1998.pdf", "papa1995.pdf",
                         "wang2003.pdf", "gone.pdf"]),
    ]
    for key, whole, wanted in sorts:
        if whole != driver.find_element(By.ID, "whole").is_selected():
            driver.find_element(By.ID, "whole").click()
        driver.find_element(By.CSS_SELECTOR, "#window button.sort[data-sort=%s]" % key).click()
        failures.check(files_shown(driver) == wanted, "fixture: sort by %s%s shows %r" %
                       (key, " across" if whole else "", files_shown(driver)))
    fragment = fragment_of(driver, "sort=title&whole=1")
    failures.check(fragment == "sort=title&whole=1", "fixture: sorted fragment %r" % fragment)
    bookmark = driver.current_url
    driver.get("about:blank")
    open_page(driver, page, "#" + urllib.parse.urlsplit(bookmark).fragment)
    failures.check(files_shown(driver) == sorts[-1][2], "fixture: the sorted bookmark shows %r" %
                   files_shown(driver))
    Select(driver.find_element(By.ID, "sort")).select_by_value("-journal")
    failures.check(files_shown(driver)[:3] == ["wang2003.pdf", "mueller1998.pdf", "varga2001.pdf"],
                   "fixture: the sort menu's journal Z-A shows %r" % files_shown(driver))
    driver.find_element(By.ID, "whole").click()
    Select(driver.find_element(By.ID, "sort")).select_by_value("")

    # The keyboard: Down from the box to the first result, Up and Down
    # between results, Esc back to the box, Enter opens the PDF; the focus
    # is always drawn.
    box = driver.find_element(By.ID, "q")
    box.click()
    steps = [(Keys.ARROW_DOWN, "varga2001.pdf"), (Keys.ARROW_DOWN, "mueller1998.pdf"),
             (Keys.ARROW_DOWN, "gone.pdf"), (Keys.ARROW_DOWN, "wang2003.pdf"),
             (Keys.ARROW_UP, "gone.pdf"), (Keys.ESCAPE, None), (Keys.ARROW_DOWN, "varga2001.pdf")]
    for key, wanted in steps:
        driver.switch_to.active_element.send_keys(key)
        active = driver.switch_to.active_element
        if wanted is None:
            failures.check(active == driver.find_element(By.ID, "q"), "fixture: Esc leaves %s" %
                           active.tag_name)
            continue
        href = active.get_attribute("href") or ""
        outline = driver.execute_script(
            "return getComputedStyle(document.activeElement).outlineStyle;")
        failures.check(active.tag_name == "a" and href.endswith("/" + wanted) and
                       outline != "none", "fixture: %r leads to %r (outline %s)" %
                       (key, href, outline))
    target = driver.switch_to.active_element.get_attribute("href")
    driver.switch_to.active_element.send_keys(Keys.ENTER)
    WebDriverWait(driver, 10).until(lambda d: d.current_url == target)
    opened = urllib.parse.unquote_to_bytes(urllib.parse.urlsplit(driver.current_url).path)
    failures.check(os.path.isfile(opened), "fixture: Enter opened %r" % driver.current_url)
    print("fixture: %d queries, %d sorts checked" % (len(FIXTURE_QUERIES), len(sorts)))


def sort_keys(row):
    """The keys the page sorts row by, folded: title, author (the first
    author's family name, then the whole name), journal, year."""
    first = fold(row[4][0]) if row[4] else ""
    family = first.split(",")[0] if first.find(",") > 0 else (first.split() or [""])[-1]
    year = re.search(r"\d{4}", row[9])
    return {"title": fold(row[3]), "author": first and family + " " + first,
            "journal": fold(row[5]), "year": int(year.group()) if year else 0}


def check_sorting(driver, page, data, failures):
    """Each sort across a catalogue whose keys share beginnings, repeat and
    stop short orders the rows by their folded keys, ties and rows without
    the key in walk order (descending: ties reversed, the rest still last)."""
    rows = [row for folder in data["folders"] for row in folder[5]]
    open_page(driver, page)
    driver.find_element(By.ID, "whole").click()
    for key in ("title", "author", "journal", "year"):
        keys = [sort_keys(row)[key] for row in rows]
        filled = sorted((k, i) for i, k in enumerate(keys) if k)
        rest = [i for i, k in enumerate(keys) if not k]
        for value, order in ((key, filled), ("-" + key, filled[::-1])):
            Select(driver.find_element(By.ID, "sort")).select_by_value(value)
            wanted = [rows[i][0] for i in [i for _, i in order] + rest]
            failures.check(files_shown(driver) == wanted, "sorting: %s shows %r..., wants %r..." %
                           (value, files_shown(driver)[:8], wanted[:8]))
    print("sorting: %d PDFs sorted by 4 keys" % len(rows))


# The layout at a phone's width, from the DOM: boxes that overflow, words
# whose pieces lie on more than one line, rows whose title, authors or year
# are not shown, and the header's height.
PHONE_LAYOUT = r"""
var out = {overflow: [], broken: [], missing: [], header: 0, cards: 0, rows: 0};
var vw = document.documentElement.clientWidth;
var shown = function (el) {
  var r = el.getBoundingClientRect();
  return r.width > 0 && r.height > 0 && r.left >= -0.5 && r.right <= vw + 0.5;
};
document.querySelectorAll('#window .row, #window .row > *, #window .row a, #window .abstract,'
                          + ' #window h2, #window h3, #window .titles, header *').forEach(
    function (el) {
  var r = el.getBoundingClientRect();
  if (r.width === 0) return;
  for (var up = el; up; up = up.parentElement) {
    if (getComputedStyle(up).position === 'absolute') return;  // read aloud only
  }
  if (el.scrollWidth > el.clientWidth + 1 || r.right > vw + 0.5 || r.left < -0.5)
    out.overflow.push(el.tagName + '.' + el.className + ': ' + el.textContent.slice(0, 50));
});
var walker = document.createTreeWalker(document.getElementById('window'), NodeFilter.SHOW_TEXT);
var range = document.createRange();
while (walker.nextNode()) {
  var node = walker.currentNode, re = /[^\s\-\u2010-\u2014]+/g, m;  // a hyphen may end a line
  while ((m = re.exec(node.data))) {
    range.setStart(node, m.index);
    range.setEnd(node, m.index + m[0].length);
    var lines = {};
    Array.from(range.getClientRects()).forEach(function (r) {
      if (r.width > 0) lines[Math.round(r.bottom)] = 1;
    });
    if (Object.keys(lines).length > 1) out.broken.push(m[0]);
  }
}
document.querySelectorAll('#window .row').forEach(function (row) {
  out.rows++;
  if (getComputedStyle(row).display === 'flex') out.cards++;
  var want = row.querySelector('.title') ? ['.title', '.authors', '.year'] : ['.legacy'];
  want.forEach(function (sel) {
    var el = row.querySelector(sel);
    if (!el || (el.textContent && !shown(el)))
      out.missing.push(sel + ' of ' + row.textContent.slice(0, 40));
  });
});
out.header = document.querySelector('header').getBoundingClientRect().height / innerHeight;
return out;
"""


def check_phone(driver, name, page, axe, failures, abstracts=False):
    """The page at 390 by 844 px: cards, nothing overflowing, no word broken
    inside, title, authors and year shown, a small header; axe-core."""
    open_page(driver, page, abstracts=abstracts)
    if abstracts:
        driver.execute_script(
            "var b; while ((b = document.querySelector('#window .more[aria-expanded=false]')))"
            " b.click();")
    layout = driver.execute_script(PHONE_LAYOUT)
    failures.check(layout["rows"] > 0 and layout["cards"] == layout["rows"],
                   "%s at 390 px: %d of %d rows are cards" % (name, layout["cards"], layout["rows"]))
    failures.check(not layout["overflow"], "%s at 390 px: overflowing %r" %
                   (name, layout["overflow"][:5]))
    failures.check(not layout["broken"], "%s at 390 px: words broken %r" %
                   (name, layout["broken"][:5]))
    failures.check(not layout["missing"], "%s at 390 px: not shown %r" %
                   (name, layout["missing"][:5]))
    failures.check(layout["header"] <= 0.2, "%s at 390 px: the header takes %.0f%% of the screen"
                   % (name, layout["header"] * 100))
    run_axe(driver, name + " at 390 px", axe, failures)
    print("%s at 390 px: %d cards checked" % (name, layout["rows"]))


def scroll_rows(driver, failures):
    """Every row the window shows while the page is scrolled from top to
    bottom, one screen at a time; at each step the drawn items must cover
    the whole screen."""
    seen = []
    driver.execute_script("window.scrollTo(0, 0)")
    while True:
        w, l, h = driver.execute_script(
            "var w = document.getElementById('window').getBoundingClientRect(),"
            " l = document.getElementById('list').getBoundingClientRect();"
            "return [[w.top, w.bottom], [l.top, l.bottom], window.innerHeight];")
        failures.check(w[0] <= max(l[0], 0) + 1 and w[1] >= min(l[1], h) - 1,
                       "large: items drawn over %r, the screen shows %r of the list" %
                       (w, [max(l[0], 0), min(l[1], h)]))
        for href in rows_shown(driver):
            if href not in seen:
                seen.append(href)
        at_end = driver.execute_async_script(
            "var done = arguments[arguments.length - 1];"
            "var end = window.scrollY + window.innerHeight >= document.body.scrollHeight - 2;"
            "window.scrollBy(0, window.innerHeight * 0.8);"
            "requestAnimationFrame(function () { setTimeout(function () { done(end); }, 0); });")
        if at_end:
            return seen


def check_large(driver, root, page, failures):
    """A catalogue too large to render whole: the rows come into the window
    as the page scrolls, in order, each once."""
    pdfs = archive_pdfs(root)
    driver.get("file://" + urllib.parse.quote(os.fsdecode(page)))
    WebDriverWait(driver, 30).until(
        lambda d: d.execute_script("return document.documentElement.dataset.ready"))
    failures.check(status(driver) == "Showing all %d PDFs." % len(pdfs),
                   "large: status %r" % status(driver))
    first = rows_shown(driver)
    drawn = len(first)
    failures.check(0 < drawn < len(pdfs), "large: %d rows drawn at once" % drawn)
    # The rows ahead of the data draw the same first screen while the data
    # is read (here never: the page is cut before it says the data is read).
    with open(page, "rb") as f:
        cut = f.read().replace(b"<script>document.dispatchEvent", b"<script>void")
    early = page + b".early.html"
    with open(early, "wb") as f:
        f.write(cut)
    driver.get("file://" + urllib.parse.quote(os.fsdecode(early)))
    WebDriverWait(driver, 30).until(lambda d: rows_shown(d))
    failures.check(rows_shown(driver) == first and not status(driver),
                   "large: before the data is read, rows %r and status %r" %
                   (rows_shown(driver)[:3], status(driver)))
    driver.get("file://" + urllib.parse.quote(os.fsdecode(page)))
    WebDriverWait(driver, 30).until(
        lambda d: d.execute_script("return document.documentElement.dataset.ready"))
    box = driver.find_element(By.ID, "q")
    box.send_keys("/n7.pdf")
    wanted = [os.path.realpath(os.path.join(root, *p)) for p in pdfs if p[2] == b"n7.pdf"]
    seen = [os.path.realpath(urllib.parse.unquote_to_bytes(urllib.parse.urlsplit(h).path))
            for h in scroll_rows(driver, failures)]
    failures.check(seen == wanted, "large: scrolling shows %d rows of %d wanted" %
                   (len(seen), len(wanted)))
    box.send_keys(Keys.ESCAPE)
    # The contents list of so many folders starts folded; its last link
    # brings that folder's heading and rows to the screen.
    driver.execute_script("window.scrollTo(0, 0)")
    driver.find_element(By.CSS_SELECTOR, "#toc summary").click()
    links = driver.find_elements(By.CSS_SELECTOR, "#contents li li a")
    failures.check(len(links) == len({p[:2] for p in pdfs}), "large: %d contents links" %
                   len(links))
    driver.execute_script("arguments[0].scrollIntoView({block: 'center'})", links[-1])
    links[-1].click()
    focused = driver.execute_script(
        "var h = document.activeElement, r = h.getBoundingClientRect();"
        "return [h.tagName, h.textContent, r.top >= 0 && r.bottom <= window.innerHeight];")
    last = shown_name(pdfs[-1][1])
    failures.check(focused[0] == "H3" and focused[1].startswith(last + " ") and focused[2],
                   "large: the last contents link leads to %r" % (focused,))
    last_row = os.path.realpath(os.path.join(root, *[p for p in pdfs if p[1] == pdfs[-1][1]][0]))
    failures.check(any(os.path.realpath(urllib.parse.unquote_to_bytes(
        urllib.parse.urlsplit(h).path)) == last_row for h in rows_shown(driver)),
        "large: the last folder's rows are not drawn: %r" % rows_shown(driver)[-3:])
    print("large: %d PDFs, %d rows drawn at once" % (len(pdfs), drawn))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--pdfindex", required=True)
    parser.add_argument("--examples", required=True)
    parser.add_argument("--axe", required=True, help="axe-core's axe.min.js")
    parser.add_argument("--fixture", required=True, help="make_fixture_page")
    parser.add_argument("--chromium", default=shutil.which("chromium") or "chromium")
    parser.add_argument("--chromedriver", default=shutil.which("chromedriver") or "chromedriver")
    parser.add_argument("--keep", action="store_true", help="keep the work folder")
    args = parser.parse_args()
    args.pdfindex = os.path.abspath(args.pdfindex)
    if not os.path.isfile(args.axe):
        raise SystemExit("axe-core is missing: npm ci --prefix tests/browser")

    work = tempfile.mkdtemp(prefix="pdfindex-search-page-").encode()
    failures = Failures()
    options = webdriver.ChromeOptions()
    options.binary_location = args.chromium
    for flag in FLAGS + ["--user-data-dir=" + os.fsdecode(os.path.join(work, b"profile"))]:
        options.add_argument(flag)
    driver = webdriver.Chrome(service=Service(args.chromedriver), options=options)
    driver.set_script_timeout(60)
    try:
        example = os.path.join(work, b"example")
        shutil.copytree(os.path.join(os.fsencode(args.examples), b"archive"), example,
                        ignore=shutil.ignore_patterns(b"HtmlData.htm*", b".HtmlData*"))
        awkward = os.path.join(work, b"awkward")
        make_awkward(awkward)
        pages = []
        for name, root in (("example", example), ("awkward", awkward)):
            out = os.path.join(work, b"pages " + name.encode())
            os.makedirs(out)
            page = os.path.join(out, b"index.html")
            write_page(args.pdfindex, root, page)
            pages.append((name, page, False))
            data = check_source(name, page, failures)
            if data is not None:
                check_page(name, driver, root, page, data, args.axe, failures)
        # The page of known records, written beside its archive.
        fixture = os.path.join(work, b"fixture")
        page = os.path.join(work, b"pages fixture", b"index.html")
        os.makedirs(os.path.dirname(page))
        made = subprocess.run([args.fixture, fixture, page], check=True, stdout=subprocess.PIPE)
        for pdf in made.stdout.splitlines():
            os.makedirs(os.path.dirname(os.path.join(fixture, pdf)), exist_ok=True)
            with open(os.path.join(fixture, pdf), "wb") as f:
                f.write(PDF)
        check_source("fixture", page, failures, scripts=4)
        check_fixture(driver, page, failures)
        check_refused_worker(driver, page, failures)
        pages.append(("fixture", page, True))
        sorting = os.path.join(work, b"pages sorting", b"index.html")
        os.makedirs(os.path.dirname(sorting))
        subprocess.run([args.fixture, os.path.join(work, b"sorting"), sorting, "400"], check=True,
                       stdout=subprocess.DEVNULL)
        check_sorting(driver, sorting, check_source("sorting", sorting, failures), failures)
        # A phone's screen.
        driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": 390, "height": 844, "deviceScaleFactor": 1, "mobile": True})
        for name, page, abstracts in pages:
            check_phone(driver, name, page, args.axe, failures, abstracts)
        driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})
        # Beyond the size the page renders whole.
        large = os.path.join(work, b"large")
        for i in range(64):
            folder = os.path.join(large, b"Springer", b"issue %03d" % i)
            os.makedirs(folder)
            for j in range(50):
                with open(os.path.join(folder, b"n%d.pdf" % j), "wb") as f:
                    f.write(PDF)
        page = os.path.join(work, b"pages example", b"large.html")
        write_page(args.pdfindex, large, page)
        check_large(driver, large, page, failures)
    finally:
        driver.quit()
        if args.keep:
            print("work folder:", os.fsdecode(work))
        else:
            shutil.rmtree(work, ignore_errors=True)
    for message in failures.messages:
        print("FAIL:", message)
    print("search page test: %s" % ("failed" if failures.messages else "passed"))
    return 1 if failures.messages else 0


if __name__ == "__main__":
    sys.exit(main())
