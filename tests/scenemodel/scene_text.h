// Helpers for the scene model tests: run nodes through a wrapper attached to
// the file backend and get the scene text back.
#pragma once

#include <functional>
#include <string>

#include "sceneapi/LightFactory.h"
#include "sceneapi/orvScene_api.h"
#include "scenemodel/orvSceneapi_oo.h"
#include "support/scene_capture.h"

// The text that body writes through a fresh wrapper, as the Export command
// sets the backend up (indentation on, arrays as text). The wrapper is
// attached with setSceneApi, so no banner precedes the text.
inline std::string emitted(const std::function<void(orv::orvSceneapi_oo&)>& body) {
  return capture_scene([&](orvScene_api& api) {
    api.set_flags(1);
    orv::orvSceneapi_oo wrapper(nullptr);
    wrapper.setSceneApi(&api);
    body(wrapper);
  });
}

// A factory that hands out a backend it does not own and counts start calls.
class BorrowedBackendFactory : public orv::LightFactory {
 public:
  explicit BorrowedBackendFactory(orvScene_api* backend) : backend_(backend) {}
  orvScene_api* getSceneApi() override { return backend_; }
  void start(orv::orvSceneapi_oo&) override {
    ++starts;
    if (backend_ != nullptr) backend_->write_text("// started\n");
  }
  void close() override {}

  int starts = 0;

 private:
  orvScene_api* backend_;
};
