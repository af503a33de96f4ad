#include "text/fields.h"

#include <algorithm>
#include <cctype>
#include <initializer_list>

#include "core/names.h"
#include "text/encoding.h"
#include "text/plain_text.h"
#include "text/positions.h"

namespace pdfindex {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSpace(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text, std::string_view drop = " \t") {
  const size_t first = text.find_first_not_of(drop);
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(drop);
  return text.substr(first, last + 1 - first);
}

// The run of digits at text[*at] (after blanks), moving *at past it; "" if
// none starts there.
std::string DigitsAt(std::string_view text, size_t* at) {
  while (*at < text.size() && IsSpace(text[*at])) ++*at;
  const size_t start = *at;
  while (*at < text.size() && IsDigit(text[*at])) ++*at;
  return std::string(text.substr(start, *at - start));
}

// The last run of four digits that reads as a year (1800 to 2099).
std::string YearIn(std::string_view text) {
  std::string year;
  for (size_t at = 0; at < text.size();) {
    if (!IsDigit(text[at])) {
      ++at;
      continue;
    }
    const size_t start = at;
    while (at < text.size() && IsDigit(text[at])) ++at;
    const std::string_view run = text.substr(start, at - start);
    if (run.size() == 4 &&
        (run.starts_with("18") || run.starts_with("19") || run.starts_with("20"))) {
      year = std::string(run);
    }
  }
  return year;
}

// The number after the first of `words` in `text` ("Vol. 20", "Issue 3");
// "" when none is followed by one.
std::string NumberAfter(std::string_view text, std::initializer_list<std::string_view> words,
                        size_t* word_at = nullptr) {
  for (const std::string_view word : words) {
    for (size_t at = FindNoCase(text, word); at != std::string_view::npos;
         at = FindNoCase(text, word, at + 1)) {
      // The word must start a word of the text.
      if (at > 0 && (std::isalnum(static_cast<unsigned char>(text[at - 1])) != 0)) continue;
      size_t after = at + word.size();
      std::string number = DigitsAt(text, &after);
      if (number.empty()) continue;
      if (word_at != nullptr) *word_at = at;
      return number;
    }
  }
  return {};
}

}  // namespace

std::string_view Between(std::string_view text, std::string_view open, std::string_view close) {
  const size_t at = FindNoCase(text, open);
  if (at == std::string_view::npos) return {};
  return Before(text.substr(at + open.size()), close);
}

size_t FirstTagOf(std::string_view text, std::span<const std::string_view> tags) {
  // As no tag holds a "<" past its first byte, none can start before the
  // first place of another and run into it: the cuts one after the other
  // end where the first tag anywhere starts.
  for (size_t at = text.find('<'); at != std::string_view::npos; at = text.find('<', at + 1)) {
    for (const std::string_view tag : tags) {
      if (text.size() - at < tag.size()) continue;
      if (EqualNoCase(text.substr(at + 1, tag.size() - 1), tag.substr(1))) return at;
    }
  }
  return text.size();
}

std::string_view After(std::string_view text, std::string_view open) {
  const size_t at = FindNoCase(text, open);
  return at == std::string_view::npos ? std::string_view() : text.substr(at + open.size());
}

std::string_view Before(std::string_view text, std::string_view close) {
  const size_t end = FindNoCase(text, close);
  return end == std::string_view::npos ? text : text.substr(0, end);
}

void SetIssueTitleOf(const Page& page, TitleRecord (*reader)(const Page*, const std::string&),
                     ArticleFields* fields) {
  // What the title gives depends on the title alone: each field the entry
  // left empty takes it.
  const ArticleFields& title = page.KeptIssueTitleFields([&] {
    ArticleFields parts;
    SetIssueTitle(reader(&page, "").text, &parts);
    return parts;
  });
  for (auto member : {&ArticleFields::container, &ArticleFields::volume, &ArticleFields::issue,
                      &ArticleFields::year}) {
    if ((fields->*member).empty()) fields->*member = title.*member;
  }
}

std::string FieldText(const Page& page, std::string_view html) {
  return PlainText(html, PieceCharset(page, html));
}

std::string LinedText(const Page& page, size_t begin, size_t end) {
  return LinedTextBefore(page, begin, end, {});
}

std::string LinedTextBefore(const Page& page, size_t begin, size_t end,
                            std::span<const std::string_view> tags) {
  const std::string_view text = page.Text();
  end = std::min(end, text.size());
  if (begin >= end) return {};
  std::string out;
  // Without tags the whole range is made, a blank for each line break.
  if (tags.empty()) out.reserve(end - begin + 16);
  size_t line = page.LineOf(begin);
  for (size_t start = page.LineStart(line); line < page.LineCount(); ++line) {
    const size_t next = start + page.LineLength(line);
    const size_t from = std::max(begin, start);
    const size_t to = std::min(end, next);
    if (from >= to) break;
    if (!out.empty()) out.push_back(' ');
    // No tag holds a blank, so none runs from one line into the next: the
    // first cut is the first in the first line that holds one.
    const std::string_view piece = text.substr(from, to - from);
    const size_t cut = tags.empty() ? piece.size() : FirstTagOf(piece, tags);
    out.append(piece.substr(0, cut));
    if (cut < piece.size()) break;
    start = next;
  }
  return out;
}

std::string WithoutElements(std::string_view html, std::string_view name) {
  // Appended rather than joined with "+": GCC 12 warns of an overlap
  // (-Wrestrict) it imagines in operator+(const char*, std::string&&).
  std::string open = "<";
  open.append(name);
  std::string close = "</";
  close.append(name).push_back('>');
  std::string out;
  size_t at = 0;
  for (size_t start = FindNoCase(html, open); start != std::string_view::npos;
       start = FindNoCase(html, open, at)) {
    const size_t end = FindNoCase(html, close, start);
    if (end == std::string_view::npos) break;
    out.append(html.substr(at, start - at));
    at = end + close.size();
  }
  out.append(html.substr(at));
  return out;
}

std::vector<std::string> AuthorList(std::string_view plain) {
  std::vector<std::string> names = SplitPersons(plain);
  for (std::string& name : names) {
    // "Okonkwo L." ends in an initial's full stop, not in the name.
    if (name.size() >= 3 && name.back() == '.' && name[name.size() - 3] == ' ') name.pop_back();
  }
  return names;
}

void SetPageRange(std::string_view plain, ArticleFields* fields) {
  size_t at = plain.find_first_of("0123456789");
  if (at == std::string_view::npos) return;
  const std::string first = DigitsAt(plain, &at);
  std::string last;
  while (at < plain.size() && IsSpace(plain[at])) ++at;
  const std::string_view rest = plain.substr(at);
  for (const std::string_view dash : {"-", "\xE2\x80\x93", "\xE2\x80\x94"}) {
    if (rest.starts_with(dash)) {
      size_t after = at + dash.size();
      last = DigitsAt(plain, &after);
      break;
    }
  }
  fields->first_page = first;
  fields->last_page = last;
}

void SetCitation(std::string_view plain, ArticleFields* fields) {
  plain = Trim(plain, " \t.");
  const size_t colon = plain.rfind(':');
  if (colon == std::string_view::npos) return;
  SetPageRange(plain.substr(colon + 1), fields);
  std::string_view head = Trim(plain.substr(0, colon));
  const auto last_word = [&head] {
    const size_t blank = head.rfind(' ');
    const std::string_view word = blank == std::string_view::npos ? head : head.substr(blank + 1);
    return word;
  };
  std::string_view word = last_word();
  if (!word.empty() && word.find_first_not_of("0123456789") == std::string_view::npos) {
    fields->volume = std::string(word);
    head = Trim(head.substr(0, head.size() - word.size()));
    word = last_word();
    if (word.size() == 4 && YearIn(word) == word) {
      fields->year = std::string(word);
      head = Trim(head.substr(0, head.size() - word.size()));
    }
  }
  fields->container = std::string(head);
}

void SetIssueTitle(std::string_view plain, ArticleFields* fields) {
  size_t volume_at = std::string_view::npos;
  const std::string volume = NumberAfter(plain, {"volume", "vol.", "vol"}, &volume_at);
  if (fields->volume.empty()) fields->volume = volume;
  if (fields->issue.empty()) fields->issue = NumberAfter(plain, {"issue", "iss.", "no.", "number"});
  if (fields->year.empty()) fields->year = YearIn(plain);
  if (fields->container.empty() && volume_at != std::string_view::npos) {
    fields->container = std::string(Trim(plain.substr(0, volume_at), " \t,;:-"));
  }
}

}  // namespace pdfindex
