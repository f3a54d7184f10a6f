// File-system checks on UTF-8 paths, and path joining.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// The folder separator of this system: '\' on Windows, '/' elsewhere.
char path_separator();

// folder, the separator, name.
std::string join_path(const std::string& folder, const std::string& name);

// Size in bytes of a regular file; empty when it does not exist or cannot be examined.
std::optional<uint64_t> file_size(const std::string& utf8_path);

// True when the path names a file (not a folder) that can be opened for reading.
bool is_readable_file(const std::string& utf8_path);

bool is_directory(const std::string& utf8_path);

}  // namespace platform
