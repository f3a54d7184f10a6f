// Test helper: the exact bytes a piece of scene API code writes.
//
//   std::string text = capture_scene([](orvScene_api& api) {
//     api.begin_group("Box", true);
//     api.end_group();
//   });
//
// The body runs against an orvScene_api_file on a temporary file (raw arrays
// as given; indentation off until the body calls set_flags, as in a real
// file). The writer is destroyed before the bytes are read back, so the
// numeric locale is restored by then.
#pragma once

#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>

#include "sceneapi/orvScene_api_file.h"

inline std::string capture_scene(const std::function<void(orvScene_api&)>& body,
                                 bool raw_arrays = false) {
  std::FILE* file = std::tmpfile();
  if (!file) throw std::runtime_error("capture_scene: no temporary file");
  {
    orvScene_api_file writer(file, raw_arrays);
    body(writer);
  }
  std::string bytes;
  std::fflush(file);
  std::rewind(file);
  char block[1 << 16];
  size_t got;
  while ((got = std::fread(block, 1, sizeof block, file)) > 0) bytes.append(block, got);
  std::fclose(file);
  return bytes;
}
