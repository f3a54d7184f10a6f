// The factory behind the Export command: opens a scene file (or takes over
// standard output for "-"), puts a text writer on it, writes the file header
// and closes the file at the end.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "sceneapi/LightFactory.h"
#include "sceneapi/orvScene_api_file.h"

namespace orv {

class LightFileFactory : public LightFactory {
 public:
  // Opens utf8_path for writing (created or truncated); "-" writes to the
  // process's standard output. Throws std::runtime_error
  // "could not open file: \"<path>\"" after an "opening file" line on stderr.
  explicit LightFileFactory(std::string utf8_path);
  // Closes what is still open; a failure only reaches standard error here.
  ~LightFileFactory() override;

  LightFileFactory(const LightFileFactory&) = delete;
  LightFileFactory& operator=(const LightFileFactory&) = delete;

  orvScene_api* getSceneApi() override;
  // Writes the file header; the wrapper is not needed for it.
  void start(orvSceneapi_oo& wrapper) override;
  // Destroys the writer and closes the file. Throws std::runtime_error
  // "could not close file" after a "closing file" line on stderr when the
  // file could not be closed or any write of the scene failed. Closing again
  // does nothing.
  void close() override;

 private:
  // False when the scene did not reach the file completely.
  bool close_stream();

  std::unique_ptr<orvScene_api_file> backend_;
  std::FILE* stream_ = nullptr;
};

}  // namespace orv
