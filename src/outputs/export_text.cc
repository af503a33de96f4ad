#include "outputs/export_text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <vector>

#include "text/encoding.h"
#include "text/plain_text.h"

namespace pdfindex {

namespace {

// `bytes` decoded one byte a character as windows-1252.
std::string DecodeWindows1252(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    // A byte windows-1252 leaves undefined stands for the C1 control of its
    // value, as ISO-8859-1 has it.
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

// The bytes of `text` or-ed together eight at a time, each of the eight
// bytes of the result holding some of them.
uint64_t OrOfBytes(std::string_view text) {
  uint64_t bits = 0;
  size_t at = 0;
  for (; at + 8 <= text.size(); at += 8) {
    uint64_t word = 0;
    std::memcpy(&word, text.data() + at, 8);
    bits |= word;
  }
  for (; at < text.size(); ++at) bits |= static_cast<unsigned char>(text[at]);
  return bits;
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

bool FieldsAreText(const ArticleFields& fields) {
  const std::initializer_list<const std::string*> others = {
      &fields.title,      &fields.container, &fields.volume, &fields.issue, &fields.year,
      &fields.first_page, &fields.last_page, &fields.doi,    &fields.url,   &fields.abstract};
  // Most fields are ASCII, which all are at once when no byte of any has
  // its high bit set.
  uint64_t bits = 0;
  for (const std::string& author : fields.authors) bits |= OrOfBytes(author);
  for (const std::string* field : others) bits |= OrOfBytes(*field);
  if ((bits & 0x8080808080808080U) == 0) return true;
  for (const std::string& author : fields.authors) {
    if (!IsValidUtf8(author)) return false;
  }
  for (const std::string* field : others) {
    if (!IsValidUtf8(*field)) return false;
  }
  return true;
}

std::string_view FileNameTextIn(std::string_view bytes, std::string* decoded) {
  if (IsValidUtf8(bytes)) return bytes;
  *decoded = FileNameText(bytes);
  return *decoded;
}

std::vector<Person> PersonsOf(const ArticleFields& fields, bool text) {
  std::vector<Person> persons;
  // Most author texts name one person each.
  persons.reserve(fields.authors.size());
  std::string decoded;
  for (const std::string& author : fields.authors) {
    AppendPersonParts(FieldTextIn(text, author, &decoded), &persons);
  }
  return persons;
}

std::string PathText(std::string_view path) {
  std::string text;
  for (size_t at = 0; at <= path.size();) {
    const size_t slash = std::min(path.find('/', at), path.size());
    text += FileNameText(path.substr(at, slash - at));
    if (slash == path.size()) break;
    text += '/';
    at = slash + 1;
  }
  return text;
}

std::string PdfPathText(const IssueRecord& issue, const PdfRecord& pdf) {
  return PathText(issue.Folder()) + FileNameText(pdf.file);
}

std::string_view TitleIn(const PdfRecord& pdf, std::string* decoded) {
  if (!pdf.article.fields.title.empty()) return pdf.article.fields.title;
  return FileNameTextIn(pdf.base, decoded);
}

void AppendFolded(std::string& out, std::string_view text) {
  char32_t cp = 0;
  for (size_t i = 0; i < text.size();) {
    size_t len = DecodeUtf8(text, i, &cp);
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

namespace {

// Sets the titles and names of `texts`.
void AddEntries(const IssueRecord& issue, IssueTexts& texts) {
  texts.titles.clear();
  texts.titles.reserve(issue.pdfs.size());
  // Made room for once, so that the titles' views of them stay valid.
  texts.decoded_titles.clear();
  texts.decoded_titles.reserve(issue.pdfs.size());
  texts.names.assign(issue.pdfs.size(), {});
  std::string decoded;
  for (size_t k = 0; k < issue.pdfs.size(); ++k) {
    const PdfRecord& pdf = issue.pdfs[k];
    const std::string_view title = TitleIn(pdf, &decoded);
    if (title.data() == decoded.data()) {
      texts.decoded_titles.push_back(std::move(decoded));
      decoded.clear();
      texts.titles.push_back(texts.decoded_titles.back());
    } else {
      texts.titles.push_back(title);
    }
    texts.names[k] = PersonsOf(pdf.article.fields, texts.text_fields[k]);
  }
}

}  // namespace

IssueTexts TextsOf(const IssueRecord& issue, bool entries) {
  IssueTexts texts;
  texts.raw_folder = issue.Folder();
  texts.folder = PathText(texts.raw_folder);
  texts.paths.reserve(issue.pdfs.size());
  texts.text_fields.reserve(issue.pdfs.size());
  std::string decoded;
  for (const PdfRecord& pdf : issue.pdfs) {
    const std::string_view file = FileNameTextIn(pdf.file, &decoded);
    // Made at its size at once, not grown from the folder's.
    std::string path;
    path.reserve(texts.folder.size() + file.size());
    path += texts.folder;
    path += file;
    const ArticleFields& fields = pdf.article.fields;
    texts.entry_bytes += path.size() + pdf.base.size() + pdf.citation_key.size() +
                         fields.title.size() + fields.container.size() + fields.volume.size() +
                         fields.issue.size() + fields.year.size() + fields.first_page.size() +
                         fields.last_page.size() + fields.doi.size() + fields.url.size() +
                         fields.abstract.size();
    // A name takes some bytes around it in every export.
    for (const std::string& author : fields.authors) texts.entry_bytes += author.size() + 8;
    texts.paths.push_back(std::move(path));
    texts.text_fields.push_back(FieldsAreText(fields));
  }
  if (entries) AddEntries(issue, texts);
  return texts;
}

const IssueTexts& TextsOf(const IssueRecord& issue, FolderShare& share, bool entries) {
  if (!share.texts) {
    share.texts = std::make_shared<IssueTexts>(TextsOf(issue, entries));
  } else if (entries && share.texts->titles.size() != issue.pdfs.size()) {
    AddEntries(issue, *share.texts);
  }
  return *share.texts;
}

std::string BaseKey(const PdfRecord& pdf) {
  const ArticleFields& fields = pdf.article.fields;
  std::string key;
  if (!fields.authors.empty()) {
    std::string decoded_author;
    std::vector<Person> first;
    AppendPersonParts(PageTextIn(fields.authors.front(), &decoded_author), &first);
    if (!first.empty()) AppendFolded(key, FullFamily(first.front()));
  }
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
  if (2 * (count_ + 1) > slots_.size()) Grow(std::max<size_t>(1024, 2 * slots_.size()));
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

void KeyMaker::KeySet::Expect(size_t count) {
  size_t slots = 1024;
  while (slots < 2 * count) slots *= 2;
  if (slots > slots_.size()) Grow(slots);
  // Keys take some twenty bytes.
  bytes_.reserve(count * 24);
}

void KeyMaker::KeySet::Grow(size_t slots) {
  std::vector<Slot, LargeAllocator<Slot>> old(slots);
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

ExportContext ContextFor(std::string_view target, std::string_view root) {
  ExportContext context;
  std::string folder(root);
  if (folder.empty() || folder.back() != '/') folder += '/';
  context.archive = folder;
  if (target == "-") return context;
  const size_t slash = target.rfind('/');
  const std::string_view target_folder = target.substr(0, slash + 1);
  if (target_folder != folder) context.root = folder;
  return context;
}

}  // namespace pdfindex
