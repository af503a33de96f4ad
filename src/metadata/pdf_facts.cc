#include "metadata/pdf_facts.h"


#include "metadata/first_page.h"
#include "core/names.h"
#include "metadata/plain.h"

namespace pdfindex {

namespace {

// Bumped whenever the token layout of SerializeFacts changes.
constexpr std::string_view kFactsTag = "f2";

// Extensions that mark a title as the name of the file it was made from.
constexpr std::string_view kFileExtensions[] = {".doc", ".docx", ".pdf", ".tex",  ".dvi", ".ps",
                                                ".rtf", ".txt",  ".odt", ".indd", ".qxd", ".qxp",
                                                ".eps", ".wpd",  ".ppt", ".pptx", ".xml", ".sgm"};

// True when `value` names the program that made the file, or is its base name.
bool IsToolOrBase(std::string_view value, std::string_view base, const PdfFacts& facts) {
  return EqualNoCase(value, base) ||
         (!facts.producer.empty() && EqualNoCase(value, facts.producer)) ||
         (!facts.creator.empty() && EqualNoCase(value, facts.creator));
}

// False for what stands in an Author entry but names no person: a user
// name ("chrisq"), "Anonymous", an organisation or publisher.
bool NamesAPerson(std::string_view name) {
  if (name.find(' ') == std::string_view::npos && name.find(',') == std::string_view::npos)
    return false;
  const std::string lower = AsciiLower(name);
  for (std::string_view word : {"anonymous", "inc.", " inc", "ltd", "press", "society",
                                "publish", "elsevier", "springer", "wiley", "university",
                                "administrator", "journal", "group", "association", "gmbh",
                                "corporation", "user", "owner"}) {
    if (lower.find(word) != std::string::npos) return false;
  }
  return true;
}

}  // namespace

std::string_view OutcomeName(PdfOutcome outcome) {
  switch (outcome) {
    case PdfOutcome::kRead:
      return "read";
    case PdfOutcome::kEmpty:
      return "empty file";
    case PdfOutcome::kNotPdf:
      return "not a PDF";
    case PdfOutcome::kDamaged:
      return "damaged";
    case PdfOutcome::kEncrypted:
      return "encrypted";
    case PdfOutcome::kCrashed:
      return "crashed the reader";
    case PdfOutcome::kTimedOut:
      return "timed out";
    case PdfOutcome::kOutOfMemory:
      return "out of memory";
    case PdfOutcome::kMissing:
      return "cannot be opened";
  }
  return "unknown";
}

std::string SerializeFacts(const PdfFacts& f) {
  std::string out;
  AppendToken(kFactsTag, &out);
  AppendToken(std::to_string(static_cast<int>(f.outcome)), &out);
  for (const std::string* s :
       {&f.title, &f.author, &f.subject, &f.keywords, &f.producer, &f.creator, &f.info_doi,
        &f.xmp.title, &f.xmp.container, &f.xmp.volume, &f.xmp.issue, &f.xmp.year, &f.xmp.first_page,
        &f.xmp.last_page, &f.xmp.doi, &f.text_doi}) {
    AppendToken(*s, &out);
  }
  AppendToken(std::to_string(f.xmp.authors.size()), &out);
  for (const std::string& a : f.xmp.authors) AppendToken(a, &out);
  for (const std::string* s :
       {&f.page.title, &f.page.abstract, &f.page.container, &f.page.volume, &f.page.issue,
        &f.page.year, &f.page.first_page, &f.page.last_page}) {
    AppendToken(*s, &out);
  }
  AppendToken(std::to_string(f.page.authors.size()), &out);
  for (const std::string& a : f.page.authors) AppendToken(a, &out);
  std::string flags;
  for (bool flag : {f.page_text, f.info_title_on_page, f.xmp_title_on_page}) flags += flag ? '1' : '0';
  AppendToken(flags, &out);
  return out;
}

namespace {

// Reads the tag and the outcome that start SerializeFacts's bytes.
bool ReadFactsHead(std::string_view* rest, PdfOutcome* outcome) {
  std::string_view tag, token;
  if (!ReadTokenView(rest, &tag) || tag != kFactsTag || !ReadTokenView(rest, &token)) {
    return false;
  }
  int number = -1;
  if (!ParseNumber(token, &number) || number < 0 ||
      number > static_cast<int>(PdfOutcome::kMissing)) {
    return false;
  }
  *outcome = static_cast<PdfOutcome>(number);
  return true;
}

}  // namespace

bool FactsOutcome(std::string_view bytes, PdfOutcome* outcome) {
  return ReadFactsHead(&bytes, outcome);
}

namespace {

// A count, then as many names.
bool ReadAuthors(std::string_view* rest, std::vector<std::string>* authors) {
  std::string_view count, value;
  size_t n = 0;
  if (!ReadTokenView(rest, &count)) return false;
  if (!ParseNumber(count, &n) || n > rest->size()) return false;
  authors->reserve(n);
  for (size_t a = 0; a < n; ++a) {
    if (!ReadTokenView(rest, &value)) return false;
    authors->emplace_back(value);
  }
  return true;
}

}  // namespace

bool ParseFacts(std::string_view* bytes, PdfFacts* f) {
  std::string_view rest = *bytes;
  std::string_view value;
  PdfFacts facts;
  if (!ReadFactsHead(&rest, &facts.outcome)) return false;
  for (std::string* s :
       {&facts.title, &facts.author, &facts.subject, &facts.keywords, &facts.producer,
        &facts.creator, &facts.info_doi, &facts.xmp.title, &facts.xmp.container, &facts.xmp.volume,
        &facts.xmp.issue, &facts.xmp.year, &facts.xmp.first_page, &facts.xmp.last_page,
        &facts.xmp.doi, &facts.text_doi}) {
    if (!ReadTokenView(&rest, &value)) return false;
    s->assign(value);
  }
  if (!ReadAuthors(&rest, &facts.xmp.authors)) return false;
  for (std::string* s :
       {&facts.page.title, &facts.page.abstract, &facts.page.container, &facts.page.volume,
        &facts.page.issue, &facts.page.year, &facts.page.first_page, &facts.page.last_page}) {
    if (!ReadTokenView(&rest, &value)) return false;
    s->assign(value);
  }
  if (!ReadAuthors(&rest, &facts.page.authors)) return false;
  if (!ReadTokenView(&rest, &value) || value.size() != 3 ||
      value.find_first_not_of("01") != std::string_view::npos) {
    return false;
  }
  facts.page_text = value[0] == '1';
  facts.info_title_on_page = value[1] == '1';
  facts.xmp_title_on_page = value[2] == '1';
  *f = std::move(facts);
  *bytes = rest;
  return true;
}

bool PlausibleTitle(std::string_view title, std::string_view base, const PdfFacts& facts) {
  const std::string t = CollapseSpace(title);
  if (t.size() < 3) return false;
  if (StartsWithNoCase(t, "untitled") || StartsWithNoCase(t, "microsoft ")) return false;
  for (std::string_view ext : kFileExtensions) {
    if (EndsWithNoCase(t, ext)) return false;
  }
  // A path ("C:\work\paper", "/home/x/draft") or a single token with the
  // underscores and dots of a file name ("paper_v2_final").
  if (t.find('\\') != std::string::npos) return false;
  if (t.find(' ') == std::string::npos &&
      (t.find('/') != std::string::npos || t.find('_') != std::string::npos)) {
    return false;
  }
  if (IsToolOrBase(t, base, facts)) return false;
  bool letter = false;
  for (char c : t)
    letter = letter || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
             static_cast<unsigned char>(c) >= 0x80;
  return letter;
}

std::vector<std::string> InfoAuthors(const PdfFacts& facts, std::string_view base) {
  std::vector<std::string> authors;
  // References are decoded first: the ";" of "Fr&#x000E9;d" splits nothing.
  const std::string all = CollapseSpace(DecodeReferences(facts.author));
  if (all.empty() || IsToolOrBase(all, base, facts)) return authors;
  for (std::string& name : SplitPersons(all)) {
    if (NamesAPerson(name)) authors.push_back(std::move(name));
  }
  return authors;
}

}  // namespace pdfindex
