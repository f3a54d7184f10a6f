// Dynamic libraries loaded by path at run time.
#pragma once

#include <string>

namespace platform {

using LibraryHandle = void*;

// Loads the library at the UTF-8 path (wide-character call on Windows); null
// when it cannot be loaded (missing, not a library, wrong word size).
LibraryHandle load_library(const std::string& utf8_path);

// The address of an exported symbol, or null.
void* library_symbol(LibraryHandle library, const char* name);

// Releases a handle from load_library; null is ignored.
void release_library(LibraryHandle library);

}  // namespace platform
