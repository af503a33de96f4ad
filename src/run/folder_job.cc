#include "run/folder_job.h"

#include <new>
#include <optional>
#include <vector>

#include "collections/tree.h"
#include "collections/utypes.h"
#include "outputs/html_data.h"
#include "readers/registry.h"
#include "run/duplicates.h"
#include "run/loose_pdfs.h"
#include "text/escape.h"
#include "text/plain_text.h"

namespace pdfindex {

namespace {

// Appends `folder` + each name of `list` to `paths`.
void AppendPaths(const std::string& folder, NameList& list, std::vector<std::string>& paths) {
  for (std::string f = ListNext(list); !f.empty(); f = ListNext(list)) paths.push_back(folder + f);
}

// The subfolders of `path` (not hidden ones) into `list`, and the PDFs
// lying beside them, which no issue folder holds, into `outside`.
void ListFolders(Disk& disk, const std::string& path, NameList& list,
                 std::vector<std::string>& outside, RunObserver& observer) {
  std::vector<FolderEntry> entries;
  if (Status e = disk.ListFolder(path, &entries); !e.ok()) observer.FolderUnlisted(path, e);
  ListSorted(entries, IsShownFolder, list);
  NameList pdfs;
  ListSorted(entries, IsPdfFile, pdfs);
  AppendPaths(path, pdfs, outside);
}


// Reads every contents page of the folder once into `pages`, for the
// readers, noting each in `record`. A page that is there but cannot be read
// ends the run.
Status LoadPages(Disk& disk, const std::string& folder, NameList& page_list, IssueRecord& record,
                 PageSet& pages) {
  std::string bytes;
  for (std::string n = ListNext(page_list); !n.empty(); n = ListNext(page_list)) {
    Status error;
    const std::string path = folder + n;
    PageRecord page;
    page.name = std::move(n);
    switch (disk.ReadPage(path, &bytes, &error)) {
      case PageRead::kRead:
        pages.Adopt(path, std::move(bytes));
        page.opened = true;
        break;
      case PageRead::kCannotOpen:
        pages.AddUnopenable(path);
        break;
      case PageRead::kFailed:
        return error.At(path).During("read");
    }
    record.pages.push_back(std::move(page));
  }
  ListRewind(page_list);
  return Status::Ok();
}

// Every PDF of the folder is known before its finder first runs, so the
// keys the finder will search for are found on each page in one pass,
// instead of one pass per PDF.
void IndexKeys(const Reader& finder, const std::vector<PdfRecord>& pdfs, const PageSet& pages) {
  if (pages.empty()) return;
  std::vector<std::string> keys;
  for (const PdfRecord& pdf : pdfs) {
    for (std::string& key : finder.keys(pdf.base)) keys.push_back(std::move(key));
  }
  pages.IndexNeedles(keys);
}

Status Index(const IndexSetup& setup, size_t k, FolderJob& job, PageSet& pages) {
  IssueRecord& record = job.record;
  const std::string folder = record.Folder();
  // The folder path picks the finder, once for all its PDFs.
  const Reader& finder = FinderOf(folder);
  record.format = std::string(finder.keyword);
  std::vector<FolderEntry> entries;
  job.unlisted = setup.disk->ListFolder(folder, &entries);
  NameList page_list;
  ListSorted(entries, [](const FolderEntry& e) { return IsContentsPage(e.name); }, page_list);
  if (Status e = LoadPages(*setup.disk, folder, page_list, record, pages); !e.ok()) return e;
  NameList pdf_list;
  ListSorted(entries, [](const FolderEntry& e) { return IsPdf(e.name); }, pdf_list);
  record.pdfs.reserve(entries.size());
  // Made in place: a record is large, and moving one costs more than
  // making it.
  for (std::string f = ListNext(pdf_list); !f.empty(); f = ListNext(pdf_list)) {
    PdfRecord& pdf = record.pdfs.emplace_back();
    pdf.base = PdfBaseName(f);
    pdf.file = std::move(f);
  }
  MarkNameDuplicates(entries, &record);
  IndexKeys(finder, record.pdfs, pages);

  job.order = pages.InOrder(folder, page_list);
  job.order.want_fields = setup.want_fields;
  for (size_t n = 0; n < job.order.names.size(); ++n) {
    PageRecord& page = record.pages[n];
    const std::string path = job.order.PathOf(n);
    page.format = std::string(TitlePublisher(path));
    page.title = IssueTitle(job.order.pages[n], path);
  }
  job.titled = true;
  // HtmlData.htm's part goes out piece by piece: a title or a description
  // can be as long as its page, and the next is made while the pages are
  // still held.
  std::optional<FolderBytes> bytes;
  std::optional<HtmlDataPart> html;
  if (setup.index != nullptr) {
    bytes.emplace(*setup.index, k);
    html.emplace(*bytes, setup.href_root);
    html->Head(record);
    if (!html->status().ok()) return html->status();
    if (!setup.keep_classic) {
      for (PageRecord& page : record.pages) std::string().swap(page.title.classic);
    }
  }
  FinderState finds;
  for (PdfRecord& pdf : record.pdfs) {
    pdf.article = finder.find(job.order, pdf.base, finds);
    if (html) {
      html->Pdf(pdf);
      if (!html->status().ok()) return html->status();
      if (!setup.keep_classic) std::string().swap(pdf.article.classic);
    }
    ++job.described;
  }
  if (html) {
    html->Tail();
    if (!html->status().ok()) return html->status();
    if (Status e = bytes->Close(); !e.ok()) return e;
  }
  // The PDFs in the folders below, which the index does not take. A
  // folder there that cannot be listed is passed over without a word, as it
  // always was.
  FindLooseFoldersBelow(*setup.disk, folder, entries, kLooseLevels, nullptr, &job.pdfs_below);
  return Status::Ok();
}

}  // namespace

ArchiveListing ListArchive(Disk& disk, RunObserver& observer, bool all_pdfs) {
  ArchiveListing listing;
  // With all_pdfs, a loose folder for the PDFs `folder` holds, when any
  // were listed since `before`.
  const auto loose = [&](const std::string& folder, size_t before) {
    if (all_pdfs && listing.pdfs_outside.size() > before) {
      listing.issues.push_back({{}, {}, true, folder});
    }
  };
  NameList publishers;
  ListFolders(disk, "", publishers, listing.pdfs_outside, observer);
  loose("", 0);
  for (std::string p = ListNext(publishers); !p.empty(); p = ListNext(publishers)) {
    NameList issue_list;
    const size_t before = listing.pdfs_outside.size();
    ListFolders(disk, p + "/", issue_list, listing.pdfs_outside, observer);
    loose(p + "/", before);
    for (std::string i = ListNext(issue_list); !i.empty(); i = ListNext(issue_list)) {
      listing.issues.push_back({p, i, false, {}});
      ++listing.issue_folders;
      if (!all_pdfs) continue;
      // Their PDFs are told as the issue folder is, as without all_pdfs.
      std::vector<std::string> folders;
      std::vector<std::string> unused;
      FindLooseFoldersBelow(disk, p + "/" + i + "/", kLooseLevels, &folders, &unused);
      for (std::string& f : folders) listing.issues.push_back({{}, {}, true, std::move(f)});
    }
  }
  return listing;
}

void IndexFolder(const IndexSetup& setup, const ListedFolder& listed, size_t folder,
                 FolderJob& job) {
  const std::string& p = listed.publisher;
  const std::string& i = listed.issue;
  job.record.publisher = p;
  job.record.issue = i;
  auto pages = std::make_unique<PageSet>();
  // Memory running out (a page too big for it, say) ends the run like any
  // other failure: the earlier outputs stay.
  try {
    if (listed.loose) {
      // No part of HtmlData.htm; the pages beside the PDFs only for the
      // metadata step, which matches their tags to the PDFs.
      job.error = IndexLooseFolder(*setup.disk, listed.folder, &job.record,
                                   setup.keep_pages ? pages.get() : nullptr, &job.order);
      job.order.want_fields = setup.want_fields;
      if (setup.index != nullptr && job.error.ok()) {
        job.error = FolderBytes(*setup.index, folder).Close();
      }
    } else {
      job.error = Index(setup, folder, job, *pages);
    }
  } catch (const std::bad_alloc&) {
    pages.reset();
    job.error =
        Status::OutOfMemory(listed.loose ? listed.folder : p + "/" + i + "/").During("index");
  }
  if (setup.keep_pages && job.error.ok()) {
    job.pages = std::move(pages);
  } else {
    job.order.pages.clear();
  }
}

Status TellFolder(const FolderJob& job, RunObserver& observer, Console& console) {
  const IssueRecord& record = job.record;
  if (record.loose) return job.error;
  const std::string folder = record.Folder();
  observer.FolderStarted(folder, record.format);
  if (!job.unlisted.ok()) observer.FolderUnlisted(folder, job.unlisted);
  for (const PageRecord& page : record.pages) observer.PageLoaded(folder + page.name, page.opened);
  for (const PageRecord& page : record.pages) {
    if (!job.titled || page.opened) continue;
    if (!TitleReaderOf(folder + page.name).pauses_on_unopenable_page) continue;
    console.WriteLine("eroare");
    console.AwaitEnter(folder + page.name);
  }
  std::string path;
  for (size_t n = 0; n < job.described; ++n) {
    path.assign(folder).append(record.pdfs[n].file);
    observer.PdfIndexed(path, record.pdfs[n].article.found);
  }
  for (const std::string& below : job.pdfs_below) observer.PdfOutsideIssueFolder(below);
  return job.error;
}

}  // namespace pdfindex
