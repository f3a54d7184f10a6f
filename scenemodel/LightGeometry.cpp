#include "scenemodel/LightGeometry.h"

namespace orv {

LightGeometry::LightGeometry(std::string name) : name_(std::move(name)) {}

LightGeometry::~LightGeometry() = default;

bool LightGeometry::isDefined() const { return defined_; }

void LightGeometry::setMaterial(std::shared_ptr<Material> material) {
  if (material != nullptr) material_ = std::move(material);
}

std::shared_ptr<Material> LightGeometry::getMaterial() const { return material_; }

void LightGeometry::setName(std::string name) { name_ = std::move(name); }

std::string LightGeometry::getName() const { return name_; }

void LightGeometry::setId(int64_t id) {
  defined_ = true;
  id_ = id;
}

}  // namespace orv
