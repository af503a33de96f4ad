#include "metadata/pdf_facts.h"

#include <charconv>

#include "core/names.h"
#include "metadata/plain.h"

namespace pdfindex {

namespace {

// Bumped whenever the token layout of SerializeFacts changes.
constexpr std::string_view kFactsTag = "f1";

// Extensions that mark a title as the name of the file it was made from.
constexpr std::string_view kFileExtensions[] = {".doc", ".docx", ".pdf", ".tex",  ".dvi", ".ps",
                                                ".rtf", ".txt",  ".odt", ".indd", ".qxd", ".qxp",
                                                ".eps", ".wpd",  ".ppt", ".pptx", ".xml", ".sgm"};

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         EqualNoCase(text.substr(text.size() - suffix.size()), suffix);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

// True when `value` names the program that made the file, or is its base name.
bool IsToolOrBase(std::string_view value, std::string_view base, const PdfFacts& facts) {
  return EqualNoCase(value, base) ||
         (!facts.producer.empty() && EqualNoCase(value, facts.producer)) ||
         (!facts.creator.empty() && EqualNoCase(value, facts.creator));
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

void AppendToken(std::string_view value, std::string* out) {
  *out += std::to_string(value.size());
  *out += ':';
  *out += value;
}

bool ReadTokenView(std::string_view* bytes, std::string_view* value) {
  const size_t colon = bytes->find(':');
  if (colon == std::string_view::npos || colon == 0 || colon > 12) return false;
  size_t length = 0;
  const auto [end, error] = std::from_chars(bytes->data(), bytes->data() + colon, length);
  if (error != std::errc() || end != bytes->data() + colon) return false;
  if (length > bytes->size() - colon - 1) return false;
  *value = bytes->substr(colon + 1, length);
  bytes->remove_prefix(colon + 1 + length);
  return true;
}

bool ReadToken(std::string_view* bytes, std::string* value) {
  std::string_view view;
  if (!ReadTokenView(bytes, &view)) return false;
  value->assign(view);
  return true;
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
  const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), number);
  if (error != std::errc() || end != token.data() + token.size() || number < 0 ||
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

bool ParseFacts(std::string_view* bytes, PdfFacts* f) {
  std::string_view rest = *bytes;
  std::string_view count, value;
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
  size_t authors = 0;
  if (!ReadTokenView(&rest, &count)) return false;
  const auto [cend, cerror] = std::from_chars(count.data(), count.data() + count.size(), authors);
  if (cerror != std::errc() || cend != count.data() + count.size() || authors > rest.size()) {
    return false;
  }
  facts.xmp.authors.reserve(authors);
  for (size_t a = 0; a < authors; ++a) {
    if (!ReadTokenView(&rest, &value)) return false;
    facts.xmp.authors.emplace_back(value);
  }
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
  const std::string all = CollapseSpace(facts.author);
  if (all.empty() || IsToolOrBase(all, base, facts)) return {};
  return SplitPersons(all);
}

}  // namespace pdfindex
