// Appearances reduced to a diffuse colour and an optional texture.
#include <gtest/gtest.h>

#include "FakeHost.h"
#include "SceneOutline.h"
#include "addin/FusionMaterial.h"

namespace {

using fake::colorProperty;
using fake::filenameProperty;

host::Ptr<fake::Color> rgb(int r, int g, int b) { return std::make_shared<fake::Color>(r, g, b); }

host::Ptr<fake::Texture> texture(std::vector<host::Ptr<host::Property>> props) {
  auto result = std::make_shared<fake::Texture>();
  result->props->items = std::move(props);
  return result;
}

TEST(FusionMaterial, ColourComesFromTheLastBaseColourProperty) {
  const struct {
    const char* what;
    std::vector<host::Ptr<host::Property>> props;
    std::array<float, 3> expected;
  } cases[] = {
      {"generic_diffuse",
       {colorProperty("generic_diffuse", rgb(255, 128, 0))},
       {1.0f, 128 / 255.0f, 0.0f}},
      {"metal_color, then generic_diffuse",
       {colorProperty("metal_color", rgb(0, 0, 255)),
        colorProperty("generic_diffuse", rgb(255, 0, 0))},
       {1, 0, 0}},
      {"generic_diffuse, then metal_color",
       {colorProperty("generic_diffuse", rgb(255, 0, 0)),
        colorProperty("metal_color", rgb(0, 0, 255))},
       {0, 0, 1}},
      {"opaque_albedo", {colorProperty("opaque_albedo", rgb(51, 102, 153))}, {0.2f, 0.4f, 0.6f}},
      {"metal_f0", {colorProperty("metal_f0", rgb(0, 255, 0))}, {0, 1, 0}},
      {"a tint never sets the colour", {colorProperty("tint_color", rgb(0, 0, 0))}, {1, 1, 1}},
      {"identifiers are case-sensitive",
       {colorProperty("Generic_Diffuse", rgb(0, 0, 0))},
       {1, 1, 1}},
      {"a colour property without a value",
       {colorProperty("generic_diffuse", rgb(0, 0, 0)), colorProperty("generic_diffuse", nullptr)},
       {0, 0, 0}},
      {"values beyond 255 are not clamped",
       {colorProperty("generic_diffuse", rgb(510, 0, 0))},
       {2, 0, 0}},
  };
  for (const auto& c : cases) {
    orv::FusionMaterial material(fake::appearance("Look", c.props));
    EXPECT_EQ(material.diffuseColor(), c.expected) << c.what;
    EXPECT_EQ(material.getName(), "Look-id") << c.what;  // the id, not the display name
    EXPECT_EQ(material.shaderType(), "orv_diffuse");
  }
}

TEST(FusionMaterial, TextureComesFromAnyColourPropertysConnectedTexture) {
  auto twoFiles = texture({filenameProperty("first.png"), filenameProperty("second.png")});
  orv::FusionMaterial fromTint(
      fake::appearance("Wood", {colorProperty("tint_color", rgb(9, 9, 9), twoFiles)}));
  EXPECT_EQ(fromTint.textureFile(), "second.png");
  EXPECT_EQ(fromTint.diffuseColor(), (std::array<float, 3>{1, 1, 1}));

  // Only file-name properties count; a colour property without texture keeps it.
  auto other = std::make_shared<fake::Property>();
  other->identifier = "unifiedbitmap_Bitmap";
  orv::FusionMaterial kept(fake::appearance(
      "Wood",
      {colorProperty("generic_diffuse", rgb(0, 0, 0), texture({filenameProperty("a.png"), other})),
       colorProperty("generic_diffuse", rgb(0, 0, 0))}));
  EXPECT_EQ(kept.textureFile(), "a.png");
}

TEST(FusionMaterial, NullAppearanceGivesGenericWhite) {
  orv::FusionMaterial material(nullptr);
  EXPECT_EQ(material.getName(), "Generic material");
  EXPECT_EQ(material.diffuseColor(), (std::array<float, 3>{1, 1, 1}));
  EXPECT_EQ(material.textureFile(), "");
}

TEST(FusionMaterial, BrokenHostPropertiesStopTheConversion) {
  auto look = fake::appearance("Look");
  look->props = nullptr;
  EXPECT_THROW(orv::FusionMaterial{look}, std::runtime_error);

  auto liar = fake::filenameProperty("x.png");
  liar->filename = nullptr;  // says it is a file-name property, cannot be viewed as one
  EXPECT_THROW(orv::FusionMaterial(fake::appearance(
                   "Look", {colorProperty("generic_diffuse", rgb(0, 0, 0), texture({liar}))})),
               std::runtime_error);

  auto noProps = texture({});
  noProps->props = nullptr;
  EXPECT_THROW(orv::FusionMaterial(fake::appearance(
                   "Look", {colorProperty("generic_diffuse", rgb(0, 0, 0), noProps)})),
               std::runtime_error);
}

TEST(FusionMaterial, WritesTextureAndDiffuseShadersWithRunningNumbers) {
  auto textured = std::make_shared<orv::FusionMaterial>(
      fake::appearance("Oak", {colorProperty("generic_diffuse", rgb(255, 0, 0),
                                             texture({filenameProperty("C:\\maps\\oak.png")}))}));
  auto plain = std::make_shared<orv::FusionMaterial>(
      fake::appearance("Grey", {colorProperty("generic_diffuse", rgb(51, 51, 51))}));
  const std::string text = capture_scene([&](orvScene_api& api) {
    api.set_flags(1);
    orv::orvSceneapi_oo wrapper(nullptr);
    wrapper.setSceneApi(&api);
    wrapper.emitNode(textured.get());
    wrapper.emitNode(plain.get());
    wrapper.emitNode(textured.get());
  });
  EXPECT_EQ(text, R"(material "Oak-id" {
 #define shader 1 texture2_rgb {
  "uv_projection" 4,
  "uv_flags" 44,
  "texture" "C:\maps\oak.png",
 }
 #define shader 2 orv_diffuse {
  "diffuse" 1 0 0,
  "diffuse" ! 1,
 }
 surface 2
}
material "Grey-id" {
 #define shader 3 orv_diffuse {
  "diffuse" 0.2 0.2 0.2,
 }
 surface 3
}
material "Oak-id" {
 #define shader 4 texture2_rgb {
  "uv_projection" 4,
  "uv_flags" 44,
  "texture" "C:\maps\oak.png",
 }
 #define shader 5 orv_diffuse {
  "diffuse" 1 0 0,
  "diffuse" ! 4,
 }
 surface 5
}
)");
}

}  // namespace
