#include "catalogue/run.h"

#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "catalogue/dispatch.h"
#include "catalogue/html_data.h"
#include "catalogue/page.h"
#include "collections/tree.h"
#include "collections/utypes.h"

namespace pdfindex {

namespace {

bool EndsWithNoCase(std::string_view name, std::string_view suffix) {
  if (name.size() < suffix.size()) return false;
  name.remove_prefix(name.size() - suffix.size());
  for (size_t i = 0; i < suffix.size(); ++i) {
    char c = name[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != suffix[i]) return false;
  }
  return true;
}

bool IsContentsPage(std::string_view name) {
  return EndsWithNoCase(name, ".htm") || EndsWithNoCase(name, ".html");
}

bool IsPdf(std::string_view name) { return EndsWithNoCase(name, ".pdf"); }

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

// The run's outputs: each sink and the pending file it writes.
struct Output {
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
    held_.clear();
    return written;
  }

 private:
  ByteSink& out_;
  std::string held_;
};

class CatalogueRun {
 public:
  CatalogueRun(Disk& disk, Console& console, std::vector<Output>& outputs, RunObserver& observer,
               IssueEnricher* enricher, HtmlDataSink* streamed)
      : disk_(disk),
        console_(console),
        outputs_(outputs),
        observer_(observer),
        enricher_(enricher),
        streamed_(streamed) {}

  Status Run() {
    for (Output& output : outputs_) {
      if (Status e = output.sink->Begin(); !e.ok()) return e;
    }
    const std::vector<std::pair<std::string, std::string>> issues = ListIssueFolders();
    observer_.RunStarted(issues.size());
    for (const std::string& path : pdfs_outside_) observer_.PdfOutsideIssueFolder(path);
    for (const auto& [p, i] : issues) {
      IssueRecord record;
      Status e;
      // Memory running out (a page too big for it, say) ends the run like
      // any other failure: the earlier outputs stay.
      try {
        e = IssueFolder(p, i, &record);
      } catch (const std::bad_alloc&) {
        pages_.Clear();
        e = Status::OutOfMemory(p + "/" + i + "/").During("index");
      }
      if (!e.ok()) return e;
      for (Output& output : outputs_) {
        if (streamed_ != nullptr) break;
        if (Status s = output.sink->Issue(record); !s.ok()) return s;
      }
      observer_.FolderFinished(record.Folder());
    }
    for (Output& output : outputs_) {
      if (Status e = output.sink->Finish(); !e.ok()) return e;
    }
    return Status::Ok();
  }

 private:
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

  // The record of the issue folder P/I: its pages with their titles, its
  // PDFs with what the folder's finder made of them.
  Status IssueFolder(const std::string& p, const std::string& i, IssueRecord* record) {
    record->publisher = p;
    record->issue = i;
    const std::string folder = record->Folder();
    record->format = std::string(ArticlePublisher(folder));
    observer_.FolderStarted(folder, record->format);
    const std::vector<FolderEntry> entries = ListOrTell(disk_, folder, observer_);
    NameList page_list;
    ListSorted(
        entries, [](const FolderEntry& e) { return IsContentsPage(e.name); }, page_list);
    if (Status e = LoadPages(folder, page_list); !e.ok()) return e;
    NameList pdf_list;
    ListSorted(
        entries, [](const FolderEntry& e) { return IsPdf(e.name); }, pdf_list);
    for (std::string f = ListNext(pdf_list); !f.empty(); f = ListNext(pdf_list)) {
      PdfRecord pdf;
      pdf.base = PdfBaseName(f);
      pdf.file = std::move(f);
      record->pdfs.push_back(std::move(pdf));
    }
    IndexKeys(folder, record->pdfs);

    const IssuePages pages = pages_.InOrder(folder, page_list);
    for (size_t n = 0; n < pages.names.size(); ++n) {
      PageRecord page;
      page.name = pages.names[n];
      page.opened = pages.pages[n] != nullptr;
      const std::string path = pages.PathOf(n);
      page.format = std::string(TitlePublisher(path));
      if (!page.opened && page.format == "ScienceDirect") {
        // The user is told, and the run waits for Enter before it goes on.
        console_.WriteLine("eroare");
        console_.AwaitEnter(path);
      }
      page.title = IssueTitle(pages.pages[n], path);
      record->pages.push_back(std::move(page));
    }
    if (streamed_ != nullptr) {
      if (Status e = streamed_->IssueHead(*record); !e.ok()) return e;
      // Written and given back at once: a title can be as long as its page.
      for (PageRecord& page : record->pages) std::string().swap(page.title.classic);
    }
    for (PdfRecord& pdf : record->pdfs) {
      pdf.article = ArticleDescription(pages, pdf.base);
      if (streamed_ != nullptr) {
        if (Status e = streamed_->IssuePdf(pdf); !e.ok()) return e;
        // A description can be as long as its page, and the next one is
        // made while the pages are still held.
        std::string().swap(pdf.article.classic);
      }
      observer_.PdfIndexed(folder + pdf.file, pdf.article.found);
    }
    if (streamed_ != nullptr) {
      if (Status e = streamed_->IssueTail(); !e.ok()) return e;
    }
    if (enricher_ != nullptr) {
      enricher_->Enrich(*record, pages, [&pages](const std::string& base) {
        return ArticleDescription(pages, base);
      });
    }
    pages_.Clear();
    return Status::Ok();
  }

  // Every PDF of the folder is known before its finder first runs, so the
  // keys the finder will search for are found on each page in one pass,
  // instead of one pass per PDF.
  void IndexKeys(const std::string& folder, const std::vector<PdfRecord>& pdfs) {
    if (pages_.empty()) return;
    std::vector<std::string> keys;
    for (const PdfRecord& pdf : pdfs) {
      for (std::string& key : ArticleKeys(folder, pdf.base)) keys.push_back(std::move(key));
    }
    pages_.IndexNeedles(keys);
  }

  // Reads every contents page of the folder once; the readers take them from
  // pages_. A page that is there but cannot be read ends the run.
  Status LoadPages(const std::string& folder, NameList& page_list) {
    pages_.Clear();
    std::string bytes;
    for (std::string n = ListNext(page_list); !n.empty(); n = ListNext(page_list)) {
      Status error;
      switch (disk_.ReadPage(folder + n, &bytes, &error)) {
        case PageRead::kRead:
          pages_.Adopt(folder + n, std::move(bytes));
          observer_.PageLoaded(folder + n, true);
          break;
        case PageRead::kCannotOpen:
          pages_.AddUnopenable(folder + n);
          observer_.PageLoaded(folder + n, false);
          break;
        case PageRead::kFailed:
          return error.At(folder + n).During("read");
      }
    }
    ListRewind(page_list);
    return Status::Ok();
  }

  Disk& disk_;
  Console& console_;
  std::vector<Output>& outputs_;
  RunObserver& observer_;
  IssueEnricher* enricher_;
  // With HtmlData.htm the only output and nothing to add to the records,
  // its sink: the run then writes each piece of a folder as soon as it is
  // found, and keeps no folder's descriptions.
  HtmlDataSink* streamed_;
  PageSet pages_;
  // PDFs in the root or directly in a publisher folder, in walk order.
  std::vector<std::string> pdfs_outside_;
};

}  // namespace

std::string EscapeHref(std::string_view name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(name.size());
  for (char c : name) {
    const auto b = static_cast<unsigned char>(c);
    // A browser reads "\" as "/", a first segment "x:" as a scheme, and a
    // byte of 0x80 or more through the page's encoding (which the page does
    // not name); it strips a blank that starts the value. Escaped, each
    // stands for its own byte.
    const bool blank_first = c == ' ' && out.empty();
    if (c == '&') {
      out += "&amp;";
    } else if (c == '%' || c == '"' || c == '#' || c == '?' || c == '\\' || c == ':' || b < 0x20 ||
               b >= 0x7F || blank_first) {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 0xF];
    } else {
      out += c;
    }
  }
  return out;
}

std::string EscapeText(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (char c : name) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      default:
        out += c;
        break;
    }
  }
  return out;
}

std::string PdfBaseName(std::string_view file) {
  if (IsPdf(file)) file.remove_suffix(4);
  return std::string(file);
}

Status RunCatalogue(Disk& disk, Console& console, RunObserver* observer,
                    const std::vector<OutputRequest>& outputs, IssueEnricher* enricher) {
  RunObserver unobserved;
  std::vector<Output> all;
  all.emplace_back();
  if (Status e = disk.CreatePending(std::string(kIndexName), &all.back().file); !e.ok()) return e;
  auto html_data = std::make_unique<HtmlDataSink>(*all.back().file);
  HtmlDataSink* streamed = outputs.empty() && enricher == nullptr ? html_data.get() : nullptr;
  all.back().sink = std::move(html_data);
  for (const OutputRequest& request : outputs) {
    Output output;
    if (request.target == kStandardOutput) {
      output.file = std::make_unique<HeldStandardOutput>(disk.StandardOutput());
    } else if (Status e = disk.CreatePending(request.target, &output.file); !e.ok()) {
      return e;
    }
    output.sink = request.make(*output.file);
    all.push_back(std::move(output));
  }
  Status error;
  try {
    error = CatalogueRun(disk, console, all, observer ? *observer : unobserved, enricher, streamed)
                .Run();
  } catch (const std::bad_alloc&) {
    error = Status::OutOfMemory().During("index");
  }
  for (Output& output : all) {
    if (error.ok()) error = output.file->Finish();
  }
  // Files first, standard output last: a file that cannot be put in place
  // still leaves standard output holding only the failure report.
  for (bool standard : {false, true}) {
    for (size_t n = 0; n < all.size() && error.ok(); ++n) {
      const bool is_standard = n > 0 && outputs[n - 1].target == kStandardOutput;
      if (is_standard == standard) error = all[n].file->Commit();
    }
  }
  return error;
}

}  // namespace pdfindex
