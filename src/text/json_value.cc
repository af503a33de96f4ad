#include "text/json_value.h"

#include <cstdint>
#include <utility>

#include "text/encoding.h"

namespace pdfindex {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

bool IsValueByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '+' || c == '.';
}

// A JSON reader that gives up (returns false) on anything malformed and on
// nesting deeper than kMaxDepth, so that a hostile page cannot exhaust the
// stack.
class JsonReader {
 public:
  explicit JsonReader(std::string_view text) : text_(text) {}

  bool Read(Json* out) {
    if (!Value(out, 0)) return false;
    Skip();
    return true;
  }

 private:
  static constexpr int kMaxDepth = 64;

  void Skip() {
    while (at_ < text_.size() && IsSpace(text_[at_])) ++at_;
  }
  bool Eat(char c) {
    Skip();
    if (at_ < text_.size() && text_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }

  bool Value(Json* out, int depth) {
    if (depth > kMaxDepth) return false;
    Skip();
    if (at_ >= text_.size()) return false;
    const char c = text_[at_];
    if (c == '{') {
      ++at_;
      out->type = Json::kObject;
      if (Eat('}')) return true;
      do {
        Skip();
        std::string name;
        if (!String(&name) || !Eat(':')) return false;
        Json value;
        if (!Value(&value, depth + 1)) return false;
        out->names.push_back(std::move(name));
        out->values.push_back(std::move(value));
      } while (Eat(','));
      return Eat('}');
    }
    if (c == '[') {
      ++at_;
      out->type = Json::kArray;
      if (Eat(']')) return true;
      do {
        Json value;
        if (!Value(&value, depth + 1)) return false;
        out->items.push_back(std::move(value));
      } while (Eat(','));
      return Eat(']');
    }
    if (c == '"') {
      out->type = Json::kString;
      return String(&out->text);
    }
    const size_t start = at_;
    while (at_ < text_.size() && IsValueByte(text_[at_])) {
      ++at_;
    }
    if (at_ == start) return false;
    out->text = std::string(text_.substr(start, at_ - start));
    if (out->text == "true" || out->text == "false") {
      out->type = Json::kBool;
    } else if (out->text == "null") {
      out->type = Json::kNull;
    } else {
      out->type = Json::kNumber;
    }
    return true;
  }

  bool Hex4(uint32_t* value) {
    if (at_ + 4 > text_.size()) return false;
    *value = 0;
    for (int k = 0; k < 4; ++k) {
      const char h = text_[at_++];
      int v = -1;
      if (h >= '0' && h <= '9') v = h - '0';
      if (h >= 'a' && h <= 'f') v = h - 'a' + 10;
      if (h >= 'A' && h <= 'F') v = h - 'A' + 10;
      if (v < 0) return false;
      *value = *value * 16 + static_cast<uint32_t>(v);
    }
    return true;
  }

  bool String(std::string* out) {
    if (at_ >= text_.size() || text_[at_] != '"') return false;
    ++at_;
    while (at_ < text_.size()) {
      const char c = text_[at_++];
      if (c == '"') return true;
      if (c != '\\') {
        *out += c;
        continue;
      }
      if (at_ >= text_.size()) return false;
      const char e = text_[at_++];
      switch (e) {
        case 'n':
        case 'r':
        case 't':
        case 'f':
        case 'b':
          *out += ' ';
          break;
        case 'u': {
          uint32_t cp = 0;
          if (!Hex4(&cp)) return false;
          if (cp >= 0xD800 && cp < 0xDC00 && at_ + 1 < text_.size() && text_[at_] == '\\' &&
              text_[at_ + 1] == 'u') {
            at_ += 2;
            uint32_t low = 0;
            if (!Hex4(&low)) return false;
            if (low >= 0xDC00 && low < 0xE000)
              cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          }
          AppendUtf8(*out, cp);
          break;
        }
        default:
          *out += e;
          break;
      }
    }
    return false;
  }

  std::string_view text_;
  size_t at_ = 0;
};

}  // namespace

const Json* Json::Member(std::string_view name) const {
  for (size_t k = 0; k < names.size(); ++k) {
    if (names[k] == name) return &values[k];
  }
  return nullptr;
}

bool ReadJson(std::string_view text, Json* out) { return JsonReader(text).Read(out); }

}  // namespace pdfindex
