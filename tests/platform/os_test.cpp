// Processes, dynamic libraries, time, environment and file checks.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <regex>

#include "platform/clock.h"
#include "platform/dynlib.h"
#include "platform/env.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "reg_fixture.h"

namespace fs = std::filesystem;
using reg_fixture::utf8_of;

namespace {

class Scratch : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("lv_os_" + std::to_string(std::random_device()()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  fs::path dir_;
};

// Test programs and libraries are built beside the tests, in the folder the
// tests run in.
std::string built(const std::string& name) { return utf8_of(fs::current_path() / name); }

bool wait_for_file(const fs::path& file) {
  for (int attempt = 0; attempt < 300 && !fs::exists(file); ++attempt) {
    platform::sleep_milliseconds(100);
  }
  return fs::exists(file);
}

TEST_F(Scratch, StartedProgramRunsWithOurEnvironmentAndDirectory) {
  const fs::path marker = dir_ / "marker.txt";
  ASSERT_TRUE(platform::set_environment("LVTEST_LAUNCH_MARKER", utf8_of(marker)));
  ASSERT_TRUE(platform::start_process(built(LVTEST_LAUNCH_PROGRAM)));
  ASSERT_TRUE(wait_for_file(marker));
  std::ifstream in(marker);
  std::string arguments, directory;
  std::getline(in, arguments);
  std::getline(in, directory);
  EXPECT_EQ(arguments, "arguments: 0");
  EXPECT_EQ(fs::path(directory), fs::current_path());
}

TEST_F(Scratch, StartingWhatIsNoProgramFails) {
  std::ofstream(dir_ / "not_a_program.txt") << "text";
  for (const std::string& path :
       {utf8_of(dir_ / "missing.exe"), utf8_of(dir_ / "not_a_program.txt"), utf8_of(dir_),
        std::string()}) {
    EXPECT_FALSE(platform::start_process(path)) << path;
  }
}

TEST_F(Scratch, LibrariesLoadByPathAndHandOutTheirSymbols) {
  const fs::path copy = dir_ / u8"symbols \u00e9.so";
  fs::copy_file(fs::path(built(LVTEST_SYMBOL_LIBRARY)), copy);
  platform::LibraryHandle library = platform::load_library(utf8_of(copy));
  ASSERT_NE(library, nullptr);
  const auto answer =
      reinterpret_cast<int (*)()>(platform::library_symbol(library, "lvtest_answer"));
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer(), 42);
  EXPECT_EQ(platform::library_symbol(library, "lvtest_missing"), nullptr);
  platform::release_library(library);

  std::ofstream(dir_ / "garbage.so") << "not a library";
  EXPECT_EQ(platform::load_library(utf8_of(dir_ / "garbage.so")), nullptr);
  EXPECT_EQ(platform::load_library(utf8_of(dir_ / "missing.so")), nullptr);
  EXPECT_EQ(platform::library_symbol(nullptr, "lvtest_answer"), nullptr);
  platform::release_library(nullptr);
}

TEST(Clock, LocalTimeAndTicks) {
  const auto text = platform::local_time_text();
  ASSERT_TRUE(text.has_value());
  EXPECT_TRUE(std::regex_match(*text, std::regex("([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9]")))
      << *text;
  const uint64_t before = platform::tick_milliseconds();
  platform::sleep_milliseconds(60);
  const uint64_t after = platform::tick_milliseconds();
  EXPECT_GE(after - before, 40u);  // tick counters may be as coarse as 16 ms
}

TEST(Environment, SetReadAndUnset) {
  const std::string value = "C:\\Folder \xE2\x82\xAC";
  ASSERT_TRUE(platform::set_environment("LVTEST_VARIABLE", value));
  EXPECT_EQ(platform::get_environment("LVTEST_VARIABLE"), value);
  ASSERT_TRUE(platform::unset_environment("LVTEST_VARIABLE"));
  EXPECT_EQ(platform::get_environment("LVTEST_VARIABLE"), std::nullopt);
}

TEST_F(Scratch, FileChecks) {
  const fs::path file = dir_ / u8"caf\u00e9.bin";
  std::ofstream(file, std::ios::binary) << std::string(1234, 'x');
  EXPECT_EQ(platform::file_size(utf8_of(file)), 1234u);
  EXPECT_EQ(platform::file_size(utf8_of(dir_ / "missing")), std::nullopt);
  EXPECT_EQ(platform::file_size(utf8_of(dir_)), std::nullopt);
  EXPECT_TRUE(platform::is_readable_file(utf8_of(file)));
  EXPECT_FALSE(platform::is_readable_file(utf8_of(dir_)));
  EXPECT_FALSE(platform::is_readable_file(utf8_of(dir_ / "missing")));
  EXPECT_FALSE(platform::is_readable_file(""));
  EXPECT_TRUE(platform::is_directory(utf8_of(dir_)));
  EXPECT_FALSE(platform::is_directory(utf8_of(file)));
  EXPECT_FALSE(platform::is_directory(""));
  const std::string joined = platform::join_path(utf8_of(dir_), "caf\xC3\xA9.bin");
  EXPECT_EQ(platform::file_size(joined), 1234u) << joined;
}

}  // namespace
