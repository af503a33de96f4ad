#!/usr/bin/env python3
"""Makes a corpus of article PDFs whose fields are known by construction.

Each PDF is typeset from one of the templates beside this script: pdflatex
with journal classes (elsarticle, IEEEtran, revtex, acmart, aastex, llncs,
amsart and a plain article with a publisher's running head), and Word-like
pages converted by LibreOffice. Titles, authors, abstracts, citations and
DOIs are drawn from a seeded generator, and some PDFs get a publisher's
cover page, junk document information or the end of the previous article
(with its DOI) above the title.

    bench/corpus/make_corpus.py OUT [--count N] [--seed S] [--classes a,b]

writes OUT/archive/Corpus/Set/NAME.pdf and OUT/truth.json (per file name:
title, authors, abstract, container, volume, issue, year, first_page,
last_page, doi; a field the page does not show is left out). It needs
pdflatex (texlive-latex-base, texlive-latex-extra, texlive-publishers,
texlive-fonts-recommended, lmodern) and, for the Word-like PDFs,
libreoffice-writer-nogui; a class whose tools are missing is skipped.
"""

import argparse
import html
import json
import os
import random
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))

GIVEN = ["Anna", "José", "Zoë", "Łukasz", "Chen", "Priya", "Olav", "Maria", "Jean-Luc",
         "Søren", "Aoife", "Kenji", "Fatima", "Ivan", "Émilie", "Tomás", "Grace", "Henrik",
         "Nadia", "Pedro", "Wei", "Hannah", "Mohammed", "Ingrid", "Rafael", "Yuki", "Oliver",
         "Leila", "Dmitri", "Claire", "Juan Carlos", "Astrid", "Ngozi", "Pierre", "Sofia"]
INITIALS = ["A.", "B.", "C.", "D.", "E.", "J.", "K.", "L.", "M.", "R.", "S.", "T."]
FAMILY = ["Smith", "García", "Müller", "van der Berg", "O'Brien", "Nguyen", "Kowalski",
          "Dubois", "de la Cruz", "Andersson", "Rossi", "Tanaka", "Ahmed", "Petrov",
          "Lefèvre", "Silva", "Zhang", "Novák", "Okafor", "Johansson", "Fischer", "Moreau",
          "Bianchi", "Yamamoto", "Hernández", "Kim", "Larsen", "Brennan", "Schäfer", "Costa",
          "Weber", "Ivanova", "Park", "Dahl", "Russo", "Mendes", "Walsh", "Nakamura"]
ADJ = ["Rapid", "Selective", "Robust", "Seasonal", "Nonlinear", "Adaptive", "Comparative",
       "Long-term", "Spatial", "Genomic", "Thermal", "Stochastic", "Quantitative", "Early",
       "Hierarchical", "Multiscale", "Bayesian", "Structural", "Functional", "Regional"]
NOUN = ["dynamics", "inference", "variation", "regulation", "assembly", "transport",
        "signalling", "estimation", "diversity", "response", "stability", "control",
        "resistance", "growth", "expression", "migration", "patterns", "coupling"]
THING = ["soil microbes", "coastal wetlands", "graph neural networks", "mouse hippocampus",
         "alpine plants", "sparse matrices", "urban heat islands", "zebrafish embryos",
         "quantum dots", "river deltas", "tumour cells", "wind turbines", "honey bees",
         "protein folding", "galaxy clusters", "lithium batteries", "coral reefs",
         "elderly patients", "supply chains", "volcanic ash"]
# Titles with Greek letters and formulas: (LaTeX, what the page shows).
SPECIAL = [(r"$\beta$-catenin", "β-catenin"), (r"CO$_2$", "CO2"), (r"$\alpha$-helices", "α-helices"),
           (r"TNF-$\alpha$", "TNF-α"), (r"$\gamma$-ray bursts", "γ-ray bursts"),
           (r"H$_2$O", "H2O")]
WORDS = ("we show that the results of this study suggest a new approach to the problem "
         "data were collected from sites across several regions and analysed with models "
         "that account for variation between years the method improves estimates of "
         "change and reveals patterns that earlier work missed our findings indicate that "
         "these effects are strong under warm conditions but weak otherwise and we discuss "
         "implications for management and further research on related systems").split()
JOURNALS = [("Journal of Imaginary Botany", "J Imag Bot"),
            ("International Journal of Made-up Ecology", "Int J Madeup Ecol"),
            ("Annals of Applied Nonsense", "Ann Appl Nonsense"),
            ("Physical Review of Things", "Phys Rev Things"),
            ("Postgraduate Journal of Examples", "Postgrad J Ex"),
            ("Trials of Invention", "Trials Invent"),
            ("Computational Fictions", "Comput Fict"),
            ("Quarterly Review of Samples", "Q Rev Samples")]
DEPARTMENTS = ["Department of Biology, University of Nowhere, Springfield, USA",
               "Institute of Physics, Made-up University, 12345 Berlin, Germany",
               "School of Computing, University of Examples, Leeds, UK",
               "Laboratory of Ecology, Fictional Institute of Science, Kyoto, Japan",
               "Centre for Research, Sample College, Dublin, Ireland"]


class Article:
    """One article's fields: what the page shows, and how the LaTeX says it."""

    def __init__(self, rng, number):
        self.number = number
        words = [rng.choice(ADJ), rng.choice(NOUN), "of", rng.choice(THING)]
        tex = list(words)
        shown = list(words)
        if rng.random() < 0.25:
            special = rng.choice(SPECIAL)
            tex += ["and", special[0]]
            shown += ["and", special[1]]
        if rng.random() < 0.3:
            # Long titles run over three lines.
            more = ["under", rng.choice(ADJ).lower(), rng.choice(NOUN), "in",
                    rng.choice(THING), "and", rng.choice(THING), "across", "a",
                    rng.choice(ADJ).lower(), "gradient", "of", rng.choice(NOUN)]
            tex += more
            shown += more
        if rng.random() < 0.3:
            tail = ["in", rng.choice(THING)]
            tex += tail
            shown += tail
        self.title_tex = " ".join(tex)
        self.title = " ".join(shown)
        count = rng.choice([1, 2, 2, 3, 3, 4, 5, 6, 8, 12, 20])
        self.authors = []
        seen = set()
        while len(self.authors) < count:
            family = rng.choice(FAMILY)
            if family in seen:
                continue
            seen.add(family)
            given = rng.choice(GIVEN)
            if rng.random() < 0.3:
                given += " " + rng.choice(INITIALS)
            self.authors.append((given, family))
        self.marks = [rng.randint(1, 3) for _ in self.authors]
        sentences = []
        for _ in range(rng.randint(4, 7)):
            n = rng.randint(10, 22)
            s = " ".join(rng.choice(WORDS) for _ in range(n))
            sentences.append(s[0].upper() + s[1:] + ".")
        self.abstract = " ".join(sentences)
        self.journal, self.journal_abbrev = rng.choice(JOURNALS)
        self.volume = str(rng.randint(1, 160))
        self.issue = str(rng.randint(1, 12))
        self.year = str(rng.randint(1995, 2024))
        first = rng.randint(1, 4000)
        self.first_page = str(first)
        self.last_page = str(first + rng.randint(3, 20))
        self.doi = "10.%d/%s.%s.%d" % (rng.randint(1000, 99999), rng.choice(["jib", "ame", "x"]),
                                      self.year, rng.randint(100, 99999))
        self.neighbour_doi = "10.%d/prev.%d" % (rng.randint(1000, 9999), rng.randint(100, 999))
        self.citation_style = rng.randint(0, 3)
        self.cover = rng.random() < 0.12
        self.neighbour = rng.random() < 0.12
        self.junk_info = rng.random() < 0.4
        self.departments = rng.sample(DEPARTMENTS, 3)
        # Drawn from the index, not the generator, so that the other
        # articles stay what they were.
        self.late_doi = number % 27 == 9

    def citation(self):
        """The citation line as the running head or footer prints it."""
        a = self
        if a.citation_style == 0:
            return "%s %s;%s:%s--%s" % (a.journal_abbrev, a.year, a.volume, a.first_page, a.last_page)
        if a.citation_style == 1:
            return "%s (%s), %s, %s--%s" % (a.journal_abbrev, a.year, a.volume, a.first_page,
                                           a.last_page)
        if a.citation_style == 2:
            return "%s %s (%s) %s--%s" % (a.journal, a.volume, a.year, a.first_page, a.last_page)
        return "%s, Vol. %s, No. %s, pp. %s--%s, %s" % (a.journal, a.volume, a.issue, a.first_page,
                                                      a.last_page, a.year)

    def cited_container(self):
        return self.journal_abbrev if self.citation_style in (0, 1) else self.journal

    def truth(self, shows):
        """The fields the page shows, by name; `shows` names those it does."""
        t = {"title": self.title, "authors": [f for _, f in self.authors],
             "abstract": self.abstract}
        if "doi" in shows or self.cover:
            t["doi"] = self.doi
        if "venue" in shows:
            # acmart writes the venue into the XMP alone.
            t.update(container="Proceedings of " + self.journal, volume=self.volume,
                     issue=self.issue)
        if "citation" in shows:
            t.update(container=self.cited_container(), volume=self.volume, year=self.year,
                     first_page=self.first_page, last_page=self.last_page)
            if self.citation_style == 3:
                t["issue"] = self.issue
        if self.cover:
            # The cover's own citation names the journal in full.
            t.update(container=self.journal, volume=self.volume, issue=self.issue,
                     year=self.year, first_page=self.first_page, last_page=self.last_page)
        return t


def tex_escape(text):
    return text.replace("&", r"\&").replace("%", r"\%").replace("_", r"\_").replace("#", r"\#")


def name(given, family):
    return tex_escape("%s %s" % (given, family)).replace(" ", "~") if False else tex_escape(
        "%s %s" % (given, family))


def hyper(a, rng):
    """hyperref's document information: junk, or empty."""
    if a.junk_info:
        junk = rng.choice(["blood1337insidebloodcombined 623..632", "Proceedings Template - WORD",
                           "pone.0115884 1..14", "untitled", "Microsoft Word - ms7.docx"])
        who = rng.choice(["chrisq", "Administrator", "jobs"])
        return "\\hypersetup{pdftitle={%s},pdfauthor={%s}}" % (junk, who)
    return "\\hypersetup{pdftitle={},pdfauthor={}}"


def extras(a):
    """The end of a neighbouring article set above the title, and a cover."""
    before = ""
    if a.neighbour:
        before = ("\\noindent{\\small ...and so the previous article ends with its last words. "
                  "doi:%s}\\par\\vspace{1em}\\hrule\\vspace{1em}\n" % a.neighbour_doi)
    cover = ""
    if a.cover:
        cover = ("\\thispagestyle{empty}\\noindent{\\small This article was downloaded by: "
                 "[Made-up University Library]\\\\On: 01 May 2012\\\\}\\vspace{2em}\n\n"
                 "\\noindent{\\large %s}\\\\[1em]\n\\noindent %s\\\\[1em]\n"
                 "\\noindent\\textbf{To cite this article:} %s (%s) %s, %s, %s:%s, %s-%s, DOI: %s"
                 "\\\\[2em]\n"
                 "\\noindent{\\small Full terms and conditions of use: "
                 "https://example.org/terms}\n\\clearpage\n" %
                 (a.journal, a.title_tex, ", ".join(name(g, f) for g, f in a.authors), a.year,
                  a.title_tex, a.journal, a.volume, a.issue, a.first_page, a.last_page, a.doi))
    return before, cover


def marks(a, k):
    return "\\textsuperscript{%d%s}" % (a.marks[k], ",*" if k == 0 else "")


def plain_tex(a, rng):
    before, cover = extras(a)
    two = rng.random() < 0.5
    authors = ", ".join(name(g, f) + marks(a, k) for k, (g, f) in enumerate(a.authors))
    head = a.citation()
    # Some print the DOI only in the footers from the third page on.
    first_doi, later_doi, body = "doi:" + a.doi, "", "1-3"
    if a.late_doi:
        first_doi, body = "", "1-40"
        later_doi = r"\fancyfoot[L]{\ifnum\value{page}>2 \small doi:%s\fi}" % a.doi
    return r"""\documentclass[10pt%(two)s]{article}
\usepackage[utf8]{inputenc}\usepackage[T1]{fontenc}\usepackage{lmodern}
\usepackage[margin=2cm]{geometry}\usepackage{fancyhdr}\usepackage{lipsum}\usepackage{hyperref}
%(hyper)s
\fancypagestyle{first}{\fancyhf{}\fancyhead[L]{\small %(head)s}\fancyhead[R]{\small RESEARCH ARTICLE}
\fancyfoot[L]{\small %(first_doi)s}\fancyfoot[R]{\small\copyright\ %(year)s The Authors}}
\pagestyle{fancy}\fancyhf{}\fancyfoot[C]{\thepage}%(later_doi)s
\begin{document}
%(cover)s\thispagestyle{first}
\twocolumn[{%(before)s
\noindent{\small Original Article}\par\vspace{0.5em}
\noindent{\LARGE\bfseries %(title)s\par}\vspace{1em}
\noindent{\large %(authors)s\par}\vspace{0.5em}
\noindent{\footnotesize\itshape $^1$%(d1)s\\ $^2$%(d2)s\\ $^3$%(d3)s\\ $^*$Correspondence: someone@example.org\par}\vspace{1em}
\noindent\textbf{Abstract}\par
\noindent %(abstract)s\par\vspace{0.5em}
\noindent\textbf{Keywords:} one; two; three\par\vspace{1em}}]
\section{Introduction}
\lipsum[%(body)s]
\end{document}
""" % dict(two=",twocolumn" if two else "", hyper=hyper(a, rng), head=head, first_doi=first_doi,
           later_doi=later_doi, body=body,
           year=a.year, cover=cover, before=before, title=a.title_tex, authors=authors,
           d1=a.departments[0], d2=a.departments[1], d3=a.departments[2],
           abstract=a.abstract), ["citation", "doi"]


def elsarticle_tex(a, rng):
    before, cover = extras(a)
    authors = "\n".join("\\author[%d]{%s}" % (a.marks[k], name(g, f))
                        for k, (g, f) in enumerate(a.authors))
    return r"""\documentclass[preprint,12pt]{elsarticle}
\usepackage[utf8]{inputenc}\usepackage[T1]{fontenc}\usepackage{lmodern}\usepackage{lipsum}\usepackage{hyperref}
%(hyper)s
\makeatletter\def\ps@pprintTitle{\let\@oddhead\@empty\let\@evenhead\@empty
\def\@oddhead{\small %(head)s\hfil}\def\@oddfoot{\small https://doi.org/%(doi)s\hfil}\let\@evenfoot\@oddfoot}\makeatother
\journal{%(journal)s}
\begin{document}
%(cover)s%(before)s
\begin{frontmatter}
\title{%(title)s}
%(authors)s
\address[1]{%(d1)s}
\address[2]{%(d2)s}
\address[3]{%(d3)s}
\begin{abstract}
%(abstract)s
\end{abstract}
\begin{keyword} one \sep two \sep three \end{keyword}
\end{frontmatter}
\section{Introduction}
\lipsum[1-2]
\end{document}
""" % dict(hyper=hyper(a, rng), head=a.citation(), doi=a.doi, journal=a.journal, cover=cover,
           before=before, title=a.title_tex, authors=authors, d1=a.departments[0],
           d2=a.departments[1], d3=a.departments[2], abstract=a.abstract), ["citation", "doi"]


def ieee_tex(a, rng):
    before, cover = extras(a)
    blocks = "\n\\and\n".join(
        "\\IEEEauthorblockN{%s}\n\\IEEEauthorblockA{%s}" % (name(g, f), a.departments[k % 3])
        for k, (g, f) in enumerate(a.authors))
    return r"""\documentclass[conference]{IEEEtran}
\usepackage[utf8]{inputenc}\usepackage[T1]{fontenc}\usepackage{lmodern}\usepackage{lipsum}\usepackage{hyperref}
%(hyper)s
\IEEEoverridecommandlockouts
\begin{document}
%(cover)s
\title{%(title)s}
\author{%(blocks)s}
\maketitle
\begin{abstract}
%(abstract)s
\end{abstract}
\begin{IEEEkeywords} one, two, three \end{IEEEkeywords}
\section{Introduction}
\lipsum[1-2]
\end{document}
""" % dict(hyper=hyper(a, rng), cover=cover, title=a.title_tex, blocks=blocks,
           abstract=a.abstract + " doi:" + a.doi if False else a.abstract), []


def revtex_tex(a, rng):
    before, cover = extras(a)
    authors = "\n".join("\\author{%s}\\affiliation{%s, unit %d}" % (name(g, f), a.departments[k % 3], k)
                        for k, (g, f) in enumerate(a.authors))
    return r"""\documentclass[aps,prl,twocolumn]{revtex4-2}
\usepackage[utf8]{inputenc}\usepackage[T1]{fontenc}\usepackage{lmodern}\usepackage{lipsum}\usepackage{hyperref}
%(hyper)s
\begin{document}
\title{%(title)s}
%(authors)s
\date{\today}
\begin{abstract}
%(abstract)s
\end{abstract}
\maketitle
\section{Introduction}
\lipsum[1-2]
\end{document}
""" % dict(hyper=hyper(a, rng), title=a.title_tex, authors=authors, abstract=a.abstract), []


def llncs_tex(a, rng):
    before, cover = extras(a)
    authors = " \\and ".join("%s\\inst{%d}" % (name(g, f), a.marks[k])
                             for k, (g, f) in enumerate(a.authors))
    return r"""\documentclass{llncs}
\usepackage[utf8]{inputenc}\usepackage[T1]{fontenc}\usepackage{lmodern}\usepackage{lipsum}\usepackage{hyperref}
%(hyper)s
\begin{document}
%(cover)s
\title{%(title)s}
\author{%(authors)s}
\institute{%(d1)s \and %(d2)s \and %(d3)s}
\maketitle
\begin{abstract}
%(abstract)s
\keywords{one \and two \and three}
\end{abstract}
\section{Introduction}
\lipsum[1-2]
\end{document}
""" % dict(hyper=hyper(a, rng), cover=cover, title=a.title_tex, authors=authors,
           d1=a.departments[0], d2=a.departments[1], d3=a.departments[2],
           abstract=a.abstract), []


def aastex_tex(a, rng):
    before, cover = extras(a)
    authors = "\n".join("\\author{%s}\\affiliation{%s}" % (name(g, f), a.departments[k % 3])
                        for k, (g, f) in enumerate(a.authors))
    return r"""\documentclass[twocolumn]{aastex631}
\usepackage{lipsum}
%(hyper)s
\begin{document}
\title{%(title)s}
%(authors)s
\begin{abstract}
%(abstract)s
\end{abstract}
\section{Introduction}
\lipsum[1-2]
\end{document}
""" % dict(hyper=hyper(a, rng), title=a.title_tex, authors=authors, abstract=a.abstract), []


def acmart_tex(a, rng):
    authors = "\n".join("\\author{%s}\\affiliation{\\institution{%s}\\country{Nowhere}}" %
                        (name(g, f), a.departments[k % 3].split(",")[1].strip())
                        for k, (g, f) in enumerate(a.authors))
    return r"""\documentclass[sigconf]{acmart}
\usepackage{lipsum}
\setcopyright{none}\settopmatter{printacmref=false}\renewcommand\footnotetextcopyrightpermission[1]{}
\acmConference{%(journal)s}{%(year)s}{Nowhere}\acmVolume{%(volume)s}\acmNumber{%(issue)s}
%(hyper)s
\begin{document}
\title{%(title)s}
%(authors)s
\begin{abstract}
%(abstract)s
\end{abstract}
\maketitle
\section{Introduction}
\lipsum[1-2]
\end{document}
""" % dict(hyper=hyper(a, rng), title=a.title_tex, authors=authors, abstract=a.abstract,
           journal=a.journal, year=a.year, volume=a.volume, issue=a.issue), ["venue"]


def amsart_tex(a, rng):
    authors = "\n".join("\\author{%s}\\address{%s}" % (name(g, f), a.departments[k % 3])
                        for k, (g, f) in enumerate(a.authors))
    return r"""\documentclass{amsart}
\usepackage[utf8]{inputenc}\usepackage[T1]{fontenc}\usepackage{lmodern}\usepackage{lipsum}\usepackage{hyperref}
%(hyper)s
\begin{document}
\title{%(title)s}
%(authors)s
\begin{abstract}
%(abstract)s
\end{abstract}
\maketitle
\section{Introduction}
\lipsum[1-2]
\end{document}
""" % dict(hyper=hyper(a, rng), title=a.title_tex, authors=authors, abstract=a.abstract), []


def word_html(a, rng):
    """A page as a word processor lays it out, for LibreOffice to convert."""
    e = html.escape
    title = a.title
    info_title = ("Proceedings Template - WORD" if a.junk_info else "") or title
    authors = ", ".join("%s %s<sup>%d</sup>" % (e(g), e(f), a.marks[k])
                        for k, (g, f) in enumerate(a.authors))
    return ("""<!DOCTYPE html><html><head><meta charset="utf-8"><title>%s</title>
<meta name="author" content="%s">
<style>body{font-family:'Liberation Serif';font-size:11pt}
p.h{font-size:9pt} h1{font-size:18pt;font-weight:bold} p.a{font-size:12pt}
p.f{font-size:9pt;font-style:italic}</style></head><body>
<p class="h">%s</p>
<h1>%s</h1>
<p class="a">%s</p>
<p class="f"><sup>1</sup>%s<br><sup>2</sup>%s<br><sup>3</sup>%s</p>
<p><b>Abstract</b></p>
<p>%s</p>
<p><b>Keywords:</b> one, two, three</p>
<p class="h">DOI: %s</p>
<h2>Introduction</h2><p>%s</p>
</body></html>
""" % (e(info_title), "chrisq" if a.junk_info else "", e(a.citation().replace("--", "-")),
       e(title), authors, e(a.departments[0]), e(a.departments[1]), e(a.departments[2]),
       e(a.abstract), e(a.doi), e(a.abstract)), ["citation", "doi"])


TEX_CLASSES = {"plain": plain_tex, "elsarticle": elsarticle_tex, "ieee": ieee_tex,
               "revtex": revtex_tex, "llncs": llncs_tex, "aastex": aastex_tex,
               "acmart": acmart_tex, "amsart": amsart_tex}
CLASSES = list(TEX_CLASSES) + ["word"]


def run(cmd, cwd, timeout=120):
    return subprocess.run(cmd, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                          timeout=timeout).returncode == 0


def make(out, count, seed, classes):
    folder = os.path.join(out, "archive", "Corpus", "Set")
    os.makedirs(folder, exist_ok=True)
    rng = random.Random(seed)
    truth = {}
    have_tex = shutil.which("pdflatex") is not None
    have_office = shutil.which("soffice") is not None
    words = []
    with tempfile.TemporaryDirectory() as work:
        for n in range(count):
            cls = classes[n % len(classes)]
            a = Article(rng, n)
            base = "%s%03d" % (cls, n)
            if cls == "word":
                if not have_office:
                    continue
                source, shows = word_html(a, rng)
                path = os.path.join(work, base + ".html")
                with open(path, "w", encoding="utf-8") as f:
                    f.write(source)
                words.append((base, a, shows))
                continue
            if not have_tex:
                continue
            # Only some templates set a cover sheet or a neighbour's end.
            a.cover = a.cover and cls in ("plain", "elsarticle", "ieee", "llncs")
            a.neighbour = a.neighbour and cls in ("plain", "elsarticle")
            a.late_doi = a.late_doi and cls == "plain" and not a.cover and not a.neighbour
            source, shows = TEX_CLASSES[cls](a, rng)
            tex = os.path.join(work, base + ".tex")
            with open(tex, "w", encoding="utf-8") as f:
                f.write(source)
            ok = run(["pdflatex", "-interaction=batchmode", "-halt-on-error", base + ".tex"], work)
            if not ok or not os.path.exists(os.path.join(work, base + ".pdf")):
                print("failed: %s (see %s.log)" % (base, base), file=sys.stderr)
                shutil.copy(os.path.join(work, base + ".log"), os.path.join(out, base + ".log"))
                continue
            shutil.move(os.path.join(work, base + ".pdf"), os.path.join(folder, base + ".pdf"))
            truth[base + ".pdf"] = dict(a.truth(shows), cls=cls)
        if words:
            profile = "-env:UserInstallation=file://" + os.path.join(work, "profile")
            ok = run(["soffice", profile, "--headless", "--infilter=HTML (StarWriter)",
                      "--convert-to", "pdf:writer_pdf_Export",
                      "--outdir", folder] + [b + ".html" for b, _, _ in words], work, timeout=900)
            for base, a, shows in words:
                if os.path.exists(os.path.join(folder, base + ".pdf")):
                    truth[base + ".pdf"] = dict(a.truth(shows), cls="word")
                else:
                    print("failed: %s" % base, file=sys.stderr)
    with open(os.path.join(out, "truth.json"), "w", encoding="utf-8") as f:
        json.dump(truth, f, ensure_ascii=False, indent=1, sort_keys=True)
    return len(truth)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("out")
    parser.add_argument("--count", type=int, default=90)
    parser.add_argument("--seed", type=int, default=25)
    parser.add_argument("--classes", default=",".join(CLASSES))
    args = parser.parse_args()
    classes = [c for c in args.classes.split(",") if c]
    for c in classes:
        if c not in CLASSES:
            parser.error("unknown class %s (known: %s)" % (c, ", ".join(CLASSES)))
    made = make(args.out, args.count, args.seed, classes)
    print("%d PDFs in %s" % (made, os.path.join(args.out, "archive")))


if __name__ == "__main__":
    main()
