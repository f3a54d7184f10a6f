// The material made from one host appearance: a diffuse colour and at most one
// colour texture, written as a texture shader feeding a diffuse shader.
#pragma once

#include <array>
#include <string>

#include "host/api/Design.h"
#include "scenemodel/Material.h"

namespace orv {

class FusionMaterial : public Material {
 public:
  // Reads what it needs from the appearance and keeps no reference to it. A
  // null appearance gives "Generic material": white, no texture.
  explicit FusionMaterial(host::Ptr<host::Appearance> appearance);
  ~FusionMaterial() override;

  void emitBody(orvSceneapi_oo& api) override;

  const std::array<float, 3>& diffuseColor() const { return diffuse_; }
  const std::string& textureFile() const { return textureFile_; }

 private:
  void readAppearance(const host::Appearance& appearance);

  std::array<float, 3> diffuse_{1.0f, 1.0f, 1.0f};
  std::string textureFile_;
};

}  // namespace orv
