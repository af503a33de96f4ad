#include "metadata/page_meta.h"

#include <memory>
#include <utility>
#include <vector>

#include "core/names.h"
#include "metadata/plain.h"
#include "text/json_value.h"

namespace pdfindex {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

// The attributes of one tag, names in lower case, values as written.
struct Attributes {
  std::vector<std::pair<std::string, std::string>> list;
  std::string Get(std::string_view name) const {
    for (const auto& [n, v] : list) {
      if (n == name) return v;
    }
    return "";
  }
};

// Reads the attributes of the tag whose name ends before `at`, up to its
// ">"; returns the offset after the tag.
size_t ReadAttributes(std::string_view text, size_t at, Attributes* attrs) {
  size_t i = at;
  while (i < text.size() && text[i] != '>') {
    if (IsSpace(text[i]) || text[i] == '/') {
      ++i;
      continue;
    }
    const size_t name_start = i;
    while (i < text.size() && !IsSpace(text[i]) && text[i] != '=' && text[i] != '>') ++i;
    std::string name = AsciiLower(text.substr(name_start, i - name_start));
    while (i < text.size() && IsSpace(text[i])) ++i;
    std::string value;
    if (i < text.size() && text[i] == '=') {
      ++i;
      while (i < text.size() && IsSpace(text[i])) ++i;
      if (i < text.size() && (text[i] == '"' || text[i] == '\'')) {
        const char quote = text[i];
        const size_t end = text.find(quote, i + 1);
        const size_t stop = end == std::string_view::npos ? text.size() : end;
        value = std::string(text.substr(i + 1, stop - i - 1));
        i = stop == text.size() ? stop : stop + 1;
      } else {
        const size_t start = i;
        while (i < text.size() && !IsSpace(text[i]) && text[i] != '>') ++i;
        value = std::string(text.substr(start, i - start));
      }
    }
    if (!name.empty()) attrs->list.emplace_back(std::move(name), std::move(value));
  }
  return i < text.size() ? i + 1 : i;
}

// The fields one tag family found, kept apart until the families are merged
// in their fixed order.
struct Family {
  ArticleFields fields;
  bool seen = false;
  /// The names of a citation_authors tag, used where no citation_author
  /// tag names them one by one (pages that have both name everyone twice).
  std::vector<std::string> joined_authors;
};

void Fill(std::string* field, const std::string& value) {
  if (field->empty()) *field = value;
}

void MergeInto(const ArticleFields& from, ArticleFields* to) {
  if (to->authors.empty()) to->authors = from.authors;
  Fill(&to->title, from.title);
  Fill(&to->container, from.container);
  Fill(&to->volume, from.volume);
  Fill(&to->issue, from.issue);
  Fill(&to->year, from.year);
  Fill(&to->first_page, from.first_page);
  Fill(&to->last_page, from.last_page);
  Fill(&to->doi, from.doi);
  Fill(&to->url, from.url);
  Fill(&to->abstract, from.abstract);
}

// One <meta> tag of the Highwire family.
void Highwire(std::string_view key, const std::string& value, Family* f, std::string* pdf_url) {
  ArticleFields& a = f->fields;
  f->seen = true;
  if (key == "title") {
    Fill(&a.title, value);
  } else if (key == "author") {
    for (std::string& name : SplitPersons(CollapseSpace(value))) a.authors.push_back(std::move(name));
  } else if (key == "authors") {
    // One string of all the authors, taken only where no page names them
    // one by one.
    for (std::string& name : SplitPersons(CollapseSpace(value))) {
      f->joined_authors.push_back(std::move(name));
    }
  } else if (key == "abstract") {
    Fill(&a.abstract, value);
  } else if (key == "journal_title") {
    a.container = value;
  } else if (key == "journal_abbrev") {
    Fill(&a.container, value);
  } else if (key == "volume") {
    Fill(&a.volume, value);
  } else if (key == "issue") {
    Fill(&a.issue, value);
  } else if (key == "firstpage") {
    Fill(&a.first_page, value);
  } else if (key == "lastpage") {
    Fill(&a.last_page, value);
  } else if (key == "publication_date" || key == "date" || key == "online_date") {
    Fill(&a.year, YearOf(value));
  } else if (key == "doi") {
    Fill(&a.doi, FindDoi(value));
  } else if (key == "pdf_url") {
    Fill(pdf_url, value);
  } else if (key == "abstract_html_url" || key == "fulltext_html_url") {
    Fill(&a.url, value);
  }
}

void DublinCore(std::string_view key, const std::string& value, Family* f) {
  ArticleFields& a = f->fields;
  f->seen = true;
  if (key == "title") {
    Fill(&a.title, value);
  } else if (key == "creator" || key == "creator.personalname") {
    for (std::string& name : SplitPersons(CollapseSpace(value))) {
      a.authors.push_back(std::move(name));
    }
  } else if (key == "date" || key == "date.issued" || key == "issued") {
    Fill(&a.year, YearOf(value));
  } else if (key == "identifier" || key == "identifier.doi") {
    Fill(&a.doi, FindDoi(value));
  } else if (key == "source" || key == "relation.ispartof") {
    Fill(&a.container, value);
  }
}

void Prism(std::string_view key, const std::string& value, Family* f) {
  ArticleFields& a = f->fields;
  f->seen = true;
  if (key == "publicationname") {
    Fill(&a.container, value);
  } else if (key == "volume") {
    Fill(&a.volume, value);
  } else if (key == "number" || key == "issueidentifier") {
    Fill(&a.issue, value);
  } else if (key == "startingpage") {
    Fill(&a.first_page, value);
  } else if (key == "endingpage") {
    Fill(&a.last_page, value);
  } else if (key == "doi") {
    Fill(&a.doi, FindDoi(value));
  } else if (key == "publicationdate" || key == "coverdate") {
    Fill(&a.year, YearOf(value));
  } else if (key == "url") {
    Fill(&a.url, value);
  }
}

// The text of a scalar JSON value; "" for arrays, objects and null.
std::string Scalar(const Json* v) {
  if (v == nullptr || (v->type != Json::kString && v->type != Json::kNumber)) return "";
  return CollapseSpace(StripMarkup(DecodeReferences(v->text)));
}

bool HasType(const Json& v, std::string_view type) {
  const Json* t = v.Member("@type");
  if (t == nullptr) return false;
  if (t->type == Json::kString) return t->text == type;
  for (const Json& item : t->items) {
    if (item.type == Json::kString && item.text == type) return true;
  }
  return false;
}

std::string PersonName(const Json& person) {
  if (person.type == Json::kString) return Scalar(&person);
  std::string name = Scalar(person.Member("name"));
  if (!name.empty()) return name;
  const std::string given = Scalar(person.Member("givenName"));
  const std::string family = Scalar(person.Member("familyName"));
  return CollapseSpace(given + " " + family);
}

// Volume, issue and journal from an isPartOf chain.
void PartOf(const Json* part, ArticleFields* a, int depth) {
  if (part == nullptr || depth > 8) return;
  if (part->type == Json::kArray) {
    for (const Json& item : part->items) PartOf(&item, a, depth + 1);
    return;
  }
  if (part->type != Json::kObject) return;
  if (HasType(*part, "PublicationIssue")) Fill(&a->issue, Scalar(part->Member("issueNumber")));
  if (HasType(*part, "PublicationVolume")) Fill(&a->volume, Scalar(part->Member("volumeNumber")));
  if (HasType(*part, "Periodical")) Fill(&a->container, Scalar(part->Member("name")));
  PartOf(part->Member("isPartOf"), a, depth + 1);
}

void JsonArticle(const Json& v, Family* f) {
  ArticleFields& a = f->fields;
  f->seen = true;
  Fill(&a.title, Scalar(v.Member("headline")));
  Fill(&a.title, Scalar(v.Member("name")));
  if (const Json* author = v.Member("author"); author != nullptr && a.authors.empty()) {
    if (author->type == Json::kArray) {
      for (const Json& p : author->items) {
        if (std::string name = PersonName(p); !name.empty()) a.authors.push_back(std::move(name));
      }
    } else if (std::string name = PersonName(*author); !name.empty()) {
      a.authors.push_back(std::move(name));
    }
  }
  PartOf(v.Member("isPartOf"), &a, 0);
  Fill(&a.first_page, Scalar(v.Member("pageStart")));
  Fill(&a.last_page, Scalar(v.Member("pageEnd")));
  Fill(&a.year, YearOf(Scalar(v.Member("datePublished"))));
  Fill(&a.doi, FindDoi(Scalar(v.Member("doi"))));
  if (const Json* id = v.Member("identifier"); id != nullptr) {
    if (id->type == Json::kObject) {
      Fill(&a.doi, FindDoi(Scalar(id->Member("value"))));
    } else if (id->type == Json::kArray) {
      for (const Json& item : id->items) {
        Fill(&a.doi,
             FindDoi(item.type == Json::kObject ? Scalar(item.Member("value")) : Scalar(&item)));
      }
    } else {
      Fill(&a.doi, FindDoi(Scalar(id)));
    }
  }
  Fill(&a.doi, FindDoi(Scalar(v.Member("sameAs"))));
  Fill(&a.url, Scalar(v.Member("url")));
}

// The first article in a JSON-LD value: the value itself, an item of an
// array, or a member of an @graph.
const Json* FindArticle(const Json& v, int depth) {
  if (depth > 4) return nullptr;
  if (v.type == Json::kObject) {
    if (HasType(v, "ScholarlyArticle") || HasType(v, "Article")) return &v;
    if (const Json* graph = v.Member("@graph")) return FindArticle(*graph, depth + 1);
  } else if (v.type == Json::kArray) {
    for (const Json& item : v.items) {
      if (const Json* found = FindArticle(item, depth + 1)) return found;
    }
  }
  return nullptr;
}

}  // namespace

PageMeta ParsePageMeta(std::string_view page) {
  PageMeta meta;
  Family highwire, dublin, prism, json;
  for (size_t at = FindNoCase(page, "<meta", 0); at != std::string_view::npos;
       at = FindNoCase(page, "<meta", at)) {
    Attributes attrs;
    at = ReadAttributes(page, at + 5, &attrs);
    std::string name = AsciiLower(attrs.Get("name"));
    if (name.empty()) name = AsciiLower(attrs.Get("property"));
    if (name.empty()) continue;
    // Values hold markup too ("CO<sub>2</sub>"), often escaped as entities.
    const std::string value = CollapseSpace(StripMarkup(DecodeReferences(attrs.Get("content"))));
    if (value.empty()) continue;
    const std::string_view key(name);
    if (key.starts_with("citation_")) {
      Highwire(key.substr(9), value, &highwire, &meta.pdf_url);
    } else if (key.starts_with("dc.") || key.starts_with("dc:") || key.starts_with("dcterms.")) {
      DublinCore(key.substr(key.find_first_of(".:") + 1), value, &dublin);
    } else if (key.starts_with("prism.") || key.starts_with("prism:")) {
      Prism(key.substr(6), value, &prism);
    }
  }
  // A script's body is raw text up to its "</script" (or the page's end),
  // and the next script is looked for after it: every byte is read once
  // however many scripts a page opens and never closes.
  for (size_t at = FindNoCase(page, "<script", 0); at != std::string_view::npos;
       at = FindNoCase(page, "<script", at)) {
    Attributes attrs;
    at = ReadAttributes(page, at + 7, &attrs);
    size_t end = FindNoCase(page, "</script", at);
    if (end == std::string_view::npos) end = page.size();
    const std::string_view body = page.substr(at, end - at);
    at = end;
    if (AsciiLower(attrs.Get("type")).find("ld+json") == std::string::npos) continue;
    Json value;
    if (!ReadJson(body, &value)) continue;
    if (const Json* article = FindArticle(value, 0); article != nullptr && !json.seen) {
      JsonArticle(*article, &json);
    }
  }
  if (highwire.fields.authors.empty()) highwire.fields.authors = std::move(highwire.joined_authors);
  for (const Family* f : {&highwire, &dublin, &prism, &json}) {
    if (!f->seen) continue;
    meta.tagged = true;
    MergeInto(f->fields, &meta.fields);
  }
  return meta;
}

bool PageDescribesPdf(const PageMeta& meta, std::string_view page_name, std::string_view pdf_file,
                      std::string_view pdf_base) {
  if (!meta.tagged) return false;
  if (!meta.pdf_url.empty()) {
    std::string_view url = meta.pdf_url;
    url = url.substr(0, url.find_first_of("?#"));
    const size_t slash = url.rfind('/');
    if (slash != std::string_view::npos) url.remove_prefix(slash + 1);
    const std::string segment = PercentDecode(url);
    if (!segment.empty() && (EqualNoCase(segment, pdf_file) || EqualNoCase(segment, pdf_base))) {
      return true;
    }
  }
  const size_t dot = page_name.rfind('.');
  const std::string_view page_base =
      dot == std::string_view::npos ? page_name : page_name.substr(0, dot);
  return !page_base.empty() && page_base == pdf_base;
}

}  // namespace pdfindex
