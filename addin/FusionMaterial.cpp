#include "addin/FusionMaterial.h"

#include <cstdint>
#include <utility>

#include "addin/HostAccess.h"
#include "scenemodel/orvSceneapi_oo.h"

namespace orv {
namespace {

// The colour properties that carry an appearance's base colour, whatever kind
// of appearance it is; any other colour property (a tint, say) is ignored.
bool isBaseColorProperty(const std::string& id) {
  return id == "opaque_albedo" || id == "metal_f0" || id == "metal_color" ||
         id == "generic_diffuse";
}

constexpr const char* kFilenamePropertyType = "adsk::core::FilenameProperty";

}  // namespace

FusionMaterial::FusionMaterial(host::Ptr<host::Appearance> appearance)
    : Material("Generic material") {
  if (appearance) readAppearance(*appearance);
  setShaderType("orv_diffuse");
}

FusionMaterial::~FusionMaterial() = default;

void FusionMaterial::readAppearance(const host::Appearance& appearance) {
  setName(appearance.id());
  auto properties = addin::require(appearance.appearanceProperties(), "appearance properties");
  for (std::size_t i = 0; i < properties->count(); ++i) {
    auto property = properties->item(i);
    if (!property) continue;
    const std::string id = property->id();
    auto color = property->asColorProperty();
    if (!color) continue;
    // A texture connected to any colour property is taken; the last file name wins.
    if (auto texture = color->connectedTexture()) {
      auto textureProperties = addin::require(texture->properties(), "texture properties");
      for (std::size_t j = 0; j < textureProperties->count(); ++j) {
        auto textureProperty = textureProperties->item(j);
        if (!textureProperty || textureProperty->objectType() != kFilenamePropertyType) continue;
        textureFile_ =
            addin::require(textureProperty->asFilenameProperty(), "file name property")->value();
      }
    }
    if (auto value = color->value(); value && isBaseColorProperty(id)) {
      // Host colours are 0 to 255, taken linearly (no gamma) and not clamped.
      diffuse_ = {static_cast<float>(static_cast<int16_t>(value->red())) / 255.0f,
                  static_cast<float>(static_cast<int16_t>(value->green())) / 255.0f,
                  static_cast<float>(static_cast<int16_t>(value->blue())) / 255.0f};
    }
  }
}

void FusionMaterial::emitBody(orvSceneapi_oo& api) {
  orvScene_api* scene = api.getSceneApi();
  if (scene == nullptr) return;
  int textureShader = 0;
  if (!textureFile_.empty()) {
    textureShader = api.defineShader("texture2_rgb");
    const int32_t projection = 4;
    const int32_t flags = 44;
    scene->parameter("uv_projection", ORV_INT, &projection);
    scene->parameter("uv_flags", ORV_INT, &flags);
    api.setString("texture", textureFile_);
    api.endShader();
  }
  const int diffuseShader = api.defineShader("orv_diffuse");
  scene->parameter("diffuse", ORV_FLOAT3, diffuse_.data());
  if (!textureFile_.empty()) scene->link_shader_id("diffuse", textureShader);
  api.endShader();
  scene->assign_shader_id(ORV_SURFACE, diffuseShader);
}

}  // namespace orv
