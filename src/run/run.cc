#include "run/run.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <system_error>
#include <utility>
#include <vector>

#include "outputs/html_data.h"
#include "platform/signals.h"
#include "readers/registry.h"
#include "run/citation_keys.h"
#include "run/duplicates.h"
#include "run/folder_job.h"
#include "run/held_output.h"
#include "run/pipeline.h"

namespace pdfindex {

namespace {

// One file the run writes, and the sink that writes it.
struct Output {
  std::string target;
  std::unique_ptr<PendingFile> file;
  std::unique_ptr<CatalogueSink> sink;
};

// The run over the issue folders: the stages each folder goes through, and
// the folders in flight between them.
class CatalogueRun {
 public:
  CatalogueRun(Disk& disk, Console& console, const RunSetup& setup, RunObserver& observer,
               std::span<Output> outputs, OrderedBytes* index)
      : disk_(disk),
        console_(console),
        setup_(setup),
        observer_(observer),
        outputs_(outputs),
        index_(index) {}

  Status Run() {
    listing_ = ListArchive(disk_, observer_, setup_.all_pdfs);
    observer_.RunStarted(listing_.issue_folders);
    for (const std::string& path : listing_.pdfs_outside) observer_.PdfOutsideIssueFolder(path);
    const int workers = std::max(setup_.jobs, 1);
    // A few folders ahead of the one being written, so that every worker
    // has one to take.
    const size_t window = workers == 1 ? 1 : 2 * static_cast<size_t>(workers);
    slots_.resize(window);
    return RunPipeline(listing_.issues.size(), Stages(), workers, window);
  }

 private:
  FolderJob& Job(size_t k) { return *slots_[k % slots_.size()]; }

  // Notes that folder k failed: the run ends at its turn, and the in-order
  // stages of the folders after it do no more work.
  void NoteFailure(size_t k) {
    size_t first = first_failed_.load();
    while (k < first && !first_failed_.compare_exchange_weak(first, k)) {
    }
  }
  // True when folder k or one before it failed.
  bool Failed(size_t k) const { return first_failed_.load() <= k; }

  // The stages the run's outputs ask for, in order. HtmlData.htm's part is
  // made while the folder is indexed; every other output renders its part
  // from the finished record. The folder's turn at the end tells what was
  // found, and writes or fails.
  std::vector<Stage> Stages() {
    using Order = Stage::Order;
    bool keys = false;
    for (const Output& output : outputs_) keys = keys || output.sink->reads_keys();
    IndexSetup index;
    index.disk = &disk_;
    index.index = index_;
    index.href_root = setup_.index.href_root;
    // HtmlData.htm alone reads no field, and no title or description once
    // it is written.
    index.want_fields = !outputs_.empty();
    index.keep_classic = !outputs_.empty();
    index.keep_pages = setup_.enricher != nullptr && !outputs_.empty();

    std::vector<Stage> stages;
    stages.push_back({Order::kParallel, [this, index](size_t k) {
                        slots_[k % slots_.size()] = std::make_unique<FolderJob>();
                        IndexFolder(index, listing_.issues[k], k, Job(k));
                        if (!Job(k).error.ok()) NoteFailure(k);
                        return Status::Ok();
                      }});
    if (IssueEnricher* enricher = setup_.enricher) {
      stages.push_back({Order::kParallel, [this, enricher](size_t k) {
                          FolderJob& job = Job(k);
                          if (job.error.ok()) enricher->Prepare(job.record, job.order, job.metadata);
                          return Status::Ok();
                        }});
      stages.push_back({Order::kInOrder, [this, enricher](size_t k) {
                          FolderJob& job = Job(k);
                          if (Failed(k)) return Status::Ok();
                          const IssuePages& pages = job.order;
                          // A loose folder has no contents page to ask again.
                          Refinder refind;
                          if (!job.record.loose) {
                            refind = [&pages, finds = FinderState()](const std::string& base) mutable {
                              return ArticleDescription(pages, base, finds);
                            };
                          }
                          enricher->Finish(job.record, pages, refind, job.metadata);
                          job.pages.reset();
                          job.order.pages.clear();
                          job.metadata = PreparedMetadata();
                          return Status::Ok();
                        }});
    }
    if (keys) {
      if (setup_.keys == nullptr) own_keys_.emplace();
      KeyBook* book = setup_.keys != nullptr ? setup_.keys : &*own_keys_;
      stages.push_back({Order::kParallel, [this, book](size_t k) {
                          book->GiveNeededBaseKeys(Job(k).record);
                          return Status::Ok();
                        }});
      stages.push_back({Order::kInOrder, [this, book](size_t k) {
                          if (!Failed(k)) book->Give(Job(k).record);
                          return Status::Ok();
                        }});
    }
    if (!outputs_.empty()) {
      stages.push_back({Order::kParallel, [this](size_t k) {
                          FolderJob& job = Job(k);
                          if (!job.error.ok()) return Status::Ok();
                          job.parts.resize(outputs_.size());
                          // The texts the exports write alike are made once.
                          FolderShare share;
                          for (size_t n = 0; n < outputs_.size(); ++n) {
                            outputs_[n].sink->Render(job.record, share, job.parts[n]);
                          }
                          return Status::Ok();
                        }});
    }
    stages.push_back({Order::kInOrder, [this](size_t k) {
                        std::unique_ptr<FolderJob> job = std::move(slots_[k % slots_.size()]);
                        if (Status e = TellFolder(*job, observer_, console_); !e.ok()) return e;
                        for (size_t n = 0; n < outputs_.size(); ++n) {
                          if (Status e = outputs_[n].sink->Add(job->parts[n]); !e.ok()) return e;
                          std::string().swap(job->parts[n]);
                        }
                        TellDuplicates(job->record, observer_);
                        if (!job->record.loose) observer_.FolderFinished(job->record.Folder());
                        return Status::Ok();
                      }});
    return stages;
  }

  Disk& disk_;
  Console& console_;
  const RunSetup& setup_;
  RunObserver& observer_;
  // The outputs besides HtmlData.htm.
  std::span<Output> outputs_;
  // HtmlData.htm's bytes, or nullptr.
  OrderedBytes* index_;
  ArchiveListing listing_;
  // The folders in flight: folder k's job in slot k % window.
  std::vector<std::unique_ptr<FolderJob>> slots_;
  std::optional<KeyBook> own_keys_;
  std::atomic<size_t> first_failed_{SIZE_MAX};
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

// Begins every output, runs the folders, finishes every output.
Status WriteAll(Disk& disk, Console& console, const RunSetup& setup, std::vector<Output>& all,
                bool with_index) {
  RunObserver unobserved;
  RunObserver& observer = setup.observer != nullptr ? *setup.observer : unobserved;
  for (Output& output : all) {
    if (Status e = output.sink->Begin(); !e.ok()) return e;
  }
  std::optional<OrderedBytes> index;
  if (with_index) index.emplace(*all.front().file);
  const std::span<Output> others = std::span<Output>(all).subspan(with_index ? 1 : 0);
  if (Status e =
          CatalogueRun(disk, console, setup, observer, others, index ? &*index : nullptr).Run();
      !e.ok()) {
    return e;
  }
  for (Output& output : all) {
    if (Status e = output.sink->Finish(); !e.ok()) return e;
  }
  return Status::Ok();
}

}  // namespace

Status Run(Disk& disk, Console& console, const RunSetup& setup,
           std::vector<std::string>* replaced) {
  std::vector<std::string> unused;
  if (replaced == nullptr) replaced = &unused;
  replaced->clear();
  std::vector<Output> all;
  // HtmlData.htm is written anew every run; an export or page that comes
  // out the same as before is left as it is (see CreatePendingKeptIfSame).
  const auto create = [&](const std::string& target, bool keep_same,
                          std::unique_ptr<PendingFile>* file) {
    if (target == kStandardOutput) {
      *file = std::make_unique<HeldStandardOutput>(disk.StandardOutput());
      return Status::Ok();
    }
    return keep_same ? disk.CreatePendingKeptIfSame(target, file)
                     : disk.CreatePending(target, file);
  };
  if (setup.index.write) {
    all.emplace_back();
    all.back().target = setup.index.target;
    if (Status e = create(setup.index.target, false, &all.back().file); !e.ok()) return e;
    all.back().sink = std::make_unique<HtmlDataSink>(*all.back().file, setup.index.href_root);
  }
  for (const OutputRequest& request : setup.outputs) {
    Output output;
    output.target = request.target;
    if (Status e = create(request.target, true, &output.file); !e.ok()) return e;
    output.sink = request.make(*output.file);
    all.push_back(std::move(output));
  }
  Status error;
  try {
    error = WriteAll(disk, console, setup, all, setup.index.write);
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

Status RunCatalogue(Disk& disk, Console& console, RunObserver* observer,
                    const std::vector<OutputRequest>& outputs, IssueEnricher* enricher, int jobs,
                    const IndexTarget& index, std::vector<std::string>* replaced, bool all_pdfs) {
  RunSetup setup;
  setup.observer = observer;
  setup.outputs = outputs;
  setup.enricher = enricher;
  setup.jobs = jobs;
  setup.index = index;
  setup.all_pdfs = all_pdfs;
  return Run(disk, console, setup, replaced);
}

}  // namespace pdfindex
