#include <regex>
#include <sstream>

#include "installation.h"
#include "sceneapi/FILELog.h"

namespace live_test {
namespace {

std::string slurp(const fs::path& p) {
  std::ifstream in(p);  // text mode: the log's line ends read as "\n" everywhere
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

TEST(LogTimeStamp, MillisecondsSinceTheFirstStampModuloOneThousand) {
  const struct {
    std::optional<std::string> time_text;
    uint64_t elapsed;
    const char* stamp;
  } cases[] = {
      {"11:52:07", 0, "11:52:07.000"},        {"11:52:07", 7, "11:52:07.007"},
      {"11:52:07", 250, "11:52:07.250"},      {"11:52:08", 1250, "11:52:08.250"},
      {"11:52:08", 999, "11:52:08.999"},      {"11:52:08", 1000, "11:52:08.000"},
      {"23:59:59", 86400123, "23:59:59.123"}, {std::nullopt, 250, "Error in NowTime()"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(format_time_stamp(c.time_text, c.elapsed), c.stamp);
  }
  EXPECT_TRUE(std::regex_match(NowTime(), std::regex("\\d\\d:\\d\\d:\\d\\d\\.\\d{3}")))
      << NowTime();
}

TEST(LogLineHeader, FileNameLineStampAndLevel) {
  const struct {
    LogLevel level;
    const char* path;
    const char* header;
  } cases[] = {
      {WARNING, "C:\\src\\importers\\sceneapi\\dev\\lumivexlive_loader.cpp",
       "lumivexlive_loader.cpp:12 - T WARNING:  "},
      {DEBUG4, "src/importers/sceneapi/dev/lumivexlive_loader.cpp",
       "lumivexlive_loader.cpp:12 - T DEBUG4:  "},
      {ERROR, "a/b\\c/d\\mixed.cpp", "mixed.cpp:12 - T ERROR:  "},
      {INFO, "plain.cpp", "plain.cpp:12 - T INFO:  "},
      {DEBUG, "folder/", ":12 - T DEBUG:  "},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(log_line_header(c.level, c.path, 12, "T"), c.header);
  }
  const char* names[] = {"ERROR",  "WARNING", "INFO",   "DEBUG", "DEBUG1",
                         "DEBUG2", "DEBUG3",  "DEBUG4", "NONE"};
  for (int level = ERROR; level <= NONE; ++level) {
    EXPECT_STREQ(log_level_text(static_cast<LogLevel>(level)), names[level]);
  }
}

class FileLog : public InstallationTest {
 protected:
  void SetUp() override {
    InstallationTest::SetUp();
    install_ = make_install("r");
    log_ = install_.resources / "sceneapi.log";
  }
  void install() { install_registry(key(kLocalMachine, 9, install_)); }
  Install install_;
  fs::path log_;
};

TEST_F(FileLog, LineFormatInTheResourceFolder) {
  install();
  FILE_LOG_AT(WARNING, "x\\y/loader.cpp", 234) << "NO shared handle";
  FILE_LOG_AT(DEBUG4, "loader.cpp", 7) << "ends with its own line end\n";
  const std::string text = slurp(log_);
  EXPECT_TRUE(std::regex_match(
      text,
      std::regex("loader\\.cpp:234 - \\d\\d:\\d\\d:\\d\\d\\.\\d{3} WARNING:  NO shared handle\n"
                 "loader\\.cpp:7 - \\d\\d:\\d\\d:\\d\\d\\.\\d{3} DEBUG4:  ends with its own "
                 "line end\n\n")))
      << text;
}

TEST_F(FileLog, LevelAboveTheReportingLevelIsNotWritten) {
  install();
  FILE_LOG_AT(NONE, "loader.cpp", 1) << "never";
  FILE_LOG_AT(ERROR, "loader.cpp", 2) << "always";
  const std::string text = slurp(log_);
  EXPECT_EQ(text.find("never"), std::string::npos);
  EXPECT_NE(text.find("ERROR:  always"), std::string::npos);
}

TEST_F(FileLog, AppendsBelowTwentyMebibytesAndStartsAfreshFromThere) {
  install();
  const struct {
    uint64_t existing;
    bool restarted;
  } cases[] = {{0, false}, {20971519, false}, {20971520, true}, {30000000, true}};
  for (const auto& c : cases) {
    Output2FILE::close_for_tests();
    { std::ofstream(log_, std::ios::binary | std::ios::trunc); }
    fs::resize_file(log_, c.existing);
    FILE_LOG_AT(INFO, "loader.cpp", 1) << "after " << c.existing;
    Output2FILE::close_for_tests();
    const uint64_t size = fs::file_size(log_);
    const uint64_t kept = c.restarted ? 0 : c.existing;
    EXPECT_GT(size, kept) << c.existing;
    EXPECT_LT(size, kept + 100) << c.existing;
    std::ifstream in(log_, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(kept));
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line.rfind("loader.cpp:1 - ", 0), 0u) << c.existing << ": " << line;
  }
}

TEST_F(FileLog, NoInstallationMeansNoLogAndNoComplaint) {
  install_registry("");
  testing::internal::CaptureStderr();
  EXPECT_EQ(Output2FILE::file(), nullptr);
  FILE_LOG_AT(ERROR, "loader.cpp", 1) << "dropped";
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  // Once the renderer is installed, the next statement opens the log.
  install();
  FILE_LOG_AT(ERROR, "loader.cpp", 2) << "kept";
  EXPECT_NE(slurp(log_).find("ERROR:  kept"), std::string::npos);
}

TEST_F(FileLog, AnUnwritableLogIsReportedAtEveryStatementUntilItOpens) {
  install();
  fs::create_directories(log_);  // a folder where the file should be: no open can succeed
  for (int attempt = 0; attempt < 2; ++attempt) {
    testing::internal::CaptureStderr();
    FILE_LOG_AT(ERROR, "loader.cpp", 1) << "lost";
    const std::string complaint = testing::internal::GetCapturedStderr();
    EXPECT_EQ(complaint.rfind("could not open log file:\nopening log: ", 0), 0u) << complaint;
  }
  fs::remove(log_);
  testing::internal::CaptureStderr();
  FILE_LOG_AT(ERROR, "loader.cpp", 2) << "written";
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  const std::string text = slurp(log_);
  EXPECT_EQ(text.find("lost"), std::string::npos);
  EXPECT_NE(text.find("ERROR:  written"), std::string::npos);
}

}  // namespace
}  // namespace live_test
