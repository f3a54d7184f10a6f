// Registry fixtures for tests: a registry export file written as regedit
// writes it (UTF-16LE with a byte-order mark, CRLF line ends), imported so
// that the registry reads see it (the real registry on Windows).
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "platform/registry.h"
#include "platform/text.h"

namespace reg_fixture {

// A text as it stands between quotes in a registry export.
inline std::string quoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + '"';
}

inline std::string utf16_file_bytes(std::string_view utf8_body) {
  std::string text = "Windows Registry Editor Version 5.00\n\n";
  text += utf8_body;
  std::string with_crlf;
  for (char c : text) {
    if (c == '\n') with_crlf += '\r';
    with_crlf += c;
  }
  std::string bytes = "\xFF\xFE";
  for (char16_t u : platform::utf8_to_utf16(with_crlf)) {
    bytes += static_cast<char>(u & 0xFF);
    bytes += static_cast<char>(u >> 8);
  }
  return bytes;
}

inline std::string utf8_of(const std::filesystem::path& p) {
  const std::u8string u = p.u8string();
  return std::string(u.begin(), u.end());
}

// Writes the body (after the header line) to file and imports it; false when
// the import failed.
inline bool install(const std::filesystem::path& file, std::string_view utf8_body) {
  std::ofstream(file, std::ios::binary) << utf16_file_bytes(utf8_body);
  return platform::import_registry_file(utf8_of(file));
}

}  // namespace reg_fixture
