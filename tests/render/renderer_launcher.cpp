// The "renderer executable" of the end-to-end tests' installation. The
// add-in starts it without arguments, as it starts the real renderer; it
// starts lvsim with the arguments the test left for it, so the test sees
// what lvsim holds (--dump) and can stop it between presses.
//
// It reads the folder LVTEST_RENDERER_DIR and the program LVTEST_LVSIM from
// the environment. In that folder:
//   mode         first line "run" (start lvsim with the further lines as its
//                arguments) or "noop" (start nothing, report success)
//   launches     one line per start of this program (written here)
//   stop-all     while it exists, every running launcher stops its lvsim and ends
//   kill-<pid>   the launcher whose lvsim has that process id kills it at once
//   ended-<pid>  written when the launcher with that process id ends
// A launcher ends by itself after a few minutes, so nothing outlives a test
// run that lost track of it.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/env.h"
#include "platform/fs.h"
#include "platform/process_control.h"

namespace {

constexpr unsigned kCheckMs = 20;
constexpr uint64_t kLifetimeMs = 240000;

void touch(const std::string& path, const std::string& line, bool append) {
  std::ofstream(path, append ? std::ios::app : std::ios::trunc) << line << "\n";
}

}  // namespace

int main() {
  auto folder = platform::get_environment("LVTEST_RENDERER_DIR");
  auto lvsim = platform::get_environment("LVTEST_LVSIM");
  if (!folder || !lvsim) return 90;
  const std::string pid = std::to_string(platform::current_process_id());
  touch(platform::join_path(*folder, "launches"), pid, true);
  const std::string ended = platform::join_path(*folder, "ended-" + pid);

  std::ifstream modeFile(platform::join_path(*folder, "mode"));
  std::string mode;
  std::getline(modeFile, mode);
  std::vector<std::string> arguments;
  for (std::string line; std::getline(modeFile, line);) {
    if (!line.empty()) arguments.push_back(line);
  }
  if (mode != "run") {
    touch(ended, "0", false);
    return 0;
  }
  auto child = platform::ChildProcess::start(*lvsim, arguments);
  if (!child) {
    touch(ended, "91", false);
    return 91;
  }
  const uint64_t start = platform::tick_milliseconds();
  const std::string stopAll = platform::join_path(*folder, "stop-all");
  const std::string killMine = platform::join_path(*folder, "kill-" + std::to_string(child->id()));
  int code = 0;
  while (true) {
    if (auto exit = child->wait(kCheckMs)) {
      code = *exit;
      break;
    }
    if (platform::is_readable_file(killMine)) {
      child->kill();
      code = child->wait(5000).value_or(-1);
      break;
    }
    if (platform::is_readable_file(stopAll) ||
        platform::tick_milliseconds() - start > kLifetimeMs) {
      // A stopped lvsim removes its instance record; a killed one leaves it stale.
      if (!child->request_stop() || !child->wait(5000)) child->kill();
      child->wait(5000);
      code = 0;
      break;
    }
  }
  touch(ended, std::to_string(code), false);
  return 0;
}
