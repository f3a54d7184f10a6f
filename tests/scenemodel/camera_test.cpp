#include <gtest/gtest.h>

#include <memory>

#include "scene_text.h"
#include "scenemodel/LightCamera.h"
#include "scenemodel/orvSceneapi_oo.h"

namespace {

using orv::LightCamera;
using orv::orvSceneapi_oo;

std::string emitCamera(LightCamera& camera) {
  return emitted([&](orvSceneapi_oo& api) { api.emitNode(&camera); });
}

constexpr const char* kReflectionMap = R"( reflection map   "orv_envmap" {
   "texture" "startup.hdr",
   "format" 3,
   "radius" 25,
  }
)";

TEST(Camera, DefaultsWriteThePerspectiveCameraWithItsEnvironment) {
  LightCamera camera("Active Camera");
  const std::string expected = std::string(R"(
camera "Active Camera" {
 projection "perspective"
 fov 60
)") + kReflectionMap + R"( position 0 0 0
 direction 0 0 -1
 up 0 1 0
}
)";
  EXPECT_EQ(emitCamera(camera), expected);
  // A camera writes the same text every time.
  EXPECT_EQ(emitted([&](orvSceneapi_oo& api) {
              api.emitNode(&camera);
              api.emitNode(&camera);
            }),
            expected + expected);
}

TEST(Camera, EverySettingInItsPlace) {
  LightCamera camera("cam");
  camera.setPosition(1.5f, -2, 3);
  camera.setDirection(0, 0, 1);
  camera.setUp(0, 0, 1);
  camera.setLookAt(4, 5, 6);
  camera.setFov(35.5f);
  camera.setClipping(0.25f, 1000);
  const double moved[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 7, 8, 9, 1};
  camera.setTransform(moved);
  EXPECT_EQ(emitCamera(camera), std::string(R"(
camera "cam" {
 projection "perspective"
 fov 35.5
)") + kReflectionMap + R"( position 1.5 -2 3
 direction 0 0 1
 look_at 4 5 6
 up 0 0 1
 clipping 0.25 1000
 transform 1 0 0 0 0 1 0 0 0 0 1 0 7 8 9 1
}
)");
}

// A node standing in for the transform, written where the transform would be.
struct PlacementMarker : orv::LightNode {
  void emit(orvSceneapi_oo& api) override { api.setInt("placed", 1); }
};

TEST(Camera, ProjectionAndFieldOfViewForms) {
  LightCamera camera("cam");
  camera.setProjection(LightCamera::kOrthographic);
  camera.setWindow(-2, 2, -1.5f, 1.5f);
  camera.setFov4(10, 20, 30, 40);
  const double moved[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 7, 8, 9, 1};
  camera.setTransform(moved);
  camera.setPlacementNode(std::make_shared<PlacementMarker>());
  const std::string tail = std::string(kReflectionMap) + R"( position 0 0 0
 direction 0 0 -1
 up 0 1 0
 placed 1
}
)";
  EXPECT_EQ(emitCamera(camera),
            "\ncamera \"cam\" {\n projection \"orthographic\"\n"
            " window -2 2 -1.5 1.5\n" +
                tail);

  // Any projection other than 1 is perspective; the four angles stand in for fov.
  camera.setProjection(2);
  EXPECT_EQ(emitCamera(camera),
            "\ncamera \"cam\" {\n projection \"perspective\"\n fov4 10 20 30 40\n" + tail);

  // A single angle replaces the four again.
  camera.setFov(45);
  EXPECT_EQ(emitCamera(camera),
            "\ncamera \"cam\" {\n projection \"perspective\"\n fov 45\n" + tail);
}

// An orthographic camera whose window was never set has no window to write.
TEST(Camera, OrthographicWithoutWindowWritesNoWindow) {
  LightCamera camera("cam");
  camera.setProjection(LightCamera::kOrthographic);
  const std::string text = emitCamera(camera);
  EXPECT_NE(text.find(" projection \"orthographic\"\n reflection map "), std::string::npos) << text;
  EXPECT_EQ(text.find("window"), std::string::npos) << text;
}

TEST(Camera, ClippingOnlyWhenNearIsPositiveAndBelowFar) {
  struct Case {
    float nearDistance, farDistance;
    bool written;
  };
  const Case cases[] = {
      {0.1f, 100, true}, {1, 1, false}, {0, 100, false}, {-1, 100, false},
      {10, 1, false},    {1, 0, false}, {1, -5, false},  {0.5f, 0.75f, true},
  };
  for (const Case& c : cases) {
    LightCamera camera("cam");
    camera.setClipping(c.nearDistance, c.farDistance);
    const std::string text = emitCamera(camera);
    EXPECT_EQ(text.find(" clipping ") != std::string::npos, c.written)
        << c.nearDistance << " " << c.farDistance << "\n"
        << text;
  }
  LightCamera camera("cam");
  camera.setClipping(0.1f, 100);
  EXPECT_NE(emitCamera(camera).find(" up 0 1 0\n clipping 0.1 100\n}\n"), std::string::npos);
}

// When another top block is open the backend refuses the camera block; the
// parameters are written all the same.
TEST(Camera, RefusedCameraBlockStillWritesTheParameters) {
  LightCamera camera("cam");
  const std::string text = emitted([&](orvSceneapi_oo& api) {
    api.getSceneApi()->begin_object("open", true);
    api.emitNode(&camera);
    api.getSceneApi()->end_object();
  });
  EXPECT_EQ(text.find("camera"), std::string::npos) << text;
  EXPECT_NE(text.find(" projection \"perspective\"\n fov 60\n"), std::string::npos) << text;
  EXPECT_NE(text.find(" up 0 1 0\n"), std::string::npos) << text;
}

// emitEnvironment hands back the captured shader itself, ready to be used as a value.
TEST(Camera, EnvironmentHandleCarriesTheEnvironmentShader) {
  LightCamera camera("any");
  EXPECT_EQ(emitted([&](orvSceneapi_oo& api) {
              ShaderBuffer* environment = camera.emitEnvironment(api);
              ASSERT_NE(environment, nullptr);
              api.getSceneApi()->parameter("probe", ORV_SHADER, &environment);
            }),
            R"("probe"   "orv_envmap" {
   "texture" "startup.hdr",
   "format" 3,
   "radius" 25,
  },
)");
}

}  // namespace
