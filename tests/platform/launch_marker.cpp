// Started by the process tests: writes how many arguments it got and its
// current folder into the file named by LVTEST_LAUNCH_MARKER.
#include <cstdio>
#include <filesystem>

#include "platform/env.h"
#include "platform/file.h"

int main(int argc, char**) {
  const auto marker = platform::get_environment("LVTEST_LAUNCH_MARKER");
  if (!marker) return 1;
  const std::string partial = *marker + ".part";
  std::FILE* f = platform::open_file(partial, "wb");
  if (!f) return 1;
  const std::u8string here = std::filesystem::current_path().u8string();
  // No command line at all: not even the program's name as an argument.
  std::fprintf(f, "arguments: %d\n%s\n", argc > 0 ? argc - 1 : 0,
               std::string(here.begin(), here.end()).c_str());
  std::fclose(f);
  std::error_code ec;
  std::filesystem::rename(std::filesystem::path(std::u8string(partial.begin(), partial.end())),
                          std::filesystem::path(std::u8string(marker->begin(), marker->end())), ec);
  return 0;
}
