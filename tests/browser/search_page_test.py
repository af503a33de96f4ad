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

  search_page_test.py --pdfindex BIN --examples DIR --axe axe.min.js
                      [--chromium BIN] [--chromedriver BIN] [--keep]
"""

import argparse
import html.parser
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unicodedata
import urllib.parse

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
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


def check_source(name, page, failures):
    """The page file: well-formed, its data parses; returns the data."""
    with open(page, "rb") as f:
        raw = f.read()
    text = raw.decode("utf-8")  # must be UTF-8 however the names were encoded
    parser = WellFormed()
    parser.feed(text)
    parser.close()
    failures.check(not parser.errors, "%s: not well-formed: %s" % (name, parser.errors[:5]))
    failures.check(parser.stack == [], "%s: left open: %r" % (name, parser.stack))
    failures.check(len(parser.scripts) == 2, "%s: %d script elements" %
                   (name, len(parser.scripts)))
    data = [s for a, s in parser.scripts if a.get("type") == "application/json"]
    return json.loads(data[0]) if failures.check(len(data) == 1, "%s: no data" % name) else None


def rows_shown(driver):
    return driver.execute_script(
        "return Array.from(document.querySelectorAll('#window .row a:first-child'),"
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
        fragment = urllib.parse.unquote_plus(urllib.parse.urlsplit(driver.current_url).fragment)
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
        failures.check(counts == [2, 0, 0], "%s: scripts, images, <b> = %r" % (name, counts))

    # Accessibility: axe-core in the page, in light and dark.
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

    # Following a link opens its PDF.
    first = driver.find_element(By.CSS_SELECTOR, "#window .row a")
    target = first.get_attribute("href")
    first.click()
    WebDriverWait(driver, 10).until(lambda d: d.current_url != url)
    opened = urllib.parse.unquote_to_bytes(urllib.parse.urlsplit(driver.current_url).path)
    failures.check(driver.current_url == target and os.path.isfile(opened),
                   "%s: the link to %r opened %r" % (name, target, driver.current_url))
    print("%s: %d PDFs, %d folders checked" % (name, len(pdfs), len(folders)))


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
    drawn = len(rows_shown(driver))
    failures.check(0 < drawn < len(pdfs), "large: %d rows drawn at once" % drawn)
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
        for name, root in (("example", example), ("awkward", awkward)):
            out = os.path.join(work, b"pages " + name.encode())
            os.makedirs(out)
            page = os.path.join(out, b"index.html")
            write_page(args.pdfindex, root, page)
            data = check_source(name, page, failures)
            if data is not None:
                check_page(name, driver, root, page, data, args.axe, failures)
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
