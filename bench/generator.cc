#include "bench/generator.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

namespace pdfindex::bench {

namespace {

// Deterministic pseudo-random numbers (a linear congruential generator), so
// the archive is the same on every machine and every run.
class Random {
 public:
  explicit Random(unsigned seed) : state_(seed * 2654435761u + 1) {}
  unsigned Next() {
    state_ = state_ * 1103515245u + 12345u;
    return (state_ >> 8) & 0xFFFFFF;
  }
  const char* Pick(const std::vector<const char*>& words) { return words[Next() % words.size()]; }

 private:
  unsigned state_;
};

const std::vector<const char*> kNames = {"Varga H",  "Okafor C", "Lindqvist A",   "Moreau P",
                                         "Tanaka S", "Brandt E", "Castellanos R", "Nakamura Y",
                                         "Ilic M",   "Haas T",   "Ortega L",      "Kumar R"};
const std::vector<const char*> kWords = {
    "growth", "signal", "membrane", "lattice",   "catalyst", "folding",   "spectrum",
    "kinase", "pollen", "rigidity", "transport", "dynamics", "imaginary", "structure"};

std::string Title(Random& r) {
  std::string t = "On the ";
  t += r.Pick(kWords);
  t += " of ";
  t += r.Pick(kWords);
  t += " and ";
  t += r.Pick(kWords);
  return t;
}

std::string Authors(Random& r) {
  std::string a = r.Pick(kNames);
  const unsigned more = r.Next() % 3;
  for (unsigned i = 0; i < more; ++i) {
    a += ", ";
    a += r.Pick(kNames);
  }
  return a;
}

std::string Pages(int article) {
  const int first = 1 + article * 12;
  return std::to_string(first) + "-" + std::to_string(first + 10);
}

std::string Digits(long long n, int width) {
  std::string s = std::to_string(n);
  return std::string(static_cast<size_t>(std::max(0, width - static_cast<int>(s.size()))), '0') + s;
}

// A publisher's page layout: the page's head, one entry, the page's foot,
// and the base name of article i.
struct Layout {
  std::function<std::string(unsigned issue)> head;
  std::function<std::string(Random&, int i, const std::string& base)> entry;
  std::string foot;
  std::function<std::string(unsigned issue, int i)> base;
};

const std::map<std::string, Layout>& Layouts() {
  static const std::map<std::string, Layout> layouts = {
      {"Embo",
       {[](unsigned issue) {
          return "<HTML>\r\n<HEAD>\r\n<TITLE>Journal of Molecular Things, Vol. " +
                 std::to_string(issue) + "</TITLE>\r\n</HEAD>\r\n<BODY>\r\n<DL>\r\n";
        },
        [](Random& r, int i, const std::string& b) {
          return "<DT><A HREF=\"/cgi/reprint/20/1/" + b + "\">\r\n " + Title(r) +
                 "</A><DD>\r\n<STRONG>" + Authors(r) +
                 "</STRONG><BR>\r\nJ. Mol. Things 2001 20: " + Pages(i) +
                 ".<NOBR> <A HREF=\"/cgi/content/abstract/20/1/" + b +
                 "\">[Abstract]</A> <A HREF=\"/cgi/reprint/20/1/" + b +
                 ".pdf\">[PDF]</A></NOBR>\r\n";
        },
        "</DL>\r\n</BODY>\r\n</HTML>\r\n",
        [](unsigned issue, int i) { return "mt" + Digits(issue, 3) + Digits(i, 4); }}},
      {"Springer",
       {[](unsigned issue) {
          return "<HTML>\r\n<HEAD>\r\n<TITLE>Journal Index: Journal of Imaginary Botany - Table of "
                 "Contents Volume " +
                 std::to_string(issue) +
                 "</TITLE>\r\n</HEAD>\r\n<BODY>\r\n<B>Volume 12</B><BR>\r\nOnline publication: "
                 "March 14, 2001<BR>\r\n<HR>\r\n";
        },
        [](Random& r, int i, const std::string& b) {
          return "<P>" + Authors(r) + ".<BR>\r\n<A HREF=\"/journals/jib/12/3/" + b + ".htm\">" +
                 Title(r) + "</A> Original paper<BR><I>J Imag Bot</I> <B>12</B> (3)<BR>" +
                 Pages(i) + "<BR>\r\n<A HREF=\"/journals/jib/12/3/" + b +
                 ".pdf\">Full text (PDF)</A></P>\r\n";
        },
        "<HR>\r\n</BODY>\r\n</HTML>\r\n",
        [](unsigned issue, int i) { return "s" + Digits(issue, 3) + Digits(i, 4); }}},
      {"AmChemSoc",
       {[](unsigned issue) {
          return "<HTML>\r\n<HEAD>\r\n<TITLE>J. Imag. Chem. Soc.</TITLE>\r\n</HEAD>\r\n<BODY>\r\n"
                 "<P><I>Journal of the Imaginary Chemical Society</I><BR>Vol. " +
                 std::to_string(issue) + ", No. 5 (February 7, 2001)<BR>Table of Contents</P>\r\n";
        },
        [](Random& r, int i, const std::string& b) {
          return "<P><FONT SIZE=2>\r\n" + Pages(i) + "</B> <B>" + Title(r) + ".</B>\r\n<AU><I>" +
                 Authors(r) + "</I></AU> <A HREF=\"/cgi-bin/jtextd?j/123/html/" + b +
                 ".html\">Full text (HTML)</A> <A HREF=\"/cgi-bin/article.cgi/j/2001/123/pdf/" + b +
                 "\">PDF</A></FONT>\r\n";
        },
        "<HR>\r\n</BODY>\r\n</HTML>\r\n",
        [](unsigned issue, int i) { return "ja" + Digits(issue, 3) + Digits(i, 4); }}},
      {"AmMathSoc",
       {[](unsigned issue) {
          return "<html>\r\n<head>\r\n<title>Proc. NMU</title>\r\n</head>\r\n<body>\r\n<img "
                 "src=\"/c.gif\" alt=\"Proceedings of the Northern Mathematical Union, Vol. " +
                 std::to_string(issue) + "\" width=\"72\">\r\n<dl>\r\n";
        },
        [](Random& r, int i, const std::string& b) {
          return "<dt><big><em>" + Title(r) + "</em></big></dt>\r\n<dd>" + Authors(r) +
                 "<br>\r\n<strong>Proc. Northern Math. Union</strong> 129 (2001), " + Pages(i) +
                 ".<br><a href=\"/cgi-bin/getpdf?file=" + b +
                 "\">PDF</a> <a "
                 "href=\"/cgi-bin/getps?file=" +
                 b + ".ps\">PostScript</a>\r\n<p>\r\n";
        },
        "</dl>\r\n</body>\r\n</html>\r\n",
        [](unsigned issue, int i) {
          return "S1077-" + Digits(issue, 4) + "-01-" + Digits(i, 5) + "-2";
        }}},
      {"JBCOnline",
       {[](unsigned issue) {
          return "<HTML>\r\n<HEAD>\r\n<TITLE>J. Biocatal. Res., Vol. " + std::to_string(issue) +
                 "</TITLE>\r\n</HEAD>\r\n<BODY>\r\n<DL>\r\n";
        },
        [](Random& r, int i, const std::string& b) {
          return "<DT>" + Title(r) + "\r\n   <DD><STRONG>" + Authors(r) +
                 "</STRONG> J. Biocatal. Res. 2004 279: " + Pages(i) +
                 "\r\n    <BR>\r\n<A HREF=\"/cgi/content/abstract/279/2/" + std::to_string(i) +
                 "\">[Abstract]</A>&nbsp;\r\n<A HREF=\"/cgi/reprint/jbc." +
                 b.substr(0, b.size() - 2) + "00v1\">[PDF]</A>\r\n<P>\r\n";
        },
        "</DL>\r\n</BODY>\r\n</HTML>\r\n",
        [](unsigned issue, int i) { return "M" + Digits(issue, 3) + Digits(i, 5) + "00"; }}},
      {"AmInstPhys",
       {[](unsigned issue) {
          return "<HTML>\r\n<HEAD>\r\n<TITLE>Journal of Applied Things -- Downloads</TITLE>\r\n"
                 "</HEAD>\r\n<BODY>\r\n<H2>Downloads of Select <i>Journal of Applied Things</i> "
                 "Vol. " +
                 std::to_string(issue) + " articles</H2>\r\n<TABLE BORDER=\"0\">\r\n";
        },
        [](Random& r, int i, const std::string& b) {
          return "<TR><TD VALIGN=\"top\">" + std::to_string(i + 1) +
                 ".</TD><TD><A HREF=\"/getpdf/servlet/JAT/v91/i1/" + b + ".pdf\">\r\n    " +
                 Title(r) + " <i>films</i>\r\n  </A><br>\r\n  <FONT SIZE=\"-1\">" + Authors(r) +
                 "</FONT></TD></TR>\r\n";
        },
        "</TABLE>\r\n</BODY>\r\n</HTML>\r\n",
        [](unsigned issue, int i) { return "JAT" + Digits(issue, 3) + Digits(i, 4); }}},
      {"Elsevier",
       {[](unsigned issue) {
          return "<HTML>\r\n<HEAD><TITLE>Examples Letters, Volume " + std::to_string(issue) +
                 ": Free Sample Issue.</TITLE></HEAD>\r\n<BODY>\r\n<UL>\r\n";
        },
        [](Random& r, int, const std::string& b) {
          return "<LI><A HREF=\"/pdf/" + b + ".pdf\">" + Title(r) + "</A> - " + Authors(r) + "\r\n";
        },
        "</UL>\r\n</BODY>\r\n</HTML>\r\n",
        [](unsigned issue, int i) { return "EXL" + Digits(issue, 3) + Digits(i, 5); }}},
      {"Physics Letters Archive",
       {[](unsigned issue) {
          return "<HTML>\r\n<HEAD><TITLE>Physics Letters Archive - Volume " +
                 std::to_string(issue) + "</TITLE></HEAD>\r\n<BODY>\r\n<UL>\r\n";
        },
        [](Random& r, int, const std::string& b) {
          return "<LI><A HREF=\"" + b + ".pdf\">" + Title(r) + "</A> - " + Authors(r) + "\r\n";
        },
        "</UL>\r\n</BODY>\r\n</HTML>\r\n",
        [](unsigned issue, int i) {
          return "pla" + std::to_string(issue) + "-" + std::to_string(1 + i * 12);
        }}},
      {"ScienceDirect",
       {[](unsigned issue) {
          return "<html>\r\n<head>\r\n<title>Journal of Imaginary Ecology, Volume " +
                 std::to_string(issue) +
                 "</title>\r\n</head>\r\n<body>\r\n<table width=\"100%\" border=\"0\">\r\n";
        },
        [](Random& r, int i, const std::string& b) {
          const std::string udi = "B6WMD-" + std::to_string(4500 + i);
          return "<tr>\r\n<td valign=top width=20><input type=checkbox name=art value=\"" + udi +
                 "\"></td>\r\n<td valign=top>\r\n<b>" + Title(r) + "</b><i><nobr>, Pages " + b +
                 "</nobr> </i><br>\r\n" + Authors(r) +
                 "<br>\r\n<a href=\"http://www.sciencedirect.com/science?_ob=ArticleURL&amp;_udi=" +
                 udi +
                 "\">Abstract</a> | <a href=\"http://www.sciencedirect.com/science?_ob=MImg"
                 "&amp;_imagekey=" +
                 udi + "-1\">PDF (312 K)</a>\r\n</td>\r\n</tr>\r\n";
        },
        "</table>\r\n</body>\r\n</html>\r\n", [](unsigned, int i) { return Pages(i); }}},
  };
  return layouts;
}

}  // namespace

const std::vector<std::string>& Publishers() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> n;
    for (const auto& [name, layout] : Layouts()) n.push_back(name);
    return n;
  }();
  return names;
}

Issue MakeIssue(const std::string& publisher, int articles, int pages, unsigned seed) {
  const Layout& layout = Layouts().at(publisher);
  Random r(seed);
  Issue issue;
  pages = std::max(pages, 1);
  for (int p = 0; p < pages; ++p) {
    std::string page = layout.head(seed);
    for (int i = p; i < articles; i += pages) {
      const std::string base = layout.base(seed, i);
      page += layout.entry(r, i, base);
      issue.pdfs.push_back(base);
    }
    page += layout.foot;
    issue.pages.emplace_back("toc" + std::to_string(p + 1) + ".htm", std::move(page));
  }
  return issue;
}

long long WriteArchive(const std::string& root, int issues, int articles) {
  namespace fs = std::filesystem;
  long long bytes = 0;
  for (const std::string& publisher : Publishers()) {
    for (int n = 0; n < issues; ++n) {
      const unsigned seed = static_cast<unsigned>(n + 1);
      const Issue issue = MakeIssue(publisher, articles, 1 + n % 2, seed);
      const fs::path folder = fs::path(root) / publisher / ("Vol " + Digits(n + 1, 4));
      fs::create_directories(folder);
      for (const auto& [name, text] : issue.pages) {
        std::ofstream(folder / name, std::ios::binary) << text;
        bytes += static_cast<long long>(text.size());
      }
      for (const std::string& base : issue.pdfs) {
        std::ofstream(folder / (base + ".pdf"), std::ios::binary) << "%PDF-1.4\n%%EOF\n";
      }
    }
  }
  return bytes;
}

}  // namespace pdfindex::bench
