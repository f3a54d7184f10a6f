#include "platform/dynlib.h"

#include <windows.h>

#include "platform/text.h"

namespace platform {

LibraryHandle load_library(const std::string& utf8_path) {
  const std::u16string u = utf8_to_utf16(utf8_path);
  const std::wstring path(u.begin(), u.end());
  // No "cannot load" dialog box for a file that is not a library of ours.
  DWORD previous = 0;
  const BOOL quiet =
      ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous);
  HMODULE module = ::LoadLibraryW(path.c_str());
  if (quiet) ::SetThreadErrorMode(previous, nullptr);
  return reinterpret_cast<LibraryHandle>(module);
}

void* library_symbol(LibraryHandle library, const char* name) {
  if (!library) return nullptr;
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(library), name));
}

void release_library(LibraryHandle library) {
  if (library) ::FreeLibrary(static_cast<HMODULE>(library));
}

}  // namespace platform
