// Folders and whole files by UTF-8 path.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

// Creates the folder and any missing parents; true when it exists afterwards.
bool make_folders(const std::string& utf8_path);

// Names (not paths) of the regular files in a folder; empty when unreadable.
std::vector<std::string> files_in_folder(const std::string& utf8_path);

bool remove_file(const std::string& utf8_path);

// Writes the bytes to a temporary file beside path and renames it over path,
// so readers see the old content or the new, never a part.
bool write_file_atomically(const std::string& utf8_path, const std::string& bytes);

// The whole file, or empty when it cannot be read or exceeds max_bytes.
std::optional<std::string> read_small_file(const std::string& utf8_path, size_t max_bytes);

}  // namespace platform
