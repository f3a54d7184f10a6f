// The registry through its import: POSIX reads the export file, Windows (and
// wine) the real registry after "regedit /S".
#include "platform/registry.h"

#include <gtest/gtest.h>

#include <random>

#include "reg_fixture.h"

namespace fs = std::filesystem;
using platform::RegistryKey;
using platform::RegistryRoot;

namespace {

class Registry : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("lv_registry_" + std::to_string(std::random_device()()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    install("");  // leaves no test keys behind in a real registry
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  void install(const std::string& body) {
    ASSERT_TRUE(reg_fixture::install(
        dir_ / "fixture.reg", "[-HKEY_CURRENT_USER\\SOFTWARE\\LumiVexPlatformTest]\n\n" + body));
  }
  fs::path dir_;
};

const std::string kLong259(259, 'a');  // with its terminator exactly 520 bytes of UTF-16

TEST_F(Registry, ReadsTextAndNumbersWithinTheirBuffers) {
  install(
      "[HKEY_CURRENT_USER\\SOFTWARE\\LumiVexPlatformTest\\Key]\n"
      "\"Text\"=\"C:\\\\Apps\\\\LumiVex 9 \xE2\x82\xAC\"\n"
      "\"Fits\"=\"" +
      kLong259 +
      "\"\n"
      "\"TooLong\"=\"" +
      kLong259 +
      "b\"\n"
      "\"Port\"=dword:00000bb8\n"
      "\"ShortText\"=\"1\"\n"
      "\"Expand\"=hex(2):25,00,41,00,25,00,00,00\n"
      "\"Binary\"=hex:41,00,00,00\n");
  // Key paths and value names ignore ASCII case; one trailing backslash is allowed.
  for (const char* path :
       {"SOFTWARE\\LumiVexPlatformTest\\Key", "software\\lumivexplatformtest\\KEY\\"}) {
    SCOPED_TRACE(path);
    const auto key = RegistryKey::open(RegistryRoot::current_user, path);
    ASSERT_TRUE(key.has_value());
    EXPECT_EQ(key->read_string("text", 2048), "C:\\Apps\\LumiVex 9 \xE2\x82\xAC");
    EXPECT_EQ(key->read_string("Fits", 520), kLong259);
    EXPECT_EQ(key->read_string("TooLong", 520), std::nullopt);
    EXPECT_EQ(key->read_string("TooLong", 2048), kLong259 + "b");
    EXPECT_EQ(key->read_string("Expand", 2048), "%A%");  // left unexpanded
    EXPECT_EQ(key->read_dword("Port"), 3000u);
    EXPECT_EQ(key->read_string("Port", 2048), std::nullopt);
    EXPECT_EQ(key->read_dword("ShortText"), std::nullopt);  // 4 bytes of text are not a number
    EXPECT_EQ(key->read_dword("Binary"), std::nullopt);
    EXPECT_EQ(key->read_string("Binary", 2048), std::nullopt);
    EXPECT_EQ(key->read_string("Missing", 2048), std::nullopt);
    EXPECT_EQ(key->read_dword("Missing"), std::nullopt);
  }
  EXPECT_FALSE(
      RegistryKey::open(RegistryRoot::local_machine, "SOFTWARE\\LumiVexPlatformTest\\Key"));
}

TEST_F(Registry, OddPathsAndNamesFailQuietly) {
  install("[HKEY_CURRENT_USER\\SOFTWARE\\LumiVexPlatformTest\\Key]\n\"A\"=\"1\"\n");
  const std::string odd_paths[] = {
      "SOFTWARE\\LumiVexPlatformTest\\Missing",
      "SOFTWARE\\\\LumiVexPlatformTest\\Key",
      "\\SOFTWARE\\LumiVexPlatformTest\\Key",
      "SOFTWARE\\LumiVexPlatformTest\\Key\\\\",
      std::string("SOFTWARE\\LumiVexPlatformTest\\Key\0X", 35),
      "SOFTWARE\\LumiVexPlatformTest\\\xFF\xC3(",
      std::string(3000, 'k'),
  };
  for (const std::string& path : odd_paths) {
    EXPECT_FALSE(RegistryKey::open(RegistryRoot::current_user, path)) << path;
  }
  const auto key =
      RegistryKey::open(RegistryRoot::current_user, "SOFTWARE\\LumiVexPlatformTest\\Key");
  ASSERT_TRUE(key);
  EXPECT_EQ(key->read_string(std::string("A\0B", 3), 2048), std::nullopt);
  EXPECT_EQ(key->read_string("\xFF\xFE", 2048), std::nullopt);
  EXPECT_EQ(key->read_string("A", 0), std::nullopt);
  EXPECT_EQ(key->read_string("A", 4), "1");
}

TEST_F(Registry, AKeyOpenedBeforeAnImportKeepsWorking) {
  install("[HKEY_CURRENT_USER\\SOFTWARE\\LumiVexPlatformTest\\Key]\n\"A\"=\"1\"\n");
  auto key = RegistryKey::open(RegistryRoot::current_user, "SOFTWARE\\LumiVexPlatformTest\\Key");
  ASSERT_TRUE(key);
  RegistryKey moved = std::move(*key);
  EXPECT_EQ(moved.read_string("A", 2048), "1");
  install("[HKEY_CURRENT_USER\\SOFTWARE\\LumiVexPlatformTest\\Other]\n");
  EXPECT_FALSE(RegistryKey::open(RegistryRoot::current_user, "SOFTWARE\\LumiVexPlatformTest\\Key"));
  EXPECT_TRUE(
      RegistryKey::open(RegistryRoot::current_user, "SOFTWARE\\LumiVexPlatformTest\\Other"));
}

}  // namespace
