#include "metadata/pdf_maker.h"

#include <cstdio>

namespace pdfindex {

namespace {

// A literal string: "(" text ")" with the three special bytes escaped.
std::string Literal(const std::string& text) {
  std::string out = "(";
  for (char c : text) {
    if (c == '(' || c == ')' || c == '\\') out += '\\';
    out += c;
  }
  return out + ")";
}

class Writer {
 public:
  Writer() { out_ = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n"; }

  // Adds object `body` and returns its number.
  int Add(const std::string& body) {
    offsets_.push_back(out_.size());
    const int number = static_cast<int>(offsets_.size());
    out_ += std::to_string(number) + " 0 obj\n" + body + "\nendobj\n";
    return number;
  }
  // The number of objects added.
  int Count() const { return static_cast<int>(offsets_.size()); }
  static std::string Stream(const std::string& dict, const std::string& data) {
    return "<< " + dict + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data +
           "\nendstream";
  }
  std::string Finish(const std::string& trailer) {
    const size_t xref = out_.size();
    out_ += "xref\n0 " + std::to_string(offsets_.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t offset : offsets_) {
      char line[32];
      std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
      out_ += line;
    }
    out_ += "trailer\n<< /Size " + std::to_string(offsets_.size() + 1) + " " + trailer +
            " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return out_;
  }

 private:
  std::string out_;
  std::vector<size_t> offsets_;
};

// A page and its contents: `lines` from the height `top` down.
void AddPage(Writer& w, const std::vector<std::string>& lines, int top) {
  std::string text = "BT /F1 11 Tf 14 TL 72 " + std::to_string(top) + " Td\n";
  for (const std::string& line : lines) text += Literal(line) + " Tj T*\n";
  text += "ET";
  // The page is the next object, its contents the one after.
  w.Add("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents " +
        std::to_string(w.Count() + 2) +
        " 0 R /Resources << /Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> "
        ">> >> >>");
  w.Add(Writer::Stream("", text));
}

}  // namespace

std::string MakePdf(const PdfSpec& spec) {
  Writer w;
  // The catalogue and the page tree come first, referring ahead: the XMP is
  // object 3, the pages (a page, then its contents) follow it.
  const int first_page = spec.xmp.empty() ? 3 : 4;
  std::string catalog = "<< /Type /Catalog /Pages 2 0 R";
  if (!spec.xmp.empty()) catalog += " /Metadata 3 0 R";
  w.Add(catalog + " >>");
  std::string kids;
  for (size_t k = 0; k <= spec.footers.size(); ++k)
    kids += std::to_string(first_page + 2 * static_cast<int>(k)) + " 0 R ";
  w.Add("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(spec.footers.size() + 1) +
        " >>");
  if (!spec.xmp.empty()) w.Add(Writer::Stream("/Type /Metadata /Subtype /XML", spec.xmp));
  AddPage(w, spec.lines, 740);
  for (const std::vector<std::string>& footer : spec.footers) AddPage(w, footer, 40);
  std::string info = "<<";
  const std::pair<const char*, const std::string*> entries[] = {
      {"Title", &spec.title},       {"Author", &spec.author},   {"Subject", &spec.subject},
      {"Producer", &spec.producer}, {"Creator", &spec.creator},
  };
  for (const auto& [key, value] : entries) {
    if (!value->empty()) info += " /" + std::string(key) + " " + Literal(*value);
  }
  const int info_number = w.Add(info + " >>");
  if (spec.padding > 0) w.Add(Writer::Stream("", std::string(spec.padding, '0')));
  std::string trailer = "/Root 1 0 R /Info " + std::to_string(info_number) + " 0 R";
  if (spec.encrypted) {
    // Owner and user keys that no password (not even the empty one) opens.
    const std::string key(64, 'A');
    const int encrypt =
        w.Add("<< /Filter /Standard /V 1 /R 2 /O <" + key + "> /U <" + key + "> /P -4 >>");
    trailer += " /Encrypt " + std::to_string(encrypt) +
               " 0 R /ID [<0123456789ABCDEF0123456789ABCDEF> <0123456789ABCDEF0123456789ABCDEF>]";
  }
  return w.Finish(trailer);
}

std::string MakeXmp(const std::string& title, const std::vector<std::string>& creators,
                    const std::string& doi, const std::string& journal) {
  std::string x =
      "<?xpacket begin=\"\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
      "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
      "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
      "<rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
      "xmlns:prism=\"http://prismstandard.org/namespaces/basic/2.0/\">\n";
  if (!title.empty()) {
    x += "<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">" + title +
         "</rdf:li></rdf:Alt></dc:title>\n";
  }
  if (!creators.empty()) {
    x += "<dc:creator><rdf:Seq>";
    for (const std::string& c : creators) x += "<rdf:li>" + c + "</rdf:li>";
    x += "</rdf:Seq></dc:creator>\n";
  }
  if (!doi.empty()) x += "<prism:doi>" + doi + "</prism:doi>\n";
  if (!journal.empty()) x += "<prism:publicationName>" + journal + "</prism:publicationName>\n";
  return x + "</rdf:Description></rdf:RDF></x:xmpmeta>\n<?xpacket end=\"w\"?>";
}

}  // namespace pdfindex
