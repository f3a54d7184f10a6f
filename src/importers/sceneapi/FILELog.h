// The diagnostic file log "sceneapi.log" in the renderer's resource folder.
// A statement builds a FILELog line object; its destructor writes the line:
//   FILE_LOG(WARNING) << "NO shared handle";
// gives "lumivexlive_loader.cpp:234 - 11:52:07.250 WARNING:  NO shared handle".
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <sstream>
#include <string>

enum LogLevel { ERROR, WARNING, INFO, DEBUG, DEBUG1, DEBUG2, DEBUG3, DEBUG4, NONE };

// Every level up to and including this one is written.
inline constexpr LogLevel reportingLevel = DEBUG4;

const char* log_level_text(LogLevel level);

// Files of this size or more are started afresh at the first open of a process.
inline constexpr uint64_t kLogRestartBytes = 20971520;

// The time stamp: the local time text and the milliseconds since the first
// time stamp of the process, modulo 1000, as "HH:mm:ss.mmm";
// "Error in NowTime()" when there is no time text.
std::string format_time_stamp(const std::optional<std::string>& time_text,
                              uint64_t elapsed_milliseconds);
std::string NowTime();

class Output2FILE {
 public:
  // The process-wide log file, opened on first use in the resource folder of
  // the installed renderer; null while there is none or the open fails (the
  // next call tries again).
  static std::FILE* file();

  // Closes the file so the next statement opens it again. The add-in never
  // does this; tests use it to start over with another installation.
  static void close_for_tests();
};

template <typename Sink>
class Log {
 public:
  Log() = default;
  Log(const Log&) = delete;
  Log& operator=(const Log&) = delete;
  virtual ~Log();

  // Writes the line header and returns the stream for the message.
  std::ostringstream& start(LogLevel level, const char* source_path, int line);

 private:
  std::ostringstream buffer_;
};

class FILELog : public Log<Output2FILE> {};

// The header of a line: source file name (the path's last component),
// line number, time stamp and level.
std::string log_line_header(LogLevel level, const char* source_path, int line,
                            const std::string& time_stamp);

template <typename Sink>
std::ostringstream& Log<Sink>::start(LogLevel level, const char* source_path, int line) {
  buffer_ << log_line_header(level, source_path, line, NowTime());
  return buffer_;
}

template <typename Sink>
Log<Sink>::~Log() {
  buffer_ << '\n';
  if (std::FILE* f = Sink::file()) {
    std::fprintf(f, "%s", buffer_.str().c_str());
    std::fflush(f);
  }
}

// A log statement at an explicit source position; the message is not even
// built when the level is not reported or there is no log file.
#define FILE_LOG_AT(level, source_path, line)             \
  if ((level) > reportingLevel || !Output2FILE::file()) { \
  } else                                                  \
    FILELog().start((level), (source_path), (line))

#define FILE_LOG(level) FILE_LOG_AT(level, __FILE__, __LINE__)
