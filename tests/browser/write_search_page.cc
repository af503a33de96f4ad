// Writes the searchable page of an archive's folders and PDFs (no contents
// pages read, so nothing is described) for the browser test, while the
// program itself has no option for the page: write_search_page ROOT OUT
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "catalogue/run.h"
#include "exports/search_page.h"

namespace {

namespace fs = std::filesystem;

class FileSink : public pdfindex::ByteSink {
 public:
  explicit FileSink(std::FILE* file) : file_(file) {}
  pdfindex::Status Write(std::string_view bytes) override {
    return std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size()
               ? pdfindex::Status::Ok()
               : pdfindex::Status::Code(101);
  }

 private:
  std::FILE* file_;
};

std::vector<std::string> Names(const fs::path& folder, bool folders) {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name[0] == '.' || entry.is_directory() != folders) continue;
    names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool EndsWithNoCase(const std::string& name, const std::string& suffix) {
  if (name.size() < suffix.size()) return false;
  for (size_t i = 0; i < suffix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(name[name.size() - suffix.size() + i])) !=
        suffix[i]) {
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const fs::path root = fs::canonical(argv[1]);
  const fs::path out = fs::absolute(argv[2]);
  std::FILE* file = std::fopen(argv[2], "wb");
  if (file == nullptr) return 1;
  FileSink sink(file);
  auto page =
      pdfindex::MakeSearchPage(sink, {root.string(), fs::canonical(out.parent_path()).string()});
  bool ok = page->Begin().ok();
  for (const std::string& publisher : Names(root, true)) {
    for (const std::string& issue : Names(root / publisher, true)) {
      pdfindex::IssueRecord record;
      record.publisher = publisher;
      record.issue = issue;
      record.format = "none";
      for (const char* keyword : {"ScienceDirect", "Embo", "Springer", "Elsevier"}) {
        if ((publisher + "/" + issue).find(keyword) != std::string::npos) {
          record.format = keyword;
          break;
        }
      }
      for (const std::string& name : Names(root / publisher / issue, false)) {
        if (EndsWithNoCase(name, ".htm")) {
          pdfindex::PageRecord contents;
          contents.name = name;
          contents.title.text = "Contents " + name;
          record.pages.push_back(contents);
        } else if (EndsWithNoCase(name, ".pdf")) {
          pdfindex::PdfRecord pdf;
          pdf.file = name;
          pdf.base = pdfindex::PdfBaseName(name);
          record.pdfs.push_back(pdf);
        }
      }
      ok = ok && page->Issue(record).ok();
    }
  }
  ok = ok && page->Finish().ok();
  return std::fclose(file) == 0 && ok ? 0 : 1;
}
