#include "core/names.h"

#include <array>
#include <cstdint>

namespace pdfindex {

namespace {

using Words = std::vector<std::string_view>;

// What a caller takes of each person: all of it, the parts without the
// written text, or the written text without the given names (the parts
// the parse looks back at, family and suffix, are always made).
enum class Want { kAll, kParts, kWritten };

// The code point of the UTF-8 sequence at text[i] and its length in *len;
// a byte that starts no well-formed sequence stands for itself.
uint32_t CodePointAt(std::string_view text, size_t i, size_t* len) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(text[i + k]); };
  const unsigned char lead = b(0);
  size_t n = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (n <= 1 || i + n > text.size()) {
    *len = 1;
    return lead;
  }
  uint32_t cp = lead & (0x7F >> n);
  for (size_t k = 1; k < n; ++k) {
    if ((b(k) & 0xC0) != 0x80) {
      *len = 1;
      return lead;
    }
    cp = (cp << 6) | (b(k) & 0x3F);
  }
  *len = n;
  return cp;
}

// Case of the letters names are written in: Latin, Greek, Cyrillic.
bool IsUpperLetter(uint32_t cp) {
  if (cp >= 'A' && cp <= 'Z') return true;
  if (cp >= 0xC0 && cp <= 0xDE) return cp != 0xD7;
  if (cp >= 0x100 && cp <= 0x137) return cp % 2 == 0;
  if (cp >= 0x139 && cp <= 0x148) return cp % 2 == 1;
  if (cp >= 0x14A && cp <= 0x177) return cp % 2 == 0;
  if (cp == 0x178) return true;
  if (cp >= 0x179 && cp <= 0x17E) return cp % 2 == 1;
  return (cp >= 0x391 && cp <= 0x3A9) || (cp >= 0x400 && cp <= 0x42F);
}

bool IsLowerLetter(uint32_t cp) {
  if (cp >= 'a' && cp <= 'z') return true;
  if (cp >= 0xDF && cp <= 0xFF) return cp != 0xF7;
  if (cp >= 0x100 && cp <= 0x17F) return !IsUpperLetter(cp);
  return (cp >= 0x3B1 && cp <= 0x3C9) || (cp >= 0x430 && cp <= 0x45F);
}

// True for "H", "HK", "JRR", "H.", "H.K.", "K.-H.", "J-P": one to three
// capitals, each with or without a full stop, joined by nothing or "-".
bool IsInitials(std::string_view word) {
  // A small ASCII letter second ends the test below at once: so it ends for
  // most names ("Haas") before it starts.
  if (word.size() > 1 && word[1] >= 'a' && word[1] <= 'z') return false;
  size_t capitals = 0;
  bool after_capital = false;
  for (size_t i = 0; i < word.size();) {
    size_t len = 0;
    const uint32_t cp = CodePointAt(word, i, &len);
    if (IsUpperLetter(cp)) {
      ++capitals;
      after_capital = true;
    } else if ((cp == '.' && after_capital) || (cp == '-' && i > 0 && i + len < word.size())) {
      // A full stop after a capital, or a hyphen inside ("J.-P."): the next
      // capital starts another initial.
      after_capital = false;
    } else {
      return false;
    }
    i += len;
  }
  return capitals >= 1 && capitals <= 3;
}

// Appends initials written with a full stop after each and one blank
// between them ("HK" and "H.K." give "H. K."; "K.-H." and "K-H" give
// "K.-H.") to `out`, which is empty or ends in a blank.
void AppendDottedInitials(std::string& out, std::string_view word) {
  for (size_t i = 0; i < word.size();) {
    size_t len = 0;
    const uint32_t cp = CodePointAt(word, i, &len);
    if (IsUpperLetter(cp)) {
      if (!out.empty() && out.back() == '.') out += ' ';
      out.append(word, i, len);
      out += '.';
    } else if (cp == '-') {
      out += '-';
    }
    i += len;
  }
}

bool IsSuffix(std::string_view word) {
  static constexpr std::array<std::string_view, 9> kSuffixes = {
      "Jr.", "Jr", "Sr.", "Sr", "Jnr.", "II", "III", "IV", "2nd"};
  // Most words start with none of the suffixes' first letters.
  if (word.empty() || (word[0] != 'J' && word[0] != 'S' && word[0] != 'I' && word[0] != '2')) {
    return false;
  }
  for (const std::string_view suffix : kSuffixes) {
    if (word == suffix) return true;
  }
  return false;
}

bool IsJunior(std::string_view word) {
  if (word.empty() || (word[0] != 'J' && word[0] != 'S')) return false;
  return word == "Jr." || word == "Jr" || word == "Sr." || word == "Sr" || word == "Jnr.";
}

// Words that join a family name as its particle ("van der Berg"), written
// in lower case; `capitalised` admits "Van", "De", ... too.
bool IsParticle(std::string_view word, bool capitalised) {
  static constexpr std::array<std::string_view, 27> kParticles = {
      "van", "von", "der", "den", "de",  "del", "della", "dei",  "degli",
      "di",  "da",  "das", "do",  "dos", "du",  "la",    "le",   "les",
      "ten", "ter", "te",  "zu",  "zum", "zur", "vom",   "d'",   "van't"};
  // The letters particles start with, one bit each: most words start with
  // none of them, and are no particle at a glance.
  static constexpr uint32_t kFirstLetters = [] {
    uint32_t letters = 0;
    for (const std::string_view particle : kParticles) letters |= 1U << (particle[0] - 'a');
    return letters;
  }();
  if (word.empty()) return false;
  char first = word[0];
  if (first >= 'A' && first <= 'Z') {
    if (!capitalised) return false;
    first = static_cast<char>(first - 'A' + 'a');
  }
  if (first < 'a' || first > 'z' || (kFirstLetters & (1U << (first - 'a'))) == 0) return false;
  for (const std::string_view particle : kParticles) {
    if (particle.size() == word.size() && particle[0] == first &&
        particle.substr(1) == word.substr(1)) {
      return true;
    }
  }
  return false;
}

bool IsTitle(std::string_view word) {
  if (word.empty() || (word[0] != 'D' && word[0] != 'P' && word[0] != 'M')) return false;
  return word == "Dr." || word == "Dr" || word == "Prof." || word == "Prof" ||
         word == "Professor" || word == "Mr." || word == "Mrs." || word == "Ms.";
}

// IsBlankAt for a character that is not ASCII.
bool IsWideBlankAt(std::string_view text, size_t i, size_t* len) {
  const uint32_t cp = CodePointAt(text, i, len);
  return cp == ' ' || cp == '\t' || cp == '\n' || cp == '\r' || cp == 0xA0 || cp == 0x2009 ||
         cp == 0x202F;
}

inline bool IsBlankAt(std::string_view text, size_t i, size_t* len) {
  const auto b = static_cast<unsigned char>(text[i]);
  if (b >= 0x80) return IsWideBlankAt(text, i, len);
  *len = 1;
  return b == ' ' || b == '\t' || b == '\n' || b == '\r';
}

// `word` less the affiliation and footnote marks after it: digits, "*",
// "†", "‡", "§", "¶" and superscript digits.
std::string_view WithoutMarks(std::string_view word) {
  for (;;) {
    if (word.empty()) return word;
    const char last = word.back();
    if ((last >= '0' && last <= '9') || last == '*') {
      word.remove_suffix(1);
      continue;
    }
    // The other marks all end in a byte of a multi-byte character.
    if (static_cast<unsigned char>(last) < 0x80) return word;
    bool cut = false;
    for (const std::string_view mark : {"\xE2\x80\xA0", "\xE2\x80\xA1", "\xC2\xA7", "\xC2\xB6",
                                        "\xC2\xB9", "\xC2\xB2", "\xC2\xB3"}) {
      if (word.ends_with(mark)) {
        word.remove_suffix(mark.size());
        cut = true;
        break;
      }
    }
    if (!cut && word.size() >= 3 && word.substr(word.size() - 3, 2) == "\xE2\x81") {
      const auto b = static_cast<unsigned char>(word.back());
      if (b == 0xB0 || (b >= 0xB4 && b <= 0xB9)) {  // superscript 0, 4..9
        word.remove_suffix(3);
        cut = true;
      }
    }
    if (!cut) return word;
  }
}

// The first full stop of `word` from `from` on, or word.size() (words are
// short: a loop finds it for less than memchr).
size_t FullStopIn(std::string_view word, size_t from) {
  while (from < word.size() && word[from] != '.') ++from;
  return from;
}

// The words of `text` split at blanks, each less its marks, into *words;
// "G.Smith" and "G.H.Smith" give the initials apart from the name.
void SplitWords(std::string_view text, Words& words) {
  words.clear();
  size_t i = 0;
  while (i < text.size()) {
    size_t len = 0;
    while (i < text.size() && IsBlankAt(text, i, &len)) i += len;
    const size_t start = i;
    // To the word's end, noting its first full stop on the way.
    size_t first_dot = std::string_view::npos;
    while (i < text.size()) {
      const auto b = static_cast<unsigned char>(text[i]);
      if (b >= 0x80) {
        if (IsWideBlankAt(text, i, &len)) break;
        i += len;
        continue;
      }
      if (b == ' ' || b == '\t' || b == '\n' || b == '\r') break;
      if (b == '.' && first_dot == std::string_view::npos) first_dot = i - start;
      ++i;
    }
    std::string_view word = text.substr(start, i - start);
    // A full stop followed by a capital and a small letter ends initials.
    for (size_t dot = first_dot; dot != std::string_view::npos && dot + 2 < word.size();
         dot = FullStopIn(word, dot + 1)) {
      size_t l1 = 0;
      size_t l2 = 0;
      if (IsUpperLetter(CodePointAt(word, dot + 1, &l1)) &&
          IsLowerLetter(CodePointAt(word, dot + 1 + l1, &l2)) && IsInitials(word.substr(0, dot + 1))) {
        words.push_back(word.substr(0, dot + 1));
        word.remove_prefix(dot + 1);
        break;
      }
    }
    // Brackets around names ("{Varga H, Brandt E}") are no part of them.
    while (!word.empty() && (word.front() == '{' || word.front() == '[' || word.front() == '(')) {
      word.remove_prefix(1);
    }
    while (!word.empty() && (word.back() == '}' || word.back() == ']' || word.back() == ')')) {
      word.remove_suffix(1);
    }
    word = WithoutMarks(word);
    if (!word.empty()) words.push_back(word);
  }
  while (!words.empty() && IsTitle(words.front())) words.erase(words.begin());
}

// Appends the words from `from` to `to`, a blank between each two.
void AppendJoined(std::string& out, const Words& words, size_t from, size_t to) {
  for (size_t i = from; i < to; ++i) {
    if (i > from) out += ' ';
    out += words[i];
  }
}

// The size of the words from `from` to `to` joined (with a blank to spare).
size_t JoinedSize(const Words& words, size_t from, size_t to) {
  size_t size = 0;
  for (size_t i = from; i < to; ++i) size += words[i].size() + 1;
  return size;
}

std::string Join(const Words& words, size_t from, size_t to) {
  std::string out;
  out.reserve(JoinedSize(words, from, to));
  AppendJoined(out, words, from, to);
  return out;
}

// Appends the given names as written, compact initials ("HK") dotted, to
// `out`, which is empty.
void AppendGiven(std::string& out, const Words& words, size_t from, size_t to) {
  for (size_t i = from; i < to; ++i) {
    if (!out.empty()) out += ' ';
    if (IsInitials(words[i])) {
      AppendDottedInitials(out, words[i]);
    } else {
      out += words[i];
    }
  }
}

// Sets the particle and family of `person`, both empty, from a family
// name's words: the particles that lead it (any case), then the rest.
void SetFamily(const Words& words, size_t from, size_t to, Person* person) {
  size_t p = from;
  while (p + 1 < to && IsParticle(words[p], true)) ++p;
  AppendJoined(person->particle, words, from, p);
  AppendJoined(person->family, words, p, to);
}

// The words of one segment with no comma: "Given Family", "Family
// Initials" or "Initials Family", set in `person`, a Person made afresh
// (filled in place: a Person moved and dropped costs more than its parse).
void ParseSingle(const Words& words, Want want, Person& person) {
  if (want != Want::kParts) person.written = Join(words, 0, words.size());
  size_t n = words.size();
  if (n >= 3 || (n == 2 && IsJunior(words.back()))) {
    if (IsSuffix(words.back())) {
      person.suffix = std::string(words.back());
      --n;
    }
  }
  if (n == 0) return;
  if (n == 1) {
    person.family = words[0];
    return;
  }
  if (IsInitials(words[n - 1]) && !IsInitials(words.front())) {
    // "Varga H", "van der Berg J. K.": the initials after the family.
    // The last word is initials, and so are all the given names found.
    size_t given = n - 1;
    while (given > 1 && IsInitials(words[given - 1])) --given;
    SetFamily(words, 0, given, &person);
    if (want != Want::kWritten) {
      for (size_t i = given; i < n; ++i) {
        if (i > given) person.given += ' ';
        AppendDottedInitials(person.given, words[i]);
      }
    }
    return;
  }
  // "Given Family", "H. K. Varga", "Ludwig van Beethoven": the family name
  // starts at the first particle after the given names, else is the last
  // word.
  size_t family = n - 1;
  if (IsParticle(words[0], false)) family = 0;  // "de Gaulle"
  for (size_t i = 1; i + 1 < n && family != 0; ++i) {
    if (IsParticle(words[i], !IsInitials(words[i]))) {
      family = i;
      break;
    }
  }
  if (want != Want::kWritten) AppendGiven(person.given, words, 0, family);
  SetFamily(words, family, n, &person);
}

// True when the segment can be a family name alone: one word, after any
// particles, that is no run of initials.
bool IsFamilyOnly(const Words& words) {
  size_t p = 0;
  while (p + 1 < words.size() && IsParticle(words[p], true)) ++p;
  return words.size() - p == 1 && !IsInitials(words[p]) && !IsSuffix(words[p]);
}

bool AnyInitials(const Words& words) {
  for (const std::string_view word : words) {
    if (IsInitials(word)) return true;
  }
  return false;
}

bool AllInitials(const Words& words) {
  if (words.empty()) return false;
  for (const std::string_view word : words) {
    if (!IsInitials(word)) return false;
  }
  return true;
}

// "Family, Given" of two segments, set in `person`, made afresh.
void ParsePair(const Words& family, const Words& given, Want want, Person& person) {
  SetFamily(family, 0, family.size(), &person);
  if (want != Want::kWritten) AppendGiven(person.given, given, 0, given.size());
  if (want == Want::kParts) return;
  std::string& written = person.written;
  written.reserve(JoinedSize(family, 0, family.size()) + 2 +
                  JoinedSize(given, 0, given.size()));
  AppendJoined(written, family, 0, family.size());
  written += ", ";
  AppendJoined(written, given, 0, given.size());
}

void AddSuffix(const Words& suffix, Person* person, Want want) {
  person->suffix = Join(suffix, 0, suffix.size());
  if (want == Want::kParts) return;
  person->written += ", ";
  person->written += person->suffix;
}

bool IsSuffixSegment(const Words& words) { return words.size() == 1 && IsSuffix(words[0]); }

// The persons of one run of text between "and", "&", "et" and ";": its
// comma-separated segments taken one at a time ("Varga H, Okonkwo L") or
// as "Family, Given" pairs ("Smith, J., Jones, K.").
void ParseCommaList(std::string_view text, std::vector<Person>* persons, Want want) {
  // The segments' words, kept from call to call so that their vectors are
  // made once per thread; the first n are this text's.
  static thread_local std::vector<Words> segments;
  size_t n = 0;
  for (size_t start = 0; start <= text.size();) {
    size_t comma = text.find(',', start);
    if (comma == std::string_view::npos) comma = text.size();
    if (n == segments.size()) segments.emplace_back();
    SplitWords(text.substr(start, comma - start), segments[n]);
    if (!segments[n].empty()) ++n;
    start = comma + 1;
  }
  for (size_t i = 0; i < n;) {
    const Words& s = segments[i];
    if (IsSuffixSegment(s) && !persons->empty() && persons->back().suffix.empty() &&
        !persons->back().family.empty() && i > 0) {
      AddSuffix(s, &persons->back(), want);
      ++i;
      continue;
    }
    const bool has_next = i + 1 < n;
    if (has_next && IsFamilyOnly(s)) {
      const Words& t = segments[i + 1];
      if (IsSuffixSegment(t)) {
        // "Smith, Jr., John": the suffix between family and given names.
        if (i + 2 < n && (IsFamilyOnly(segments[i + 2]) || AllInitials(segments[i + 2]) ||
                          segments[i + 2].size() <= 3)) {
          ParsePair(s, segments[i + 2], want, persons->emplace_back());
          AddSuffix(t, &persons->back(), want);
          if (want == Want::kParts) {
            i += 3;
            continue;
          }
          std::string& written = persons->back().written;
          written.clear();
          AppendJoined(written, s, 0, s.size());
          written += ", ";
          AppendJoined(written, t, 0, t.size());
          written += ", ";
          AppendJoined(written, segments[i + 2], 0, segments[i + 2].size());
          i += 3;
        } else {
          ParseSingle(s, want, persons->emplace_back());
          AddSuffix(t, &persons->back(), want);
          i += 2;
        }
        continue;
      }
      ParsePair(s, t, want, persons->emplace_back());
      i += 2;
      continue;
    }
    // (The count first: it rules out most lists before the words are
    // looked at.)
    if (n == 2 && has_next && !AnyInitials(s) && s.size() <= 3 &&
        (AllInitials(segments[i + 1]) ||
         (segments[i + 1].size() == 1 && !IsSuffix(segments[i + 1][0])))) {
      // "Garcia Marquez, Gabriel": a family name of two words.
      ParsePair(s, segments[i + 1], want, persons->emplace_back());
      i += 2;
      continue;
    }
    ParseSingle(s, want, persons->emplace_back());
    ++i;
  }
}

// True when the word at text[i] (after a blank or the start) is `word`,
// followed by a blank or the end.
bool WordAt(std::string_view text, size_t i, std::string_view word) {
  if (text.substr(i, word.size()) != word) return false;
  const size_t end = i + word.size();
  return end == text.size() || text[end] == ' ' || text[end] == ',' || text[end] == '\t' ||
         text[end] == ';' || text[end] == '}' || text[end] == ')' || text[end] == ']';
}

// True when nothing can cut `text` before its end: it holds no ";" and no
// word starts with a letter or bracket that "and", "AND", "&", "et", "und"
// or "et al." (bare or in brackets) start with. So are most texts of one
// person; a glance at each byte tells it for less than ParseInto's closer
// look at each word.
bool SurelyUncut(std::string_view text) {
  // What each byte may be to the test, one look-up a byte.
  enum : uint8_t { kSemicolon = 1, kBlank = 2, kLead = 4 };
  static constexpr std::array<uint8_t, 256> kRole = [] {
    std::array<uint8_t, 256> role{};
    role[';'] = kSemicolon;
    role[' '] = role['\t'] = kBlank;
    for (const char c : {'a', '&', 'e', 'u', '{', '(', '[', 'A'}) {
      role[static_cast<unsigned char>(c)] = kLead;
    }
    return role;
  }();
  bool word_start = true;
  for (size_t i = 0; i < text.size(); ++i) {
    const uint8_t role = kRole[static_cast<unsigned char>(text[i])];
    if (role == kSemicolon) return false;
    // "A" starts no word looked for but "AND".
    if (word_start && role == kLead &&
        (text[i] != 'A' || (i + 1 < text.size() && text[i + 1] == 'N'))) {
      return false;
    }
    word_start = role == kBlank;
  }
  return true;
}

// Appends the persons of `text` to `*persons`, with what `want` asks of each.
void ParseInto(std::string_view text, std::vector<Person>* persons, Want want) {
  if (SurelyUncut(text)) {
    ParseCommaList(text, persons, want);
    return;
  }
  size_t start = 0;
  bool ended = false;
  for (size_t i = 0; i <= text.size() && !ended; ++i) {
    bool cut = i == text.size() || text[i] == ';';
    size_t skip = 1;
    const bool word_start = i == 0 || text[i - 1] == ' ' || text[i - 1] == '\t';
    if (!cut && word_start) {
      // "et al." may stand in brackets: "{et al.}", "(et al.)".
      const size_t w = i + (text[i] == '{' || text[i] == '(' || text[i] == '[' ? 1 : 0);
      const char at_w = w < text.size() ? text[w] : '\0';
      const char at_i = text[i];
      // Most words start with none of the letters the words looked for do.
      if ((at_w == 'e' || at_w == 'a') &&
          (WordAt(text, w, "et al.") || WordAt(text, w, "et al") ||
           WordAt(text, w, "and others") || WordAt(text, w, "et alii"))) {
        cut = true;
        ended = true;
      } else if (at_i == 'a' || at_i == 'A' || at_i == '&' || at_i == 'e' || at_i == 'u') {
        for (const std::string_view joint : {"and", "AND", "&", "et", "und"}) {
          if (WordAt(text, i, joint)) {
            cut = true;
            skip = joint.size();
            break;
          }
        }
      }
    }
    if (!cut) continue;
    ParseCommaList(text.substr(start, i - start), persons, want);
    start = i + skip;
    i = start - 1;
  }
}

std::vector<Person> ParsedPersons(std::string_view text, Want want) {
  std::vector<Person> persons;
  // No more persons than the pieces between separators, so that the list
  // seldom grows.
  size_t pieces = 1;
  for (const char c : text) pieces += c == ',' || c == ';' || c == '&';
  persons.reserve(pieces);
  ParseInto(text, &persons, want);
  return persons;
}

}  // namespace

std::vector<Person> ParsePersons(std::string_view text) { return ParsedPersons(text, Want::kAll); }

void AppendPersonParts(std::string_view text, std::vector<Person>* persons) {
  ParseInto(text, persons, Want::kParts);
}

std::vector<std::string> SplitPersons(std::string_view text) {
  // The persons, kept from call to call so that their list is made once per
  // thread rather than once per text.
  static thread_local std::vector<Person> persons;
  persons.clear();
  ParseInto(text, &persons, Want::kWritten);
  std::vector<std::string> names;
  names.reserve(persons.size());
  for (Person& person : persons) names.push_back(std::move(person.written));
  return names;
}

bool IsCapitalLetter(uint32_t cp) { return IsUpperLetter(cp); }

std::vector<std::string> SplitPersons(const std::vector<std::string>& texts) {
  std::vector<std::string> names;
  for (const std::string& text : texts) {
    for (Person& person : ParsedPersons(text, Want::kWritten)) {
      names.push_back(std::move(person.written));
    }
  }
  return names;
}

std::string FullFamily(const Person& person) {
  std::string out;
  AppendFullFamily(out, person);
  return out;
}

void AppendFullFamily(std::string& out, const Person& person) {
  if (!person.particle.empty()) {
    out += person.particle;
    out += ' ';
  }
  out += person.family;
}

}  // namespace pdfindex
