#include "catalogue/run.h"

#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "catalogue/dispatch.h"
#include "catalogue/page.h"
#include "collections/tree.h"
#include "collections/utypes.h"

namespace pdfindex {

namespace {

constexpr std::string_view kHeader = "<TITLE>Quor's PDF Articles Database</TITLE><HEAD>";
constexpr std::string_view kFooter = "<HR></HEAD><BODY></BODY>";
constexpr std::string_view kLineEnd = "\r\n";

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
void ListFolders(Disk& disk, const std::string& path, NameList& list, RunObserver& observer) {
  ListSorted(
      ListOrTell(disk, path, observer),
      [](const FolderEntry& e) { return e.is_folder && !e.name.empty() && e.name[0] != '.'; },
      list);
}

// The issue title as the index writes it. A reader that has no title for a
// page gives its path instead; the path is text, escaped like the folder
// names of the bracketed heading, while a title from the page's own HTML
// is written as it is.
std::string TitleAsWritten(const std::string& title, const std::string& page_path) {
  return title == page_path ? EscapeText(title) : title;
}

// The output page: the first failure sticks, and later writes are dropped.
class Output {
 public:
  explicit Output(PendingFile& file) : file_(file) {}

  void Write(std::string_view bytes) {
    if (error_.ok()) error_ = file_.Write(bytes);
  }
  void WriteLine(std::string_view bytes) {
    Write(bytes);
    Write(kLineEnd);
  }
  Status Finish() {
    if (error_.ok()) error_ = file_.Finish();
    return error_;
  }
  const Status& error() const { return error_; }

 private:
  PendingFile& file_;
  Status error_;
};

class CatalogueRun {
 public:
  CatalogueRun(Disk& disk, Console& console, Output& out, RunObserver& observer)
      : disk_(disk), out_(out), observer_(observer), context_{pages_, console} {}

  Status Run() {
    out_.Write(kHeader);
    const std::vector<std::pair<std::string, std::string>> issues = ListIssueFolders();
    observer_.RunStarted(issues.size());
    for (const auto& [p, i] : issues) {
      Status e;
      // Memory running out (a page too big for it, say) ends the run like
      // any other failure: the earlier index stays.
      try {
        e = IssueFolder(p, i);
      } catch (const std::bad_alloc&) {
        pages_.Clear();
        e = Status::OutOfMemory(p + "/" + i + "/").During("index");
      }
      if (!e.ok()) return e;
    }
    out_.Write(kFooter);
    return out_.error();
  }

 private:
  // Every (publisher folder, issue folder) pair in walk order. All of them
  // are listed before the first is indexed, so that the count is known up
  // front (for a progress line); each folder is still listed once.
  std::vector<std::pair<std::string, std::string>> ListIssueFolders() {
    std::vector<std::pair<std::string, std::string>> issues;
    NameList publishers;
    ListFolders(disk_, "", publishers, observer_);
    for (std::string p = ListNext(publishers); !p.empty(); p = ListNext(publishers)) {
      NameList issue_list;
      ListFolders(disk_, p + "/", issue_list, observer_);
      for (std::string i = ListNext(issue_list); !i.empty(); i = ListNext(issue_list)) {
        issues.emplace_back(p, i);
      }
    }
    return issues;
  }

  Status IssueFolder(const std::string& p, const std::string& i) {
    const std::string folder = p + "/" + i + "/";
    observer_.FolderStarted(folder, ArticlePublisher(folder));
    const std::vector<FolderEntry> entries = ListOrTell(disk_, folder, observer_);
    NameList page_list;
    ListSorted(
        entries, [](const FolderEntry& e) { return IsContentsPage(e.name); }, page_list);
    if (Status e = LoadPages(folder, page_list); !e.ok()) return e;
    NameList pdfs;
    ListSorted(
        entries, [](const FolderEntry& e) { return IsPdf(e.name); }, pdfs);
    IndexKeys(folder, pdfs);

    out_.Write("<HR>");
    if (page_list.head == nullptr) {
      out_.Write("<B><BR>[" + EscapeText(p) + "/" + EscapeText(i) + "]</B><BR>");
    }
    std::string title;
    for (std::string n = ListNext(page_list); !n.empty(); n = ListNext(page_list)) {
      std::string previous = std::move(title);
      title = TitleAsWritten(IssueTitle(context_, folder + n), folder + n);
      if (title != previous) out_.WriteLine("<B><BR>" + title + "<BR></B>");
    }
    out_.WriteLine("<BR>");

    const std::string href_folder = "<A HREF=\"" + EscapeHref(p) + "/" + EscapeHref(i) + "/";
    for (std::string f = ListNext(pdfs); !f.empty() && out_.error().ok(); f = ListNext(pdfs)) {
      const std::string base = PdfBaseName(f);
      // The finder is always asked whether it found the entry, with or
      // without an observer, so that both runs take the same path.
      bool described = false;
      const std::string description =
          ArticleDescription(context_, base, folder, page_list, &described);
      out_.Write(href_folder);
      out_.Write(EscapeHref(f) + "\">" + EscapeText(base) + "</A> " + description);
      observer_.PdfIndexed(folder + f, described);
    }
    out_.WriteLine("");
    pages_.Clear();
    observer_.FolderFinished(folder);
    return out_.error();
  }

  // Every PDF of the folder is known before its finder first runs, so the
  // keys the finder will search for are found on each page in one pass,
  // instead of one pass per PDF.
  void IndexKeys(const std::string& folder, NameList& pdfs) {
    if (pages_.empty()) return;
    std::vector<std::string> keys;
    for (std::string f = ListNext(pdfs); !f.empty(); f = ListNext(pdfs)) {
      for (std::string& key : ArticleKeys(folder, PdfBaseName(f))) keys.push_back(std::move(key));
    }
    ListRewind(pdfs);
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
          pages_.Add(folder + n, bytes);
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
  Output& out_;
  RunObserver& observer_;
  PageSet pages_;
  ReaderContext context_;
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

Status RunCatalogue(Disk& disk, Console& console, RunObserver* observer) {
  RunObserver unobserved;
  std::unique_ptr<PendingFile> file;
  if (Status e = disk.CreatePending(std::string(kIndexName), &file); !e.ok()) return e;
  Output out(*file);
  Status error;
  try {
    error = CatalogueRun(disk, console, out, observer ? *observer : unobserved).Run();
  } catch (const std::bad_alloc&) {
    error = Status::OutOfMemory().During("index");
  }
  if (error.ok()) error = out.Finish();
  if (error.ok()) error = file->Commit();
  return error;
}

}  // namespace pdfindex
