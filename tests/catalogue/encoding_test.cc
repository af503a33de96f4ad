#include "text/encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "metadata/page_meta.h"
#include "outputs/search_page_text.h"
#include "text/plain_text.h"

namespace pdfindex {
namespace {

// Meta tags, the layout readers' fields and the search page each decode a
// text through their own steps; its references must come out alike.
TEST(EncodingTest, EveryPathDecodesReferencesAlike) {
  const struct {
    std::string_view html, text;
  } rows[] = {
      {"Jos&oacute; Gar&ccedil;a &thorn; &#150;", "Jos\xC3\xB3 Gar\xC3\xA7" "a \xC3\xBE \xE2\x80\x93"},
      {"&#x2013;&#8212;&amp;&AMP;&lt; x &gt;", "\xE2\x80\x93\xE2\x80\x94&&< x >"},
      {"&NotEqualTilde; &fjlig;", "\xE2\x89\x82\xCC\xB8 fj"},
      {"&#0; &#xD800; &#1114112; &#129;", "\xEF\xBF\xBD \xEF\xBF\xBD \xEF\xBF\xBD \xC2\x81"},
      {"&bogus; &copy &oacute", "&bogus; &copy &oacute"},
      {"&#233x &#x41", "\xC3\xA9x A"},
  };
  for (const auto& r : rows) {
    const std::string html(r.html);
    EXPECT_EQ(DecodeReferences(html), r.text) << html;
    EXPECT_EQ(PlainText(html, Charset::kUtf8), r.text) << html;
    EXPECT_EQ(PageTextOfHtml(html), r.text) << html;
    const PageMeta meta =
        ParsePageMeta("<meta name=\"citation_title\" content=\"" + html + "\">");
    EXPECT_EQ(meta.fields.title, r.text) << html;
  }
}

// The exports and the search page drop tags by one rule: a "<" that starts
// no tag is text, block tags part words, inline tags join them, and a tag
// left open ends the text.
TEST(EncodingTest, EveryPathDropsTagsAlike) {
  const struct {
    std::string_view html, text;
  } rows[] = {
      {"p < 0.05 and q > 1", "p < 0.05 and q > 1"},
      {"a<=b, c<-d <", "a<=b, c<-d <"},
      {"H<sub>2</sub>O and CO<SUB>2</SUB>", "H2O and CO2"},
      {"one<br>two<BR/>three</p>four", "one two three four"},
      {"a<blockquote>b</blockquote>c<title>d", "a b c d"},
      {"x<h7>y<h6>z", "xy z"},
      {"x<!-- note -->y</I>z", "xyz"},
      {"cut <a href=\"x", "cut"},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(PlainText(r.html, Charset::kUtf8), r.text) << r.html;
    EXPECT_EQ(PageTextOfHtml(r.html), r.text) << r.html;
  }
}

TEST(EncodingTest, Utf8IsValidatedDecodedAndWritten) {
  const struct {
    std::string_view bytes;
    bool valid;
  } rows[] = {
      {"", true},
      {"plain ASCII that runs past eight bytes", true},
      {"\xC3\xA9\xE2\x80\x93\xF0\x9F\x98\x80", true},
      {"\xEF\xBF\xBD", true},      // U+FFFD written out
      {"\xC0\xAF", false},         // overlong
      {"\xED\xA0\x80", false},     // surrogate
      {"\xF4\x90\x80\x80", false}, // above U+10FFFF
      {"abcdefgh\xE2\x80", false}, // cut off
      {"\x80", false},
  };
  for (const auto& r : rows) EXPECT_EQ(IsValidUtf8(r.bytes), r.valid) << r.bytes;

  for (const char32_t c : {char32_t{0x41}, char32_t{0xE9}, char32_t{0x2013}, char32_t{0x1F600}}) {
    std::string out;
    AppendUtf8(out, c);
    char32_t back = 0;
    EXPECT_EQ(DecodeUtf8(out, 0, &back), out.size());
    EXPECT_EQ(back, c);
  }
  std::string out;
  AppendUtf8(out, 0xD800);
  AppendUtf8(out, 0x110000);
  EXPECT_EQ(out, "\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(Windows1252(0x96), 0x2013U);
  EXPECT_EQ(Windows1252(0x81), 0xFFFDU);
  EXPECT_EQ(Windows1252(0xE9), 0xE9U);
}

TEST(EncodingTest, CaseFreeComparisons) {
  EXPECT_TRUE(EqualNoCase("PDF", "pdf"));
  EXPECT_FALSE(EqualNoCase("pdf", "pdfs"));
  EXPECT_TRUE(StartsWithNoCase("<META name", "<meta"));
  EXPECT_TRUE(EndsWithNoCase("a.PdF", ".pdf"));
  EXPECT_FALSE(EndsWithNoCase("pdf", ".pdf"));
  EXPECT_EQ(FindNoCase("x<Meta <META", "<meta"), 1U);
  EXPECT_EQ(FindNoCase("x<Meta <META", "<meta", 2), 7U);
  EXPECT_EQ(FindNoCase("x<Met", "<meta"), std::string_view::npos);
  EXPECT_EQ(FindNoCase("abc", "", 3), 3U);
}

}  // namespace
}  // namespace pdfindex
