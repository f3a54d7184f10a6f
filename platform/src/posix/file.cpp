#include "platform/file.h"

#include <fcntl.h>
#include <unistd.h>

namespace platform {

std::FILE* open_file(const std::string& utf8_path, const char* mode) {
  return std::fopen(utf8_path.c_str(), mode);
}

std::FILE* take_standard_output() {
  std::fflush(stdout);
  const int scene_fd = ::dup(STDOUT_FILENO);
  if (scene_fd < 0) return nullptr;
  ::fcntl(scene_fd, F_SETFD, FD_CLOEXEC);
  std::FILE* stream = ::fdopen(scene_fd, "wb");
  if (!stream) {
    ::close(scene_fd);
    return nullptr;
  }
  ::dup2(STDERR_FILENO, STDOUT_FILENO);
  return stream;  // POSIX streams have no text mode to switch off
}

}  // namespace platform
