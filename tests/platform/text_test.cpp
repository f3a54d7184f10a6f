#include <gtest/gtest.h>

#include "platform/text.h"

namespace {

struct Utf8Case {
  const char* label;
  std::string utf8;
  std::u16string utf16;
};

TEST(Utf8ToUtf16, ConvertsWellFormedAndReplacesMalformed) {
  const Utf8Case cases[] = {
      {"ascii", "Bracket v3", u"Bracket v3"},
      {"e acute", "caf\xC3\xA9", u"caf\u00E9"},
      {"three bytes", "\xE2\x82\xAC", u"\u20AC"},
      {"surrogate pair", "\xF0\x9F\x98\x80", u"\U0001F600"},
      {"empty", "", u""},
      {"stray continuation", "a\x80z", u"a\uFFFDz"},
      {"cut sequence at end", "a\xC3", u"a\uFFFD"},
      {"overlong slash", "\xC0\xAF", u"\uFFFD\uFFFD"},
      {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"beyond U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"embedded nul kept", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::utf8_to_utf16(c.utf8), c.utf16) << c.label;
  }
}

TEST(Utf16ToUtf8, RoundTripsAndReplacesUnpairedSurrogates) {
  for (const std::string s : {"plain", "caf\xC3\xA9", "\xF0\x9F\x98\x80 x", "\xE2\x82\xAC"}) {
    EXPECT_EQ(platform::utf16_to_utf8(platform::utf8_to_utf16(s)), s);
  }
  EXPECT_EQ(platform::utf16_to_utf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
  EXPECT_EQ(platform::utf16_to_utf8(u"a\xDC00z"), "a\xEF\xBF\xBDz");
}

}  // namespace
