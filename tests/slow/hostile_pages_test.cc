// Whole runs and readers on large hostile pages: they must end, and a run's
// peak memory must stay within three times its largest page and a few MB.
// These take seconds to minutes and are labelled slow.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "text/page.h"
#include "run/run.h"
#include "text/positions.h"
#include "collections/utypes.h"
#include "fake_disk.h"
#include "readers/amchemsoc.h"
#include "test_util.h"

#if defined(__SANITIZE_ADDRESS__)
#define PDFINDEX_UNDER_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer)
#define PDFINDEX_UNDER_SANITIZER 1
#endif
#endif

namespace pdfindex {
namespace {

// ---------------------------------------------------------------------------
// Bold tags: entries whose removals alternate between far-apart tags or keep
// joining new tags. Each gives the same description whatever its length
// (checked against the step-by-step reading for short ones in the reader's
// own tests), so the long one's description is the short one's.

struct BoldShape {
  const char* name;
  std::function<std::string(int)> entry;  // the entry's text after "1</B>"
};

std::string Repeat(const std::string& piece, int n) {
  std::string out;
  out.reserve(piece.size() * static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) out += piece;
  return out;
}

std::string BoldDescription(const std::string& entry) {
  PageSet pages;
  pages.Add("AmChemSoc/v1/1.htm", "<P>\r\n1</B>" + entry + " <A HREF=\"/p/ja001234\">PDF</A>\r\n");
  NameList list;
  ListAdd(list, "1.htm");
  return Classic(AmChemSocArticle, pages, "ja001234", "AmChemSoc/v1/", list);
}

// Each shape ends, and its description keeps the page range read before the
// bold tags (the reader's own tests compare short ones step by step).
TEST(HostilePagesTest, BoldTagsOfLongEntriesEnd) {
  const BoldShape shapes[] = {
      {"opens then closes", [](int n) { return Repeat("<B>", n) + "x" + Repeat("</B>", n); }},
      {"closes then opens", [](int n) { return Repeat("</B>", n) + "x" + Repeat("<B>", n); }},
      {"opens joined by each close", [](int n) { return Repeat("<</B>B>", n) + "x<B>"; }},
      {"closes joined by each open",
       [](int n) { return "<B>x</B>" + Repeat("<<B>/B>", n) + "x" + Repeat("</<B>B>", n) + "y"; }},
      {"bold spans", [](int n) { return Repeat("</B>x<B>", n); }},
  };
  for (const BoldShape& shape : shapes) {
    const std::string description = BoldDescription(shape.entry(400000));
    EXPECT_TRUE(EndsWith(description, " pag. 1.<BR>")) << shape.name;
  }
}

// ---------------------------------------------------------------------------
// Peak memory of whole runs, measured in a child process: the growth of its
// peak resident size over what it held before the run.

long StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::string(field).size()));
  }
  return -1;
}

// A fake disk whose index file keeps nothing: what a run holds is then its
// own, not the index it wrote.
class DiscardingDisk : public FakeDisk {
 public:
  Status CreatePending(const std::string&, std::unique_ptr<PendingFile>* file) override {
    *file = std::make_unique<Discarded>();
    return Status::Ok();
  }

 private:
  class Discarded : public PendingFile {
   public:
    Status Write(std::string_view) override { return Status::Ok(); }
    Status Finish() override { return Status::Ok(); }
    Status Commit() override { return Status::Ok(); }
  };
};

// Runs RunCatalogue on the disk `make` fills, in a child; returns how many kB
// the peak resident size grew during the run (-1 when it cannot be told).
long RunPeakGrowthKb(const std::function<void(FakeDisk&)>& make) {
  int out[2];
  if (::pipe(out) != 0) return -1;
  const pid_t child = ::fork();
  if (child == 0) {
    long growth = -1;
    {
      DiscardingDisk disk;
      make(disk);
      // Resets the peak to what is resident now.
      std::ofstream("/proc/self/clear_refs") << "5";
      const long before = StatusKb("VmRSS:");
      FakeConsole console;
      if (before >= 0 && StatusKb("VmHWM:") <= before + 1024 && RunCatalogue(disk, console).ok()) {
        growth = StatusKb("VmHWM:") - before;
      }
    }
    const ssize_t written = ::write(out[1], &growth, sizeof growth);
    ::_exit(written == sizeof growth ? 0 : 1);
  }
  ::close(out[1]);
  long growth = -1;
  if (::read(out[0], &growth, sizeof growth) != sizeof growth) growth = -1;
  ::close(out[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return growth;
}

TEST(HostilePagesTest, PeakMemoryStaysWithinThreeTimesTheLargestPage) {
#ifdef PDFINDEX_UNDER_SANITIZER
  GTEST_SKIP() << "resident sizes under a sanitizer say nothing of the program's own";
#endif
  struct Case {
    const char* name;
    std::string folder;  // the issue folder, ending in "/"
    std::string page;
    std::vector<std::string> pdfs;
  };
  const size_t mb = size_t{1} << 20;
  std::vector<Case> cases = {
      {"line feeds", "Pub/v1/", std::string(64 * mb, '\n'), {"x.pdf"}},
      {"one byte", "Pub/v1/", std::string(32 * mb, 'a'), {"a.pdf", "aa.pdf"}},
  };
  for (const char* keyword :
       {"ScienceDirect", "Embo", "Springer", "AmChemSoc", "AmInstPhys", "AmMathSoc", "JBCOnline"}) {
    cases.push_back(
        {keyword, std::string(keyword) + "/v1/", std::string(32 * mb, 'a'), {"a.pdf", "aa.pdf"}});
  }
  for (const Case& c : cases) {
    const long growth = RunPeakGrowthKb([&c](FakeDisk& disk) {
      disk.AddFile(c.folder + "toc.htm", c.page);
      for (const std::string& pdf : c.pdfs) disk.AddFile(c.folder + pdf, "%PDF-1.4\n");
    });
    ASSERT_GE(growth, 0) << c.name;
    EXPECT_LE(growth, static_cast<long>(3 * c.page.size() / 1024) + 16 * 1024)
        << c.name << ": peak grew by " << growth / 1024 << " MB on a page of " << c.page.size() / mb
        << " MB";
  }
}

}  // namespace
}  // namespace pdfindex
