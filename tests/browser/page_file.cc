#include "browser/page_file.h"

#include <cstdio>
#include <string_view>

namespace pdfindex {
namespace {

class FileSink : public ByteSink {
 public:
  explicit FileSink(std::FILE* file) : file_(file) {}
  Status Write(std::string_view bytes) override {
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
      return Status::Code(101);
    }
    return Status::Ok();
  }

 private:
  std::FILE* file_;
};

}  // namespace

bool WritePageFile(const std::string& path, const SearchPageOptions& options,
                   const std::function<bool(CatalogueSink&)>& issues) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  FileSink out(file);
  auto page = MakeSearchPage(out, options);
  const bool ok = page->Begin().ok() && issues(*page) && page->Finish().ok();
  return std::fclose(file) == 0 && ok;
}

}  // namespace pdfindex
