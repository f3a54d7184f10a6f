#include "platform/dynlib.h"

#include <windows.h>

#include "platform/text.h"

namespace platform {

namespace {

// LoadLibraryW appends a relative path to every folder of the DLL search
// path, the program's own folder first, so ".\\x.dll" could load the x.dll
// beside the program. A relative path here means the current folder, as on
// POSIX, so it is made absolute first. A bare name keeps the usual search.
std::wstring absolute_path(const std::wstring& path) {
  if (path.find_first_of(L"\\/") == std::wstring::npos) return path;
  const DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::wstring full(size, L'\0');
  const DWORD written = ::GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (written == 0 || written >= size) return path;
  full.resize(written);
  return full;
}

}  // namespace

LibraryHandle load_library(const std::string& utf8_path) {
  const std::u16string u = utf8_to_utf16(utf8_path);
  const std::wstring path = absolute_path(std::wstring(u.begin(), u.end()));
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
