#include "metadata/first_page.h"

#include <algorithm>
#include <cmath>
#include <regex>
#include <unordered_set>

#include "metadata/plain.h"

namespace pdfindex {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool IsLower(char c) { return c >= 'a' && c <= 'z'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// True when `text` holds a year (1800 to 2099) standing apart from other
// digits: every citation names one, so the patterns need not try a line
// without one.
bool HasYear(std::string_view text) {
  for (size_t i = 0; i + 4 <= text.size(); ++i) {
    if (!IsDigit(text[i]) || (i > 0 && IsDigit(text[i - 1]))) continue;
    const std::string_view two = text.substr(i, 2);
    if ((two == "18" || two == "19" || two == "20") && IsDigit(text[i + 2]) &&
        IsDigit(text[i + 3]) && (i + 4 == text.size() || !IsDigit(text[i + 4]))) {
      return true;
    }
  }
  return false;
}

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && text[i] == ' ') ++i;
    const size_t start = i;
    while (i < text.size() && text[i] != ' ') ++i;
    if (i > start) words.push_back(text.substr(start, i - start));
  }
  return words;
}

// Dashes and minus signs as "-", so that page ranges read alike.
std::string PlainDashes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const std::string_view rest = text.substr(i);
    if (rest.starts_with("\xE2\x80\x93") || rest.starts_with("\xE2\x80\x94") ||
        rest.starts_with("\xE2\x88\x92") || rest.starts_with("\xE2\x80\x90") ||
        rest.starts_with("\xE2\x80\x91")) {
      out += '-';
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// Lines joined into one text; a hyphen that ends a line before a word in
// lower case is the word's break, not part of it.
std::string JoinLines(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) {
    if (line.empty()) continue;
    if (!out.empty()) {
      if (out.back() == '-' && out.size() > 1 && IsLower(out[out.size() - 2]) &&
          IsLower(line[0])) {
        out.pop_back();
      } else {
        out += ' ';
      }
    }
    out += line;
  }
  return CollapseSpace(out);
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::nth_element(values.begin(), values.begin() + static_cast<long>(values.size() / 2),
                   values.end());
  return values[values.size() / 2];
}

// The font size most of the page's letters are set in.
double BodySize(const std::vector<PageLine>& lines) {
  std::vector<double> sizes;
  for (const PageLine& line : lines) {
    for (const PageWord& word : line.words) {
      for (size_t k = 0; k < word.text.size(); k += 4) sizes.push_back(word.size);
    }
  }
  return Median(std::move(sizes));
}

// Lines that follow each other in one size and style, close together: a
// title, an author list, a paragraph.
struct Block {
  size_t first = 0, last = 0;  // line indexes, inclusive
  double size = 0;
};

std::vector<Block> BlocksOf(const std::vector<PageLine>& lines) {
  std::vector<Block> blocks;
  for (size_t i = 0; i < lines.size(); ++i) {
    const PageLine& line = lines[i];
    if (!blocks.empty()) {
      Block& b = blocks.back();
      const PageLine& prev = lines[b.last];
      const double gap = line.y0 - prev.y1;
      if (std::fabs(line.size - b.size) < 0.6 && line.bold == prev.bold && gap > -0.5 * line.size &&
          gap < 0.9 * line.size && line.x0 < prev.x1 && line.x1 > prev.x0) {
        b.last = i;
        continue;
      }
    }
    blocks.push_back({i, i, line.size});
  }
  return blocks;
}

std::string BlockText(const std::vector<PageLine>& lines, const Block& block, bool marks = true) {
  std::vector<std::string> texts;
  for (size_t i = block.first; i <= block.last; ++i) texts.push_back(lines[i].Text(marks));
  return JoinLines(texts);
}

// Words that label an article's kind above its title, and other banner
// text that is never a title.
constexpr std::string_view kLabels[] = {
    "research article", "original article", "original paper", "original research",
    "research paper", "review article", "review", "article", "articles", "letter", "letters",
    "short communication", "communication", "editorial", "brief report", "report", "reports",
    "research", "case report", "technical note", "full paper", "open access", "commentary",
    "perspective", "perspectives", "research letter", "regular article", "minireview",
    "invited review", "short paper", "technical report", "rapid communication", "methods",
    "article in press", "accepted manuscript", "preprint", "highlights", "contents",
    "research report", "review paper", "mini review", "clinical study", "original investigation",
    "rapid report", "news and views", "focus", "viewpoint", "abstract", "summary"};

bool IsLabel(std::string_view text) {
  const std::string folded = FoldWords(text);
  for (std::string_view label : kLabels) {
    if (folded == label) return true;
  }
  return false;
}

// Text that a title never is: a copyright line, an address, a link, a
// citation line, a journal banner.
bool NeverTitle(std::string_view text) {
  if (text.find('@') != std::string_view::npos || text.find("\xC2\xA9") != std::string_view::npos)
    return true;
  const std::string lower = AsciiLower(text);
  for (std::string_view bad : {"copyright", "http://", "https://", "www.", "doi:", "doi.org",
                               "journal homepage", "contents lists available", "received:",
                               "accepted:", "published", "downloaded from", "issn",
                               "licensed under", "creative commons", "all rights reserved",
                               "to cite this article", "proceedings of", "vol.", "volume "}) {
    if (lower.find(bad) != std::string::npos) return true;
  }
  if (!ParseCitation(text).empty()) return true;
  const std::vector<std::string_view> words = Words(text);
  // Banners name the journal in a few words: "Journal of X", "PLOS ONE".
  if (words.size() <= 6 && (lower.starts_with("journal of") || lower.starts_with("the journal") ||
                            lower.starts_with("annals of") || lower.starts_with("transactions") ||
                            lower.starts_with("international journal"))) {
    return true;
  }
  size_t letters = 0;
  for (char c : text) letters += IsUpper(c) || IsLower(c) || static_cast<unsigned char>(c) >= 0x80;
  return letters < 8 || IsLabel(text);
}

// Words of an affiliation, an address or the start of the article's text:
// the author lines end before them.
bool EndsAuthors(std::string_view text) {
  if (text.find('@') != std::string_view::npos) return true;
  const std::string lower = AsciiLower(text);
  for (std::string_view word :
       {"universit", "department", "dept.", "institut", "laborator", "school", "college",
        "hospital", "center", "centre", "faculty", "division", "academy", "foundation", "inc.",
        "ltd", "gmbh", "abstract", "summary", "received", "keywords", "key words", "introduction",
        "correspond", "e-mail", "email", "street", "road", "avenue", "usa", "u.s.a.", "china",
        "germany", "france", "japan", "united kingdom", "\xC2\xA9", "copyright", "citation",
        "edited by", "accepted", "published", "journal", "vol.", "doi", "http"}) {
    if (lower.find(word) != std::string::npos) return true;
  }
  return false;
}

// Degrees and honours written after a name ("Jane Doe, PhD").
constexpr std::string_view kDegrees[] = {
    "phd", "ph d", "md", "m d", "msc", "bsc", "mph", "rn", "frcp", "frcs", "dphil", "ma", "ba",
    "mb", "chb", "mbbs", "dvm", "ms", "mba", "dsc", "facs", "facp", "frcpc", "pharmd", "mbchb",
    "do", "dds", "dmd", "bs", "mrcp", "frs", "prof", "dr", "frsc", "bpharm", "mpharm", "bn"};

constexpr std::string_view kSuffixes[] = {"jr", "sr", "ii", "iii", "iv"};

bool InList(std::string_view folded, const std::string_view* begin, const std::string_view* end) {
  return std::find(begin, end, folded) != end;
}

// `text` without the marks set beside names: digits, asterisks, daggers,
// section signs, letters in the private use area (ORCID and mail glyphs),
// superscript digits and letters.
std::string WithoutMarks(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    size_t n = 1;
    if (c >= 0xF0) {
      n = 4;
    } else if (c >= 0xE0) {
      n = 3;
    } else if (c >= 0xC0) {
      n = 2;
    }
    n = std::min(n, text.size() - i);
    const std::string_view ch = text.substr(i, n);
    bool mark = false;
    if (n == 1) {
      mark = IsDigit(text[i]) || std::string_view("*#^|+").find(text[i]) != std::string_view::npos;
    } else if (n == 2) {
      // § ¶ ¹ ² ³ ª º and the like.
      mark = ch == "\xC2\xA7" || ch == "\xC2\xB6" || ch == "\xC2\xB9" || ch == "\xC2\xB2" ||
             ch == "\xC2\xB3" || ch == "\xC2\xAA" || ch == "\xC2\xBA" || ch == "\xC2\xB0";
    } else if (n == 3) {
      const uint32_t cp = ((c & 0x0Fu) << 12) | ((static_cast<unsigned char>(ch[1]) & 0x3Fu) << 6) |
                          (static_cast<unsigned char>(ch[2]) & 0x3Fu);
      // General punctuation marks (daggers, bullets), super- and
      // subscripts, arrows, math operators, dingbats and private use.
      mark = (cp >= 0x2020 && cp <= 0x2023) || (cp >= 0x2070 && cp <= 0x209F) ||
             (cp >= 0x2190 && cp <= 0x22FF) || (cp >= 0x2600 && cp <= 0x27BF) ||
             (cp >= 0xE000 && cp <= 0xF8FF) || cp == 0x204E || cp == 0x2016 || cp == 0x2217;
    } else {
      mark = true;
    }
    if (mark) {
      out += ' ';
    } else {
      out += ch;
    }
    i += n;
  }
  return CollapseSpace(out);
}

// True when `text` reads like a line of names: most words capitalised,
// none long, no sentence punctuation.
bool LooksLikeNames(std::string_view text, size_t min_capitals) {
  const std::vector<std::string_view> words = Words(text);
  if (words.empty() || words.size() > 120) return false;
  if (text.find(':') != std::string_view::npos || text.find('(') != std::string_view::npos)
    return false;
  size_t capital = 0, other = 0;
  for (std::string_view w : words) {
    const std::string lower = AsciiLower(w);
    if (lower == "and" || lower == "&" || lower == "," || lower.starts_with("van") ||
        lower == "de" || lower == "der" || lower == "den" || lower == "von" || lower == "da" ||
        lower == "del" || lower == "la" || lower == "le" || lower == "dos" || lower == "du" ||
        lower == "di" || lower == "et" || lower == "al." || lower == "y") {
      continue;
    }
    if (w.size() > 24) return false;
    const unsigned char c = static_cast<unsigned char>(w[0]);
    if (IsUpper(w[0]) || c >= 0xC3) {
      ++capital;
    } else {
      ++other;
    }
  }
  return capital >= min_capitals && other * 5 <= capital;
}

// The line's words without marks; names set apart by a wide gap on one line
// (each over its own address) are set apart by a comma.
std::string NameLineText(const PageLine& line) {
  std::string out;
  const PageWord* prev = nullptr;
  for (const PageWord& word : line.words) {
    if (word.size < 0.85 * line.size) continue;
    if (prev != nullptr) {
      const bool apart = word.x0 - prev->x1 > 1.5 * line.size && !prev->text.ends_with(",") &&
                         word.text != "and" && prev->text != "and" && word.text != "&" &&
                         prev->text != "&";
      out += apart ? ", " : " ";
    }
    out += word.text;
    prev = &word;
  }
  return out;
}

// The first line of the abstract: a line that starts with the label, with
// what follows the label on it.
bool AbstractLabel(const PageLine& line, std::string* rest) {
  const std::string text = line.Text();
  std::string squeezed;
  for (char c : text) {
    if (c != ' ') squeezed += c;
  }
  // "a b s t r a c t", set letter-spaced, stands alone.
  if (EqualNoCase(squeezed, "abstract") || EqualNoCase(squeezed, "summary")) {
    rest->clear();
    return true;
  }
  for (std::string_view label : {"abstract", "summary"}) {
    if (!StartsWithNoCase(text, label)) continue;
    std::string_view after = std::string_view(text).substr(label.size());
    if (!after.empty() && (IsLower(after[0]) || IsUpper(after[0]))) continue;
    // "Abstract:", "Abstract.", "Abstract—" and "ABSTRACT" alone.
    while (!after.empty() && (after[0] == ':' || after[0] == '.' || after[0] == ' ' ||
                              after[0] == '-')) {
      after.remove_prefix(1);
    }
    for (std::string_view dash : {"\xE2\x80\x94", "\xE2\x80\x93"}) {
      if (after.starts_with(dash)) after.remove_prefix(dash.size());
    }
    *rest = CollapseSpace(after);
    return true;
  }
  return false;
}

// Lines that end an abstract: keywords, the first heading, notes.
bool EndsAbstract(std::string_view text) {
  for (std::string_view start :
       {"keywords", "key words", "key-words", "index terms", "introduction", "1 introduction",
        "1. introduction", "i. introduction", "1 background", "1. background", "\xC2\xA9",
        "copyright", "received", "citation:", "*correspond", "correspond", "abbreviations",
        "ccs concepts", "acm reference", "pacs", "subject areas", "msc:", "jel", "doi:",
        "article history", "published:", "published online", "editor:", "academic editor"}) {
    if (StartsWithNoCase(text, start)) return true;
  }
  return false;
}

std::string Abstract(const std::vector<PageLine>& lines, size_t from) {
  for (size_t i = from; i < lines.size(); ++i) {
    std::string rest;
    if (!AbstractLabel(lines[i], &rest)) continue;
    std::vector<std::string> parts;
    if (!rest.empty()) parts.push_back(rest);
    const PageLine* prev = &lines[i];
    double size = rest.empty() ? 0 : lines[i].size;
    size_t words = 0;
    for (size_t k = i + 1; k < lines.size(); ++k) {
      const PageLine& line = lines[k];
      const std::string text = line.Text();
      if (EndsAbstract(text)) break;
      if (size == 0) size = line.size;
      if (std::fabs(line.size - size) > 0.6) break;
      const double gap = line.y0 - prev->y1;
      // The paragraph goes on in the same column or at the top of the next.
      const bool next_column = gap < -4 * size && line.x0 >= prev->x1 - size;
      if (!next_column && (gap > 1.2 * size || gap < -0.5 * size)) break;
      parts.push_back(text);
      words += Words(text).size();
      if (words > 600) break;
      prev = &line;
    }
    std::string text = JoinLines(parts);
    if (Words(text).size() >= 8) return text;
  }
  return "";
}

// The first paragraph from line `from` on, for a page that labels no
// abstract: wide lines in one size, close together, forty words at least;
// affiliations, dates and short lines before it are passed over.
std::string FirstParagraph(const std::vector<PageLine>& lines, size_t from, double width) {
  for (size_t i = from; i < lines.size() && i < from + 60;) {
    const std::string text = lines[i].Text();
    if (EndsAbstract(text)) return "";
    if (EndsAuthors(text) || lines[i].x1 - lines[i].x0 < 0.3 * width) {
      ++i;
      continue;
    }
    std::vector<std::string> parts{text};
    size_t k = i + 1;
    for (; k < lines.size(); ++k) {
      const PageLine& line = lines[k];
      const double gap = line.y0 - lines[k - 1].y1;
      if (std::fabs(line.size - lines[i].size) > 0.3 || gap > 0.8 * line.size ||
          gap < -0.5 * line.size || EndsAbstract(line.Text())) {
        break;
      }
      parts.push_back(line.Text());
    }
    std::string paragraph = JoinLines(parts);
    if (Words(paragraph).size() >= 40) return paragraph;
    i = k;
  }
  return "";
}

bool IsCover(const std::vector<PageLine>& lines) {
  for (const PageLine& line : lines) {
    const std::string lower = AsciiLower(line.Text());
    for (std::string_view sign :
         {"to cite this article", "full terms & conditions", "full terms and conditions",
          "this article was downloaded by", "please scroll down for article",
          "terms and conditions of use", "terms of use:"}) {
      if (lower.find(sign) != std::string::npos) return true;
    }
  }
  return false;
}

// The lines of a cover sheet's "To cite this article" block, joined: from
// the label to the next notice or gap.
std::string CoverCitationBlock(const std::vector<PageLine>& lines) {
  for (size_t i = 0; i < lines.size(); ++i) {
    if (AsciiLower(lines[i].Text()).find("to cite this article") == std::string::npos) continue;
    std::vector<std::string> parts{lines[i].Text()};
    // Twenty authors take several lines.
    for (size_t k = i + 1; k < lines.size() && k < i + 16; ++k) {
      const std::string text = lines[k].Text();
      const std::string lower = AsciiLower(text);
      const double gap = lines[k].y0 - lines[k - 1].y1;
      if (gap > 1.5 * lines[k].size || gap < -0.5 * lines[k].size ||
          lower.find("to link to this article") != std::string::npos ||
          lower.find("published online") != std::string::npos ||
          lower.find("full terms") != std::string::npos) {
        break;
      }
      parts.push_back(text);
    }
    return JoinLines(parts);
  }
  return "";
}

// Every DOI of the line, with whether a label stands before it.
void LineDois(std::string_view text, std::string_view next, bool above_title,
              std::vector<FirstPage::Doi>* dois) {
  for (size_t at = text.find("10."); at != std::string_view::npos;
       at = text.find("10.", at + 3)) {
    std::string doi = FindDoi(text.substr(at));
    if (doi.empty() || !text.substr(at).starts_with(doi)) continue;
    // A DOI broken at the line's end goes on at the start of the next.
    std::string_view tail = text.substr(at);
    while (!tail.empty() && tail.back() == ' ') tail.remove_suffix(1);
    const size_t end = at + doi.size();
    if (tail.size() <= doi.size() + 1 && !next.empty() && next[0] != ' ') {
      const std::string_view head = next.substr(0, next.find(' '));
      const char after = tail.size() > doi.size() ? tail[doi.size()] : '\0';
      const char last = doi.back();
      if ((after == '.' && IsDigit(head[0])) ||
          (after == '\0' && (last == '/' || last == '-' || last == '_'))) {
        std::string joined = FindDoi(std::string(tail) + std::string(head));
        if (!joined.empty()) doi = std::move(joined);
      }
    }
    const std::string before = AsciiLower(text.substr(0, at));
    const bool labelled = before.ends_with("doi:") || before.ends_with("doi: ") ||
                          before.ends_with("doi ") || before.ends_with("doi.org/") ||
                          before.ends_with("dx.doi.org/") || before.ends_with("doi:\xC2\xA0");
    if (!doi.empty()) dois->push_back({doi, labelled, above_title});
    at = end > at + 3 ? end - 3 : at;
  }
}

}  // namespace

namespace {

// TeX sets an accented i as a dotless i and a combining accent; the page
// means the accented letter.
void MendDotlessI(std::string* word) {
  static constexpr std::pair<std::string_view, std::string_view> kPairs[] = {
      {"\xC4\xB1\xCC\x81", "\xC3\xAD"}, {"\xC4\xB1\xCC\x80", "\xC3\xAC"},
      {"\xC4\xB1\xCC\x82", "\xC3\xAE"}, {"\xC4\xB1\xCC\x88", "\xC3\xAF"}};
  if (word->find("\xC4\xB1") == std::string::npos) return;
  for (const auto& [from, to] : kPairs) {
    for (size_t at = word->find(from); at != std::string::npos; at = word->find(from, at)) {
      word->replace(at, from.size(), to);
    }
  }
}

}  // namespace

std::string PageLine::Text(bool marks) const {
  std::string out;
  for (const PageWord& word : words) {
    if (!marks && word.size < 0.85 * size) continue;
    if (!out.empty()) out += ' ';
    out += word.text;
  }
  return out;
}

std::vector<PageLine> LinesOf(const PageWords& page) {
  std::vector<PageLine> lines;
  size_t bold_letters = 0, plain_letters = 0;  // of the last line
  for (PageWord word : page.words) {
    if (word.text.empty() || word.size <= 0) continue;
    MendDotlessI(&word.text);
    if (!lines.empty()) {
      PageLine& line = lines.back();
      const double middle = (word.y0 + word.y1) / 2;
      const bool within = middle > line.y0 - 0.2 * line.size && middle < line.y1 + 0.2 * line.size;
      const bool after = word.x0 > line.x1 - 0.5 * line.size;
      const bool near = word.x0 < line.x1 + 3 * std::max(word.size, line.size);
      if (within && after && near) {
        line.words.push_back(word);
        line.x1 = std::max(line.x1, word.x1);
        (word.bold ? bold_letters : plain_letters) += word.text.size();
        line.bold = bold_letters >= plain_letters;
        // A larger word sets the line's size (a mark came first).
        if (word.size > line.size + 0.3) {
          line.size = word.size;
          line.y0 = word.y0;
          line.y1 = word.y1;
        }
        continue;
      }
    }
    bold_letters = word.bold ? word.text.size() : 0;
    plain_letters = word.bold ? 0 : word.text.size();
    PageLine line;
    line.words.push_back(word);
    line.x0 = word.x0;
    line.y0 = word.y0;
    line.x1 = word.x1;
    line.y1 = word.y1;
    line.size = word.size;
    line.bold = word.bold;
    lines.push_back(std::move(line));
  }
  return lines;
}

std::string FoldWords(std::string_view text) {
  std::string out;
  bool blank = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const unsigned char u = static_cast<unsigned char>(c);
    // Dashes and typographic quotes (U+2010 to U+201F) part words as their
    // ASCII forms do.
    if (u == 0xE2 && i + 2 < text.size() && text[i + 1] == '\x80' &&
        static_cast<unsigned char>(text[i + 2]) >= 0x90 &&
        static_cast<unsigned char>(text[i + 2]) <= 0x9F) {
      blank = true;
      i += 2;
      continue;
    }
    if (IsLower(c) || IsDigit(c) || u >= 0x80) {
      if (blank && !out.empty()) out += ' ';
      blank = false;
      out += c;
    } else if (IsUpper(c)) {
      if (blank && !out.empty()) out += ' ';
      blank = false;
      out += static_cast<char>(c - 'A' + 'a');
    } else {
      blank = true;
    }
  }
  return out;
}

bool TitleOnPage(std::string_view title, std::string_view folded_page) {
  const std::string folded = FoldWords(title);
  std::unordered_set<std::string_view> page;
  for (std::string_view w : Words(folded_page)) page.insert(w);
  size_t seen = 0, all = 0;
  for (std::string_view w : Words(folded)) {
    ++all;
    seen += page.count(w);
  }
  return all > 0 && seen * 10 >= all * 8;
}

namespace {

// One piece of an author line, or "" when the piece names nobody.
std::string NamePiece(std::string_view raw) {
  std::string piece = CollapseSpace(raw);
  // "et al." (also braced, "{et al.}") names nobody more.
  const size_t etal = AsciiLower(piece).rfind("et al");
  if (etal != std::string::npos && (etal == 0 || piece[etal - 1] == ' ' || piece[etal - 1] == '{'))
    piece.resize(etal);
  const size_t first = piece.find_first_not_of(" ,{}");
  if (first == std::string::npos) return "";
  piece = piece.substr(first, piece.find_last_not_of(" ,{}") + 1 - first);
  const std::string folded = FoldWords(piece);
  if (folded.empty() || InList(folded, std::begin(kDegrees), std::end(kDegrees))) return "";
  return piece;
}

}  // namespace

std::vector<std::string> SplitAuthorLine(std::string_view line) {
  std::vector<std::string> names;
  std::string text = CollapseSpace(line);
  // With semicolons, each piece is one name, in any order of its parts.
  if (text.find(';') != std::string::npos) {
    for (size_t start = 0; start <= text.size();) {
      size_t end = text.find(';', start);
      if (end == std::string::npos) end = text.size();
      std::string name = NamePiece(std::string_view(text).substr(start, end - start));
      if (!name.empty()) names.push_back(std::move(name));
      start = end + 1;
    }
    return names;
  }
  // " and " and " & " separate names as commas do.
  for (std::string_view sep : {", and ", " and ", " AND ", " & ", " und "}) {
    for (size_t at = text.find(sep); at != std::string::npos; at = text.find(sep, at + 1)) {
      text.replace(at, sep.size(), 1, ',');
    }
  }
  std::vector<std::string> pieces;
  for (size_t start = 0; start <= text.size();) {
    size_t end = text.find(',', start);
    if (end == std::string::npos) end = text.size();
    pieces.push_back(CollapseSpace(std::string_view(text).substr(start, end - start)));
    start = end + 1;
  }
  // "Smith, John": one name written family first.
  if (pieces.size() == 2 && pieces[0].find(' ') == std::string::npos &&
      !InList(FoldWords(pieces[1]), std::begin(kDegrees), std::end(kDegrees)) &&
      !InList(FoldWords(pieces[1]), std::begin(kSuffixes), std::end(kSuffixes))) {
    std::string name = NamePiece(text);
    if (!name.empty()) names.push_back(std::move(name));
    return names;
  }
  for (const std::string& raw : pieces) {
    std::string piece = NamePiece(raw);
    if (piece.empty()) continue;
    const std::string folded = FoldWords(piece);
    if (InList(folded, std::begin(kSuffixes), std::end(kSuffixes)) && !names.empty()) {
      names.back() += ", " + piece;
      continue;
    }
    // "Smith, J., Jones, K.": initials join the family name before them.
    const bool initials = folded.size() <= 3 && piece.find('.') != std::string::npos &&
                          piece.find(' ') == std::string::npos;
    if (initials && !names.empty() && names.back().find(' ') == std::string::npos &&
        names.back().find(',') == std::string::npos) {
      names.back() += ", " + piece;
      continue;
    }
    names.push_back(std::move(piece));
  }
  return names;
}

namespace {

// `text` from its first letter or digit to its last, without the commas,
// dots, colons and blanks around it.
std::string_view TrimPunct(std::string_view text) {
  while (!text.empty() && std::string_view(" ,.:;").find(text.front()) != std::string_view::npos)
    text.remove_prefix(1);
  while (!text.empty() && std::string_view(" ,.:;").find(text.back()) != std::string_view::npos)
    text.remove_suffix(1);
  return text;
}

bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit);
}

// "123-145", "e1234", "12": the pages; false when `text` is none of those.
bool ReadPageRange(std::string_view text, ArticleFields* f) {
  const size_t dash = text.find('-');
  const std::string_view first = TrimPunct(text.substr(0, dash));
  const std::string_view last =
      dash == std::string_view::npos ? std::string_view() : TrimPunct(text.substr(dash + 1));
  const auto page = [](std::string_view p) {
    return p.size() <= 10 && (AllDigits(p) || (p.size() > 1 && (IsLower(p[0]) || IsUpper(p[0])) &&
                                               AllDigits(p.substr(1))));
  };
  if (!page(first) || (dash != std::string_view::npos && !page(last))) return false;
  f->first_page = std::string(first);
  f->last_page = std::string(last);
  return true;
}

// "45:3", "45(3)", "Vol. 45", "45": the volume and issue.
bool ReadVolume(std::string_view text, ArticleFields* f) {
  for (std::string_view label : {"vol. ", "vol ", "volume "}) {
    if (StartsWithNoCase(text, label)) text.remove_prefix(label.size());
  }
  size_t digits = 0;
  while (digits < text.size() && IsDigit(text[digits])) ++digits;
  if (digits == 0 || digits > 6) return false;
  std::string_view issue = text.substr(digits);
  if (issue.starts_with(':') || issue.starts_with('(')) {
    issue = TrimPunct(issue.substr(1));
    if (issue.ends_with(')')) issue.remove_suffix(1);
    if (issue.empty() || issue.size() > 12 || issue.find(' ') != std::string_view::npos)
      return false;
  } else if (!issue.empty()) {
    return false;
  }
  f->volume = std::string(text.substr(0, digits));
  f->issue = std::string(issue);
  return true;
}

}  // namespace

ArticleFields ParseCoverCitation(std::string_view block) {
  ArticleFields f;
  if (block.size() > 2000) return f;
  std::string text = PlainDashes(block);
  const size_t label = AsciiLower(text).find("to cite this article");
  if (label == std::string::npos) return f;
  text.erase(0, label + std::string_view("to cite this article").size());
  // The DOI ends the block, labelled.
  const size_t doi = AsciiLower(text).rfind("doi");
  if (doi != std::string::npos) {
    f.doi = FindDoi(std::string_view(text).substr(doi));
    text.resize(doi);
  }
  // "Authors (2012) Title, ...": the year in brackets after the names.
  size_t open = text.find('(');
  while (open != std::string::npos && !(open + 6 <= text.size() && text[open + 5] == ')' &&
                                        HasYear(std::string_view(text).substr(open + 1, 4)))) {
    open = text.find('(', open + 1);
  }
  if (open == std::string::npos) return ArticleFields();
  f.year = text.substr(open + 1, 4);
  std::string_view names = std::string_view(text).substr(0, open);
  while (!names.empty() && std::string_view(" ,:").find(names.front()) != std::string_view::npos)
    names.remove_prefix(1);
  f.authors = SplitAuthorLine(names);
  // The rest, from its end: pages, volume and issue, the journal; the title
  // is what stands before them, commas and all.
  std::vector<std::string_view> parts;
  std::string_view rest = TrimPunct(std::string_view(text).substr(open + 6));
  for (size_t start = 0; start <= rest.size();) {
    size_t end = rest.find(", ", start);
    if (end == std::string_view::npos) end = rest.size();
    parts.push_back(TrimPunct(rest.substr(start, end - start)));
    start = end + 2;
  }
  if (!parts.empty() && ReadPageRange(parts.back(), &f)) parts.pop_back();
  if (!parts.empty() && ReadVolume(parts.back(), &f)) {
    parts.pop_back();
  } else if (!f.first_page.empty() && f.last_page.empty() && AllDigits(f.first_page)) {
    // "Journal, 12": a lone number is the volume.
    f.volume = std::move(f.first_page);
    f.first_page.clear();
  }
  if (parts.size() >= 2) {
    f.container = std::string(parts.back());
    parts.pop_back();
  } else if (parts.size() == 1) {
    // "Title. Journal": a period sets them apart.
    const size_t period = parts[0].rfind(". ");
    if (period != std::string_view::npos) {
      f.container = std::string(TrimPunct(parts[0].substr(period + 2)));
      parts[0] = parts[0].substr(0, period);
    }
  }
  std::string title;
  for (std::string_view part : parts) {
    if (!title.empty()) title += ", ";
    title += part;
  }
  f.title = CollapseSpace(title);
  return f;
}

ArticleFields ParseCitation(std::string_view raw) {
  ArticleFields f;
  // The patterns backtrack: a line is tried only when it is short and names
  // a year.
  if (raw.size() > 240 || !HasYear(raw)) return f;
  const std::string line = PlainDashes(raw);
  static const std::string kJournal = R"(([A-Z][-A-Za-z.&' ]{2,80}?))";
  static const std::string kYear = R"(((?:1[89]|20)\d\d))";
  static const std::string kPage = R"(([A-Za-z]?\d+))";
  static const std::regex patterns[] = {
      // Postgrad Med J 2010;86:272-276 / Blood 2001; 97(5): 1-12
      std::regex(kJournal + R"([.,]?\s+)" + kYear + R"(\s*;\s*(\d+)\s*(?:\((\w+)\))?\s*:\s*)" +
                 kPage + R"((?:\s*-\s*)" + kPage + ")?"),
      // Int J Syst Evol Microbiol (2013), 63, 4141-4148
      std::regex(kJournal + R"(\s*\()" + kYear + R"(\),?\s*(\d+)\s*(?:\((\w+)\))?,\s*)" + kPage +
                 R"((?:\s*-\s*)" + kPage + ")?"),
      // Pain 155 (2014) 2461-2470 / Pain, 155 (2014) 2461-2470
      std::regex(kJournal + R"(,?\s+(\d+)\s*(?:\((\w+)\))?\s*\()" + kYear + R"(\)\s*)" + kPage +
                 R"((?:\s*-\s*)" + kPage + ")?"),
      // J. Am. Chem. Soc. 2001, 123, 801-809 / Trials 2015, 16:1
      std::regex(kJournal + R"(,?\s+)" + kYear + R"(,\s*(\d+)\s*(?:\((\w+)\))?\s*[,:]\s*)" +
                 kPage + R"((?:\s*-\s*)" + kPage + ")?"),
      // Vol. 12, No. 3, pp. 1-12, 2001
      std::regex("(?:" + kJournal + R"(,\s*)?(?:Vol\.?|Volume)\s*(\d+)\s*,?\s*(?:No\.?|Issue|Number)\s*(\w+)\s*,?\s*(?:pp?\.?\s*)?)" +
                 kPage + R"((?:\s*-\s*)" + kPage + R"()?\s*,?\s*(?:\(|[A-Z][a-z]+\.?\s+)?)" +
                 kYear),
  };
  std::smatch m;
  for (size_t p = 0; p < std::size(patterns); ++p) {
    if (!std::regex_search(line, m, patterns[p])) continue;
    const auto at = [&](size_t k) { return m[static_cast<int>(k)].str(); };
    switch (p) {
      case 0:
      case 1:
        f = {{}, "", at(1), at(3), at(4), at(2), at(5), at(6), "", "", ""};
        break;
      case 2:
        f = {{}, "", at(1), at(2), at(3), at(4), at(5), at(6), "", "", ""};
        break;
      case 3:
        f = {{}, "", at(1), at(3), at(4), at(2), at(5), at(6), "", "", ""};
        break;
      default:
        f = {{}, "", at(1), at(2), at(3), at(6), at(4), at(5), "", "", ""};
        break;
    }
    f.container = CollapseSpace(f.container);
    // A journal is named by words, not by a stray capital before a number.
    if ((p < 4 || !f.container.empty()) &&
        (f.container.size() < 3 || Words(f.container).size() > 10)) {
      f = ArticleFields();
      continue;
    }
    return f;
  }
  return f;
}

FirstPage ReadFirstPage(const PageWords& page) {
  FirstPage out;
  const std::vector<PageLine> lines = LinesOf(page);
  std::string all;
  for (const PageLine& line : lines) {
    all += line.Text();
    all += ' ';
  }
  out.folded_text = FoldWords(all);
  out.cover = IsCover(lines);
  if (out.cover) out.cited = ParseCoverCitation(CoverCitationBlock(lines));
  const double body = BodySize(lines);
  const std::vector<Block> blocks = BlocksOf(lines);

  // The citation patterns backtrack (some milliseconds a line): of a hostile
  // page's thousands of lines only so many are tried, each time, as a real
  // page's title, citation line or running head comes early among them.
  constexpr size_t kMaxTried = 64;

  // The title: the largest block in the upper part of the page.
  const Block* title = nullptr;
  size_t tried = 0;
  for (const Block& b : blocks) {
    if (lines[b.first].y0 > 0.7 * page.height) continue;
    if (b.size < 1.15 * body) continue;
    const size_t count = b.last - b.first + 1;
    if (count > 6) continue;
    if (++tried > kMaxTried) break;
    const std::string text = BlockText(lines, b);
    if (NeverTitle(text) || Words(text).size() > 50) continue;
    if (title == nullptr || b.size > title->size + 0.5) title = &b;
  }
  // Some classes set the title bold in the body's size (in capitals).
  tried = 0;
  for (const Block& b : blocks) {
    if (title != nullptr) break;
    if (lines[b.first].y0 > 0.4 * page.height || !lines[b.first].bold) continue;
    if (b.size < body - 0.3 || b.last - b.first > 4) continue;
    if (++tried > kMaxTried) break;
    const std::string text = BlockText(lines, b);
    if (!NeverTitle(text) && Words(text).size() >= 3 && Words(text).size() <= 50) title = &b;
  }
  if (title != nullptr) out.fields.title = BlockText(lines, *title);
  const size_t after_title = title != nullptr ? title->last + 1 : 0;

  // The authors: the lines in the title's size class after it, up to the
  // abstract or the text; affiliations between them (names set in columns,
  // each over its address) are passed over.
  size_t after_authors = after_title;
  if (title != nullptr) {
    std::vector<std::string> names;
    std::string run;  // consecutive name lines
    const auto flush = [&] {
      for (std::string& name : SplitAuthorLine(run)) names.push_back(std::move(name));
      run.clear();
    };
    double name_size = 0;
    size_t misses = 0;
    for (size_t i = after_title; i < lines.size() && i < after_title + 40; ++i) {
      const std::string text = NameLineText(lines[i]);
      const std::string clean = WithoutMarks(text);
      if (clean.empty()) continue;
      std::string rest;
      if (AbstractLabel(lines[i], &rest) || EndsAbstract(text)) break;
      // A line that goes on with the list may hold a single name.
      // A date ("November 11, 2022") names nobody.
      const bool named = !EndsAuthors(text) && !HasYear(text) &&
                         LooksLikeNames(clean, run.empty() ? 2 : 1) &&
                         (name_size == 0 || std::fabs(lines[i].size - name_size) < 0.3);
      if (!named) {
        // A smaller label ("Original Article") may stand first.
        if (names.empty() && IsLabel(clean)) continue;
        if (Words(clean).size() >= 12 && !EndsAuthors(text)) break;
        if (++misses > (names.empty() ? 2u : 8u)) break;
        continue;
      }
      // A list wrapped over wide lines may break a name; names set one
      // per line in columns are apart.
      if (!run.empty() && misses == 0 && !run.ends_with(",") && !run.ends_with(";") &&
          !run.ends_with(" and") && lines[i - 1].x1 - lines[i - 1].x0 < 0.4 * page.width) {
        run += ',';
      }
      if (misses > 0) flush();
      run += ' ' + clean;
      misses = 0;
      name_size = lines[i].size;
      after_authors = i + 1;
    }
    flush();
    // A name is two words at least ("A. Smith"), or the list is no list.
    bool whole = !names.empty();
    for (const std::string& name : names) whole = whole && name.find(' ') != std::string::npos;
    if (whole) out.fields.authors = std::move(names);
  }

  out.fields.abstract = Abstract(lines, after_title);
  if (out.fields.abstract.empty() && title != nullptr) {
    out.fields.abstract = FirstParagraph(lines, after_authors, page.width);
  }

  // The citation: in the header, footer or anywhere in the lines.
  tried = 0;
  for (const PageLine& line : lines) {
    const std::string text = line.Text();
    if (!HasYear(text)) continue;
    if (++tried > kMaxTried) break;
    ArticleFields cited = ParseCitation(text);
    if (cited.empty()) continue;
    out.fields.container = cited.container;
    out.fields.volume = cited.volume;
    out.fields.issue = cited.issue;
    out.fields.year = cited.year;
    out.fields.first_page = cited.first_page;
    out.fields.last_page = cited.last_page;
    break;
  }

  // The DOIs, each with its place: the running head (the page's top line)
  // and everything from the title on are the article's; what stands
  // between them ends the article before.
  double head = page.height;
  for (const PageLine& line : lines) head = std::min(head, line.y1);
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string text = lines[i].Text();
    const std::string next = i + 1 < lines.size() ? lines[i + 1].Text() : std::string();
    const bool above = title != nullptr && i < title->first && lines[i].y0 > head &&
                       lines[i].y1 < lines[title->first].y0;
    LineDois(text, next, above, &out.dois);
  }
  return out;
}

std::vector<std::string> MarginDois(const PageWords& page) {
  const std::vector<PageLine> lines = LinesOf(page);
  std::vector<FirstPage::Doi> dois;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].y1 > 0.1 * page.height && lines[i].y0 < 0.9 * page.height) continue;
    const std::string next = i + 1 < lines.size() ? lines[i + 1].Text() : std::string();
    LineDois(lines[i].Text(), next, false, &dois);
  }
  std::vector<std::string> out;
  for (FirstPage::Doi& d : dois) {
    if (d.labelled) out.push_back(std::move(d.doi));
  }
  return out;
}

std::string ArticleDoi(const FirstPage& page, std::string_view base,
                       const std::vector<std::string>& known) {
  const std::string lower_base = AsciiLower(base);
  for (const FirstPage::Doi& d : page.dois) {
    const std::string lower = AsciiLower(d.doi);
    for (const std::string& k : known) {
      if (!k.empty() && EqualNoCase(k, d.doi)) return d.doi;
    }
    const std::string suffix = lower.substr(lower.find('/') + 1);
    if (suffix.size() >= 6 && lower_base.find(suffix) != std::string::npos) return d.doi;
  }
  for (const FirstPage::Doi& d : page.dois) {
    if (d.labelled && !d.above_title) return d.doi;
  }
  for (const FirstPage::Doi& d : page.dois) {
    if (!d.above_title) return d.doi;
  }
  return "";
}

}  // namespace pdfindex
