#include "platform/dynlib.h"

#include <dlfcn.h>

namespace platform {

LibraryHandle load_library(const std::string& utf8_path) {
  return ::dlopen(utf8_path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* library_symbol(LibraryHandle library, const char* name) {
  return library ? ::dlsym(library, name) : nullptr;
}

void release_library(LibraryHandle library) {
  if (library) ::dlclose(library);
}

}  // namespace platform
