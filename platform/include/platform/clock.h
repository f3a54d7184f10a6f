// Sleeping, a millisecond tick counter and the local time of day.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

void sleep_milliseconds(unsigned milliseconds);

// Milliseconds from an arbitrary fixed point; never goes backwards.
uint64_t tick_milliseconds();

// The current local time as "HH:mm:ss" (hours 00 to 23) in the user's
// default locale; empty when formatting fails.
std::optional<std::string> local_time_text();

}  // namespace platform
