// The scene camera, with the fixed environment it carries: an "orv_envmap"
// shader with the texture "startup.hdr", used as its reflection map.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "sceneapi/orvScene_api.h"
#include "scenemodel/LightNode.h"

namespace orv {

class LightCamera : public LightNode {
 public:
  // projection: 1 writes an orthographic camera, anything else perspective.
  static constexpr int32_t kOrthographic = 1;
  static constexpr int32_t kPerspective = 0;

  explicit LightCamera(std::string name);
  ~LightCamera() override;

  void emit(orvSceneapi_oo& api) override;
  // Writes the environment shader and returns its handle.
  virtual ShaderBuffer* emitEnvironment(orvSceneapi_oo& api);

  void setPosition(float x, float y, float z);
  void setDirection(float x, float y, float z);
  void setUp(float x, float y, float z);
  // A single angle in degrees; replaces a four-value field of view.
  void setFov(float degrees);
  void setProjection(int32_t projection);

  // A look-at point, written after the direction.
  void setLookAt(float x, float y, float z);
  // Written only when 0 < nearDistance < farDistance.
  void setClipping(float nearDistance, float farDistance);
  // The view window of an orthographic camera; an orthographic camera whose
  // window was never set writes none (there is no meaningful default).
  void setWindow(float left, float right, float bottom, float top);
  // Four field-of-view angles; replaces the single angle.
  void setFov4(float left, float right, float bottom, float top);
  void setTransform(std::span<const double, 16> matrix);
  // A node written in place of the transform; an empty reference clears it.
  void setPlacementNode(std::shared_ptr<LightNode> node);

 private:
  enum class FovMode : int32_t { kSingleAngle = 0, kFourValues = 1 };

  std::string name_;
  std::array<double, 3> position_{0, 0, 0};
  std::array<double, 3> direction_{0, 0, -1};
  std::array<double, 3> lookAt_{0, 0, -1};
  std::array<double, 3> up_{0, 1, 0};
  float fov_ = 60.0f;
  std::array<float, 4> fov4_{};
  std::array<float, 4> window_{};
  float near_ = -1.0f;
  float far_ = -1.0f;
  std::shared_ptr<LightNode> placementNode_;
  bool hasTransform_ = false;
  bool hasLookAt_ = false;
  bool hasWindow_ = false;
  std::array<double, 16> transform_{};
  int32_t projection_ = kPerspective;
  FovMode fovMode_ = FovMode::kSingleAngle;
};

}  // namespace orv
