#include "metadata/xmp.h"

#include <string>
#include <vector>

#include "metadata/plain.h"

namespace pdfindex {

namespace {

// The text of an element's content with nested tags removed, references
// decoded and white space made single blanks.
std::string PlainContent(std::string_view content) {
  std::string text;
  for (size_t i = 0; i < content.size(); ++i) {
    if (content[i] != '<') {
      text += content[i];
      continue;
    }
    const size_t close = content.find('>', i);
    if (close == std::string_view::npos) break;
    i = close;
  }
  return CollapseSpace(DecodeReferences(text));
}

// The content of the first element `name` ("dc:title") at or after `from`;
// false when there is none. *after is set to the offset after its end tag.
bool Element(std::string_view xml, std::string_view name, size_t from, std::string_view* content,
             std::string_view* open_tag, size_t* after) {
  // Built by appending: GCC 12 warns wrongly (-Wrestrict) about "<" + name.
  std::string open = "<";
  open += name;
  for (size_t at = xml.find(open, from); at != std::string_view::npos;
       at = xml.find(open, at + 1)) {
    const size_t next = at + open.size();
    if (next >= xml.size()) return false;
    const char c = xml[next];
    if (c != '>' && c != ' ' && c != '/' && c != '\t' && c != '\r' && c != '\n') continue;
    const size_t tag_end = xml.find('>', next);
    if (tag_end == std::string_view::npos) return false;
    *open_tag = xml.substr(at, tag_end + 1 - at);
    if (xml[tag_end - 1] == '/') {  // <x:y ... />
      *content = {};
      *after = tag_end + 1;
      return true;
    }
    std::string close = "</";
    close += name;
    close += '>';
    const size_t end = xml.find(close, tag_end + 1);
    if (end == std::string_view::npos) return false;
    *content = xml.substr(tag_end + 1, end - tag_end - 1);
    *after = end + close.size();
    return true;
  }
  return false;
}

// The value of attribute `name` ("prism:volume") on any tag; "" when none.
std::string Attribute(std::string_view xml, std::string_view name) {
  std::string needle(name);
  needle += '=';
  for (size_t at = xml.find(needle); at != std::string_view::npos; at = xml.find(needle, at + 1)) {
    if (at == 0 || !(xml[at - 1] == ' ' || xml[at - 1] == '\t' || xml[at - 1] == '\n' ||
                     xml[at - 1] == '\r')) {
      continue;
    }
    const size_t q = at + needle.size();
    if (q >= xml.size() || (xml[q] != '"' && xml[q] != '\'')) continue;
    const size_t end = xml.find(xml[q], q + 1);
    if (end == std::string_view::npos) return "";
    return CollapseSpace(DecodeReferences(xml.substr(q + 1, end - q - 1)));
  }
  return "";
}

// The rdf:li items of a container's content, in order, and the first one
// marked as the default language's.
struct ItemList {
  std::vector<std::string> items;
  std::string preferred;
};

ItemList Items(std::string_view content) {
  ItemList list;
  std::string_view item;
  std::string_view tag;
  for (size_t at = 0, after = 0; Element(content, "rdf:li", at, &item, &tag, &after); at = after) {
    std::string text = PlainContent(item);
    if (text.empty()) continue;
    if (list.preferred.empty() && tag.find("x-default") != std::string_view::npos) {
      list.preferred = text;
    }
    list.items.push_back(std::move(text));
  }
  return list;
}

// A simple property: an element's text, else an attribute's value.
std::string Property(std::string_view xml, std::string_view name) {
  std::string_view content;
  std::string_view tag;
  size_t after = 0;
  if (Element(xml, name, 0, &content, &tag, &after)) {
    std::string text = PlainContent(content);
    if (!text.empty()) return text;
  }
  return Attribute(xml, name);
}

}  // namespace

ArticleFields ParseXmp(std::string_view packet) {
  ArticleFields fields;
  std::string_view content;
  std::string_view tag;
  size_t after = 0;
  if (Element(packet, "dc:title", 0, &content, &tag, &after)) {
    const ItemList titles = Items(content);
    if (!titles.preferred.empty()) {
      fields.title = titles.preferred;
    } else if (!titles.items.empty()) {
      fields.title = titles.items.front();
    } else {
      fields.title = PlainContent(content);
    }
  }
  if (Element(packet, "dc:creator", 0, &content, &tag, &after)) {
    fields.authors = Items(content).items;
    if (fields.authors.empty()) {
      if (std::string name = PlainContent(content); !name.empty()) fields.authors.push_back(name);
    }
  }
  fields.container = Property(packet, "prism:publicationName");
  fields.volume = Property(packet, "prism:volume");
  fields.issue = Property(packet, "prism:number");
  fields.first_page = Property(packet, "prism:startingPage");
  fields.last_page = Property(packet, "prism:endingPage");
  fields.doi = FindDoi(Property(packet, "prism:doi"));
  fields.year = YearOf(Property(packet, "prism:coverDate"));
  if (fields.year.empty()) fields.year = YearOf(Property(packet, "prism:publicationDate"));
  return fields;
}

}  // namespace pdfindex
