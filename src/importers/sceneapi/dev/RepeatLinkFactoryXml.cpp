// A small XML reader for the live-link texts: elements, attributes, text,
// character references, comments, CDATA, processing instructions and a
// document type line. Anything malformed gives nothing.
#include "sceneapi/dev/RepeatLinkFactoryXml.h"

#include <cstdint>
#include <cstring>

namespace orv::linkxml {

const std::string* Element::attribute(std::string_view attributeName) const {
  for (const auto& [key, value] : attributes) {
    if (key == attributeName) return &value;
  }
  return nullptr;
}

namespace {

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  std::optional<Element> document() {
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
    std::optional<Element> root;
    while (true) {
      skipSpace();
      if (atEnd()) break;
      if (!startsWith("<")) return std::nullopt;  // text outside the root
      if (skipMarkup()) continue;
      if (failed_) return std::nullopt;
      Element element;
      if (!readElement(element, 1)) return std::nullopt;
      if (!root) root = std::move(element);  // later top-level elements are read and dropped
    }
    return root;
  }

 private:
  bool atEnd() const { return pos_ >= text_.size(); }
  bool startsWith(std::string_view prefix) const {
    return text_.substr(pos_, prefix.size()) == prefix;
  }
  static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
  void skipSpace() {
    while (!atEnd() && isSpace(text_[pos_])) ++pos_;
  }
  // Moves past the terminator; false (and failed) when it never comes.
  bool skipPast(std::string_view terminator) {
    size_t end = text_.find(terminator, pos_);
    if (end == std::string_view::npos) {
      failed_ = true;
      return false;
    }
    pos_ = end + terminator.size();
    return true;
  }

  // Comments, processing instructions and document type lines. True when
  // one was skipped.
  bool skipMarkup() {
    if (startsWith("<!--")) return skipPast("-->");
    if (startsWith("<?")) return skipPast("?>");
    if (startsWith("<!") && !startsWith("<![CDATA[")) return skipPast(">");
    return false;
  }

  static bool isNameChar(char c) {
    return !isSpace(c) && c != '/' && c != '>' && c != '=' && c != '<' && c != '"' && c != '\'' &&
           c != '\0';
  }

  std::string readName() {
    size_t start = pos_;
    while (!atEnd() && isNameChar(text_[pos_])) ++pos_;
    return std::string(text_.substr(start, pos_ - start));
  }

  static void appendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  // Text with its entity and character references replaced; an unknown
  // reference is kept as written.
  static std::string decode(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] != '&') {
        out += raw[i];
        continue;
      }
      size_t semicolon = raw.find(';', i);
      if (semicolon == std::string_view::npos || semicolon - i > 12) {
        out += raw[i];
        continue;
      }
      std::string_view entity = raw.substr(i + 1, semicolon - i - 1);
      static const std::pair<std::string_view, char> kNamed[] = {
          {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
      bool replaced = false;
      for (const auto& [name, character] : kNamed) {
        if (entity == name) {
          out += character;
          replaced = true;
        }
      }
      if (!replaced && entity.size() > 1 && entity[0] == '#') {
        bool hex = entity[1] == 'x' || entity[1] == 'X';
        std::string_view digits = entity.substr(hex ? 2 : 1);
        uint32_t code = 0;
        bool valid = !digits.empty();
        for (char c : digits) {
          int digit = c >= '0' && c <= '9'          ? c - '0'
                      : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                    : -1;
          if (digit < 0) valid = false;
          if (!valid) break;
          code = code * (hex ? 16 : 10) + static_cast<uint32_t>(digit);
          if (code > 0x10FFFF) valid = false;
        }
        if (valid && code != 0) {
          appendUtf8(out, code);
          replaced = true;
        }
      }
      if (replaced) {
        i = semicolon;
      } else {
        out += raw[i];
      }
    }
    return out;
  }

  bool readAttributes(Element& element, bool& selfClosed) {
    while (true) {
      skipSpace();
      if (atEnd()) return false;
      if (startsWith("/>")) {
        pos_ += 2;
        selfClosed = true;
        return true;
      }
      if (startsWith(">")) {
        ++pos_;
        selfClosed = false;
        return true;
      }
      std::string name = readName();
      if (name.empty()) return false;
      skipSpace();
      if (!startsWith("=")) return false;
      ++pos_;
      skipSpace();
      if (atEnd() || (text_[pos_] != '"' && text_[pos_] != '\'')) return false;
      char quote = text_[pos_++];
      size_t end = text_.find(quote, pos_);
      if (end == std::string_view::npos) return false;
      element.attributes.emplace_back(std::move(name), decode(text_.substr(pos_, end - pos_)));
      pos_ = end + 1;
    }
  }

  // At '<' of a start tag.
  bool readElement(Element& element, int depth) {
    if (depth > kMaxDepth) return false;
    ++pos_;
    element.name = readName();
    if (element.name.empty()) return false;
    bool selfClosed = false;
    if (!readAttributes(element, selfClosed)) return false;
    if (selfClosed) return true;
    bool firstNode = true;
    while (true) {
      if (atEnd()) return false;
      if (startsWith("</")) {
        pos_ += 2;
        if (readName() != element.name) return false;
        skipSpace();
        if (!startsWith(">")) return false;
        ++pos_;
        return true;
      }
      if (startsWith("<![CDATA[")) {
        pos_ += 9;
        size_t end = text_.find("]]>", pos_);
        if (end == std::string_view::npos) return false;
        if (firstNode) element.text = std::string(text_.substr(pos_, end - pos_));
        pos_ = end + 3;
        firstNode = false;
        continue;
      }
      if (startsWith("<")) {
        if (skipMarkup()) continue;  // comments do not hide the text after them
        if (failed_) return false;
        element.children.emplace_back();
        if (!readElement(element.children.back(), depth + 1)) return false;
        firstNode = false;
        continue;
      }
      size_t end = text_.find('<', pos_);
      if (end == std::string_view::npos) return false;
      std::string_view raw = text_.substr(pos_, end - pos_);
      pos_ = end;
      bool blank = true;
      for (char c : raw) blank = blank && isSpace(c);
      if (blank) continue;  // layout between elements is no text
      if (firstNode) element.text = decode(raw);
      firstNode = false;
    }
  }

  std::string_view text_;
  size_t pos_ = 0;
  bool failed_ = false;
};

}  // namespace

std::optional<Element> readDocumentPlain(const char* text) {
  if (!text) return std::nullopt;
  return Reader(std::string_view(text, std::strlen(text))).document();
}

}  // namespace orv::linkxml
