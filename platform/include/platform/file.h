// C stdio streams opened by UTF-8 path, and the standard-output handover that
// lets a scene be written to "-".
#pragma once

#include <cstdio>
#include <string>

namespace platform {

// Opens the file with fopen semantics; on Windows the path and mode go through
// the wide-character open, so any UTF-8 name works. Null on failure (errno set).
std::FILE* open_file(const std::string& utf8_path, const char* mode);

// Returns a binary "wb" stream on a duplicate of standard output's descriptor,
// then points the process's standard output at standard error, so nothing
// else the process prints can mix into what goes to the returned stream.
// Null on failure (errno set); standard output is then left as it was.
std::FILE* take_standard_output();

}  // namespace platform
