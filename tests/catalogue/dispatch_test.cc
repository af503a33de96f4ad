#include "catalogue/dispatch.h"

#include <gtest/gtest.h>

#include "fake_disk.h"

namespace pdfindex {
namespace {

TEST(DispatchTest, TheFirstKeywordInTheOrderDecides) {
  struct Row {
    const char* path;
    const char* title;    // whose issue-title reader reads a page there
    const char* article;  // whose finder describes a PDF of the folder
  };
  const Row rows[] = {
      {"Embo/v1/", "Embo", "Embo"},
      {"embo/v1/", "none", "none"},  // keywords are case-sensitive
      {"Embo/Springer/", "Embo", "Embo"},
      {"Springer/Embo/", "Embo", "Embo"},
      {"Embo/v1/ScienceDirect.htm", "ScienceDirect", "ScienceDirect"},
      {"AmMathSoc/AmInstPhys/", "AmInstPhys", "AmInstPhys"},
      {"Elsevier/v1/", "Elsevier", "none"},  // no finder of its own
      {"Elsevier/JBCOnline/", "Elsevier", "JBCOnline"},
      {"Journals/Vol 1/", "none", "none"},
      {"ScienceDirectX/", "ScienceDirect", "ScienceDirect"},
      {"MyAmChemSocCopy/v/", "AmChemSoc", "AmChemSoc"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(TitlePublisher(row.path), row.title) << row.path;
    EXPECT_EQ(ArticlePublisher(row.path), row.article) << row.path;
  }
}

// The readers' answers for a page that cannot be opened and for an empty page
// list tell the families apart, so the entry points are seen to call the
// reader the keyword selects.
TEST(DispatchTest, EntryPointsCallTheSelectedReaders) {
  struct Row {
    const char* folder;
    bool title_is_path;         // the reader names an unopenable page by its path
    const char* empty_list;     // the finder's answer for an issue without pages
    const char* console;        // what the title reader writes for an unopenable page
  };
  const Row rows[] = {
      {"Embo/v/", false, "", ""},
      {"embo/v/", true, "", ""},
      {"Springer/v/", false, "", ""},
      {"AmChemSoc/v/", false, " <BR>", ""},
      {"AmMathSoc/v/", true, "", ""},
      {"JBCOnline/v/", true, "", ""},
      {"AmInstPhys/v/", true, "", ""},
      {"Elsevier/v/", true, "", ""},
      {"ScienceDirect/v/", true, "; .<BR>", "eroare\r\n"},
  };
  for (const Row& row : rows) {
    PageSet pages;
    FakeConsole console;
    const ReaderContext context{pages, console};
    const std::string path = std::string(row.folder) + "gone.htm";
    EXPECT_EQ(IssueTitle(context, path), row.title_is_path ? path : "") << row.folder;
    EXPECT_EQ(console.output, row.console) << row.folder;
    NameList none;
    bool matched = true;
    EXPECT_EQ(ArticleDescription(context, "a1", row.folder, none, &matched), row.empty_list)
        << row.folder;
    EXPECT_FALSE(matched) << row.folder;
    EXPECT_FALSE(ArticleKeys(row.folder, "a1").empty()) << row.folder;
  }
}

}  // namespace
}  // namespace pdfindex
