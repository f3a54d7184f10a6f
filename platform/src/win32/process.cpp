#include "platform/process.h"

#include <windows.h>

#include "platform/text.h"

namespace platform {

bool start_process(const std::string& application_path) {
  const std::u16string u = utf8_to_utf16(application_path);
  const std::wstring path(u.begin(), u.end());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(path.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
    return false;
  }
  ::CloseHandle(info.hProcess);
  ::CloseHandle(info.hThread);
  return true;
}

}  // namespace platform
