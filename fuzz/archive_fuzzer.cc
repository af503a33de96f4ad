// Fuzzes whole runs over archives in memory. The input describes the archive:
// each entry is a path line (folders separated by "/", a leading publisher
// keyword chosen by its first byte) followed by the file's bytes up to the
// next "\n----file----\n". A tab and a number ending the path line repeat
// the bytes that many times (up to kMaxFileBytes), so that small inputs make
// the large pages on which slow or memory-hungry reading shows. Every
// keyword's folders, every kind of name and any page bytes are thus
// reachable, and one run indexes them all. The run
// must not crash, must succeed on an archive that reads without failure, and
// must write the same index when run again; libFuzzer's -timeout and
// -rss_limit_mb (see fuzz/run.sh) turn a run that is slow or large for its
// input into a finding.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "run/run.h"
#include "fake_disk.h"
#include "fuzz_check.h"

namespace pdfindex {
namespace {

constexpr std::string_view kFileBreak = "\n----file----\n";
constexpr size_t kMaxFiles = 32;
constexpr size_t kMaxFileBytes = size_t{4} << 20;
constexpr const char* kKeywords[] = {"ScienceDirect", "Embo",      "Springer",  "AmChemSoc",
                                     "AmInstPhys",    "AmMathSoc", "JBCOnline", "Pub"};

// The archive path of an entry's path line: its first byte picks the
// publisher folder, the rest names the issue folder and file ("v1/toc.htm"
// when it holds no "/").
std::string ArchivePath(std::string_view line) {
  if (line.empty()) return "Pub/v1/toc.htm";
  const std::string publisher =
      kKeywords[static_cast<unsigned char>(line[0]) % std::size(kKeywords)];
  std::string rest(line.substr(1));
  if (rest.find('/') == std::string::npos) rest = "v1/" + (rest.empty() ? "toc.htm" : rest);
  return publisher + "/" + rest;
}

// True when `path` can be a file beside those in `files`: no name part is
// empty, it is no folder of theirs and none of them is a folder of it.
bool Fits(const std::string& path, std::set<std::string>& files, std::set<std::string>& folders) {
  if (path.find("//") != std::string::npos || path.back() == '/' || folders.count(path) > 0) {
    return false;
  }
  for (size_t slash = path.find('/'); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    if (files.count(path.substr(0, slash)) > 0) return false;
  }
  for (size_t slash = path.find('/'); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    folders.insert(path.substr(0, slash));
  }
  files.insert(path);
  return true;
}

void CheckArchive(std::string_view data) {
  FakeDisk disk;
  std::set<std::string> files;
  std::set<std::string> folders;
  for (size_t count = 0; !data.empty() && count < kMaxFiles; ++count) {
    const size_t cut = data.find(kFileBreak);
    const std::string_view entry = data.substr(0, cut);
    data =
        cut == std::string_view::npos ? std::string_view() : data.substr(cut + kFileBreak.size());
    const size_t line_end = entry.find('\n');
    std::string_view line = entry.substr(0, line_end);
    const std::string_view bytes =
        line_end == std::string_view::npos ? std::string_view() : entry.substr(line_end + 1);
    size_t repeat = 1;
    if (const size_t tab = line.find('\t'); tab != std::string_view::npos) {
      repeat = 0;
      for (const char c : line.substr(tab + 1)) {
        if (c < '0' || c > '9' || repeat > kMaxFileBytes) break;
        repeat = repeat * 10 + static_cast<size_t>(c - '0');
      }
      repeat = std::min(repeat, bytes.empty() ? 0 : kMaxFileBytes / bytes.size());
      line = line.substr(0, tab);
    }
    const std::string path = ArchivePath(line);
    if (!Fits(path, files, folders)) continue;
    std::string contents;
    contents.reserve(bytes.size() * repeat);
    for (size_t i = 0; i < repeat; ++i) contents.append(bytes);
    disk.AddFile(path, contents);
  }
  FakeConsole console;
  FUZZ_CHECK(RunCatalogue(disk, console).ok());
  const std::string index = disk.Contents("HtmlData.htm");
  FakeConsole again;
  FUZZ_CHECK(RunCatalogue(disk, again).ok());
  FUZZ_CHECK(disk.Contents("HtmlData.htm") == index);
}

}  // namespace
}  // namespace pdfindex

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pdfindex::CheckArchive(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
