// Text conversions at the operating-system boundary. Inside the system every
// text is UTF-8; Windows wants UTF-16 (never the system code page).
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Malformed UTF-8 (stray continuation bytes, overlong forms, surrogates, cut
// sequences) becomes U+FFFD, one per offending byte, so no input is refused.
std::u16string utf8_to_utf16(std::string_view utf8);

// Unpaired surrogates become U+FFFD.
std::string utf16_to_utf8(std::u16string_view utf16);

}  // namespace platform
