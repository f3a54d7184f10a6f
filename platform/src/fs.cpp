#include "platform/fs.h"

#include <filesystem>

#include "platform/file.h"

namespace platform {

namespace {
std::filesystem::path native(const std::string& utf8_path) {
  return std::filesystem::path(std::u8string(utf8_path.begin(), utf8_path.end()));
}
}  // namespace

std::string join_path(const std::string& folder, const std::string& name) {
  return folder + path_separator() + name;
}

std::optional<uint64_t> file_size(const std::string& utf8_path) {
  std::error_code ec;
  const auto p = native(utf8_path);
  if (!std::filesystem::is_regular_file(p, ec)) return std::nullopt;
  const auto size = std::filesystem::file_size(p, ec);
  if (ec) return std::nullopt;
  return size;
}

bool is_readable_file(const std::string& utf8_path) {
  if (utf8_path.empty() || is_directory(utf8_path)) return false;
  std::FILE* f = open_file(utf8_path, "rb");
  if (!f) return false;
  std::fclose(f);
  return true;
}

bool is_directory(const std::string& utf8_path) {
  std::error_code ec;
  return !utf8_path.empty() && std::filesystem::is_directory(native(utf8_path), ec);
}

}  // namespace platform
