#include "platform/clock.h"

#include <time.h>

namespace platform {

void sleep_milliseconds(unsigned milliseconds) {
  timespec wait{static_cast<time_t>(milliseconds / 1000),
                static_cast<long>(milliseconds % 1000) * 1000000L};
  while (::nanosleep(&wait, &wait) != 0) {
  }
}

uint64_t tick_milliseconds() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
}

std::optional<std::string> local_time_text() {
  const time_t now = ::time(nullptr);
  tm local{};
  if (now == static_cast<time_t>(-1) || !::localtime_r(&now, &local)) return std::nullopt;
  char text[16];
  if (::strftime(text, sizeof text, "%H:%M:%S", &local) == 0) return std::nullopt;
  return std::string(text);
}

}  // namespace platform
