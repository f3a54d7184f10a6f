#include "platform/clock.h"

#include <windows.h>

#include "platform/text.h"

namespace platform {

void sleep_milliseconds(unsigned milliseconds) { ::Sleep(milliseconds); }

uint64_t tick_milliseconds() { return ::GetTickCount64(); }

std::optional<std::string> local_time_text() {
  wchar_t text[64];
  const int written = ::GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, nullptr, L"HH':'mm':'ss", text,
                                        static_cast<int>(sizeof text / sizeof text[0]));
  if (written <= 0) return std::nullopt;
  const std::wstring w(text);
  return utf16_to_utf8(std::u16string(w.begin(), w.end()));
}

}  // namespace platform
