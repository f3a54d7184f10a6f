#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "sceneapi/LightFileFactory.h"

namespace fs = std::filesystem;

namespace {

constexpr char kHeader[] =
    "//---orvane:dal:7---\n"
    "//---import:dal:1---\n"
    "//---id:1---\n"
    "// This is a LumiVex scene file\n"
    "\n";
constexpr char kBanner[] = "LumiVex SceneApi oo 9.1.3  (built Tue Apr 30 15:11:26 2019)";
constexpr char kBannerAndVersion[] =
    "#print \"LumiVex SceneApi oo 9.1.3  (built Tue Apr 30 15:11:26 2019)\"\n"
    "version 9\n"
    "\n";

fs::path scratch_dir(const char* name) {
  fs::path dir = fs::temp_directory_path() / ("lv_sceneapi_" + std::string(name));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

std::string utf8_of(const fs::path& p) {
  const std::u8string u = p.u8string();
  return std::string(u.begin(), u.end());
}

fs::path path_of(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// start() does not look at the wrapper, which lives in the scene model above
// this layer; any object of that type will do.
orv::orvSceneapi_oo& unused_wrapper() {
  alignas(std::max_align_t) static unsigned char storage[64];
  return *reinterpret_cast<orv::orvSceneapi_oo*>(storage);
}

// What the wrapper writes after start: its banner and the scene version.
void write_empty_scene(orv::LightFileFactory& factory) {
  factory.start(unused_wrapper());
  orvScene_api* api = factory.getSceneApi();
  ASSERT_NE(api, nullptr);
  api->print(kBanner);
  api->version(9);
}

TEST(LightFileFactory, EmptySceneIsHeaderBannerAndVersion) {
  const fs::path file = scratch_dir("empty") / "scene.lvs";
  orv::LightFileFactory factory(utf8_of(file));
  write_empty_scene(factory);
  factory.close();
  EXPECT_EQ(factory.getSceneApi(), nullptr);
  EXPECT_EQ(slurp(file), std::string(kHeader) + kBannerAndVersion);
}

TEST(LightFileFactory, Utf8PathNamesTheFileAndAnExistingFileIsTruncated) {
  const fs::path dir = scratch_dir("utf8");
  const std::string name = "Sc\xC3\xA8ne \xE2\x82\xAC \xE6\x97\xA5.lvs";  // "Scène € 日.lvs"
  const fs::path file = dir / path_of(name);
  {
    std::ofstream old(file, std::ios::binary);
    old << std::string(10000, 'x');
  }
  {
    orv::LightFileFactory factory(utf8_of(dir) + "/" + name);
    write_empty_scene(factory);
  }  // the destructor closes
  EXPECT_EQ(slurp(file), std::string(kHeader) + kBannerAndVersion);
  int entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST(LightFileFactory, ClosingTwiceOrDestroyingAfterCloseClosesOnce) {
  const fs::path file = scratch_dir("twice") / "scene.lvs";
  orv::LightFileFactory factory(utf8_of(file));
  write_empty_scene(factory);
  factory.close();
  EXPECT_NO_THROW(factory.close());
  factory.start(unused_wrapper());  // closed: nothing to write to
  EXPECT_EQ(slurp(file), std::string(kHeader) + kBannerAndVersion);
}

TEST(LightFileFactory, UnopenableFileGivesTheErrorLineAndTheQuotedPath) {
  const std::string path = utf8_of(scratch_dir("missing") / "no" / "such.lvs");
  testing::internal::CaptureStderr();
  try {
    orv::LightFileFactory factory(path);
    ADD_FAILURE() << "opened a file in a missing folder";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), "could not open file: \"" + path + "\"");
  }
  const std::string error_line = testing::internal::GetCapturedStderr();
  EXPECT_EQ(error_line.rfind("opening file: ", 0), 0u) << error_line;
  EXPECT_EQ(error_line.back(), '\n');
}

// "-" hands the scene to the process's standard output and points standard
// output at standard error, so it runs in a child process.
TEST(LightFileFactory, DashWritesToStandardOutput) {
  const fs::path dir = scratch_dir("dash");
  const std::string out_path = utf8_of(dir / "out.txt");
  const std::string err_path = utf8_of(dir / "err.txt");
  EXPECT_EXIT(
      {
        if (!std::freopen(out_path.c_str(), "wb", stdout)) std::exit(3);
        if (!std::freopen(err_path.c_str(), "wb", stderr)) std::exit(4);
        {
          orv::LightFileFactory factory("-");
          write_empty_scene(factory);
          std::printf("chatter\n");
          std::fflush(stdout);
          factory.close();
        }
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(slurp(out_path), std::string(kHeader) + kBannerAndVersion);
  EXPECT_NE(slurp(err_path).find("chatter\n"), std::string::npos);
}

// A disk that fills up during the scene must not pass for a written file.
TEST(LightFileFactory, WriteErrorsSurfaceWhenTheFactoryCloses) {
  if (std::FILE* probe = std::fopen("/dev/full", "wb")) {
    std::fclose(probe);
  } else {
    GTEST_SKIP() << "no /dev/full on this system";
  }
  for (const size_t scene_size : {size_t{10}, size_t{1} << 20}) {
    orv::LightFileFactory factory("/dev/full");
    write_empty_scene(factory);
    const std::string text(scene_size, 'x');
    factory.getSceneApi()->write_text(text.c_str());
    testing::internal::CaptureStderr();
    try {
      factory.close();
      ADD_FAILURE() << "close reported success for a scene of " << scene_size << " bytes";
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(std::string(e.what()), "could not close file");
    }
    const std::string error_line = testing::internal::GetCapturedStderr();
    EXPECT_EQ(error_line.rfind("closing file: ", 0), 0u) << error_line;
    EXPECT_NO_THROW(factory.close());
  }
}

TEST(LightFileFactory, FailureWhileDestroyingOnlyPrintsTheErrorLine) {
  if (std::FILE* probe = std::fopen("/dev/full", "wb")) {
    std::fclose(probe);
  } else {
    GTEST_SKIP() << "no /dev/full on this system";
  }
  testing::internal::CaptureStderr();
  {
    orv::LightFileFactory factory("/dev/full");
    write_empty_scene(factory);
  }
  const std::string error_line = testing::internal::GetCapturedStderr();
  EXPECT_EQ(error_line.rfind("closing file: ", 0), 0u) << error_line;
}

}  // namespace
