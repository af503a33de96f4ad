// Citation keys that stay with their PDFs from run to run, kept in the
// archive's keys file.
#include "outputs/keys_file.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "fake_disk.h"
#include "outputs/export_text.h"
#include "run/citation_keys.h"
#include "text/tokens.h"

namespace pdfindex {
namespace {

// An archive as the key book sees it: issue folders of PDFs, each PDF with
// a title and the bytes of its file.
struct Archive {
  struct Pdf {
    std::string folder;  ///< "P/I/"
    std::string file;
    std::string title;
    std::string bytes;
  };
  std::vector<Pdf> pdfs;  ///< in walk order

  void Add(std::string folder, std::string file, std::string title, std::string bytes) {
    pdfs.push_back({std::move(folder), std::move(file), std::move(title), std::move(bytes)});
  }
};

// A disk that lets the keys file be read only once `open` is set, so that
// the first folders get their base keys before the key book has the file.
class LateKeysDisk : public FakeDisk {
 public:
  PageRead ReadLarge(const std::string& path, LargeString* bytes, Status* error) override {
    while (!open.load()) std::this_thread::yield();
    return FakeDisk::ReadLarge(path, bytes, error);
  }
  std::atomic<bool> open{true};
};

// Gives `archive` its keys with the keys file `keys_file` ("" for none) and
// returns the keys by path; `*saved` becomes the keys file written. `late`:
// the file is read only after the first folder has its base keys.
std::map<std::string, std::string> GiveKeys(const Archive& archive,
                                            const std::string& keys_file, std::string* saved,
                                            bool late = false) {
  LateKeysDisk disk;
  disk.open = !late;
  if (!keys_file.empty()) disk.AddFile(std::string(kKeysName), keys_file);
  for (const Archive::Pdf& pdf : archive.pdfs) disk.AddFile(pdf.folder + pdf.file, pdf.bytes);
  KeyBook book;
  book.UseKeysFile(disk);
  std::map<std::string, std::string> keys;
  for (size_t i = 0; i < archive.pdfs.size();) {
    // One issue folder at a time, as the run gives them.
    IssueRecord issue;
    const std::string folder = archive.pdfs[i].folder;
    const size_t slash = folder.find('/');
    issue.publisher = folder.substr(0, slash);
    issue.issue = folder.substr(slash + 1, folder.size() - slash - 2);
    for (; i < archive.pdfs.size() && archive.pdfs[i].folder == folder; ++i) {
      PdfRecord record;
      record.file = archive.pdfs[i].file;
      record.article.fields.authors = {"Ortega J"};
      record.article.fields.year = "2001";
      record.article.fields.title = archive.pdfs[i].title;
      issue.pdfs.push_back(std::move(record));
    }
    book.GiveNeededBaseKeys(issue);
    disk.open = true;
    book.Give(issue);
    for (const PdfRecord& pdf : issue.pdfs) keys[folder + pdf.file] = pdf.citation_key;
  }
  EXPECT_TRUE(book.SaveKeysFile().ok());
  *saved = disk.Exists(std::string(kKeysName)) ? disk.Contents(std::string(kKeysName)) : "";
  return keys;
}

std::string Folder(int n) {
  std::string digits = std::to_string(n);
  return "P/I" + std::string(3 - digits.size(), '0') + digits + "/";
}

TEST(KeysFileTest, KeysStayWithTheirPdfs) {
  // 200 PDFs whose keys clash ("ortega2001folding", "...a", ...).
  Archive before;
  for (int i = 0; i < 200; ++i) {
    before.Add(Folder(100 + i / 4), "a" + std::to_string(i) + ".pdf",
               "Folding " + std::to_string(i % 3), "pdf " + std::to_string(i));
  }
  std::string file;
  const std::map<std::string, std::string> first = GiveKeys(before, "", &file);
  ASSERT_FALSE(file.empty());

  // Without a keys file, keys are today's: made in walk order.
  std::string again_file;
  EXPECT_EQ(GiveKeys(before, "", &again_file), first);
  EXPECT_EQ(again_file, file);

  // 50 PDFs go; 100 new ones whose keys clash come in folders that sort
  // before and after; one PDF is moved and renamed; one is described
  // better than before.
  Archive after;
  std::map<std::string, std::string> expected;
  for (size_t i = 0; i < 50; ++i) {
    after.Add(Folder(static_cast<int>(i)), "n" + std::to_string(i) + ".pdf",
              "Folding " + std::to_string(i % 3), "new " + std::to_string(i));
  }
  for (size_t i = 0; i < before.pdfs.size(); ++i) {
    Archive::Pdf pdf = before.pdfs[i];
    if (i % 4 == 1) continue;  // gone
    if (i == 2) pdf.title = "Unfolding revisited";
    if (i == 6) {
      expected["P/I950/moved.pdf"] = first.at(pdf.folder + pdf.file);
      continue;  // moved below
    }
    expected[pdf.folder + pdf.file] = first.at(pdf.folder + pdf.file);
    after.pdfs.push_back(pdf);
  }
  for (size_t i = 50; i < 100; ++i) {
    after.Add(Folder(static_cast<int>(900 + i / 10)), "n" + std::to_string(i) + ".pdf",
              "Folding " + std::to_string(i % 3), "new " + std::to_string(i));
  }
  after.Add("P/I950/", "moved.pdf", "Folding 0", "pdf 6");
  std::string second_file;
  const std::map<std::string, std::string> second = GiveKeys(after, file, &second_file);
  std::set<std::string> unique;
  for (const auto& [path, key] : second) {
    EXPECT_TRUE(unique.insert(key).second) << key;
    if (expected.count(path) != 0) {
      EXPECT_EQ(key, expected.at(path)) << path;
    }
  }
  EXPECT_EQ(second.size(), 150U + 100U);
  // A new PDF takes the next free key of today's form.
  EXPECT_EQ(second.at("P/I000/n0.pdf").rfind("ortega2001folding", 0), 0U);

  // A third run keeps them all; a damaged or deleted keys file only means
  // keys given afresh.
  std::string third_file;
  EXPECT_EQ(GiveKeys(after, second_file, &third_file), second);
  EXPECT_EQ(third_file, second_file);
  // The same when the file is read while the first folders are indexed.
  EXPECT_EQ(GiveKeys(after, second_file, &third_file, /*late=*/true), second);
  EXPECT_EQ(third_file, second_file);
  std::string damaged = second_file;
  damaged.resize(damaged.size() / 2);
  std::string fresh_file;
  const auto fresh = GiveKeys(after, "", &fresh_file);
  EXPECT_EQ(GiveKeys(after, damaged, &third_file), fresh);
}

TEST(KeysFileTest, ReadsOnlyWholeFiles) {
  const std::vector<KeyEntry> entries = {{"P/I/b.pdf", 12, 0xABCDEF, "smith2001b"},
                                         {"P/I/a:b.pdf", 0, 1, "smith2001"}};
  const std::string text = KeysFileText(entries);
  std::vector<KeyEntry> read;
  ASSERT_TRUE(ParseKeysFile(text, &read));
  ASSERT_EQ(read.size(), 2U);
  EXPECT_EQ(read[0].path, "P/I/a:b.pdf");
  EXPECT_EQ(read[1].hash, 0xABCDEFU);
  const std::string kBad[] = {
      "",
      "pdfindex-keys 2\n3:end\n",
      text.substr(0, text.size() - 2),                       // cut short
      KeysFileText({{"a", 1, 1, "k1"}, {"b", 1, 1, "k1"}}),  // one key twice
      KeysFileText({{"a", 1, 1, "Key"}}),                    // not a key
      text + "x",
  };
  for (const std::string& bad : kBad) {
    EXPECT_FALSE(ParseKeysFile(bad, &read)) << bad;
    EXPECT_TRUE(read.empty());
  }
}

// A token's length is one to twelve digits before its ":"; nothing else
// starts one, and the bytes stay as they were.
TEST(KeysFileTest, TokensStartOnlyWithTheirLength) {
  struct Row {
    std::string_view bytes;
    bool read;
    std::string_view value;
    std::string_view rest;
  };
  const Row kRows[] = {
      {"3:abcde", true, "abc", "de"},
      {"0:", true, "", ""},
      {"000000000003:abc", true, "abc", ""},
      {"0000000000003:abc", false, "", "0000000000003:abc"},  // thirteen digits
      {":abc", false, "", ":abc"},
      {"+3:abc", false, "", "+3:abc"},
      {"3 :abc", false, "", "3 :abc"},
      {"3", false, "", "3"},
      {"4:abc", false, "", "4:abc"},  // shorter than it says
  };
  for (const Row& row : kRows) {
    std::string_view bytes = row.bytes;
    std::string_view value;
    EXPECT_EQ(ReadTokenView(&bytes, &value), row.read) << row.bytes;
    EXPECT_EQ(value, row.value) << row.bytes;
    EXPECT_EQ(bytes, row.rest) << row.bytes;
  }
}

}  // namespace
}  // namespace pdfindex
