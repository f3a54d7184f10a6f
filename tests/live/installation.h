// Test fixture: renderer installations on disk, described in the registry
// through an imported export file (the real registry on Windows).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "platform/registry.h"
#include "reg_fixture.h"
#include "sceneapi/FILELog.h"
#include "sceneapi/dev/lumivexlive_loader.h"

namespace live_test {

namespace fs = std::filesystem;
using reg_fixture::utf8_of;

// The folder the tests started in: the build's bin folder, where the test
// programs and libraries are.
inline const fs::path& bin_folder() {
  static const fs::path folder = fs::current_path();
  return folder;
}

struct Install {
  fs::path bin_name;   // the renderer's executable: an existing file
  fs::path resources;  // an existing folder
  fs::path bin;        // where the live-link library is looked for
};

constexpr const char* kCurrentUser = "HKEY_CURRENT_USER";
constexpr const char* kLocalMachine = "HKEY_LOCAL_MACHINE";

class InstallationTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(bin_folder() / LVTEST_LAUNCH_PROGRAM))
        << "the tests run in the build's bin folder, beside their programs (ctest does this)";
    dir_ = fs::temp_directory_path() / ("lv_live_" + std::to_string(std::random_device()()));
    fs::create_directories(dir_);
    Output2FILE::close_for_tests();
  }

  void TearDown() override {
    unload_live_library();
    Output2FILE::close_for_tests();
    fs::current_path(bin_folder());
    install_registry("");
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  Install make_install(const std::string& name) {
    Install install{dir_ / name / "bin" / "renderer.exe", dir_ / name / "resources",
                    dir_ / name / "bin"};
    fs::create_directories(install.bin);
    fs::create_directories(install.resources);
    std::ofstream(install.bin_name) << "renderer";
    return install;
  }

  // A version key with the three folder values, and any extra value lines.
  static std::string key(const char* root, int version, const Install& install,
                         const std::string& extra = "") {
    return key_named(root, "LumiVex " + std::to_string(version), install, extra);
  }

  static std::string key_named(const char* root, const std::string& name, const Install& install,
                               const std::string& extra = "") {
    return std::string("[") + root + "\\SOFTWARE\\Orvane\\" + name + "]\n" +
           "\"BinName\"=" + reg_fixture::quoted(utf8_of(install.bin_name)) + "\n" +
           "\"ResourceFolder\"=" + reg_fixture::quoted(utf8_of(install.resources)) + "\n" +
           "\"BinFolder\"=" + reg_fixture::quoted(utf8_of(install.bin)) + "\n" + extra + "\n";
  }

  static std::string orvane_values(const char* root, const std::string& lines) {
    return std::string("[") + root + "\\SOFTWARE\\Orvane]\n" + lines + "\n";
  }

  // Replaces every installation of both roots with the ones in body.
  void install_registry(const std::string& body) {
    const std::string clear =
        "[-HKEY_CURRENT_USER\\SOFTWARE\\Orvane]\n\n[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvane]\n\n";
    ASSERT_TRUE(reg_fixture::install(dir_ / ("installation" + std::to_string(++imports_) + ".reg"),
                                     clear + body));
  }

  fs::path dir_;
  int imports_ = 0;
};

}  // namespace live_test
