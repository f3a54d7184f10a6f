#include "scenemodel/orvSceneapi_oo.h"

#include <limits>
#include <stdexcept>

#include "scenemodel/LightNode.h"

namespace orv {

orvSceneapi_oo::orvSceneapi_oo(LightFactory* factory) : factory_(factory) {
  setSceneApi(factory_ != nullptr ? factory_->getSceneApi() : nullptr);
  if (sceneApi_ == nullptr) return;
  // The factory writes its own preamble (the file header) before anything of ours.
  factory_->start(*this);
  sceneApi_->print(banner().c_str());
  sceneApi_->version(kMajorVersion);
}

orvSceneapi_oo::~orvSceneapi_oo() = default;

std::string orvSceneapi_oo::banner() {
  return "LumiVex SceneApi oo " + std::to_string(kMajorVersion) + "." +
         std::to_string(kMinorVersion) + "." + std::to_string(kPatchVersion) + "  (built " +
         kBuildDate + ")";
}

void orvSceneapi_oo::setSceneApi(orvScene_api* api) {
  sceneApi_ = api;
  shaderCounter_ = 0;
  idCounter_ = 0;
}

int orvSceneapi_oo::newId() {
  ++idCounter_;
  if (sceneApi_ != nullptr) sceneApi_->id(static_cast<unsigned>(idCounter_));
  return idCounter_;
}

void orvSceneapi_oo::emitNode(LightNode* node) {
  if (node != nullptr && sceneApi_ != nullptr) node->emit(*this);
}

void orvSceneapi_oo::progress(const std::string& label, float fraction) {
  if (sceneApi_ != nullptr) sceneApi_->progress(label.c_str(), fraction);
}

void orvSceneapi_oo::beginGroup(const std::string& name) {
  if (sceneApi_ != nullptr) sceneApi_->begin_group(name.c_str(), true);
}

void orvSceneapi_oo::endGroup() {
  if (sceneApi_ != nullptr) sceneApi_->end_group();
}

int orvSceneapi_oo::defineShader(const std::string& shaderType) {
  ++shaderCounter_;
  if (sceneApi_ != nullptr) sceneApi_->begin_shader_id(shaderType.c_str(), shaderCounter_);
  return shaderCounter_;
}

void orvSceneapi_oo::endShader() {
  if (sceneApi_ != nullptr) sceneApi_->end_shader();
}

void orvSceneapi_oo::setString(const std::string&, const char*) {
  throw std::invalid_argument("const char * are deprecated");
}

void orvSceneapi_oo::setString(const std::string& name, const std::string& value) {
  if (sceneApi_ != nullptr) sceneApi_->parameter(name.c_str(), ORV_STRING, value.c_str());
}

void orvSceneapi_oo::setColor(const std::string& name, const float* rgb) {
  if (sceneApi_ != nullptr && rgb != nullptr) sceneApi_->parameter(name.c_str(), ORV_FLOAT3, rgb);
}

void orvSceneapi_oo::setVector(const std::string& name, const double* xyz) {
  if (sceneApi_ != nullptr && xyz != nullptr) sceneApi_->parameter(name.c_str(), ORV_DOUBLE3, xyz);
}

void orvSceneapi_oo::setDouble(const std::string& name, double value) {
  if (sceneApi_ != nullptr) sceneApi_->parameter(name.c_str(), ORV_DOUBLE, &value);
}

void orvSceneapi_oo::setFloat(const std::string& name, float value) {
  if (sceneApi_ != nullptr) sceneApi_->parameter(name.c_str(), ORV_FLOAT, &value);
}

void orvSceneapi_oo::setInt(const std::string& name, int32_t value) {
  if (sceneApi_ != nullptr) sceneApi_->parameter(name.c_str(), ORV_INT, &value);
}

void orvSceneapi_oo::setBool(const std::string& name, bool value) {
  const int32_t asInt = value ? 1 : 0;
  if (sceneApi_ != nullptr) sceneApi_->parameter(name.c_str(), ORV_BOOL, &asInt);
}

void orvSceneapi_oo::setArray(const std::string& name, int elementType, const void* data,
                              size_t count) {
  if (sceneApi_ == nullptr) return;
  if (count > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    reportError("array \"" + name + "\" has too many elements (" + std::to_string(count) + ")");
    return;
  }
  const orvArray descriptor{data, static_cast<int32_t>(count)};
  sceneApi_->parameter(name.c_str(), ORV_ARRAY + elementType, &descriptor);
}

void orvSceneapi_oo::setMatrixArray(const std::string& name,
                                    std::span<const std::array<double, 16>> matrices) {
  setArray(name, ORV_MATRIX, matrices.data(), matrices.size());
}

void orvSceneapi_oo::setIntArray(const std::string& name, std::span<const int32_t> values) {
  setArray(name, ORV_INT, values.data(), values.size());
}

void orvSceneapi_oo::setFloatArray(const std::string& name, std::span<const float> values) {
  setArray(name, ORV_FLOAT, values.data(), values.size());
}

void orvSceneapi_oo::setDoubleArray(const std::string& name, std::span<const double> values) {
  setArray(name, ORV_DOUBLE, values.data(), values.size());
}

void orvSceneapi_oo::setVec3Array(const std::string& name, std::span<const float> values) {
  setArray(name, ORV_FLOAT3, values.data(), values.size() / 3);
}

void orvSceneapi_oo::setTransform(const double* matrix) { setTransform(matrix, false); }

void orvSceneapi_oo::setTransform(const double* matrix, bool replace) {
  if (sceneApi_ == nullptr || matrix == nullptr) return;
  if (replace) {
    sceneApi_->set_transform(matrix);
  } else {
    sceneApi_->transform(matrix);
  }
}

void orvSceneapi_oo::setFlags(uint32_t flags) {
  if (sceneApi_ != nullptr) sceneApi_->flags(flags);
}

orvScene_api* orvSceneapi_oo::getSceneApi() { return sceneApi_; }

void orvSceneapi_oo::reportError(const std::string& message) {
  if (sceneApi_ != nullptr) sceneApi_->error(message.c_str());
}

}  // namespace orv
