// The stand-in host's design, as plain data. A design file is read into these
// records (DesignFile.h); tests and benchmarks may also build them directly.
// The host objects of host/api are views over them (SimDesign.h).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace host::sim {

struct MeshData {
  std::vector<float> coordinates;         // x, y, z per node, centimetres
  std::vector<float> normals;             // x, y, z per node
  std::vector<float> textureCoordinates;  // u, v per node
  std::vector<std::int32_t> indices;      // 3 per triangle
};

struct FaceData {
  std::string appearance;  // appearance id; empty: the face has none of its own
  std::vector<MeshData> meshes;
};

struct BodyData {
  std::string name;
  bool visible = true;
  std::string appearance;
  std::vector<FaceData> faces;
};

// Rows of a 4x4 matrix: cell (row, column) is at 4 * row + column.
using Matrix = std::array<double, 16>;
inline constexpr Matrix identityMatrix = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

struct OccurrenceData {
  std::string name;
  std::string component;  // name of a component of the same design
  bool visible = true;
  std::string appearance;  // override; empty: none
  Matrix transform = identityMatrix;
};

struct ComponentData {
  std::string name;
  // Measured from the meshes of the component's own bodies when not given.
  std::optional<double> area;
  std::optional<double> volume;
  std::vector<BodyData> bodies;
  std::vector<OccurrenceData> occurrences;
};

struct DesignData {
  std::string units = "cm";
  std::string rootComponent;  // name of one of the components
  std::vector<ComponentData> components;
};

// A product of the document: a design, or some other kind that is not one.
struct ProductData {
  std::string type = "DesignProductType";
  std::optional<DesignData> design;  // present exactly for designs
};

struct PropertyData;

struct TextureData {
  std::vector<PropertyData> properties;
};

struct PropertyData {
  enum class Kind { Color, Filename, Other };
  std::string id;
  std::string name;
  Kind kind = Kind::Other;
  std::string objectType;                   // for Other; colour and file-name types are implied
  std::optional<std::array<int, 4>> color;  // red, green, blue, opacity 0..255
  std::shared_ptr<TextureData> texture;     // connected texture of a colour
  std::string filename;                     // value of a file-name property
};

struct AppearanceData {
  std::string id;
  std::string name;
  std::vector<PropertyData> properties;
};

struct DocumentData {
  std::string name;
  std::vector<AppearanceData> appearances;
  std::vector<ProductData> products;
};

struct CameraData {
  int type = 1;  // perspective
  std::array<double, 3> eye = {50, 50, 50};
  std::array<double, 3> target = {0, 0, 0};
  std::array<double, 3> up = {0, 1, 0};
  double viewAngle = 0.5;  // radians
};

struct WorkspaceLayout {
  std::string id;
  std::vector<std::string> panels;
};

// Where controls can go. The default is the stand-in's own layout, with the
// "QAT" toolbar and a "FusionRenderEnvironment" workspace holding "RenderPanel".
struct UiLayout {
  std::vector<std::string> toolbars = {"QAT", "NavToolbar"};
  std::vector<WorkspaceLayout> workspaces = {
      {"FusionSolidEnvironment", {"SolidCreatePanel", "SolidModifyPanel", "InspectPanel"}},
      {"FusionRenderEnvironment", {"RenderSetupPanel", "RenderPanel", "RenderExportPanel"}},
  };
};

// Everything one design file describes.
struct HostData {
  std::optional<DocumentData> document;  // absent: no document is open
  CameraData camera;
  int defaultModelingOrientation = 0;  // 0: Y up, 1: Z up
  UiLayout layout;
  std::vector<std::string> withhold;  // see Withholding.h
};

// Surface area and enclosed volume of a body from its meshes (centimetres),
// as the stand-in reports them when the file gives no measures. Triangles
// with indices out of range are ignored.
struct Measures {
  double area = 0;
  double volume = 0;
};
Measures measureBody(const BodyData& body);
Measures measureComponent(const ComponentData& component);

}  // namespace host::sim
