#include "platform/file.h"

#include <fcntl.h>
#include <io.h>

#include "platform/text.h"

namespace platform {

std::FILE* open_file(const std::string& utf8_path, const char* mode) {
  const std::u16string wpath = utf8_to_utf16(utf8_path);
  const std::u16string wmode = utf8_to_utf16(mode);
  return ::_wfopen(reinterpret_cast<const wchar_t*>(wpath.c_str()),
                   reinterpret_cast<const wchar_t*>(wmode.c_str()));
}

std::FILE* take_standard_output() {
  std::fflush(stdout);
  const int scene_fd = ::_dup(::_fileno(stdout));
  if (scene_fd < 0) return nullptr;
  std::FILE* stream = ::_fdopen(scene_fd, "wb");
  if (!stream) {
    ::_close(scene_fd);
    return nullptr;
  }
  ::_dup2(::_fileno(stderr), ::_fileno(stdout));
  ::_setmode(::_fileno(stream), _O_BINARY);
  return stream;
}

}  // namespace platform
