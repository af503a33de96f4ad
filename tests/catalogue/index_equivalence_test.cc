// The run indexes every PDF's keys on a folder's pages in one pass before the
// finders run; without that, each search finds its needle by a scan of its
// own. Both must give the same titles and descriptions, byte for byte, on
// every reader's pages, also when the pages are damaged.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "readers/registry.h"
#include "run/run.h"
#include "text/escape.h"
#include "text/plain_text.h"
#include "fake_disk.h"

namespace pdfindex {
namespace {

namespace fs = std::filesystem;

struct Folder {
  std::string path;  // relative to the archive root, ending in "/"
  std::vector<std::pair<std::string, std::string>> pages;
  std::vector<std::string> bases;
};

std::vector<Folder> ExampleFolders() {
  std::vector<Folder> folders;
  const fs::path root = fs::path(PDFINDEX_EXAMPLES) / "archive";
  for (const auto& publisher : fs::directory_iterator(root)) {
    if (!publisher.is_directory()) continue;
    for (const auto& issue : fs::directory_iterator(publisher)) {
      Folder folder;
      folder.path =
          publisher.path().filename().string() + "/" + issue.path().filename().string() + "/";
      for (const auto& file : fs::directory_iterator(issue)) {
        const std::string name = file.path().filename().string();
        if (name.ends_with(".htm")) {
          std::ifstream in(file.path(), std::ios::binary);
          std::stringstream bytes;
          bytes << in.rdbuf();
          folder.pages.emplace_back(name, bytes.str());
        } else if (name.ends_with(".pdf")) {
          folder.bases.push_back(PdfBaseName(name));
        }
      }
      std::sort(folder.pages.begin(), folder.pages.end());
      folders.push_back(std::move(folder));
    }
  }
  return folders;
}

// Damage of the kinds saved pages show: a piece cut out, a piece repeated,
// a line end added or dropped, a tag's case changed.
std::string Mutate(std::string page, std::mt19937& rng) {
  const int edits = static_cast<int>(rng() % 6);
  for (int e = 0; e < edits && !page.empty(); ++e) {
    const size_t at = rng() % page.size();
    const size_t len = std::min<size_t>(1 + rng() % 40, page.size() - at);
    switch (rng() % 5) {
      case 0:
        page.erase(at, len);
        break;
      case 1:
        page.insert(at, page.substr(at, len));
        break;
      case 2:
        page.insert(at, rng() % 2 ? "\r\n" : "\r");
        break;
      case 3:
        if (const size_t lf = page.find('\n', at); lf != std::string::npos) page.erase(lf, 1);
        break;
      default:
        for (size_t i = at; i < at + len; ++i) {
          if (page[i] >= 'a' && page[i] <= 'z') page[i] = static_cast<char>(page[i] - 32);
        }
    }
  }
  return page;
}

TEST(IndexEquivalenceTest, IndexedAndScanningFindersAgreeOnDamagedExamplePages) {
  const std::vector<Folder> folders = ExampleFolders();
  ASSERT_GE(folders.size(), 10u);
  std::mt19937 rng(42);
  int compared = 0;
  for (int round = 0; round < 300; ++round) {
    for (const Folder& folder : folders) {
      PageSet scanning;
      PageSet indexed;
      NameList list;
      for (auto it = folder.pages.rbegin(); it != folder.pages.rend(); ++it) {
        const std::string page = round == 0 ? it->second : Mutate(it->second, rng);
        scanning.Add(folder.path + it->first, page);
        indexed.Add(folder.path + it->first, page);
        ListAdd(list, it->first);
      }
      std::vector<std::string> bases = folder.bases;
      bases.push_back(folder.bases.empty() ? "x" : folder.bases[rng() % folder.bases.size()] + "0");
      std::vector<std::string> keys;
      for (const std::string& base : bases) {
        for (std::string& key : ArticleKeys(folder.path, base)) keys.push_back(std::move(key));
      }
      indexed.IndexNeedles(keys);
      const IssuePages plain = scanning.InOrder(folder.path, list);
      const IssuePages fast = indexed.InOrder(folder.path, list);
      for (const auto& [name, bytes] : folder.pages) {
        const std::string path = folder.path + name;
        ASSERT_EQ(IssueTitle(indexed.Open(path), path).classic,
                  IssueTitle(scanning.Open(path), path).classic);
      }
      FinderState plain_state;
      FinderState fast_state;
      for (const std::string& base : bases) {
        const ArticleRecord expected = ArticleDescription(plain, base, plain_state);
        const ArticleRecord got = ArticleDescription(fast, base, fast_state);
        ASSERT_EQ(got.classic, expected.classic) << folder.path << base << " round " << round;
        ASSERT_EQ(got.found, expected.found) << folder.path << base;
        ++compared;
      }
    }
  }
  EXPECT_GT(compared, 10000);
}

}  // namespace
}  // namespace pdfindex
