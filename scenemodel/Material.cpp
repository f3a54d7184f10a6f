#include "scenemodel/Material.h"

#include "scenemodel/orvSceneapi_oo.h"

namespace orv {

Material::Material(std::string name) : name_(std::move(name)) {}

Material::~Material() = default;

bool Material::isDefined() const { return defined_; }

void Material::setName(std::string name) { name_ = std::move(name); }

void Material::setShaderType(std::string shaderType) { shaderType_ = std::move(shaderType); }

void Material::emit(orvSceneapi_oo& api) {
  orvScene_api* scene = api.getSceneApi();
  if (scene == nullptr) return;
  if (defined_) {
    scene->use_material(name_.c_str());
    return;
  }
  scene->begin_material(name_.c_str(), true);
  emitBody(api);
  scene->end_material();
}

void Material::define(orvSceneapi_oo& api) {
  orvScene_api* scene = api.getSceneApi();
  if (scene == nullptr) return;
  scene->begin_material(name_.c_str(), false);
  emitBody(api);
  scene->end_material();
  defined_ = true;
}

}  // namespace orv
