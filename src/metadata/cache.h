// The metadata cache in the archive root, so that a second run over an
// unchanged archive opens no PDF.
//
// File layout (version 1): the line "pdfindex-cache 1", then one entry per
// PDF as length-prefixed tokens ("<decimal length>:<bytes>"): the path
// relative to the archive root, the size in bytes, the modification time in
// nanoseconds, and the PDF's facts; a final token "end" marks a complete
// file. A file that does not read exactly like that is ignored and
// rebuilt.
#ifndef PDFINDEX_METADATA_CACHE_H_
#define PDFINDEX_METADATA_CACHE_H_

#include <cstdint>
#include <future>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "catalogue/disk.h"
#include "catalogue/status.h"
#include "metadata/pdf_facts.h"

namespace pdfindex {

/// The cache's file name in the archive root.
inline constexpr std::string_view kCacheName = ".pdfindex-cache";

/// What identifies one version of a PDF file.
struct PdfStamp {
  uint64_t size = 0;
  int64_t mtime_ns = 0;
  bool operator==(const PdfStamp&) const = default;
};

/// The facts of the PDFs read before, keyed by path, size and mtime.
class MetadataCache {
 public:
  /// Reads the cache from `disk`; false (and an empty cache) when there is
  /// none or it cannot be read as a whole.
  bool Load(Disk& disk);
  /// Load on a thread of its own, so that reading the cache goes on while
  /// the run indexes its first folders; every other call waits for it.
  /// `disk` must take reads from several threads.
  void LoadInBackground(Disk& disk);
  /// The facts stored for `path` when its stamp is still `stamp`; nullptr
  /// otherwise. A found entry is kept by the next Save. Find and Put may be
  /// called from several threads at once, for different paths.
  const PdfFacts* Find(const std::string& path, const PdfStamp& stamp);
  /// Stores the facts of `path` as it is now.
  void Put(const std::string& path, const PdfStamp& stamp, PdfFacts facts);
  /// Writes the entries found or put since Load through a pending file that
  /// replaces the cache when complete; writes nothing when the file would
  /// not change.
  Status Save(Disk& disk);

  /// Number of entries.
  size_t size() {
    AwaitLoad();
    return entries_.size();
  }

 private:
  struct Entry {
    PdfStamp stamp;
    PdfFacts facts;
    bool used = false;
  };
  /// Waits for LoadInBackground, when it was called.
  void AwaitLoad() {
    if (loading_.valid()) loading_.wait();
  }

  std::map<std::string, Entry> entries_;
  bool changed_ = false;
  std::mutex mutex_;
  std::shared_future<bool> loading_;
};

}  // namespace pdfindex

#endif  // PDFINDEX_METADATA_CACHE_H_
