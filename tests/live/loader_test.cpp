#include <regex>
#include <sstream>

#include "installation.h"
#include "platform/env.h"
#include "sceneapi/dev/lumivexlive_loader.h"

namespace live_test {
namespace {

enum class Where { bin, current };

struct Placement {
  Where where;
  const char* file_name;
  const char* library;  // "good", "hollow", "null", "noinit", or "garbage" for a non-library
};

int counter(const char* name) {
  const auto value = platform::get_environment(name);
  return value && !value->empty() ? std::stoi(*value) : 0;
}

class Loader : public InstallationTest {
 protected:
  void SetUp() override {
    InstallationTest::SetUp();
    install_ = make_install("r");
    current_ = dir_ / "current";
    fs::create_directories(current_);
    fs::current_path(current_);
    platform::set_environment("LVTEST_LIVE_CREATED", "0");
    platform::set_environment("LVTEST_LIVE_DESTROYED", "0");
  }

  void install(int version) { install_registry(key(kCurrentUser, version, install_)); }

  void place(const Placement& p) {
    const fs::path target = (p.where == Where::bin ? install_.bin : current_) / p.file_name;
    if (std::string(p.library) == "garbage") {
      std::ofstream(target, std::ios::binary) << "not a library";
    } else {
      fs::copy_file(bin_folder() / (std::string("lvtest_live_") + p.library + ".so"), target,
                    fs::copy_options::overwrite_existing);
    }
  }

  std::string log_text() {
    std::ifstream in(install_.resources / "sceneapi.log");
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  size_t log_count(const std::string& text) {
    const std::string log = log_text();
    size_t n = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
    return n;
  }

  Install install_;
  fs::path current_;
};

// Which candidate loads: bin folder before ".", "32.so" before "64.so", the
// first file that loads is used whatever it holds, and files that do not
// load are passed over.
TEST_F(Loader, CandidatesInOrder) {
  const struct {
    const char* name;
    int version;
    std::vector<Placement> files;
    bool live;
  } cases[] = {
      {"bin 32", 9, {{Where::bin, "orvlumivexlive6_32.so", "good"}}, true},
      {"bin 64", 9, {{Where::bin, "orvlumivexlive6_64.so", "good"}}, true},
      {"current 32", 9, {{Where::current, "orvlumivexlive6_32.so", "good"}}, true},
      {"current 64", 9, {{Where::current, "orvlumivexlive6_64.so", "good"}}, true},
      {"version 5 bin 32", 5, {{Where::bin, "orvlumivexlive32.so", "good"}}, true},
      {"version 5 current 64", 5, {{Where::current, "orvlumivexlive64.so", "good"}}, true},
      {"version 5 ignores the 6 names", 5, {{Where::bin, "orvlumivexlive6_64.so", "good"}}, false},
      {"version 9 ignores the old names", 9, {{Where::bin, "orvlumivexlive64.so", "good"}}, false},
      {"32 before 64",
       9,
       {{Where::bin, "orvlumivexlive6_32.so", "good"},
        {Where::bin, "orvlumivexlive6_64.so", "null"}},
       true},
      {"bin before current",
       9,
       {{Where::bin, "orvlumivexlive6_64.so", "null"},
        {Where::current, "orvlumivexlive6_32.so", "good"}},
       false},
      {"first that loads is used",
       9,
       {{Where::bin, "orvlumivexlive6_32.so", "noinit"},
        {Where::bin, "orvlumivexlive6_64.so", "good"}},
       false},
      {"a file that does not load is passed over",
       9,
       {{Where::bin, "orvlumivexlive6_32.so", "garbage"},
        {Where::bin, "orvlumivexlive6_64.so", "garbage"},
        {Where::current, "orvlumivexlive6_32.so", "good"}},
       true},
  };
  int case_number = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // Fresh folders for every case, so no library path is ever reused.
    install_ = make_install("case" + std::to_string(++case_number));
    current_ = dir_ / ("current" + std::to_string(case_number));
    fs::create_directories(current_);
    fs::current_path(current_);
    for (const Placement& p : c.files) place(p);
    install(c.version);
    LiveQuery* query = orv_get_query_api(5, 20);
    EXPECT_EQ(query != nullptr, c.live);
    if (query) {
      EXPECT_STREQ(query->listInstances(), "<instances/>");
    }
    unload_live_library();
  }
}

TEST_F(Loader, LoadsOnceAndAgainAfterUnloading) {
  place({Where::bin, "orvlumivexlive6_64.so", "good"});
  install(9);
  orvScene_api* scene = orv_get_scene_api(9, 10);
  ASSERT_NE(scene, nullptr);
  EXPECT_TRUE(scene->begin_group("g", false));
  LiveQuery* query = orv_get_query_api(9, 10);
  ASSERT_NE(query, nullptr);
  EXPECT_TRUE(query->openInstance(42));
  EXPECT_STREQ(query->instanceScene(), "<scene pid=\"42\"/>");
  query->closeInstance();
  EXPECT_STREQ(query->instanceScene(), "<scene pid=\"0\"/>");
  EXPECT_EQ(orv_get_scene_api(9, 10), scene);
  EXPECT_EQ(orv_get_scene_api(50, 60), scene);  // bounds only matter before the first load
  EXPECT_EQ(counter("LVTEST_LIVE_CREATED"), 1);
  EXPECT_EQ(log_count("initialize shared handle: "), 1u);

  unload_live_library();
  EXPECT_EQ(counter("LVTEST_LIVE_DESTROYED"), 1);
  unload_live_library();  // nothing loaded: nothing happens
  EXPECT_EQ(counter("LVTEST_LIVE_DESTROYED"), 1);

  EXPECT_NE(orv_get_query_api(9, 10), nullptr);
  EXPECT_EQ(counter("LVTEST_LIVE_CREATED"), 2);
  EXPECT_EQ(log_count("initialize shared handle: "), 2u);
}

TEST_F(Loader, AFailedLoadLeavesNothingLoadedSoTheNextCallTriesAgain) {
  install(9);
  EXPECT_EQ(orv_get_query_api(9, 10), nullptr);  // no library anywhere
  EXPECT_EQ(log_count("WARNING:  NO shared handle"), 1u);

  place({Where::bin, "orvlumivexlive6_32.so", "null"});
  EXPECT_EQ(orv_get_scene_api(9, 10), nullptr);
  EXPECT_EQ(orv_get_scene_api(9, 10), nullptr);
  EXPECT_EQ(log_count("initialize shared handle: "), 3u);  // every call loaded again

  // The failed library was released, so it can be replaced in place.
  place({Where::bin, "orvlumivexlive6_32.so", "good"});
  EXPECT_NE(orv_get_scene_api(9, 10), nullptr);
  EXPECT_EQ(counter("LVTEST_LIVE_CREATED"), 1);
}

TEST_F(Loader, NullInterfacesKeepTheLibraryLoaded) {
  place({Where::bin, "orvlumivexlive6_32.so", "hollow"});
  install(9);
  EXPECT_EQ(orv_get_scene_api(9, 10), nullptr);
  EXPECT_EQ(orv_get_query_api(9, 10), nullptr);
  EXPECT_EQ(counter("LVTEST_LIVE_CREATED"), 1);
  EXPECT_EQ(counter("LVTEST_LIVE_DESTROYED"), 0);
  unload_live_library();
  EXPECT_EQ(counter("LVTEST_LIVE_DESTROYED"), 1);
}

TEST_F(Loader, NoInstallationInRangeLoadsNothingAndLogsOnlyTheQueryLine) {
  place({Where::bin, "orvlumivexlive6_32.so", "good"});
  install(9);
  EXPECT_EQ(orv_get_query_api(10, 12), nullptr);
  EXPECT_EQ(orv_get_scene_api(10, 12), nullptr);
  EXPECT_EQ(counter("LVTEST_LIVE_CREATED"), 0);
  const std::string log = log_text();
  EXPECT_NE(log.find("orv_get_query_api -> lumivex_live_loader: "), std::string::npos);
  EXPECT_EQ(log.find("initialize shared handle"), std::string::npos);
  EXPECT_EQ(log.find("NO shared handle"), std::string::npos);
}

TEST_F(Loader, LogLinesAtTheirFixedPositions) {
  place({Where::bin, "orvlumivexlive6_64.so", "good"});
  install(9);
  ASSERT_NE(orv_get_query_api(9, 10), nullptr);
  unload_live_library();
  fs::remove(install_.bin / "orvlumivexlive6_64.so");
  EXPECT_EQ(orv_get_query_api(9, 10), nullptr);
  const std::string log = log_text();
  const std::string stamp = " - \\d\\d:\\d\\d:\\d\\d\\.\\d{3} ";
  const std::string bin = utf8_of(install_.bin);
  std::string bin_pattern;
  for (char c : bin) {
    if (!std::isalnum(static_cast<unsigned char>(c))) bin_pattern += '\\';
    bin_pattern += c;
  }
  const std::string expected[] = {
      "lumivexlive_loader\\.cpp:282" + stamp +
          "DEBUG4:  orv_get_query_api -> lumivex_live_loader: .*",
      "lumivexlive_loader\\.cpp:153" + stamp + "DEBUG4:  " + bin_pattern,
      "lumivexlive_loader\\.cpp:218" + stamp + "DEBUG4:  initialize shared handle: .+",
      "lumivexlive_loader\\.cpp:245" + stamp + "DEBUG4:  Lumivex live: .+",
      "lumivexlive_loader\\.cpp:282" + stamp +
          "DEBUG4:  orv_get_query_api -> lumivex_live_loader: .*",
      "lumivexlive_loader\\.cpp:153" + stamp + "DEBUG4:  " + bin_pattern,
      "lumivexlive_loader\\.cpp:218" + stamp + "DEBUG4:  initialize shared handle: .*",
      "lumivexlive_loader\\.cpp:234" + stamp + "WARNING:  NO shared handle",
  };
  std::istringstream lines(log);
  std::string line;
  for (const std::string& pattern : expected) {
    ASSERT_TRUE(std::getline(lines, line)) << log;
    EXPECT_TRUE(std::regex_match(line, std::regex(pattern))) << line << "\n  vs " << pattern;
  }
  EXPECT_FALSE(std::getline(lines, line)) << line;
}

}  // namespace
}  // namespace live_test
