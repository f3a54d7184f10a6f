// The base of every material: a named set of shaders, written inline at each
// use, or once as a definition and then referred to by name.
#pragma once

#include <string>

#include "scenemodel/LightNode.h"

namespace orv {

class Material : public LightNode {
 public:
  explicit Material(std::string name);

  // Undefined: the full material block. Defined: only a reference by name.
  void emit(orvSceneapi_oo& api) override;
  // Writes the material as a definition; later emits refer to it by name.
  void define(orvSceneapi_oo& api) override;
  bool isDefined() const override;
  ~Material() override = 0;
  // Writes the material's shaders inside its block.
  virtual void emitBody(orvSceneapi_oo& api) = 0;

  void setName(std::string name);
  const std::string& getName() const { return name_; }
  void setShaderType(std::string shaderType);
  const std::string& shaderType() const { return shaderType_; }

 private:
  bool defined_ = false;
  std::string name_;
  std::string shaderType_;
};

}  // namespace orv
