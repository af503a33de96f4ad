#include "readers/registry.h"

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
    bool title_is_path;      // the reader names an unopenable page by its path
    const char* empty_list;  // the finder's answer for an issue without pages
  };
  const Row rows[] = {
      {"Embo/v/", false, ""},
      {"embo/v/", true, ""},
      {"Springer/v/", false, ""},
      {"AmChemSoc/v/", false, " <BR>"},
      {"AmMathSoc/v/", true, ""},
      {"JBCOnline/v/", true, ""},
      {"AmInstPhys/v/", true, ""},
      {"Elsevier/v/", true, ""},
      {"ScienceDirect/v/", true, "; .<BR>"},
  };
  for (const Row& row : rows) {
    const std::string path = std::string(row.folder) + "gone.htm";
    const TitleRecord title = IssueTitle(nullptr, path);
    EXPECT_EQ(title.classic, row.title_is_path ? path : "") << row.folder;
    EXPECT_EQ(title.is_path, row.title_is_path) << row.folder;
    IssuePages none;
    none.folder = row.folder;
    FinderState state;
    const ArticleRecord record = ArticleDescription(none, "a1", state);
    EXPECT_EQ(record.classic, row.empty_list) << row.folder;
    EXPECT_FALSE(record.found) << row.folder;
    EXPECT_FALSE(ArticleKeys(row.folder, "a1").empty()) << row.folder;
  }
}

}  // namespace
}  // namespace pdfindex
