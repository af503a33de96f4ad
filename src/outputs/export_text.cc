#include "outputs/export_text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "text/escape.h"
#include "text/plain_text.h"

namespace pdfindex {

namespace {

// Length of the well-formed UTF-8 sequence at text[i] and its code point in
// `cp`; 0 when the bytes there are not one.
size_t Utf8At(std::string_view text, size_t i, uint32_t* cp) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(text[i + k]); };
  const unsigned char lead = b(0);
  size_t len = 0;
  uint32_t min = 0;
  if (lead < 0x80) {
    *cp = lead;
    return 1;
  }
  if (lead >= 0xC2 && lead <= 0xDF) {
    len = 2, min = 0x80, *cp = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    len = 3, min = 0x800, *cp = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    len = 4, min = 0x10000, *cp = lead & 0x07;
  } else {
    return 0;
  }
  if (i + len > text.size()) return 0;
  for (size_t k = 1; k < len; ++k) {
    if ((b(k) & 0xC0) != 0x80) return 0;
    *cp = (*cp << 6) | (b(k) & 0x3F);
  }
  if (*cp < min || *cp > 0x10FFFF || (*cp >= 0xD800 && *cp <= 0xDFFF)) return 0;
  return len;
}

// `bytes` decoded one byte a character as windows-1252.
std::string DecodeWindows1252(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    // A byte windows-1252 leaves undefined stands for the C1 control of its
    // value, as Latin-1 has it.
    const char32_t cp = Windows1252(byte);
    AppendUtf8(out, cp == 0xFFFD ? byte : cp);
  }
  return out;
}

// The plain letters of U+00C0..U+00FF and U+0100..U+017F, lower case; "."
// where a character has none (the multiplication and division signs).
constexpr std::string_view kFoldLatin1 =
    "aaaaaaaceeeeiiiidnooooo.ouuuuyts"
    "aaaaaaaceeeeiiiidnooooo.ouuuuyty";
constexpr std::string_view kFoldLatinExtendedA =
    "aaaaaaccccccccddddeeeeeeeeeegggggggghhhhiiiiiiiiiiiijjkkklllllll"
    "lllnnnnnnnnnoooooooorrrrrrssssssssttttttuuuuuuuuuuuuwwyyyzzzzzzs";
static_assert(kFoldLatin1.size() == 64);
static_assert(kFoldLatinExtendedA.size() == 128);

// Words that do not make a key's title word ("On the structure of ..."
// gives "structure").
bool IsStopWord(std::string_view word) {
  static constexpr std::array<std::string_view, 14> kStop = {
      "a", "an", "the", "on", "of", "in", "for", "to", "and", "at", "from", "with", "by", "as"};
  for (const std::string_view stop : kStop) {
    if (word == stop) return true;
  }
  return false;
}

bool IsWordBreak(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// The words of `text` (between blanks, tabs and line feeds) into *words.
void Words(std::string_view text, std::vector<std::string_view>* words) {
  words->clear();
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsWordBreak(text[i])) ++i;
    const size_t start = i;
    while (i < text.size() && !IsWordBreak(text[i])) ++i;
    if (i > start) words->push_back(text.substr(start, i - start));
  }
}

bool IsSuffix(std::string_view word) {
  return word == "Jr." || word == "Jr" || word == "Sr." || word == "Sr" || word == "II" ||
         word == "III" || word == "IV";
}

std::string Join(const std::vector<std::string_view>& words, size_t from, size_t to) {
  std::string out;
  for (size_t i = from; i < to; ++i) {
    if (!out.empty()) out += ' ';
    out += words[i];
  }
  return out;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// "a", "b", ..., "z", "aa", "ab", ... for n = 0, 1, ...
std::string SuffixFor(size_t n) {
  std::string out;
  ++n;
  while (n > 0) {
    --n;
    out.insert(out.begin(), static_cast<char>('a' + n % 26));
    n /= 26;
  }
  return out;
}

}  // namespace

std::string PageText(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return std::string(bytes);
  return DecodeWindows1252(bytes);
}

std::string_view PageTextIn(std::string_view bytes, std::string* decoded) {
  if (IsValidUtf8(bytes)) return bytes;
  *decoded = DecodeWindows1252(bytes);
  return *decoded;
}

std::string_view FileNameTextIn(std::string_view bytes, std::string* decoded) {
  if (IsValidUtf8(bytes)) return bytes;
  *decoded = FileNameText(bytes);
  return *decoded;
}

namespace {

// True when a byte of the eight in `word` needs an escape in a JSON string:
// a control byte, '"' or '\\'.
bool AnyJsonSpecial(uint64_t word) {
  constexpr uint64_t kOnes = 0x0101010101010101U;
  constexpr uint64_t kHighs = 0x8080808080808080U;
  const auto any_zero = [](uint64_t v) { return ((v - kOnes) & ~v & kHighs) != 0; };
  // A byte below 0x20 borrows into its high bit; bytes from 0x80 up are
  // masked by ~word.
  const bool control = ((word - kOnes * 0x20) & ~word & kHighs) != 0;
  return control || any_zero(word ^ (kOnes * '"')) || any_zero(word ^ (kOnes * '\\'));
}

}  // namespace

void AppendJsonEscaped(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  size_t start = 0;  // the run of bytes that need no escape, appended at once
  for (size_t i = 0; i < text.size(); ++i) {
    // Eight bytes at a time while none needs an escape.
    for (uint64_t word = 0; i + 8 <= text.size(); i += 8) {
      std::memcpy(&word, text.data() + i, 8);
      if (AnyJsonSpecial(word)) break;
    }
    if (i >= text.size()) break;
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte >= 0x20 && byte != '"' && byte != '\\') continue;
    out.append(text, start, i - start);
    start = i + 1;
    switch (byte) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        out += "\\u00";
        out += kHex[byte >> 4];
        out += kHex[byte & 0xF];
    }
  }
  out.append(text, start, text.size() - start);
}

void AppendJsonString(std::string& out, std::string_view text) {
  out += '"';
  AppendJsonEscaped(out, text);
  out += '"';
}

std::string JsonString(std::string_view text) {
  std::string out;
  AppendJsonString(out, text);
  return out;
}

namespace {

// The bytes a path keeps as they are in a URL: ASCII letters, digits and
// "-._~/".
constexpr std::array<bool, 256> kUrlPlain = [] {
  std::array<bool, 256> plain{};
  for (int c = 'A'; c <= 'Z'; ++c) plain[static_cast<size_t>(c)] = true;
  for (int c = 'a'; c <= 'z'; ++c) plain[static_cast<size_t>(c)] = true;
  for (int c = '0'; c <= '9'; ++c) plain[static_cast<size_t>(c)] = true;
  for (const char c : std::string_view("-._~/")) plain[static_cast<unsigned char>(c)] = true;
  return plain;
}();

// What LaTeX makes of each byte of a braced field: nullptr for the byte
// itself.
constexpr std::array<const char*, 256> kLatex = [] {
  std::array<const char*, 256> escape{};
  // Control bytes would end a line or break the field; a blank does for
  // BibTeX what they did in the text.
  for (size_t c = 0; c < 0x20; ++c) escape[c] = " ";
  escape['\\'] = "\\textbackslash{}";
  escape['{'] = "\\{";
  escape['}'] = "\\}";
  escape['$'] = "\\$";
  escape['&'] = "\\&";
  escape['%'] = "\\%";
  escape['#'] = "\\#";
  escape['_'] = "\\_";
  escape['^'] = "\\^{}";
  escape['~'] = "\\~{}";
  return escape;
}();

}  // namespace

void AppendPercentEncodedPath(std::string& out, std::string_view path) {
  AppendByRuns(
      out, path, [](unsigned char b) { return kUrlPlain[b]; }, AppendPercentByte);
}

std::string PercentEncodePath(std::string_view path) {
  std::string out;
  out.reserve(path.size());
  AppendPercentEncodedPath(out, path);
  return out;
}

void AppendLatexEscaped(std::string& out, std::string_view text) {
  AppendByRuns(
      out, text, [](unsigned char b) { return kLatex[b] == nullptr; },
      [](std::string& to, unsigned char b) { to += kLatex[b]; });
}

std::string LatexEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendLatexEscaped(out, text);
  return out;
}

NameParts SplitName(std::string_view name) {
  name = Trim(name);
  NameParts parts;
  if (const size_t comma = name.find(','); comma != std::string_view::npos) {
    parts.family = std::string(Trim(name.substr(0, comma)));
    parts.given = std::string(Trim(name.substr(comma + 1)));
    return parts;
  }
  // Kept from name to name: a name is split for each PDF and export.
  static thread_local std::vector<std::string_view> words;
  Words(name, &words);
  if (words.size() > 2 && IsSuffix(words.back())) {
    parts.suffix = std::string(words.back());
    words.pop_back();
  }
  if (words.size() <= 1) {
    parts.family = Join(words, 0, words.size());
    return parts;
  }
  size_t family = words.size() - 1;
  while (family > 1 && words[family - 1][0] >= 'a' && words[family - 1][0] <= 'z') --family;
  parts.family = Join(words, family, words.size());
  parts.given = Join(words, 0, family);
  return parts;
}

std::string PdfPathText(const IssueRecord& issue, const PdfRecord& pdf) {
  return FileNameText(issue.publisher) + "/" + FileNameText(issue.issue) + "/" +
         FileNameText(pdf.file);
}

std::string TitleOf(const PdfRecord& pdf) {
  if (!pdf.article.fields.title.empty()) return pdf.article.fields.title;
  return FileNameText(pdf.base);
}

void AppendFolded(std::string& out, std::string_view text) {
  uint32_t cp = 0;
  for (size_t i = 0; i < text.size();) {
    size_t len = Utf8At(text, i, &cp);
    if (len == 0) len = 1, cp = 0;  // not UTF-8: the byte folds to nothing
    i += len;
    if (cp >= 'A' && cp <= 'Z') {
      out += static_cast<char>(cp - 'A' + 'a');
    } else if ((cp >= 'a' && cp <= 'z') || (cp >= '0' && cp <= '9')) {
      out += static_cast<char>(cp);
    } else if (cp == 0xC6 || cp == 0xE6) {
      out += "ae";
    } else if (cp == 0xDF) {
      out += "ss";
    } else if (cp == 0xDE || cp == 0xFE) {
      out += "th";
    } else if (cp == 0x152 || cp == 0x153) {
      out += "oe";
    } else if (cp >= 0xC0 && cp <= 0xFF && kFoldLatin1[cp - 0xC0] != '.') {
      out += kFoldLatin1[cp - 0xC0];
    } else if (cp >= 0x100 && cp <= 0x17F) {
      out += kFoldLatinExtendedA[cp - 0x100];
    }
  }
}

std::string FoldAscii(std::string_view text) {
  std::string out;
  AppendFolded(out, text);
  return out;
}

std::shared_ptr<const IssueTexts> TextsOf(const IssueRecord& issue, IssueScratch& scratch) {
  static constexpr char kOwner = 0;
  return scratch.Get<IssueTexts>(&kOwner, [&issue] {
    IssueTexts texts;
    texts.folder = FileNameText(issue.publisher) + "/" + FileNameText(issue.issue) + "/";
    texts.paths.reserve(issue.pdfs.size());
    texts.titles.reserve(issue.pdfs.size());
    texts.names.resize(issue.pdfs.size());
    std::string decoded;
    for (size_t k = 0; k < issue.pdfs.size(); ++k) {
      const PdfRecord& pdf = issue.pdfs[k];
      std::string path = texts.folder;
      path += FileNameTextIn(pdf.file, &decoded);
      texts.paths.push_back(std::move(path));
      texts.titles.push_back(TitleOf(pdf));
      for (const std::string& author : pdf.article.fields.authors) {
        texts.names[k].push_back(SplitName(PageTextIn(author, &decoded)));
      }
    }
    return texts;
  });
}

std::string BaseKey(const PdfRecord& pdf) {
  const ArticleFields& fields = pdf.article.fields;
  std::string key;
  if (!fields.authors.empty()) AppendFolded(key, SplitName(fields.authors.front()).family);
  AppendFolded(key, fields.year);
  // The first word of the title that folds to something and is no stop
  // word; else the first that folds to something.
  std::string decoded;
  const std::string_view title =
      fields.title.empty() ? FileNameTextIn(pdf.base, &decoded) : std::string_view(fields.title);
  static thread_local std::vector<std::string_view> words;
  Words(title, &words);
  std::string word;
  std::string folded;
  for (const std::string_view raw : words) {
    folded.clear();
    AppendFolded(folded, raw);
    if (folded.empty()) continue;
    if (!IsStopWord(folded)) {
      word = folded;
      break;
    }
    if (word.empty()) word = folded;
  }
  key += word;
  if (key.empty()) key = "pdf";
  return key;
}

bool KeyMaker::KeySet::Insert(std::string_view key) {
  if (2 * (count_ + 1) > slots_.size()) Grow();
  const uint64_t hash = std::hash<std::string_view>()(key);
  const size_t mask = slots_.size() - 1;
  size_t at = hash & mask;
  for (; slots_[at].size != 0; at = (at + 1) & mask) {
    const Slot& slot = slots_[at];
    if (slot.hash == hash && std::string_view(bytes_).substr(slot.at, slot.size) == key) {
      return false;
    }
  }
  slots_[at] = {hash, static_cast<uint32_t>(bytes_.size()), static_cast<uint32_t>(key.size())};
  bytes_.append(key);
  ++count_;
  return true;
}

void KeyMaker::KeySet::Grow() {
  std::vector<Slot, LargeAllocator<Slot>> old(std::max<size_t>(1024, 2 * slots_.size()));
  old.swap(slots_);
  const size_t mask = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (slot.size == 0) continue;
    size_t at = slot.hash & mask;
    while (slots_[at].size != 0) at = (at + 1) & mask;
    slots_[at] = slot;
  }
}

std::string KeyMaker::Unique(std::string key) {
  if (used_.Insert(key)) return key;
  size_t& next = next_suffix_[key];
  for (;;) {
    std::string candidate = key + SuffixFor(next++);
    if (used_.Insert(candidate)) return candidate;
  }
}

std::shared_ptr<const BaseKeys> KeyBook::BaseKeysOf(const IssueRecord& issue,
                                                    IssueScratch& scratch) const {
  return scratch.Get<BaseKeys>(this, [&issue] {
    BaseKeys keys;
    keys.reserve(issue.pdfs.size());
    for (const PdfRecord& pdf : issue.pdfs) keys.push_back(BaseKey(pdf));
    return keys;
  });
}

const std::vector<std::string>& KeyBook::KeysOf(size_t reader, const BaseKeys& base) {
  if (asked_[reader]++ == made_) {
    ++made_;
    keys_.clear();
    for (const std::string& key : base) keys_.push_back(maker_.Unique(key));
  }
  return keys_;
}

std::unique_ptr<KeyedPart> KeyReader::NewPart(const IssueRecord& issue, IssueScratch& scratch,
                                              size_t bytes_per_pdf) const {
  auto part = std::make_unique<KeyedPart>();
  part->base_keys = BaseKeysOf(issue, scratch);
  part->bytes.reserve(issue.pdfs.size() * bytes_per_pdf);
  return part;
}

Status WriteKeyed(ByteSink& out, const KeyedPart& part, const std::vector<std::string>& keys,
                  size_t skip) {
  const BaseKeys& base = *part.base_keys;
  bool same = true;
  for (size_t k = 0; k < keys.size() && same; ++k) same = keys[k] == base[k];
  if (same) return out.Write(std::string_view(part.bytes).substr(skip));
  // Some key took a suffix: the bytes again with the keys put in.
  std::string bytes;
  bytes.reserve(part.bytes.size() + 64);
  size_t from = skip;
  for (size_t k = 0; k < part.key_at.size(); ++k) {
    bytes.append(part.bytes, from, part.key_at[k] - from);
    bytes += keys[k];
    from = part.key_at[k] + base[k].size();
  }
  bytes.append(part.bytes, from, std::string::npos);
  return out.Write(bytes);
}

ExportContext ContextFor(std::string_view target, std::string_view root) {
  ExportContext context;
  if (target == "-") return context;
  std::string folder(root);
  if (folder.empty() || folder.back() != '/') folder += '/';
  const size_t slash = target.rfind('/');
  const std::string_view target_folder = target.substr(0, slash + 1);
  if (target_folder != folder) context.root = folder;
  return context;
}

}  // namespace pdfindex
