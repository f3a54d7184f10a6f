#include "platform/process.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/close_range.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {

namespace {

// Leaves the started program none of our descriptors above the standard
// streams (sockets, log files): all are marked close-on-exec, which keeps
// the report pipe usable until the exec itself.
void close_inherited_on_exec() {
  if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) == 0) return;
  struct rlimit limit {};
  rlim_t top = 65536;
  if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
      limit.rlim_cur < top) {
    top = limit.rlim_cur;
  }
  for (int fd = 3; fd < static_cast<int>(top); ++fd) {
    const int flags = ::fcntl(fd, F_GETFD);
    if (flags >= 0) ::fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
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
      close_inherited_on_exec();
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
