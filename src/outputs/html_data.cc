#include "outputs/html_data.h"

#include <string>
#include <utility>

#include "text/escape.h"
#include "text/plain_text.h"

namespace pdfindex {

namespace {

constexpr std::string_view kHeader = "<TITLE>Quor's PDF Articles Database</TITLE><HEAD>";
constexpr std::string_view kFooter = "<HR></HEAD><BODY></BODY>";
constexpr std::string_view kLineEnd = "\r\n";

// A title as the page shows it: a page's own title as it is, a page path
// as text, like a folder name.
std::string ShownTitle(const TitleRecord& title) {
  return title.is_path ? EscapeText(title.classic) : title.classic;
}

}  // namespace

void HtmlDataPart::Write(std::string_view bytes) {
  if (error_.ok()) error_ = out_.Write(bytes);
}

void HtmlDataPart::WriteLine(std::string_view bytes) {
  Write(bytes);
  Write(kLineEnd);
}

void HtmlDataPart::Head(const IssueRecord& issue) {
  Write("<HR>");
  if (issue.pages.empty()) {
    Write("<B><BR>[" + EscapeText(issue.publisher) + "/" + EscapeText(issue.issue) + "]</B><BR>");
  }
  std::string title;
  for (const PageRecord& page : issue.pages) {
    std::string shown = ShownTitle(page.title);
    if (shown != title) {
      // In pieces: a title can be as long as its page.
      Write("<B><BR>");
      Write(shown);
      WriteLine("<BR></B>");
    }
    title = std::move(shown);
  }
  WriteLine("<BR>");
  href_folder_ = "<A HREF=\"";
  href_folder_ += href_root_;
  href_folder_ += EscapeHref(issue.publisher) + "/" + EscapeHref(issue.issue) + "/";
}

void HtmlDataPart::Pdf(const PdfRecord& pdf) {
  // One write for the link and a description of the usual size, in a
  // buffer kept from PDF to PDF; a longer description (it can be as long as
  // its page) is written from where it is.
  constexpr size_t kJoined = 4096;
  line_.assign(href_folder_);
  AppendEscapedHref(pdf.file, &line_);
  line_ += "\">";
  AppendEscapedText(pdf.base, &line_);
  line_ += "</A> ";
  const std::string& classic = pdf.article.classic;
  if (classic.size() <= kJoined) {
    line_ += classic;
    Write(line_);
  } else {
    Write(line_);
    Write(classic);
  }
}

void HtmlDataPart::Tail() { WriteLine(""); }

Status HtmlDataSink::Begin() { return out_.Write(kHeader); }

void HtmlDataSink::Render(const IssueRecord& issue, FolderShare& /*share*/,
                          std::string& bytes) const {
  // The index takes issue folders only, as it always has.
  if (issue.loose) return;
  StringAppender to(&bytes);
  HtmlDataPart part(to, href_root_);
  part.Head(issue);
  for (const PdfRecord& pdf : issue.pdfs) part.Pdf(pdf);
  part.Tail();
}

Status HtmlDataSink::Finish() { return out_.Write(kFooter); }

}  // namespace pdfindex
