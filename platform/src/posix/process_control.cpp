#include "platform/process_control.h"

#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

extern char** environ;

namespace platform {
namespace {

volatile std::sig_atomic_t stop_flag = 0;

extern "C" void on_stop_signal(int) { stop_flag = 1; }

void sleep_ms(unsigned ms) {
  timespec t{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&t, &t) != 0 && errno == EINTR) {
  }
}

}  // namespace

int64_t current_process_id() { return static_cast<int64_t>(::getpid()); }

bool process_alive(int64_t process_id) {
  if (process_id <= 0 || process_id != static_cast<pid_t>(process_id)) return false;
  if (::kill(static_cast<pid_t>(process_id), 0) != 0 && errno != EPERM) return false;
  // A process that has ended but was not collected by its parent yet (a
  // zombie) still answers kill; where /proc shows its state, it counts as gone.
  std::FILE* stat = std::fopen(("/proc/" + std::to_string(process_id) + "/stat").c_str(), "r");
  if (!stat) return true;
  char buffer[512];
  size_t got = std::fread(buffer, 1, sizeof buffer - 1, stat);
  std::fclose(stat);
  buffer[got] = '\0';
  const char* close = std::strrchr(buffer, ')');
  if (!close || close[1] != ' ') return true;
  return close[2] != 'Z' && close[2] != 'X';
}

void install_stop_handler() {
  struct sigaction action {};
  action.sa_handler = on_stop_signal;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
  // A peer that closes a connection must not end the process.
  std::signal(SIGPIPE, SIG_IGN);
}

bool stop_requested() { return stop_flag != 0; }

bool request_process_stop(int64_t process_id) {
  if (process_id <= 0 || process_id != static_cast<pid_t>(process_id)) return false;
  return ::kill(static_cast<pid_t>(process_id), SIGTERM) == 0;
}

std::string temp_folder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string folder = tmp && *tmp ? tmp : "/tmp";
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::optional<ChildProcess> ChildProcess::start(const std::string& program,
                                                const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
    return std::nullopt;
  }
  ChildProcess child;
  child.id_ = pid;
  return child;
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : id_(other.id_), handle_(other.handle_), exit_code_(other.exit_code_) {
  other.id_ = -1;
}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    kill();
    id_ = other.id_;
    handle_ = other.handle_;
    exit_code_ = other.exit_code_;
    other.id_ = -1;
  }
  return *this;
}

ChildProcess::~ChildProcess() { kill(); }

bool ChildProcess::request_stop() {
  if (id_ <= 0 || exit_code_) return false;
  return request_process_stop(id_);
}

void ChildProcess::kill() {
  if (id_ <= 0 || exit_code_) return;
  ::kill(static_cast<pid_t>(id_), SIGKILL);
  wait(10000);
}

std::optional<int> ChildProcess::wait(unsigned timeout_ms) {
  if (exit_code_ || id_ <= 0) return exit_code_;
  for (unsigned waited = 0;; waited += 5) {
    int status = 0;
    pid_t r = ::waitpid(static_cast<pid_t>(id_), &status, WNOHANG);
    if (r == static_cast<pid_t>(id_)) {
      exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      return exit_code_;
    }
    if (r < 0 && errno != EINTR) {
      exit_code_ = -1;
      return exit_code_;
    }
    if (waited >= timeout_ms) return std::nullopt;
    sleep_ms(5);
  }
}

}  // namespace platform
