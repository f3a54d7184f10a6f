// Where POSIX builds find their registry: LUMIVEX_REGISTRY (files and
// folders, separated by ':') or the user's configuration folder.
#include <gtest/gtest.h>

#include <random>

#include "platform/env.h"
#include "platform/registry.h"
#include "reg_fixture.h"

namespace fs = std::filesystem;
using platform::RegistryKey;
using platform::RegistryRoot;

namespace {

class RegistryFiles : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("lv_regfiles_" + std::to_string(std::random_device()()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    platform::unset_environment(platform::kRegistryFilesVariable);
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  void write(const fs::path& file, const std::string& value) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << reg_fixture::utf16_file_bytes(
        "[HKEY_CURRENT_USER\\SOFTWARE\\T]\n\"V\"=\"" + value + "\"\n");
  }
  std::optional<std::string> value() {
    const auto key = RegistryKey::open(RegistryRoot::current_user, "SOFTWARE\\T");
    return key ? key->read_string("V", 2048) : std::nullopt;
  }
  fs::path dir_;
};

TEST_F(RegistryFiles, LaterFilesOverrideEarlierOnesAndFoldersReadInNameOrder) {
  write(dir_ / "folder" / "b.reg", "b");
  write(dir_ / "folder" / "a.reg", "a");
  write(dir_ / "folder" / "c.txt", "not read");
  write(dir_ / "single.reg", "single");
  const std::string folder = (dir_ / "folder").string();
  const std::string single = (dir_ / "single.reg").string();
  const struct {
    std::string list;
    std::optional<std::string> value;
  } cases[] = {
      {folder, "b"},
      {folder + ":" + single, "single"},
      {single + ":" + folder, "b"},
      {single + "::" + (dir_ / "missing.reg").string(), "single"},
      {(dir_ / "missing.reg").string(), std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) {
    platform::set_environment(platform::kRegistryFilesVariable, c.list);
    EXPECT_EQ(value(), c.value) << c.list;
  }
}

TEST_F(RegistryFiles, UnsetReadsTheUsersConfigurationFolder) {
  platform::unset_environment(platform::kRegistryFilesVariable);
  const auto old_config = platform::get_environment("XDG_CONFIG_HOME");
  platform::set_environment("XDG_CONFIG_HOME", dir_.string());
  write(dir_ / "lumivex" / "registry" / "install.reg", "configured");
  EXPECT_EQ(value(), "configured");
  if (old_config) {
    platform::set_environment("XDG_CONFIG_HOME", *old_config);
  } else {
    platform::unset_environment("XDG_CONFIG_HOME");
  }
}

TEST_F(RegistryFiles, AMalformedLineIsReportedOnceAndTheRestOfTheFileCounts) {
  const fs::path file = dir_ / "install.reg";
  std::ofstream(file, std::ios::binary) << "Windows Registry Editor Version 5.00\n"
                                        << "[HKEY_CURRENT_USER\\SOFTWARE\\T]\n"
                                        << "\"Bad\"=dword:nothex\n"
                                        << "\"V\"=\"kept\"\n";
  platform::set_environment(platform::kRegistryFilesVariable, file.string());
  testing::internal::CaptureStderr();
  EXPECT_EQ(value(), "kept");
  EXPECT_EQ(value(), "kept");
  const std::string warnings = testing::internal::GetCapturedStderr();
  EXPECT_EQ(warnings, file.string() + ":3: dword value is not 1 to 8 hex digits; line skipped\n");
}

}  // namespace
