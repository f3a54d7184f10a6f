#include <climits>

#include "installation.h"
#include "platform/clock.h"
#include "platform/env.h"
#include "sceneapi/dev/lumivex_discovery.h"

namespace live_test {
namespace {

using lumivex::choose_installation;

TEST(VersionFromPath, TakesTheNumberAfterTheProductName) {
  const struct {
    const char* path;
    int version;
  } cases[] = {
      {"C:\\Apps\\LumiVex 10", 10},
      {"C:\\Apps\\LumiVex 10\\", 10},  // separator after the number: read up to it
      {"/opt/LumiVex 12/", 12},
      {"C:\\Program Files/LumiVex 7", 7},  // "/" is looked for before "\"
      {"C:\\Apps\\LumiVex   9_64", 9},     // blanks skipped, stops at the first non-digit
      {"C:\\Apps\\LumiVex", 0},            // no digits
      {"C:\\Apps\\LumiVex\\", -1},         // separator right after the letter
      {"LumiVex 10", -1},                  // no separator
      {"C:\\Apps\\Renderer 10", 0},        // the last product letter is the "e" of "Renderer"
      {"C:\\Apps\\10", -1},                // no product letter
      {"", -1},
      {"C:\\Apps\\LumiVex 99999999999999999999", INT_MAX},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(lumivex::version_from_path(c.path), c.version) << c.path;
  }
}

// Each installation's "BinFolder" names it, so the chosen one is visible.
class Discovery : public InstallationTest {
 protected:
  std::string chosen_bin_folder(int min_version, int max_version) {
    int version = -100;
    const std::string folder = lumivex::lookup_bin_folder(min_version, max_version, version);
    return folder.empty() ? "none"
                          : fs::path(folder).parent_path().filename().string() + " v" +
                                std::to_string(version);
  }
};

TEST_F(Discovery, HighestVersionWinsAcrossRootsAndTheCurrentUserWinsTies) {
  const Install a = make_install("a");
  const Install b = make_install("b");
  const struct {
    std::string registry;
    int min_version, max_version;
    const char* chosen;
  } cases[] = {
      {key(kCurrentUser, 9, a) + key(kLocalMachine, 10, b), 9, 10, "b v10"},
      {key(kCurrentUser, 9, a) + key(kLocalMachine, 9, b), 9, 10, "a v9"},
      {key(kCurrentUser, 10, a) + key(kLocalMachine, 9, b), 9, 10, "a v10"},
      {key(kCurrentUser, 11, a) + key(kLocalMachine, 9, b), 9, 10, "b v9"},
      {key(kCurrentUser, 9, a), 10, 12, "none"},
      {key(kLocalMachine, 0, a) + key(kLocalMachine, -1, b), -5, 5, "none"},
      {"", 5, 20, "none"},
  };
  for (const auto& c : cases) {
    install_registry(c.registry);
    EXPECT_EQ(chosen_bin_folder(c.min_version, c.max_version), c.chosen) << c.registry;
  }
}

TEST_F(Discovery, ActivePathThenVersionValueThenScan) {
  const Install a = make_install("a");
  const Install b = make_install("b");
  const std::string both = key(kCurrentUser, 9, a) + key(kCurrentUser, 10, b);
  const struct {
    std::string values;
    const char* chosen;
  } cases[] = {
      {"", "b v10"},  // scan: highest first
      {"\"LumiVexActivePath\"=\"C:\\\\Apps\\\\LumiVex 9\"", "a v9"},
      {"\"LumiVexVersion\"=\"LumiVex 9\"", "a v9"},
      {"\"LumiVexActivePath\"=\"C:\\\\Apps\\\\LumiVex 9\"\n\"LumiVexVersion\"=\"LumiVex 10\"",
       "a v9"},
      {"\"LumiVexVersion\"=\"Beta\"", "b v10"},                        // version 0: on to the scan
      {"\"LumiVexActivePath\"=\"LumiVex 9\"", "b v10"},                // no separator: -1
      {"\"LumiVexActivePath\"=\"C:\\\\Apps\\\\LumiVex 8\"", "b v10"},  // outside the range
      {"\"LumiVexActivePath\"=dword:00000009", "b v10"},               // not text
  };
  for (const auto& c : cases) {
    install_registry(orvane_values(kCurrentUser, c.values) + both);
    EXPECT_EQ(chosen_bin_folder(9, 10), c.chosen) << c.values;
  }
  // The version value names the key; its number comes after the first blank.
  install_registry(orvane_values(kCurrentUser, "\"LumiVexVersion\"=\"Renderer 9\"") +
                   key_named(kCurrentUser, "Renderer 9", a) + key(kCurrentUser, 10, b));
  EXPECT_EQ(chosen_bin_folder(9, 10), "a v9");
}

TEST_F(Discovery, AnInstallationWithoutItsFilesIsPassedOver) {
  const Install good = make_install("good");
  Install deleted = make_install("deleted");
  fs::remove(deleted.bin_name);
  Install no_resources = make_install("noresources");
  fs::remove_all(no_resources.resources);
  Install folder_as_binary = make_install("folder");
  folder_as_binary.bin_name = folder_as_binary.bin;
  for (const Install* broken : {&deleted, &no_resources, &folder_as_binary}) {
    // Broken as the active path's and the scan's first choice, and in the other root.
    install_registry(orvane_values(kCurrentUser, "\"LumiVexActivePath\"=\"C:\\\\LumiVex 10\"") +
                     key(kCurrentUser, 10, *broken) + key(kCurrentUser, 9, good) +
                     key(kLocalMachine, 10, *broken));
    EXPECT_EQ(chosen_bin_folder(9, 10), "good v9") << utf8_of(broken->bin_name);
  }
  install_registry(key(kLocalMachine, 10, deleted));
  EXPECT_EQ(lumivex::lookup_executable(5, 20), "");
  EXPECT_EQ(lumivex::lookup_resource_folder(5, 20), "");
}

TEST_F(Discovery, FolderLookupsAndTheirBuffers) {
  const Install a = make_install("a");
  const std::string long_folder(260, 'f');  // 522 bytes with its terminator: over 520
  install_registry(key(kCurrentUser, 9, a) +
                   key(kCurrentUser, 12, a, "\"BinFolder\"=\"" + long_folder + "\""));
  int version = -7;
  EXPECT_EQ(lumivex::lookup_bin_folder(9, 10, version), utf8_of(a.bin));
  EXPECT_EQ(version, 9);
  EXPECT_EQ(lumivex::lookup_bin_folder(5, 20, version), "");  // v12 chosen, its folder too long
  EXPECT_EQ(version, 12);
  version = -7;
  EXPECT_EQ(lumivex::lookup_bin_folder(13, 20, version), "");
  EXPECT_EQ(version, -7);  // no installation: untouched
  EXPECT_EQ(lumivex::lookup_executable(5, 20), utf8_of(a.bin_name));
  EXPECT_EQ(lumivex::lookup_resource_folder(5, 20), utf8_of(a.resources));
}

TEST_F(Discovery, PortsAsNumbersOrText) {
  const Install a = make_install("a");
  const struct {
    const char* values;
    int status, first, last;
  } cases[] = {
      {"\"LiveLinkPort\"=dword:00000bb8\n\"LiveLinkMaxPort\"=dword:00000bc2", 0, 3000, 3010},
      {"\"LiveLinkPort\"=\"3000\"\n\"LiveLinkMaxPort\"=\"3010\"", 0, 3000, 3010},
      {"\"LiveLinkPort\"=\" 3000\"\n\"LiveLinkMaxPort\"=\"3010 \"", 0, 3000, 3010},
      {"\"LiveLinkPort\"=dword:00000bb8", -1, 3000, -5},
      {"\"LiveLinkPort\"=\"3000\"", -1, 3000, -5},
      {"\"LiveLinkPort\"=dword:00000bb8\n\"LiveLinkMaxPort\"=\"3010\"", -1, 3000, -5},
      {"\"LiveLinkPort\"=\"3000\"\n\"LiveLinkMaxPort\"=\"many\"", -1, 3000, -5},
      {"\"LiveLinkMaxPort\"=dword:00000bc2", -2, -4, -5},
      {"\"LiveLinkPort\"=\"none\"\n\"LiveLinkMaxPort\"=\"3010\"", -2, -4, -5},
      {"\"LiveLinkPort\"=\"1\"\n\"LiveLinkMaxPort\"=\"2\"", 0, 1, 2},  // short text is text
      {"\"LiveLinkPort\"=hex:b8,0b,00,00", -2, -4, -5},                // binary is neither form
  };
  for (const auto& c : cases) {
    install_registry(key(kCurrentUser, 9, a, c.values));
    int first = -4, last = -5;
    EXPECT_EQ(lumivex::lookup_live_link_ports(5, 20, first, last), c.status) << c.values;
    EXPECT_EQ(first, c.first) << c.values;
    EXPECT_EQ(last, c.last) << c.values;
  }
  install_registry("");
  int first = -4, last = -5;
  EXPECT_EQ(lumivex::lookup_live_link_ports(5, 20, first, last), lumivex::kNoInstallation);
  EXPECT_EQ(first, -4);
  EXPECT_EQ(last, -5);
}

TEST_F(Discovery, LaunchStartsTheInstalledExecutable) {
  Install a = make_install("a");
  fs::remove(a.bin_name);
  a.bin_name = a.bin / LVTEST_LAUNCH_PROGRAM;
  fs::copy_file(bin_folder() / LVTEST_LAUNCH_PROGRAM, a.bin_name);
  const fs::path marker = dir_ / "launched.txt";
  ASSERT_TRUE(platform::set_environment("LVTEST_LAUNCH_MARKER", utf8_of(marker)));

  install_registry("");
  EXPECT_FALSE(lumivex::launch_renderer(5, 20));

  install_registry(key(kLocalMachine, 9, a));
  ASSERT_TRUE(lumivex::launch_renderer(5, 20));
  for (int attempt = 0; attempt < 300 && !fs::exists(marker); ++attempt) {
    platform::sleep_milliseconds(100);
  }
  EXPECT_TRUE(fs::exists(marker));
}

}  // namespace
}  // namespace live_test
