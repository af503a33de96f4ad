// The metadata cache in the archive root, so that a second run over an
// unchanged archive opens no PDF.
//
// File layout (version 5): the line "pdfindex-cache 5", then one entry per
// PDF as length-prefixed tokens ("<decimal length>:<bytes>"): the path
// relative to the archive root, the size in bytes, the modification time in
// nanoseconds, the PDF's facts as one token (holding SerializeFacts's
// tokens), and a checksum of those four tokens as written (16 hex digits),
// in byte order of the paths, each path once; a final token "end" marks a
// complete file. A file that does not read exactly like that is ignored and
// rebuilt; an entry whose checksum or facts do not read is ignored, and its
// PDF read again.
#ifndef PDFINDEX_METADATA_CACHE_H_
#define PDFINDEX_METADATA_CACHE_H_

#include <atomic>
#include <cstdint>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/disk.h"
#include "platform/large_buffer.h"
#include "core/status.h"
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
  /// otherwise. A found entry is kept by the next Save. Find, Knows and Put
  /// may be called from several threads at once, for different paths; a
  /// run that puts nothing looks up without taking a lock.
  const PdfFacts* Find(const std::string& path, const PdfStamp& stamp);
  /// Like Find, for a caller that needs only what became of reading the PDF:
  /// true, with `*outcome` set, when the cache holds `path` as `stamp`.
  bool Knows(const std::string& path, const PdfStamp& stamp, PdfOutcome* outcome);
  /// Stores the facts of `path` as it is now, when they are the PDF's own
  /// (read, empty, not a PDF, damaged, encrypted); a failure of the worker
  /// or of opening the file is not kept, so that the PDF is read again.
  void Put(const std::string& path, const PdfStamp& stamp, PdfFacts facts);
  /// Writes every entry loaded or put so far, as Save does, when anything
  /// was put since the last checkpoint: a run cut short keeps what it read.
  /// May be called while other threads call Find, Knows and Put.
  Status Checkpoint(Disk& disk);
  /// Writes the entries found or put since Load through a pending file that
  /// replaces the cache when complete; writes nothing when the file would
  /// not change.
  Status Save(Disk& disk);

 private:
  // An entry as loaded keeps its facts as the file's bytes, parsed on the
  // first Find: a run whose outputs read no fields parses none, and loading
  // copies nothing but the file.
  struct Entry {
    std::string_view path;  ///< in bytes_, for a loaded entry
    PdfStamp stamp;
    std::string_view raw;  ///< the facts in bytes_, when not parsed
    std::string_view written;  ///< the entry's four tokens in bytes_, for a loaded one
    std::string_view sum;      ///< their checksum as written
    bool checked = false;      ///< the checksum was compared
    std::unique_ptr<PdfFacts> facts;
    PdfOutcome outcome = PdfOutcome::kRead;  ///< of a parsed or put entry
    bool used = false;
    bool damaged = false;  ///< raw was found not to read
  };
  /// Waits for LoadInBackground, when it was called.
  void AwaitLoad() {
    if (loading_.valid()) loading_.wait();
  }
  /// The entry for `path` when its stamp is `stamp`: the one put in this
  /// run, else the one loaded.
  Entry* Lookup(const std::string& path, const PdfStamp& stamp);
  /// The file's bytes: the entries put, and those loaded that were looked
  /// at (or all loaded ones). Called under mutex_.
  std::string Serialize(bool keep_all_loaded) const;
  static Status Write(Disk& disk, const std::string& bytes);

  // The cache file as read (megabytes, in a large buffer); the paths and
  // raw facts of loaded entries point into it.
  LargeString bytes_;
  // The entries loaded, in byte order of their paths, each path once. Once
  // loaded the table does not change, so threads look up in it freely; each
  // entry is touched only by the caller asking for its path.
  std::vector<Entry, LargeAllocator<Entry>> loaded_;
  // The entries put in this run, under mutex_.
  std::map<std::string, Entry, std::less<>> put_;
  std::atomic<bool> any_put_{false};
  bool changed_ = false;
  bool put_since_checkpoint_ = false;  ///< under mutex_
  std::mutex mutex_;
  std::shared_future<bool> loading_;
};

}  // namespace pdfindex

#endif  // PDFINDEX_METADATA_CACHE_H_
