#include "platform/reg_file.h"

#include <algorithm>
#include <optional>

#include "platform/text.h"

namespace platform {

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

// The file as valid UTF-8, whatever its encoding; malformed bytes become U+FFFD.
std::string decode(std::string_view bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                            (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    return utf16_to_utf8(units);
  }
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  return utf16_to_utf8(utf8_to_utf16(bytes));
}

std::vector<uint8_t> utf16_bytes_with_terminator(std::string_view utf8) {
  std::vector<uint8_t> out;
  for (char16_t u : utf8_to_utf16(utf8)) {
    out.push_back(static_cast<uint8_t>(u & 0xFF));
    out.push_back(static_cast<uint8_t>(u >> 8));
  }
  out.push_back(0);
  out.push_back(0);
  return out;
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// 1 to max_digits hex digits, nothing else.
std::optional<uint32_t> parse_hex_number(std::string_view s, size_t max_digits) {
  if (s.empty() || s.size() > max_digits) return std::nullopt;
  uint32_t v = 0;
  for (char c : s) {
    const int d = hex_digit(c);
    if (d < 0) return std::nullopt;
    v = (v << 4) | static_cast<uint32_t>(d);
  }
  return v;
}

// Reads a quoted text starting at s[0] == '"', with the escapes \\ and \".
// Advances s past the closing quote. Empty optional when unterminated or
// when another escape appears.
std::optional<std::string> parse_quoted(std::string_view& s, std::string& error) {
  std::string out;
  for (size_t i = 1; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '"') {
      s.remove_prefix(i + 1);
      return out;
    }
    if (c == '\\') {
      if (i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) {
        out.push_back(s[++i]);
        continue;
      }
      error = "unknown escape in quoted text";
      return std::nullopt;
    }
    out.push_back(c);
  }
  error = "quoted text without its closing quote";
  return std::nullopt;
}

std::optional<std::vector<uint8_t>> parse_hex_bytes(std::string_view s) {
  std::vector<uint8_t> out;
  s = trim(s);
  if (s.empty()) return out;
  while (true) {
    const size_t comma = s.find(',');
    const std::string_view item = trim(s.substr(0, comma));
    const auto byte = parse_hex_number(item, 2);
    if (!byte) return std::nullopt;
    out.push_back(static_cast<uint8_t>(*byte));
    if (comma == std::string_view::npos) return out;
    s.remove_prefix(comma + 1);
  }
}

// The folded full name of the root, or empty when the root is one this
// system never reads (classes, users, configuration); nullopt when unknown.
std::optional<std::string> root_name(std::string_view root) {
  const std::string folded = fold_registry_name(root);
  if (folded == "hkey_current_user" || folded == "hkcu") return std::string("hkey_current_user");
  if (folded == "hkey_local_machine" || folded == "hklm") return std::string("hkey_local_machine");
  if (folded == "hkey_classes_root" || folded == "hkey_users" || folded == "hkey_current_config" ||
      folded == "hkcr" || folded == "hku" || folded == "hkcc") {
    return std::string();
  }
  return std::nullopt;
}

class Importer {
 public:
  Importer(const std::string& file_name, RegistryTree& tree, std::ostream& warnings)
      : file_name_(file_name), tree_(tree), warnings_(warnings) {}

  void run(const std::string& text) {
    std::vector<std::string_view> lines;
    std::string_view rest = text;
    while (!rest.empty()) {
      const size_t nl = rest.find('\n');
      lines.push_back(rest.substr(0, nl));
      if (nl == std::string_view::npos) break;
      rest.remove_prefix(nl + 1);
    }
    size_t first = 0;
    while (first < lines.size() && trim(lines[first]).empty()) ++first;
    if (first == lines.size() || trim(lines[first]) != kHeader) {
      warnings_ << file_name_ << ": not a registry export (no \"" << kHeader
                << "\" line); file ignored\n";
      return;
    }
    for (size_t i = first + 1; i < lines.size(); ++i) {
      const size_t line_number = i + 1;
      std::string logical(trim(lines[i]));
      // Long hex values continue on the next lines after a trailing backslash.
      if (!logical.empty() && (logical[0] == '"' || logical[0] == '@') &&
          logical.find("=hex") != std::string::npos) {
        while (!logical.empty() && logical.back() == '\\' && i + 1 < lines.size()) {
          logical.pop_back();
          logical += trim(lines[++i]);
        }
      }
      line(logical, line_number);
    }
  }

 private:
  void warn(size_t line_number, std::string_view reason) {
    warnings_ << file_name_ << ":" << line_number << ": " << reason << "; line skipped\n";
  }

  void line(std::string_view s, size_t line_number) {
    if (s.empty() || s[0] == ';') return;
    if (s[0] == '[') return section(s, line_number);
    if (s[0] == '"' || s[0] == '@') return value(s, line_number);
    warn(line_number, "neither a key nor a value");
  }

  void section(std::string_view s, size_t line_number) {
    key_.reset();  // values below a refused section must not land in the previous key
    foreign_root_ = false;
    if (s.back() != ']') return warn(line_number, "key line without its closing bracket");
    s = s.substr(1, s.size() - 2);
    const bool remove = !s.empty() && s[0] == '-';
    if (remove) s.remove_prefix(1);
    if (!s.empty() && s.back() == '\\') s.remove_suffix(1);
    const size_t slash = s.find('\\');
    const auto root = root_name(s.substr(0, slash));
    if (!root) return warn(line_number, "unknown root key");
    std::vector<std::string> parts{*root};
    if (slash != std::string_view::npos) {
      std::string_view path = s.substr(slash + 1);
      while (true) {
        const size_t next = path.find('\\');
        const std::string_view part = path.substr(0, next);
        if (part.empty()) return warn(line_number, "empty key name in path");
        parts.push_back(fold_registry_name(part));
        if (next == std::string_view::npos) break;
        path.remove_prefix(next + 1);
      }
    }
    if (root->empty()) {
      foreign_root_ = true;  // a root this system never reads: its values are ignored
      return;
    }
    std::string full;
    for (size_t k = 0; k < parts.size(); ++k) {
      if (k) full += '\\';
      full += parts[k];
      if (!remove) tree_[full];  // parents exist as keys too, as in the registry
    }
    if (remove) {
      const std::string prefix = full + '\\';
      tree_.erase(full);
      for (auto it = tree_.lower_bound(prefix);
           it != tree_.end() && it->first.compare(0, prefix.size(), prefix) == 0;) {
        it = tree_.erase(it);
      }
      return;
    }
    key_ = full;
  }

  void value(std::string_view s, size_t line_number) {
    std::string name;
    std::string error;
    if (s[0] == '@') {
      s.remove_prefix(1);
    } else {
      auto quoted = parse_quoted(s, error);
      if (!quoted) return warn(line_number, error);
      name = *quoted;
    }
    s = trim(s);
    if (s.empty() || s[0] != '=') return warn(line_number, "value without \"=\"");
    s = trim(s.substr(1));
    if (!key_) return foreign_root_ ? void() : warn(line_number, "value outside a key");
    RegistryValues& values = tree_[*key_];
    const std::string folded = fold_registry_name(name);
    if (s == "-") {
      values.erase(folded);
      return;
    }
    RegistryValue v;
    if (!s.empty() && s[0] == '"') {
      auto text = parse_quoted(s, error);
      if (!text) return warn(line_number, error);
      if (!trim(s).empty()) return warn(line_number, "text after the closing quote");
      v.type = kRegSz;
      v.data = utf16_bytes_with_terminator(*text);
    } else if (s.substr(0, 6) == "dword:") {
      const auto number = parse_hex_number(trim(s.substr(6)), 8);
      if (!number) return warn(line_number, "dword value is not 1 to 8 hex digits");
      v.type = kRegDword;
      for (int k = 0; k < 4; ++k) v.data.push_back(static_cast<uint8_t>(*number >> (8 * k)));
    } else if (s.substr(0, 4) == "hex:" || s.substr(0, 4) == "hex(") {
      std::string_view rest = s.substr(3);
      v.type = kRegBinary;
      if (rest[0] == '(') {
        const size_t close = rest.find(')');
        const auto type = close == std::string_view::npos
                              ? std::nullopt
                              : parse_hex_number(rest.substr(1, close - 1), 8);
        if (!type) return warn(line_number, "hex value with a bad type");
        v.type = *type;
        rest.remove_prefix(close + 1);
      }
      if (rest.empty() || rest[0] != ':') return warn(line_number, "hex value without \":\"");
      auto bytes = parse_hex_bytes(rest.substr(1));
      if (!bytes) return warn(line_number, "hex value with a bad byte");
      v.data = std::move(*bytes);
    } else {
      return warn(line_number, "value of unknown form");
    }
    values[folded] = std::move(v);
  }

  const std::string& file_name_;
  RegistryTree& tree_;
  std::ostream& warnings_;
  std::optional<std::string> key_;
  bool foreign_root_ = false;
};

}  // namespace

std::string fold_registry_name(std::string_view name) {
  std::string out(name);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

void apply_reg_file(std::string_view bytes, const std::string& file_name, RegistryTree& tree,
                    std::ostream& warnings) {
  Importer(file_name, tree, warnings).run(decode(bytes));
}

}  // namespace platform
