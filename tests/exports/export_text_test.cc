#include "outputs/export_text.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace pdfindex {
namespace {

TEST(ExportTextTest, PageBytesBecomeUtf8) {
  struct Row {
    std::string bytes, page;
  };
  const Row rows[] = {
      {"plain", "plain"},
      {"caf\xC3\xA9", "caf\xC3\xA9"},                    // already UTF-8
      {"caf\xE9", "caf\xC3\xA9"},                        // as in Latin-1
      {"\x93q\x94", "\xE2\x80\x9Cq\xE2\x80\x9D"},        // windows-1252's quotes
      {"\x81", "\xC2\x81"},                              // unassigned in windows-1252
      {"\xC0\xAF", "\xC3\x80\xC2\xAF"},                  // overlong: not UTF-8
      {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},  // a surrogate
      {"ab\xE2\x82", "ab\xC3\xA2\xE2\x80\x9A"},          // cut short
      {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},          // four bytes
  };
  for (const Row& row : rows) {
    EXPECT_EQ(PageText(row.bytes), row.page) << row.bytes;
    EXPECT_TRUE(IsValidUtf8(PageText(row.bytes)));
  }
}

TEST(ExportTextTest, EscapesForEachOutput) {
  struct Row {
    std::string text, json, latex;
  };
  const Row rows[] = {
      {"a \"b\" \\ c", R"("a \"b\" \\ c")", "a \"b\" \\textbackslash{} c"},
      {"line\nnext\t\x01", R"("line\nnext\t\u0001")", "line next  "},
      {"50% & $5 #1 a_b", R"("50% & $5 #1 a_b")", "50\\% \\& \\$5 \\#1 a\\_b"},
      {"{x} ^ ~", R"("{x} ^ ~")", "\\textbraceleft{}x\\textbraceright{} \\^{} \\~{}"},
      // What pdflatex reads only as commands.
      {"\xCE\xB2-M\xC3\xBCller \xC3\xAD \xC5\x91", "\"\xCE\xB2-M\xC3\xBCller \xC3\xAD \xC5\x91\"",
       "{\\ensuremath{\\beta}}-M{\\\"u}ller {\\'\\i} {\\H{o}}"},
      {"e\xCC\x81 \xE2\x89\xA4 \xE2\x80\x93", "\"e\xCC\x81 \xE2\x89\xA4 \xE2\x80\x93\"",
       "{\\'e} {\\ensuremath{\\leq}} --"},
      // Scripts without a command stay UTF-8.
      {"\xD0\x96 \xE6\x97\xA5", "\"\xD0\x96 \xE6\x97\xA5\"", "\xD0\x96 \xE6\x97\xA5"},
      {"\xC3\xA9</b>", "\"\xC3\xA9</b>\"", "{\\'e}</b>"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(JsonString(row.text), row.json) << row.text;
    EXPECT_EQ(LatexEscape(row.text), row.latex) << row.text;
  }
}

// JSON strings are escaped eight bytes at a time where no byte needs it;
// checked against the escape of each byte on its own, wherever the bytes
// that need one stand.
TEST(ExportTextTest, JsonEscapesEveryByteWhereverItStands) {
  const auto byte_by_byte = [](std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
      const auto b = static_cast<unsigned char>(c);
      if (c == '"' || c == '\\') {
        out += '\\';
        out += c;
      } else if (c == '\n') {
        out += "\\n";
      } else if (c == '\r') {
        out += "\\r";
      } else if (c == '\t') {
        out += "\\t";
      } else if (b < 0x20) {
        out += "\\u00";
        out += "0123456789abcdef"[b >> 4];
        out += "0123456789abcdef"[b & 0xF];
      } else {
        out += c;
      }
    }
    return out + "\"";
  };
  // The bytes around the tests' thresholds, each put at every place of a
  // text of 1 to 40 bytes (two steps of sixteen and the overlapping last).
  const char specials[] = {'"', '\\', '\n', '\x00', '\x01', '\x1F', ' ',    '!',
                           '#', '[',  ']',  '\x7F', '\x80', '\xA2', '\xDC', '\xFF'};
  for (size_t size = 1; size <= 40; ++size) {
    for (size_t at = 0; at < size; ++at) {
      for (const char special : specials) {
        std::string text(size, 'a');
        text[at] = special;
        if (at + 9 < size) text[at + 9] = '"';
        EXPECT_EQ(JsonString(text), byte_by_byte(text)) << size << " " << at;
      }
    }
  }
}

// The word-at-a-time skip that JSON and RIS share may pass over only bytes
// its test does not flag, and must reach the end of a text that holds none.
TEST(ExportTextTest, SkipsOnlyUnflaggedBytes) {
  for (size_t size = 0; size <= 20; ++size) {
    const std::string clean(size, 'a');
    for (size_t from = 0; from <= size; ++from) {
      EXPECT_EQ(SkipUnflagged(clean, from, AnyControlByte), size) << size << " " << from;
    }
    for (size_t at = 0; at < size; ++at) {
      for (const char control : {'\x00', '\n', '\x1F'}) {
        std::string text = clean;
        text[at] = control;
        for (size_t from = 0; from <= at; ++from) {
          const size_t skipped = SkipUnflagged(text, from, AnyControlByte);
          EXPECT_GE(skipped, from);
          EXPECT_LE(skipped, at) << size << " " << at << " " << from;
        }
      }
    }
  }
}

TEST(ExportTextTest, HrefsNameTheExactBytes) {
  const std::pair<std::string, std::string> rows[] = {
      {"Pub/Vol 1/a-b_c.~d.pdf", "Pub/Vol%201/a-b_c.~d.pdf"},
      {"P/I/100%#?&+:\".pdf", "P/I/100%25%23%3F%26%2B%3A%22.pdf"},
      {"P/I/caf\xE9.pdf", "P/I/caf%E9.pdf"},
      {"P/I/caf\xC3\xA9.pdf", "P/I/caf%C3%A9.pdf"},
  };
  for (const auto& [path, href] : rows) EXPECT_EQ(PercentEncodePath(path), href);
}

TEST(ExportTextTest, FoldsToAsciiKeyLetters) {
  const std::pair<std::string, std::string> rows[] = {
      {"M\xC3\xBCller-L\xC3\xBC\xC3\x9F", "mullerluss"},
      {"\xC3\x86gir \xC5\x81\xC3\xB3"
       "d\xC5\xBA",
       "aegirlodz"},
      {"X-ray 3D", "xray3d"},
      {"\xCE\xB1\xCE\xB2 caf\xE9", "caf"},  // Greek and a stray byte drop out
  };
  for (const auto& [text, folded] : rows) EXPECT_EQ(FoldAscii(text), folded) << text;
}

TEST(ExportTextTest, KeysAreStableAndUnique) {
  const auto pdf = [](std::vector<std::string> authors, std::string year, std::string title,
                      std::string base) {
    PdfRecord record;
    record.base = std::move(base);
    record.article.fields.authors = std::move(authors);
    record.article.fields.year = std::move(year);
    record.article.fields.title = std::move(title);
    return record;
  };
  const PdfRecord pdfs[] = {
      pdf({"A. M\xC3\xBCller", "B. Other"}, "2004", "On the Structure of Ice", "x"),
      pdf({"A. M\xC3\xBCller"}, "2004", "Structures, again", "y"),
      pdf({"C. Muller"}, "2004", "The structure", "z"),
      pdf({"D. Muller"}, "2004", "Structurea", "w"),  // natural key taken by a suffix
      pdf({}, "", "", "Smith 2001 notes"),            // nothing described: the base name
      pdf({}, "", "", "---"),
      pdf({}, "", "The", "t"),  // only a stop word: it is kept
  };
  const std::string expected[] = {"muller2004structure",
                                  "muller2004structures",
                                  "muller2004structurea",
                                  "muller2004structureaa",
                                  "smith",
                                  "pdf",
                                  "the"};
  KeyMaker keys;
  for (size_t i = 0; i < std::size(pdfs); ++i) EXPECT_EQ(keys.Next(pdfs[i]), expected[i]) << i;
  // The same walk again gives the same keys.
  KeyMaker again;
  for (size_t i = 0; i < std::size(pdfs); ++i) EXPECT_EQ(again.Next(pdfs[i]), expected[i]) << i;
  // Thousands of keys, most of them clashing, as a naive set of the keys
  // made so far gives them (the table grows several times on the way).
  KeyMaker maker;
  std::set<std::string> made;
  for (int i = 0; i < 5000; ++i) {
    const std::string title = "Title " + std::to_string(i % 37);
    const PdfRecord record = pdf({"A. Author" + std::to_string(i % 11)}, "2004", title, "x");
    std::string key = BaseKey(record);
    if (made.count(key) != 0) {
      for (size_t n = 0;; ++n) {
        std::string suffix;
        for (size_t m = n + 1; m > 0; m = (m - 1) / 26) {
          suffix.insert(suffix.begin(), static_cast<char>('a' + (m - 1) % 26));
        }
        if (made.count(key + suffix) == 0) {
          key += suffix;
          break;
        }
      }
    }
    made.insert(key);
    ASSERT_EQ(maker.Next(record), key) << i;
  }
  // Clashes go on past "z".
  KeyMaker many;
  std::string last;
  for (int i = 0; i < 28; ++i) last = many.Next(pdfs[5]);
  EXPECT_EQ(last, "pdfaa");
}

TEST(ExportTextTest, OutputsOutsideTheRootSayTheRoot) {
  struct Row {
    std::string target, root, said;
  };
  const Row rows[] = {
      {"-", "/a/archive", ""},
      {"/a/archive/out.bib", "/a/archive", ""},
      {"/a/archive/out.bib", "/a/archive/", ""},
      {"/a/archive/sub/out.bib", "/a/archive", "/a/archive/"},
      {"/a/out.bib", "/a/archive", "/a/archive/"},
      {"/a/archive2/out.bib", "/a/archive", "/a/archive/"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ContextFor(row.target, row.root).root, row.said) << row.target;
  }
}

}  // namespace
}  // namespace pdfindex
