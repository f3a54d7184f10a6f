#include "platform/process.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {

namespace {

// Closes every descriptor above the standard streams except keep, so the
// started program holds none of ours (sockets, log files).
void close_inherited(int keep) {
  struct rlimit limit {};
  int top = 1024;
  if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
      limit.rlim_cur < 65536) {
    top = static_cast<int>(limit.rlim_cur);
  }
  for (int fd = 3; fd < top; ++fd) {
    if (fd != keep) ::close(fd);
  }
}

}  // namespace

bool start_process(const std::string& application_path) {
  // The program is started by a grandchild, so nobody has to reap it: the
  // short-lived child exits at once and the program is adopted by init. A
  // close-on-exec pipe carries the errno of a failed exec back to us.
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return false;
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(report[0]);
    ::close(report[1]);
    return false;
  }
  if (child == 0) {
    ::close(report[0]);
    const pid_t program = ::fork();
    if (program == 0) {
      close_inherited(report[1]);
      char* const argv[] = {const_cast<char*>(application_path.c_str()), nullptr};
      ::execve(application_path.c_str(), argv, environ);
      const int error = errno;
      (void)!::write(report[1], &error, sizeof error);
      ::_exit(127);
    }
    if (program < 0) {
      const int error = errno;
      (void)!::write(report[1], &error, sizeof error);
    }
    ::_exit(0);
  }
  ::close(report[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int error = 0;
  ssize_t got;
  while ((got = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
  }
  ::close(report[0]);
  return got == 0;  // end of file: the exec closed the pipe
}

}  // namespace platform
