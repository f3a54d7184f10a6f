#include "sceneapi/FILELog.h"

#include <cstdio>

#include "platform/clock.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "sceneapi/dev/lumivex_discovery.h"

namespace {

constexpr int kMinVersion = 5;
constexpr int kMaxVersion = 20;

std::FILE* log_file = nullptr;

std::FILE* open_log() {
  const std::string folder = lumivex::lookup_resource_folder(kMinVersion, kMaxVersion);
  if (folder.empty()) return nullptr;
  const std::string path = platform::join_path(folder, "sceneapi.log");
  const uint64_t size = platform::file_size(path).value_or(0);
  std::FILE* f = platform::open_file(path, size < kLogRestartBytes ? "a" : "w");
  if (!f) {
    std::fputs("could not open log file:\n", stderr);
    std::fflush(stderr);  // perror bypasses the stream's buffer where stderr is buffered
    std::perror("opening log");
  }
  return f;
}

}  // namespace

const char* log_level_text(LogLevel level) {
  static const char* const names[] = {"ERROR",  "WARNING", "INFO",   "DEBUG", "DEBUG1",
                                      "DEBUG2", "DEBUG3",  "DEBUG4", "NONE"};
  const int index = static_cast<int>(level);
  return index >= 0 && index <= NONE ? names[index] : "NONE";
}

std::string format_time_stamp(const std::optional<std::string>& time_text,
                              uint64_t elapsed_milliseconds) {
  if (!time_text) return "Error in NowTime()";
  char stamp[96];
  std::snprintf(stamp, sizeof stamp, "%s.%03ld", time_text->c_str(),
                static_cast<long>(elapsed_milliseconds % 1000));
  return stamp;
}

std::string NowTime() {
  static const uint64_t first_tick = platform::tick_milliseconds();  // thread-safe once
  return format_time_stamp(platform::local_time_text(), platform::tick_milliseconds() - first_tick);
}

std::string log_line_header(LogLevel level, const char* source_path, int line,
                            const std::string& time_stamp) {
  std::string_view path = source_path ? source_path : "";
  const size_t cut = path.find_last_of("\\/");
  if (cut != std::string_view::npos) path.remove_prefix(cut + 1);
  std::string header(path);
  header += ':' + std::to_string(line) + " - " + time_stamp + ' ' + log_level_text(level) + ":  ";
  return header;
}

std::FILE* Output2FILE::file() {
  if (!log_file) log_file = open_log();
  return log_file;
}

void Output2FILE::close_for_tests() {
  if (log_file) std::fclose(log_file);
  log_file = nullptr;
}
