#include "outputs/html_data.h"

#include <string>

#include "run/run.h"

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

void HtmlDataSink::Write(std::string_view bytes) {
  if (error_.ok()) error_ = out_.Write(bytes);
}

void HtmlDataSink::WriteLine(std::string_view bytes) {
  Write(bytes);
  Write(kLineEnd);
}

Status HtmlDataSink::Begin() {
  Write(kHeader);
  return error_;
}

Status HtmlDataSink::Issue(const IssueRecord& issue) {
  // The index takes issue folders only, as it always has.
  if (issue.loose) return error_;
  IssueHead(issue);
  for (const PdfRecord& pdf : issue.pdfs) {
    if (!IssuePdf(pdf).ok()) break;
  }
  return IssueTail();
}

std::unique_ptr<IssuePart> HtmlDataSink::Prepare(const IssueRecord& issue,
                                                 IssueScratch& /*scratch*/) const {
  auto part = std::make_unique<BytesPart>();
  if (issue.loose) return part;
  StringAppender bytes(&part->bytes);
  HtmlDataSink folder(bytes, href_root_);
  folder.Issue(issue);
  return part;
}

Status HtmlDataSink::IssuePrepared(const IssueRecord& /*issue*/, IssuePart& part) {
  Write(static_cast<BytesPart&>(part).bytes);
  return error_;
}

Status HtmlDataSink::IssueHead(const IssueRecord& issue) {
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
  href_folder_ = "<A HREF=\"" + href_root_ + EscapeHref(issue.publisher) + "/" + EscapeHref(issue.issue) + "/";
  return error_;
}

Status HtmlDataSink::IssuePdf(const PdfRecord& pdf) {
  // One write for the link, in a buffer kept from PDF to PDF.
  line_.assign(href_folder_);
  AppendEscapedHref(pdf.file, &line_);
  line_ += "\">";
  AppendEscapedText(pdf.base, &line_);
  line_ += "</A> ";
  Write(line_);
  Write(pdf.article.classic);
  return error_;
}

Status HtmlDataSink::IssueTail() {
  WriteLine("");
  return error_;
}

Status HtmlDataSink::Finish() {
  Write(kFooter);
  return error_;
}

}  // namespace pdfindex
