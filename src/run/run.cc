#include "run/run.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "readers/registry.h"
#include "text/escape.h"
#include "outputs/html_data.h"
#include "text/page.h"
#include "text/plain_text.h"
#include "platform/signals.h"
#include "collections/tree.h"
#include "collections/utypes.h"

namespace pdfindex {

namespace {

// Sorts and de-duplicates the names of the entries `keep` admits into `list`.
template <typename Keep>
void ListSorted(const std::vector<FolderEntry>& entries, Keep keep, NameList& list) {
  NameTree tree;
  TreeInit(tree);
  for (const FolderEntry& entry : entries) {
    if (keep(entry)) TreeInsert(tree, entry.name);
  }
  TreeToList(tree, list);
  TreeFree(tree);
}

// The entries of folder `path`; one that cannot be listed lists as empty,
// and the observer is told.
std::vector<FolderEntry> ListOrTell(Disk& disk, const std::string& path, RunObserver& observer) {
  std::vector<FolderEntry> entries;
  if (Status e = disk.ListFolder(path, &entries); !e.ok()) observer.FolderUnlisted(path, e);
  return entries;
}

// The folders of `path`: folders and links to them, but not hidden ones.
// The PDFs lying beside them, which no issue folder holds and the index
// therefore leaves out, go to `pdfs`.
void ListFolders(Disk& disk, const std::string& path, NameList& list, NameList& pdfs,
                 RunObserver& observer) {
  const std::vector<FolderEntry> entries = ListOrTell(disk, path, observer);
  ListSorted(
      entries,
      [](const FolderEntry& e) { return e.is_folder && !e.name.empty() && e.name[0] != '.'; },
      list);
  ListSorted(
      entries, [](const FolderEntry& e) { return !e.is_folder && IsPdf(e.name); }, pdfs);
}

// Tells `events` of the PDFs in the folders below issue folder `folder`
// (whose entries are `entries`), which the index does not take, down to a
// few levels (a link back up must not lead on for ever). A folder there that
// cannot be listed is passed over without a word, as it always was.
void TellPdfsBelow(Disk& disk, const std::string& folder, const std::vector<FolderEntry>& entries,
                   RunObserver& events, int levels = 8) {
  NameList folders;
  ListSorted(
      entries,
      [](const FolderEntry& e) { return e.is_folder && !e.name.empty() && e.name[0] != '.'; },
      folders);
  for (std::string f = ListNext(folders); !f.empty(); f = ListNext(folders)) {
    const std::string path = folder + f + "/";
    std::vector<FolderEntry> below;
    if (!disk.ListFolder(path, &below).ok()) continue;
    NameList pdfs;
    ListSorted(
        below, [](const FolderEntry& e) { return !e.is_folder && IsPdf(e.name); }, pdfs);
    for (std::string pdf = ListNext(pdfs); !pdf.empty(); pdf = ListNext(pdfs)) {
      events.PdfOutsideIssueFolder(path + pdf);
    }
    if (levels > 1) TellPdfsBelow(disk, path, below, events, levels - 1);
  }
}

// The run's outputs: each sink and the pending file it writes.
struct Output {
  std::string target;
  std::unique_ptr<PendingFile> file;
  std::unique_ptr<CatalogueSink> sink;
};

// Standard output as a pending file: the bytes are held until the run has
// succeeded, so that a failed run writes nothing there but its report.
class HeldStandardOutput : public PendingFile {
 public:
  explicit HeldStandardOutput(ByteSink& out) : out_(out) {}
  Status Write(std::string_view bytes) override {
    held_.append(bytes);
    return Status::Ok();
  }
  Status Finish() override { return Status::Ok(); }
  Status Commit() override {
    Status written = out_.Write(held_);
    std::string().swap(held_);
    return written;
  }
  bool WritesThrough() const override { return true; }

 private:
  ByteSink& out_;
  std::string held_;
};

// Every PDF of the folder is known before its finder first runs, so the
// keys the finder will search for are found on each page in one pass,
// instead of one pass per PDF.
void IndexKeys(const std::string& folder, const std::vector<PdfRecord>& pdfs,
               const PageSet& pages) {
  if (pages.empty()) return;
  std::vector<std::string> keys;
  for (const PdfRecord& pdf : pdfs) {
    for (std::string& key : ArticleKeys(folder, pdf.base)) keys.push_back(std::move(key));
  }
  pages.IndexNeedles(keys);
}

// Reads every contents page of the folder once into `pages`, for the
// readers. A page that is there but cannot be read ends the run.
Status LoadPages(Disk& disk, const std::string& folder, NameList& page_list, RunObserver& events,
                 PageSet& pages) {
  std::string bytes;
  for (std::string n = ListNext(page_list); !n.empty(); n = ListNext(page_list)) {
    Status error;
    switch (disk.ReadPage(folder + n, &bytes, &error)) {
      case PageRead::kRead:
        pages.Adopt(folder + n, std::move(bytes));
        events.PageLoaded(folder + n, true);
        break;
      case PageRead::kCannotOpen:
        pages.AddUnopenable(folder + n);
        events.PageLoaded(folder + n, false);
        break;
      case PageRead::kFailed:
        return error.At(folder + n).During("read");
    }
  }
  ListRewind(page_list);
  return Status::Ok();
}

// What happens while one issue folder is indexed, as the run's observer and
// console are told of it: at once when the folder is indexed on the run's
// own thread, or kept and told when its turn comes when it is indexed on a
// thread of its own.
class FolderEvents : public RunObserver {
 public:
  /// A ScienceDirect page at `path` could not be opened: the user is told
  /// ("eroare") and the run waits for Enter.
  virtual void PageMissing(const std::string& path) = 0;
  /// A PDF got its link: the observer's PdfIndexed for the PDF `file` of
  /// issue folder `folder` (the run tells PDFs only this way).
  virtual void PdfIndexedIn(const std::string& folder, const std::string& file, bool described) = 0;
};

class LiveEvents : public FolderEvents {
 public:
  LiveEvents(RunObserver& observer, Console& console) : observer_(observer), console_(console) {}
  void FolderStarted(const std::string& folder, std::string_view publisher) override {
    observer_.FolderStarted(folder, publisher);
  }
  void PageLoaded(const std::string& path, bool opened) override {
    observer_.PageLoaded(path, opened);
  }
  void FolderUnlisted(const std::string& folder, const Status& why) override {
    observer_.FolderUnlisted(folder, why);
  }
  void PdfOutsideIssueFolder(const std::string& path) override {
    observer_.PdfOutsideIssueFolder(path);
  }
  void PageMissing(const std::string& path) override {
    console_.WriteLine("eroare");
    console_.AwaitEnter(path);
  }
  void PdfIndexedIn(const std::string& folder, const std::string& file, bool described) override {
    path_.assign(folder).append(file);
    observer_.PdfIndexed(path_, described);
  }

 private:
  RunObserver& observer_;
  Console& console_;
  // A PDF's path, made in one buffer kept from PDF to PDF.
  std::string path_;
};

class KeptEvents : public FolderEvents {
  enum class Kind { kStarted, kPage, kPdf, kUnlisted, kMissing, kOutside };
  struct Event {
    Kind kind;
    // For kPdf the file name alone: the folder is that of the last
    // kStarted (most names fit in a string without a buffer of its own).
    std::string path;
    std::string publisher;
    bool flag;
    Status why;
  };

 public:
  void FolderStarted(const std::string& folder, std::string_view publisher) override {
    events_.push_back({Kind::kStarted, folder, std::string(publisher), false, {}});
  }
  void PageLoaded(const std::string& path, bool opened) override {
    events_.push_back({Kind::kPage, path, {}, opened, {}});
  }
  void FolderUnlisted(const std::string& folder, const Status& why) override {
    events_.push_back({Kind::kUnlisted, folder, {}, false, why});
  }
  void PageMissing(const std::string& path) override {
    events_.push_back({Kind::kMissing, path, {}, false, {}});
  }
  void PdfOutsideIssueFolder(const std::string& path) override {
    events_.push_back({Kind::kOutside, path, {}, false, {}});
  }
  void PdfIndexedIn(const std::string& /*folder*/, const std::string& file,
                    bool described) override {
    events_.push_back({Kind::kPdf, file, {}, described, {}});
  }
  /// Tells `to` everything kept, in order.
  void Replay(FolderEvents& to) const {
    const std::string* folder = nullptr;
    for (const Event& e : events_) {
      switch (e.kind) {
        case Kind::kStarted:
          folder = &e.path;
          to.FolderStarted(e.path, e.publisher);
          break;

        case Kind::kPage:
          to.PageLoaded(e.path, e.flag);
          break;
        case Kind::kPdf:
          to.PdfIndexedIn(folder != nullptr ? *folder : std::string(), e.path, e.flag);
          break;
        case Kind::kUnlisted:
          to.FolderUnlisted(e.path, e.why);
          break;
        case Kind::kMissing:
          to.PageMissing(e.path);
          break;
        case Kind::kOutside:
          to.PdfOutsideIssueFolder(e.path);
          break;
      }
    }
  }

 private:
  std::vector<Event> events_;
};

// One issue folder as indexing leaves it for the writer.
struct FolderWork {
  IssueRecord record;
  Status error;
  // The folder's pages, kept for the step that adds to the record.
  std::unique_ptr<PageSet> pages;
  IssuePages order;
  KeptEvents events;
  // Streamed HtmlData.htm bytes not written yet.
  std::string bytes;
  // What the step that adds to the record prepared on the indexing thread.
  std::shared_ptr<void> prepared;
  // What each output prepared of the folder (nullptr: it does all in turn).
  std::vector<std::unique_ptr<IssuePart>> parts;
};

// Indexes one issue folder P/I into `work`: reads its pages once, has the
// readers describe its pages and PDFs, tells `events` as it goes, and when
// `streamed` is given writes the folder's part of HtmlData.htm there piece
// by piece (keeping no folder's descriptions). When `outputs` are given,
// each prepares its part of the folder. Pure but for the disk reads.
void IndexFolder(Disk& disk, const std::string& p, const std::string& i, FolderEvents& events,
                 HtmlDataSink* streamed, IssueEnricher* enricher,
                 const std::vector<Output>* outputs, FolderWork* work) {
  // The step that adds to the record reads the pages again only for the
  // fields, which HtmlData.htm alone (streamed) does not read.
  const bool keep_pages = enricher != nullptr && streamed == nullptr;
  IssueRecord* record = &work->record;
  auto pages = std::make_unique<PageSet>();
  // Memory running out (a page too big for it, say) ends the run like any
  // other failure: the earlier outputs stay.
  try {
    work->error = [&]() -> Status {
      record->publisher = p;
      record->issue = i;
      const std::string folder = record->Folder();
      record->format = std::string(ArticlePublisher(folder));
      events.FolderStarted(folder, record->format);
      const std::vector<FolderEntry> entries = ListOrTell(disk, folder, events);
      NameList page_list;
      ListSorted(
          entries, [](const FolderEntry& e) { return IsContentsPage(e.name); }, page_list);
      if (Status e = LoadPages(disk, folder, page_list, events, *pages); !e.ok()) return e;
      NameList pdf_list;
      ListSorted(
          entries, [](const FolderEntry& e) { return IsPdf(e.name); }, pdf_list);
      record->pdfs.reserve(entries.size());
      for (std::string f = ListNext(pdf_list); !f.empty(); f = ListNext(pdf_list)) {
        PdfRecord pdf;
        pdf.base = PdfBaseName(f);
        pdf.file = std::move(f);
        record->pdfs.push_back(std::move(pdf));
      }
      IndexKeys(folder, record->pdfs, *pages);

      IssuePages order = pages->InOrder(folder, page_list);
      // HtmlData.htm alone reads no field.
      order.want_fields = streamed == nullptr;
      for (size_t n = 0; n < order.names.size(); ++n) {
        PageRecord page;
        page.name = order.names[n];
        page.opened = order.pages[n] != nullptr;
        const std::string path = order.PathOf(n);
        const Reader& reader = TitleReaderOf(path);
        page.format = std::string(reader.keyword);
        if (!page.opened && reader.pauses_on_unopenable_page) events.PageMissing(path);
        page.title = reader.title(order.pages[n], path);
        record->pages.push_back(std::move(page));
      }
      if (streamed != nullptr) {
        if (Status e = streamed->IssueHead(*record); !e.ok()) return e;
        // Written and given back at once: a title can be as long as its page.
        for (PageRecord& page : record->pages) std::string().swap(page.title.classic);
      }
      FinderState finds;
      for (PdfRecord& pdf : record->pdfs) {
        pdf.article = ArticleDescription(order, pdf.base, finds);
        if (streamed != nullptr) {
          if (Status e = streamed->IssuePdf(pdf); !e.ok()) return e;
          // A description can be as long as its page, and the next one is
          // made while the pages are still held.
          std::string().swap(pdf.article.classic);
        }
        events.PdfIndexedIn(folder, pdf.file, pdf.article.found);
      }
      if (streamed != nullptr) {
        if (Status e = streamed->IssueTail(); !e.ok()) return e;
      }
      TellPdfsBelow(disk, folder, entries, events);
      if (enricher != nullptr) {
        work->prepared = enricher->Prepare(*record, order);
        if (!keep_pages) order.pages.clear();
        work->order = std::move(order);
      }
      if (outputs != nullptr) {
        IssueScratch scratch;
        for (const Output& output : *outputs) {
          work->parts.push_back(output.sink->Prepare(*record, scratch));
        }
      }
      return Status::Ok();
    }();
  } catch (const std::bad_alloc&) {
    pages.reset();
    work->error = Status::OutOfMemory(p + "/" + i + "/").During("index");
  }
  if (keep_pages && work->error.ok()) {
    work->pages = std::move(pages);
  } else if (keep_pages) {
    work->order = IssuePages();
  }
}

// The bytes of one folder's part of HtmlData.htm, indexed on a thread of
// its own: held until the folder's turn, so that the index is written in
// walk order. A folder whose part grows past kHeldBytes (a description can
// be as long as its page) waits for its turn and then writes straight to
// the index, so that memory stays bounded by the folders in flight.
class HeldPart : public ByteSink {
 public:
  static constexpr size_t kHeldBytes = size_t{8} << 20;

  /// `wait_turn` blocks until every earlier folder is written, and returns
  /// false when the run is ending without this folder.
  HeldPart(ByteSink& index, std::string& held, std::function<bool()> wait_turn)
      : index_(index), held_(held), wait_turn_(std::move(wait_turn)) {}

  Status Write(std::string_view bytes) override {
    if (direct_) return index_.Write(bytes);
    held_.append(bytes);
    if (held_.size() <= kHeldBytes) return Status::Ok();
    // A run that ends on an earlier folder's failure never writes this one.
    if (!wait_turn_()) return Status::FromErrno(ECANCELED).During("write");
    direct_ = true;
    Status written = index_.Write(held_);
    std::string().swap(held_);
    return written;
  }

 private:
  ByteSink& index_;
  std::string& held_;
  std::function<bool()> wait_turn_;
  bool direct_ = false;
};

class CatalogueRun {
 public:
  CatalogueRun(Disk& disk, Console& console, std::vector<Output>& outputs, RunObserver& observer,
               IssueEnricher* enricher, HtmlDataSink* streamed, PendingFile* index, int jobs)
      : disk_(disk),
        console_(console),
        outputs_(outputs),
        observer_(observer),
        enricher_(enricher),
        streamed_(streamed),
        index_(index),
        jobs_(jobs) {}

  Status Run() {
    for (Output& output : outputs_) {
      if (Status e = output.sink->Begin(); !e.ok()) return e;
    }
    issues_ = ListIssueFolders();
    observer_.RunStarted(issues_.size());
    for (const std::string& path : pdfs_outside_) observer_.PdfOutsideIssueFolder(path);
    Status e = jobs_ > 1 && issues_.size() > 1 ? RunThreaded() : RunInOrder();
    if (!e.ok()) return e;
    for (Output& output : outputs_) {
      if (Status f = output.sink->Finish(); !f.ok()) return f;
    }
    return Status::Ok();
  }

 private:
  // Every folder on this thread, each told and written as it is indexed.
  Status RunInOrder() {
    LiveEvents live(observer_, console_);
    for (const auto& [p, i] : issues_) {
      FolderWork work;
      IndexFolder(disk_, p, i, live, streamed_, enricher_, PreparedOutputs(), &work);
      if (Status e = Emit(work); !e.ok()) return e;
    }
    return Status::Ok();
  }

  // Folders indexed by jobs_ threads at once, a few folders ahead of the
  // one being written; this thread tells and writes them in walk order, so
  // that the outputs are the same bytes as with one thread.
  Status RunThreaded() {
    const size_t ahead = 2 * static_cast<size_t>(jobs_);
    std::vector<std::unique_ptr<FolderWork>> works(issues_.size());
    std::vector<bool> ready(issues_.size(), false);
    std::mutex mutex;
    std::condition_variable changed;
    size_t next = 0;  // the next folder a thread takes
    size_t turn = 0;  // the folder being written
    bool stop = false;

    const auto index_folders = [&] {
      std::unique_lock<std::mutex> lock(mutex);
      for (;;) {
        changed.wait(lock, [&] { return stop || next >= issues_.size() || next < turn + ahead; });
        if (stop || next >= issues_.size()) return;
        const size_t k = next++;
        lock.unlock();
        auto work = std::make_unique<FolderWork>();
        std::optional<HtmlDataSink> part_sink;
        std::optional<HeldPart> part;
        if (streamed_ != nullptr) {
          part.emplace(*index_, work->bytes, [&, k] {
            std::unique_lock<std::mutex> wait(mutex);
            changed.wait(wait, [&] { return stop || turn == k; });
            return !stop;
          });
          part_sink.emplace(*part, streamed_->href_root());
        }
        IndexFolder(disk_, issues_[k].first, issues_[k].second, work->events,
                    part_sink ? &*part_sink : nullptr, enricher_, PreparedOutputs(), work.get());
        lock.lock();
        works[k] = std::move(work);
        ready[k] = true;
        changed.notify_all();
      }
    };

    std::vector<std::thread> threads;
    {
      // The threads take no signal: the run's own thread handles them.
      const SignalsHeld held;
      const size_t count = std::min(static_cast<size_t>(jobs_), issues_.size());
      try {
        for (size_t t = 0; t < count; ++t) threads.emplace_back(index_folders);
      } catch (const std::system_error&) {
        // The system gives no more threads (a limit on processes, memory):
        // those it gave do the work, and the output is the same.
      }
    }
    if (threads.empty()) return RunInOrder();
    Status error;
    LiveEvents live(observer_, console_);
    for (size_t k = 0; k < issues_.size() && error.ok(); ++k) {
      std::unique_ptr<FolderWork> work;
      {
        std::unique_lock<std::mutex> lock(mutex);
        turn = k;
        changed.notify_all();
        changed.wait(lock, [&] { return ready[k]; });
        work = std::move(works[k]);
      }
      work->events.Replay(live);
      if (streamed_ != nullptr && work->error.ok()) work->error = index_->Write(work->bytes);
      error = Emit(*work);
    }
    {
      std::lock_guard<std::mutex> lock(mutex);
      stop = true;
      changed.notify_all();
    }
    for (std::thread& thread : threads) thread.join();
    return error;
  }

  // Hands an indexed folder to the step that adds to records and to every
  // sink, in walk order.
  Status Emit(FolderWork& work) {
    if (!work.error.ok()) return work.error;
    if (enricher_ != nullptr) {
      const IssuePages& pages = work.order;
      enricher_->Enrich(
          work.record, pages,
          [&pages, finds = FinderState()](const std::string& base) mutable {
            return ArticleDescription(pages, base, finds);
          },
          work.prepared);
    }
    if (streamed_ == nullptr) {
      for (size_t n = 0; n < outputs_.size(); ++n) {
        CatalogueSink& sink = *outputs_[n].sink;
        IssuePart* part = n < work.parts.size() ? work.parts[n].get() : nullptr;
        if (Status s =
                part != nullptr ? sink.IssuePrepared(work.record, *part) : sink.Issue(work.record);
            !s.ok()) {
          return s;
        }
      }
    }
    observer_.FolderFinished(work.record.Folder());
    return Status::Ok();
  }

  // The outputs that prepare their parts of a folder as it is indexed: all
  // of them, unless HtmlData.htm is streamed or the step that adds to the
  // records has yet to see the folder.
  const std::vector<Output>* PreparedOutputs() const {
    return streamed_ == nullptr && enricher_ == nullptr ? &outputs_ : nullptr;
  }

  // Every (publisher folder, issue folder) pair in walk order. All of them
  // are listed before the first is indexed, so that the count is known up
  // front (for a progress line); each folder is still listed once.
  std::vector<std::pair<std::string, std::string>> ListIssueFolders() {
    std::vector<std::pair<std::string, std::string>> issues;
    NameList publishers;
    NameList root_pdfs;
    ListFolders(disk_, "", publishers, root_pdfs, observer_);
    KeepPdfsOutside("", root_pdfs);
    for (std::string p = ListNext(publishers); !p.empty(); p = ListNext(publishers)) {
      NameList issue_list;
      NameList publisher_pdfs;
      ListFolders(disk_, p + "/", issue_list, publisher_pdfs, observer_);
      KeepPdfsOutside(p + "/", publisher_pdfs);
      for (std::string i = ListNext(issue_list); !i.empty(); i = ListNext(issue_list)) {
        issues.emplace_back(p, i);
      }
    }
    return issues;
  }

  void KeepPdfsOutside(const std::string& folder, NameList& pdfs) {
    for (std::string f = ListNext(pdfs); !f.empty(); f = ListNext(pdfs)) {
      pdfs_outside_.push_back(folder + f);
    }
  }

  Disk& disk_;
  Console& console_;
  std::vector<Output>& outputs_;
  RunObserver& observer_;
  IssueEnricher* enricher_;
  // With HtmlData.htm the only output, its sink: the run then writes each
  // piece of a folder as soon as it is found, and keeps no folder's
  // descriptions.
  HtmlDataSink* streamed_;
  // HtmlData.htm's file, which streamed_ writes to.
  PendingFile* index_;
  int jobs_;
  std::vector<std::pair<std::string, std::string>> issues_;
  // PDFs in the root or directly in a publisher folder, in walk order.
  std::vector<std::string> pdfs_outside_;
};

// Puts the finished outputs in place. Every file is made ready first (all
// its bytes written, given a name beside its target, the target checked),
// and only then are they renamed over their targets, one after another
// with no signal handled in between; a failure before the first rename
// leaves every earlier output as it was. The outputs written through
// (standard output, a device) come last, in order: a file that cannot be
// put in place leaves nothing written there but the failure report. The
// targets of the files put in place go to `replaced`.
Status PutInPlace(std::vector<Output>& all, std::vector<std::string>* replaced) {
  {
    const SignalsHeld held;
    for (Output& output : all) {
      if (output.file->WritesThrough()) continue;
      if (Status e = output.file->Ready(); !e.ok()) return e;
    }
    for (Output& output : all) {
      if (output.file->WritesThrough()) continue;
      if (Status e = output.file->Commit(); !e.ok()) return e;
      replaced->push_back(output.target);
    }
  }
  for (Output& output : all) {
    if (!output.file->WritesThrough()) continue;
    if (Status e = output.file->Commit(); !e.ok()) return e;
  }
  return Status::Ok();
}

}  // namespace

Status RunCatalogue(Disk& disk, Console& console, RunObserver* observer,
                    const std::vector<OutputRequest>& outputs, IssueEnricher* enricher, int jobs,
                    const IndexTarget& index, std::vector<std::string>* replaced) {
  RunObserver unobserved;
  std::vector<std::string> unused;
  if (replaced == nullptr) replaced = &unused;
  replaced->clear();
  std::vector<Output> all;
  const auto create = [&](const std::string& target, std::unique_ptr<PendingFile>* file) {
    if (target == kStandardOutput) {
      *file = std::make_unique<HeldStandardOutput>(disk.StandardOutput());
      return Status::Ok();
    }
    return disk.CreatePending(target, file);
  };
  HtmlDataSink* streamed = nullptr;
  PendingFile* index_file = nullptr;
  if (index.write) {
    all.emplace_back();
    all.back().target = index.target;
    if (Status e = create(index.target, &all.back().file); !e.ok()) return e;
    auto html_data = std::make_unique<HtmlDataSink>(*all.back().file, index.href_root);
    // HtmlData.htm alone is streamed, also with an enricher: it changes no
    // byte of HtmlData.htm, and is told (by IssuePages::want_fields) that no
    // output reads the fields it fills.
    if (outputs.empty()) streamed = html_data.get();
    index_file = all.back().file.get();
    all.back().sink = std::move(html_data);
  }
  for (const OutputRequest& request : outputs) {
    Output output;
    output.target = request.target;
    if (Status e = create(request.target, &output.file); !e.ok()) return e;
    output.sink = request.make(*output.file);
    all.push_back(std::move(output));
  }
  Status error;
  try {
    error = CatalogueRun(disk, console, all, observer ? *observer : unobserved, enricher, streamed,
                         index_file, std::max(jobs, 1))
                .Run();
  } catch (const std::bad_alloc&) {
    error = Status::OutOfMemory().During("index");
  } catch (const std::system_error& e) {
    error = Status::FromErrno(e.code().value()).During("index");
  }
  for (Output& output : all) {
    if (error.ok()) error = output.file->Finish();
  }
  if (error.ok()) error = PutInPlace(all, replaced);
  return error;
}

}  // namespace pdfindex
