#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/file.h"

namespace fs = std::filesystem;

namespace {

fs::path scratch_dir(const char* name) {
  fs::path dir = fs::temp_directory_path() / ("lv_platform_" + std::string(name));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

std::string utf8_of(const fs::path& p) {
  const std::u8string u = p.u8string();
  return std::string(u.begin(), u.end());
}

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

TEST(OpenFile, Utf8NameCreatesThatFileAndTruncates) {
  const fs::path dir = scratch_dir("open");
  const std::string name = "Sc\xC3\xA8ne \xE2\x82\xAC.lvs";  // "Scène €.lvs"
  const std::string path = utf8_of(dir / fs::path(std::u8string(name.begin(), name.end())));
  std::FILE* f = platform::open_file(path, "wb+");
  ASSERT_NE(f, nullptr);
  std::fputs("long first content\n", f);
  std::fclose(f);
  f = platform::open_file(path, "wb+");
  ASSERT_NE(f, nullptr);
  std::fputs("x\n", f);  // binary: no CR is added on Windows either
  std::fclose(f);

  // GoogleTest as packaged cannot print u8strings, so names compare as UTF-8 bytes.
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(utf8_of(e.path().filename()));
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0], name);
  EXPECT_EQ(slurp(dir / fs::path(std::u8string(name.begin(), name.end()))), "x\n");
}

TEST(OpenFile, MissingFolderGivesNull) {
  const fs::path dir = scratch_dir("missing");
  EXPECT_EQ(platform::open_file(utf8_of(dir / "no" / "such.lvs"), "wb+"), nullptr);
}

// The handover rewires the process's standard output, so it runs in a child.
TEST(TakeStandardOutput, SceneGoesToOldStdoutAndLaterPrintsToStderr) {
  const fs::path dir = scratch_dir("stdout");
  const std::string out_path = utf8_of(dir / "out.txt");
  const std::string err_path = utf8_of(dir / "err.txt");
  EXPECT_EXIT(
      {
        std::freopen(out_path.c_str(), "wb", stdout);
        std::freopen(err_path.c_str(), "wb", stderr);
        std::FILE* scene = platform::take_standard_output();
        if (!scene) std::exit(3);
        std::fputs("scene\nline\n", scene);
        std::printf("chatter\n");
        std::fflush(stdout);
        std::fclose(scene);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(slurp(out_path), "scene\nline\n");
  EXPECT_NE(slurp(err_path).find("chatter\n"), std::string::npos);
}

}  // namespace
