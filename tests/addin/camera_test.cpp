// The active view's camera, converted for the Render command.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "FakeHost.h"
#include "addin/FusionSceneConverter.h"
#include "support/scene_capture.h"

namespace {

// The file backend, remembering the exact float handed over as "fov".
class FovRecorder : public orvScene_api_file {
 public:
  using orvScene_api_file::orvScene_api_file;
  bool parameter(const char* name, int type, const void* value) override {
    if (std::string(name) == "fov" && type == ORV_FLOAT) fov = *static_cast<const float*>(value);
    return orvScene_api_file::parameter(name, type, value);
  }
  float fov = -1;
};

struct CameraRun {
  std::string text;
  float fov = -1;
};

CameraRun emitCamera(const host::Ptr<fake::Application>& app, float meterScale) {
  CameraRun run;
  std::FILE* file = std::tmpfile();
  {
    FovRecorder recorder(file, false);
    recorder.set_flags(1);
    addin::FusionSceneConverter converter(app->ui, app);
    converter.setMeterScale(meterScale);
    auto wrapper = std::make_unique<orv::orvSceneapi_oo>(nullptr);
    wrapper->setSceneApi(&recorder);
    converter.setSceneWriter(std::move(wrapper));
    converter.emitActiveCamera();
    run.fov = recorder.fov;
  }
  std::rewind(file);
  char block[4096];
  for (size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;)
    run.text.append(block, got);
  std::fclose(file);
  return run;
}

bool has(const std::string& text, const std::string& line) {
  return text.find("\n " + line + "\n") != std::string::npos;
}

TEST(ActiveCamera, PositionInDesignUnitsDirectionFromEyeToTarget) {
  auto app = std::make_shared<fake::Application>();
  auto& camera = *app->viewport->view;
  camera.eyePoint = std::make_shared<fake::Point>(10, 20, 30);
  camera.targetPoint = std::make_shared<fake::Point>(10, 20, 0);
  camera.up = std::make_shared<fake::Vector>(0, 2, 0);  // not normalised on the way
  camera.type = 2;                                      // written as a perspective all the same
  const auto run = emitCamera(app, 1000.0f);
  EXPECT_EQ(run.text.find("\ncamera \"Active Camera\" {\n"), 0u) << run.text;
  EXPECT_TRUE(has(run.text, "position 100 200 300")) << run.text;
  EXPECT_TRUE(has(run.text, "direction 0 0 -1")) << run.text;
  EXPECT_TRUE(has(run.text, "up 0 2 0")) << run.text;
  EXPECT_TRUE(has(run.text, "projection \"perspective\"")) << run.text;
}

TEST(ActiveCamera, ViewAngleInDegrees) {
  const struct {
    double radians;
    float degrees;
  } cases[] = {{std::numbers::pi / 4, 45.0f}, {0.785398, 44.9999924f}, {0.0, 0.0f}};
  for (const auto& c : cases) {
    auto app = std::make_shared<fake::Application>();
    app->viewport->view->angle = c.radians;
    EXPECT_EQ(emitCamera(app, 100.0f).fov, c.degrees) << c.radians;
  }
}

TEST(ActiveCamera, NothingIsWrittenWithoutTypeOrDirection) {
  const struct {
    const char* what;
    void (*prepare)(fake::Camera&);
  } cases[] = {
      {"camera type 0", [](fake::Camera& c) { c.type = 0; }},
      {"eye on the target",
       [](fake::Camera& c) { c.targetPoint = std::make_shared<fake::Point>(0, 0, 10); }},
      {"host refuses the vector operations",
       [](fake::Camera& c) { c.targetPoint->refuseVectors = true; }},
  };
  for (const auto& c : cases) {
    auto app = std::make_shared<fake::Application>();
    c.prepare(*app->viewport->view);
    EXPECT_EQ(emitCamera(app, 100.0f).text, "") << c.what;
  }
}

TEST(ActiveCamera, MissingViewOrPointsStopWithAReason) {
  const struct {
    const char* what;
    void (*withhold)(fake::Application&);
  } cases[] = {
      {"view", [](fake::Application& a) { a.viewport = nullptr; }},
      {"camera", [](fake::Application& a) { a.viewport->view = nullptr; }},
      {"eye", [](fake::Application& a) { a.viewport->view->eyePoint = nullptr; }},
      {"target", [](fake::Application& a) { a.viewport->view->targetPoint = nullptr; }},
      {"up", [](fake::Application& a) { a.viewport->view->up = nullptr; }},
  };
  for (const auto& c : cases) {
    auto app = std::make_shared<fake::Application>();
    c.withhold(*app);
    EXPECT_THROW(emitCamera(app, 100.0f), std::runtime_error) << c.what;
  }
}

}  // namespace
