#include "scenemodel/LightCamera.h"

#include <algorithm>

#include "scenemodel/orvSceneapi_oo.h"

namespace orv {

LightCamera::LightCamera(std::string name) : name_(std::move(name)) {}

LightCamera::~LightCamera() = default;

void LightCamera::setPosition(float x, float y, float z) { position_ = {x, y, z}; }
void LightCamera::setDirection(float x, float y, float z) { direction_ = {x, y, z}; }
void LightCamera::setUp(float x, float y, float z) { up_ = {x, y, z}; }

void LightCamera::setFov(float degrees) {
  fov_ = degrees;
  fovMode_ = FovMode::kSingleAngle;
}

void LightCamera::setProjection(int32_t projection) { projection_ = projection; }

void LightCamera::setLookAt(float x, float y, float z) {
  lookAt_ = {x, y, z};
  hasLookAt_ = true;
}

void LightCamera::setClipping(float nearDistance, float farDistance) {
  near_ = nearDistance;
  far_ = farDistance;
}

void LightCamera::setWindow(float left, float right, float bottom, float top) {
  window_ = {left, right, bottom, top};
  hasWindow_ = true;
}

void LightCamera::setFov4(float left, float right, float bottom, float top) {
  fov4_ = {left, right, bottom, top};
  fovMode_ = FovMode::kFourValues;
}

void LightCamera::setTransform(std::span<const double, 16> matrix) {
  std::copy(matrix.begin(), matrix.end(), transform_.begin());
  hasTransform_ = true;
}

void LightCamera::setPlacementNode(std::shared_ptr<LightNode> node) {
  placementNode_ = std::move(node);
}

ShaderBuffer* LightCamera::emitEnvironment(orvSceneapi_oo& api) {
  orvScene_api* scene = api.getSceneApi();
  if (scene == nullptr) return nullptr;
  scene->begin_shader(nullptr, "orv_envmap");
  api.setString("texture", std::string("startup.hdr"));
  api.setInt("format", 3);
  api.setFloat("radius", 25.0f);
  ShaderBuffer* environment = scene->current_shader();
  api.endShader();
  return environment;
}

void LightCamera::emit(orvSceneapi_oo& api) {
  orvScene_api* scene = api.getSceneApi();
  if (scene == nullptr) return;
  // A refused camera block (another top block open) still gets its parameters.
  scene->begin_camera(name_.c_str());
  if (projection_ == kOrthographic) {
    api.setString("projection", std::string("orthographic"));
    if (hasWindow_) scene->parameter("window", ORV_FLOAT4B, window_.data());
  } else {
    api.setString("projection", std::string("perspective"));
    if (fovMode_ == FovMode::kSingleAngle) {
      api.setFloat("fov", fov_);
    } else {
      scene->parameter("fov4", ORV_FLOAT4B, fov4_.data());
    }
  }
  ShaderBuffer* environment = emitEnvironment(api);
  scene->parameter("reflection map", ORV_SHADER, &environment);
  api.setVector("position", position_.data());
  api.setVector("direction", direction_.data());
  if (hasLookAt_) api.setVector("look_at", lookAt_.data());
  api.setVector("up", up_.data());
  if (near_ > 0 && far_ > 0 && near_ < far_) {
    const float clipping[2] = {near_, far_};
    scene->parameter("clipping", ORV_FLOAT2, clipping);
  }
  if (placementNode_ != nullptr) {
    api.emitNode(placementNode_.get());
  } else if (hasTransform_) {
    api.setTransform(transform_.data());
  }
  scene->end_camera();
}

}  // namespace orv
