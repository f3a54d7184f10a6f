// The running process and processes it starts with arguments: ids, liveness,
// a graceful stop on request (SIGTERM and SIGINT; console control events on
// Windows), and child processes for tools and tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

int64_t current_process_id();

// True while a process with this id exists (it may belong to another user).
bool process_alive(int64_t process_id);

// From now on a stop request (SIGTERM, SIGINT; on Windows Ctrl-C, Ctrl-Break,
// closing the console, or ChildProcess::request_stop from another process)
// sets a flag instead of ending the process.
void install_stop_handler();
bool stop_requested();

// Asks another process to stop, as ChildProcess::request_stop does for a
// child. False when the request could not be delivered.
bool request_process_stop(int64_t process_id);

// The folder for temporary files, without a trailing separator.
std::string temp_folder();

class ChildProcess {
 public:
  // Starts program with the arguments; it inherits the environment, the
  // current folder and the standard streams. Empty when it could not start.
  static std::optional<ChildProcess> start(const std::string& program,
                                           const std::vector<std::string>& arguments);
  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&& other) noexcept;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  // Kills a child that is still running and collects it.
  ~ChildProcess();

  int64_t id() const { return id_; }
  // Asks the child to stop: SIGTERM; on Windows the stop request of a child
  // that installed the stop handler, else Ctrl-Break. False when the request
  // could not be delivered.
  bool request_stop();
  void kill();
  // The exit code once the child ended within timeout_ms; empty otherwise.
  // A child ended by a signal reports 128 plus the signal number.
  std::optional<int> wait(unsigned timeout_ms);

 private:
  ChildProcess() = default;
  int64_t id_ = -1;
  std::intptr_t handle_ = 0;  // the process handle on Windows
  std::optional<int> exit_code_;
};

}  // namespace platform
