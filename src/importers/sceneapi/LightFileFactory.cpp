#include "sceneapi/LightFileFactory.h"

#include <cerrno>
#include <stdexcept>

#include "platform/file.h"

namespace orv {

LightFileFactory::LightFileFactory(std::string utf8_path) {
  stream_ =
      utf8_path == "-" ? platform::take_standard_output() : platform::open_file(utf8_path, "wb+");
  if (!stream_) {
    std::perror("opening file");
    throw std::runtime_error("could not open file: \"" + utf8_path + "\"");
  }
  backend_ = std::make_unique<orvScene_api_file>(stream_, true);
}

LightFileFactory::~LightFileFactory() { close_stream(); }

orvScene_api* LightFileFactory::getSceneApi() { return backend_.get(); }

void LightFileFactory::start(orvSceneapi_oo&) {
  if (!backend_) return;
  backend_->write_text("//---orvane:dal:7---\n");
  backend_->write_text("//---import:dal:1---\n");
  backend_->write_text("//---id:1---\n");
  backend_->write_text("// This is a LumiVex scene file\n\n");
}

void LightFileFactory::close() {
  if (!close_stream()) throw std::runtime_error("could not close file");
}

// A write that failed during the scene (a full disk) counts as a failed close:
// the file is incomplete even when the final flush succeeds.
bool LightFileFactory::close_stream() {
  int write_error = 0;
  bool write_failed = false;
  if (backend_) {
    write_failed = backend_->write_failed();
    write_error = backend_->write_error();
    backend_.reset();  // restores the numeric locale
  }
  if (!stream_) return !write_failed;
  // Some C libraries report a failed final flush from fflush but not from fclose.
  if (std::fflush(stream_) != 0 && !write_failed) {
    write_failed = true;
    write_error = errno;
  }
  if (std::ferror(stream_)) write_failed = true;
  const bool closed = std::fclose(stream_) == 0;
  stream_ = nullptr;
  if (closed && !write_failed) return true;
  if (closed) errno = write_error != 0 ? write_error : EIO;
  std::perror("closing file");
  return false;
}

}  // namespace orv
