// Plain C++ file-system calls; std::filesystem takes the UTF-8 paths as
// char8_t text, so they reach Windows as UTF-16 without the code page.
#include "platform/folder.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/process_control.h"

namespace platform {
namespace {

std::filesystem::path path_of(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string utf8_of(const std::filesystem::path& path) {
  std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace

bool make_folders(const std::string& utf8_path) {
  std::error_code error;
  std::filesystem::create_directories(path_of(utf8_path), error);
  return std::filesystem::is_directory(path_of(utf8_path), error);
}

std::vector<std::string> files_in_folder(const std::string& utf8_path) {
  std::vector<std::string> names;
  std::error_code error;
  std::filesystem::directory_iterator it(path_of(utf8_path), error);
  if (error) return names;
  for (; it != std::filesystem::directory_iterator(); it.increment(error)) {
    if (error) break;
    if (it->is_regular_file(error)) names.push_back(utf8_of(it->path().filename()));
  }
  return names;
}

bool remove_file(const std::string& utf8_path) {
  std::error_code error;
  return std::filesystem::remove(path_of(utf8_path), error);
}

bool write_file_atomically(const std::string& utf8_path, const std::string& bytes) {
  std::filesystem::path target = path_of(utf8_path);
  std::filesystem::path temporary = target;
  temporary += ".tmp" + std::to_string(current_process_id());
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
      out.close();
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      return false;
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, target, error);
  if (error) std::filesystem::remove(temporary, error);
  return !error;
}

std::optional<std::string> read_small_file(const std::string& utf8_path, size_t max_bytes) {
  std::ifstream in(path_of(utf8_path), std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes;
  char block[4096];
  while (in) {
    in.read(block, sizeof block);
    bytes.append(block, static_cast<size_t>(in.gcount()));
    if (bytes.size() > max_bytes) return std::nullopt;
  }
  return bytes;
}

}  // namespace platform
