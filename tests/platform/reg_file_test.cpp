#include "platform/reg_file.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "reg_fixture.h"

namespace {

using platform::RegistryTree;
using platform::RegistryValue;

constexpr const char* kKey = "hkey_current_user\\software\\orvane\\lumivex 9";

RegistryTree import_text(std::string_view bytes, std::string* warnings = nullptr) {
  RegistryTree tree;
  std::ostringstream w;
  platform::apply_reg_file(bytes, "fixture.reg", tree, w);
  if (warnings) *warnings = w.str();
  return tree;
}

std::vector<uint8_t> utf16z(std::u16string_view text) {
  std::vector<uint8_t> out;
  for (char16_t u : text) {
    out.push_back(static_cast<uint8_t>(u & 0xFF));
    out.push_back(static_cast<uint8_t>(u >> 8));
  }
  out.push_back(0);
  out.push_back(0);
  return out;
}

const RegistryValue* value(const RegistryTree& tree, const std::string& key,
                           const std::string& name) {
  const auto k = tree.find(key);
  if (k == tree.end()) return nullptr;
  const auto v = k->second.find(name);
  return v == k->second.end() ? nullptr : &v->second;
}

// The same export in the encodings regedit and editors produce.
TEST(RegFile, ValuesOfEveryFormInEachEncoding) {
  const std::string body =
      "; a comment\n"
      "[HKEY_CURRENT_USER\\SOFTWARE\\Orvane\\LumiVex 9]\n"
      "\"BinName\"=\"C:\\\\Apps\\\\LumiVex 9\\\\lv \\\"x\\\".exe\"\n"
      "\"LiveLinkPort\"=dword:00000bb8\n"
      "\"Short\"=dword:1f\n"
      "@=\"default\"\n"
      "\"Blob\"=hex:01,ff,\\\n"
      "  0a\n"
      "\"Expand\"=hex(2):25,00,41,00,25,00,00,00\n"
      "\"Caf\xC3\xA9\"=\"\xE2\x82\xAC\"\n";
  const std::string utf8 = "Windows Registry Editor Version 5.00\r\n\r\n" + body;
  for (const std::string& bytes :
       {reg_fixture::utf16_file_bytes(body), utf8, "\xEF\xBB\xBF" + utf8}) {
    std::string warnings;
    const RegistryTree tree = import_text(bytes, &warnings);
    EXPECT_EQ(warnings, "");
    const RegistryValue* bin = value(tree, kKey, "binname");
    ASSERT_NE(bin, nullptr);
    EXPECT_EQ(bin->type, platform::kRegSz);
    EXPECT_EQ(bin->data, utf16z(u"C:\\Apps\\LumiVex 9\\lv \"x\".exe"));
    const RegistryValue* port = value(tree, kKey, "livelinkport");
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(port->type, platform::kRegDword);
    EXPECT_EQ(port->data, (std::vector<uint8_t>{0xb8, 0x0b, 0, 0}));
    EXPECT_EQ(value(tree, kKey, "short")->data, (std::vector<uint8_t>{0x1f, 0, 0, 0}));
    EXPECT_EQ(value(tree, kKey, "")->data, utf16z(u"default"));
    EXPECT_EQ(value(tree, kKey, "blob")->type, platform::kRegBinary);
    EXPECT_EQ(value(tree, kKey, "blob")->data, (std::vector<uint8_t>{0x01, 0xff, 0x0a}));
    EXPECT_EQ(value(tree, kKey, "expand")->type, platform::kRegExpandSz);
    EXPECT_EQ(value(tree, kKey, "expand")->data, utf16z(u"%A%"));
    ASSERT_NE(value(tree, kKey, "caf\xC3\xA9"), nullptr);
    EXPECT_EQ(value(tree, kKey, "caf\xC3\xA9")->data, utf16z(u"\u20AC"));
    // Parents of a key exist as keys, as in the registry.
    EXPECT_EQ(tree.count("hkey_current_user\\software\\orvane"), 1u);
  }
}

TEST(RegFile, MalformedLineIsSkippedWithWarningAndTheRestCounts) {
  struct Case {
    const char* line;
    const char* reason;
  };
  const Case cases[] = {
      {"\"Bad\"=\"C:\\Apps\"", "unknown escape"},
      {"\"Bad\"=\"open", "closing quote"},
      {"\"Bad\"=\"text\" tail", "text after the closing quote"},
      {"\"Bad\"=dword:123456789", "dword"},
      {"\"Bad\"=dword:zz", "dword"},
      {"\"Bad\"=hex:1,2g", "bad byte"},
      {"\"Bad\"=hex(zz):01", "bad type"},
      {"\"Bad\"=hex(2)01", "\":\""},
      {"\"Bad\"=number:5", "unknown form"},
      {"\"Bad\" \"x\"", "without \"=\""},
      {"Bad=\"x\"", "neither a key nor a value"},
      {"[HKEY_CURRENT_USER\\SOFTWARE\\Broken", "closing bracket"},
      {"[HKEY_NOWHERE\\SOFTWARE]", "unknown root"},
      {"[HKEY_CURRENT_USER\\SOFTWARE\\\\Twice]", "empty key name"},
  };
  for (const Case& c : cases) {
    const std::string text = std::string("Windows Registry Editor Version 5.00\n\n") +
                             "[HKEY_CURRENT_USER\\SOFTWARE\\Orvane\\LumiVex 9]\n" + c.line +
                             "\n"
                             "[HKEY_CURRENT_USER\\SOFTWARE\\Orvane\\LumiVex 9]\n"
                             "\"After\"=\"kept\"\n";
    std::string warnings;
    const RegistryTree tree = import_text(text, &warnings);
    SCOPED_TRACE(c.line);
    EXPECT_NE(warnings.find("fixture.reg:4: "), std::string::npos) << warnings;
    EXPECT_NE(warnings.find(c.reason), std::string::npos) << warnings;
    EXPECT_EQ(value(tree, kKey, "bad"), nullptr);
    ASSERT_NE(value(tree, kKey, "after"), nullptr);
  }
}

TEST(RegFile, ValuesAfterARefusedKeyLineDoNotLandInThePreviousKey) {
  std::string warnings;
  const RegistryTree tree = import_text(
      "Windows Registry Editor Version 5.00\n"
      "[HKEY_CURRENT_USER\\SOFTWARE\\Orvane\\LumiVex 9]\n"
      "[HKEY_NOWHERE\\X]\n"
      "\"Stray\"=\"x\"\n"
      "[HKEY_CLASSES_ROOT\\.lvs]\n"
      "@=\"ignored\"\n",
      &warnings);
  EXPECT_EQ(value(tree, kKey, "stray"), nullptr);
  EXPECT_NE(warnings.find("fixture.reg:4: value outside a key"), std::string::npos) << warnings;
  EXPECT_EQ(warnings.find("fixture.reg:6"), std::string::npos) << warnings;  // a root we never read
}

TEST(RegFile, DeletionsApplyInFileOrder) {
  const RegistryTree tree = import_text(
      "Windows Registry Editor Version 5.00\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvane\\LumiVex 9]\n"
      "\"A\"=\"1\"\n"
      "\"B\"=\"2\"\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvane\\LumiVex 9\\Sub]\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvane\\LumiVex 10]\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvane\\LumiVex 9]\n"
      "\"A\"=-\n"
      "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvane\\LumiVex 10]\n");
  const std::string key = "hkey_local_machine\\software\\orvane\\lumivex 9";
  EXPECT_EQ(value(tree, key, "a"), nullptr);
  EXPECT_NE(value(tree, key, "b"), nullptr);
  EXPECT_EQ(tree.count(key + "\\sub"), 1u);
  EXPECT_EQ(tree.count("hkey_local_machine\\software\\orvane\\lumivex 10"), 0u);

  const RegistryTree cleared = import_text(
      "Windows Registry Editor Version 5.00\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvane\\LumiVex 9\\Sub]\n"
      "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvane]\n");
  EXPECT_EQ(cleared.count(key), 0u);
  EXPECT_EQ(cleared.count(key + "\\sub"), 0u);
  EXPECT_EQ(cleared.count("hkey_local_machine\\software"), 1u);
}

TEST(RegFile, FileWithoutHeaderIsIgnoredWithWarning) {
  for (const char* text : {"", "[HKEY_CURRENT_USER\\SOFTWARE\\X]\n\"A\"=\"1\"\n",
                           "REGEDIT4\n[HKEY_CURRENT_USER\\SOFTWARE\\X]\n"}) {
    std::string warnings;
    EXPECT_TRUE(import_text(text, &warnings).empty());
    EXPECT_NE(warnings.find("fixture.reg: not a registry export"), std::string::npos);
  }
}

// Whatever precedes it, a well-formed key after a blank line still counts.
TEST(RegFile, AnyBytesNeverCrashNorSpoilLaterLines) {
  std::mt19937 random(12345);
  const std::string alphabet = "[]\\\"=@-:,;hexdword()0123456789abcdef \r\n\xFF\xFE\xC3";
  const std::string tail =
      "\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Orvane\\LumiVex 9]\n\"After\"=\"kept\"\n";
  for (int round = 0; round < 3000; ++round) {
    std::string garbage;
    const int length = static_cast<int>(random() % 200);
    for (int k = 0; k < length; ++k) {
      garbage += round % 3 ? alphabet[random() % alphabet.size()] : static_cast<char>(random());
    }
    const std::string bytes = round % 2 ? "Windows Registry Editor Version 5.00\n" + garbage + tail
                                        : reg_fixture::utf16_file_bytes(garbage + tail);
    std::string warnings;
    const RegistryTree tree = import_text(bytes, &warnings);
    ASSERT_NE(value(tree, kKey, "after"), nullptr) << "round " << round;
  }
  // Cut and unpaired UTF-16 is decoded, not read past.
  for (const std::string& bytes : {std::string("\xFF\xFE"
                                               "W\0",
                                               4),
                                   std::string("\xFF\xFE\x00\xD8"
                                               "W",
                                               5),
                                   std::string("\xFF\xFE", 2), std::string("\xFF", 1)}) {
    std::string warnings;
    EXPECT_TRUE(import_text(bytes, &warnings).empty());
    EXPECT_NE(warnings.find("not a registry export"), std::string::npos);
  }
}

}  // namespace
