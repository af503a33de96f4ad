// The fields the readers fill for the PDFs of the example archive.
#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/run.h"
#include "fake_disk.h"

namespace pdfindex {
namespace {

class Collect : public CatalogueSink {
 public:
  explicit Collect(std::vector<IssueRecord>* issues) : issues_(issues) {}
  Status Begin() override { return Status::Ok(); }
  Status Issue(const IssueRecord& issue) override {
    issues_->push_back(issue);
    return Status::Ok();
  }
  Status Finish() override { return Status::Ok(); }

 private:
  std::vector<IssueRecord>* issues_;
};

std::vector<IssueRecord> ExampleRecords() {
  FakeDisk disk;
  disk.AddRealFiles(PDFINDEX_EXAMPLES "/archive", "");
  FakeConsole console;
  std::vector<IssueRecord> issues;
  const OutputRequest collect{"records", [&issues](ByteSink&) {
                                return std::make_unique<Collect>(&issues);
                              }};
  EXPECT_TRUE(RunCatalogue(disk, console, nullptr, {collect}).ok());
  return issues;
}

std::string Joined(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& name : names) out += (out.empty() ? "" : "|") + name;
  return out;
}

TEST(FieldsTest, Dump) {
  for (const IssueRecord& issue : ExampleRecords()) {
    for (const PageRecord& page : issue.pages) std::cout << "PAGE " << page.title.text << "\n";
    for (const PdfRecord& pdf : issue.pdfs) {
      const ArticleFields& f = pdf.article.fields;
      std::cout << "{\"" << issue.Folder() << pdf.file << "\", \"" << Joined(f.authors) << "\", \""
                << f.title << "\", \"" << f.container << "\", \"" << f.volume << "\", \""
                << f.issue << "\", \"" << f.year << "\", \"" << f.first_page << "\", \""
                << f.last_page << "\"},  // " << pdf.article.found << "\n";
    }
  }
}

}  // namespace
}  // namespace pdfindex
