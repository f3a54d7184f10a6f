// A plain diffuse colour: the default material of new geometry. In vertex
// colour mode the colour is linked with the mesh's per-vertex colours.
#pragma once

#include <array>
#include <string>

#include "scenemodel/Material.h"

namespace orv {

class Diffuse : public Material {
 public:
  explicit Diffuse(std::string name);
  ~Diffuse() override;

  void emitBody(orvSceneapi_oo& api) override;

  void setColor(float red, float green, float blue);
  const std::array<float, 3>& color() const { return color_; }
  // Vertex colour mode feeds the diffuse input from a "vertex_color" shader,
  // so it pairs with a mesh that carries vertex colours.
  void setVertexColorMode(bool on);
  bool vertexColorMode() const { return vertexColorMode_; }

 private:
  std::array<float, 3> color_{0.75f, 0.5f, 0.5f};
  bool vertexColorMode_ = false;
};

}  // namespace orv
