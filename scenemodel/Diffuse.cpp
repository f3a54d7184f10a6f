#include "scenemodel/Diffuse.h"

#include "scenemodel/orvSceneapi_oo.h"

namespace orv {

namespace {
// The material's flags statement after its surface shader.
constexpr unsigned kMaterialFlags = 4096;
// Colour of vertices that carry no colour of their own.
constexpr float kDefaultVertexColor[3] = {0.8f, 0.8f, 0.8f};
}  // namespace

Diffuse::Diffuse(std::string name) : Material(std::move(name)) { setShaderType("orv_diffuse"); }

Diffuse::~Diffuse() = default;

void Diffuse::setColor(float red, float green, float blue) { color_ = {red, green, blue}; }

void Diffuse::setVertexColorMode(bool on) { vertexColorMode_ = on; }

void Diffuse::emitBody(orvSceneapi_oo& api) {
  orvScene_api* scene = api.getSceneApi();
  if (scene == nullptr) return;
  if (!vertexColorMode_) {
    scene->begin_shader(nullptr, shaderType().c_str());
    scene->parameter("diffuse", ORV_FLOAT3, color_.data());
    ShaderBuffer* diffuse = scene->current_shader();
    scene->end_shader();
    scene->assign_shader(ORV_SURFACE, diffuse);
    scene->flags(kMaterialFlags);
    return;
  }
  // The vertex colour shader is captured inside the diffuse one, so the outer
  // capture is saved around it and made current again after it.
  scene->push_shader();
  scene->begin_shader(nullptr, shaderType().c_str());
  scene->push_shader();
  scene->begin_shader(nullptr, "vertex_color");
  scene->parameter("default_color", ORV_FLOAT3, kDefaultVertexColor);
  scene->end_shader();
  ShaderBuffer* vertexColor = scene->current_shader();
  scene->pop_shader();
  scene->parameter("diffuse", ORV_FLOAT3, color_.data());
  scene->link_shader("diffuse", vertexColor);
  scene->end_shader();
  ShaderBuffer* diffuse = scene->current_shader();
  scene->assign_shader(ORV_SURFACE, diffuse);
  scene->flags(kMaterialFlags);
}

}  // namespace orv
