#include "platform/env.h"

#include <stdlib.h>
#include <windows.h>

#include "platform/text.h"

namespace platform {

namespace {
std::wstring wide(const std::string& utf8) {
  const std::u16string u = utf8_to_utf16(utf8);
  return std::wstring(u.begin(), u.end());
}
}  // namespace

std::optional<std::string> get_environment(const std::string& name) {
  const wchar_t* value = ::_wgetenv(wide(name).c_str());
  if (!value) return std::nullopt;
  const std::wstring w(value);
  return utf16_to_utf8(std::u16string(w.begin(), w.end()));
}

// _wputenv_s keeps the C runtime's copy and the process environment (which
// started programs inherit) in step.
bool set_environment(const std::string& name, const std::string& value) {
  return ::_wputenv_s(wide(name).c_str(), wide(value).c_str()) == 0;
}

bool unset_environment(const std::string& name) {
  return ::_wputenv_s(wide(name).c_str(), L"") == 0;
}

}  // namespace platform
