// The open design: documents, products and designs, components, occurrences,
// bodies, faces, display meshes and appearances. Lengths are centimetres.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/api/Core.h"

namespace host {

class Appearance;
class BRepBody;
class Component;
class Design;

// ---- appearances ---------------------------------------------------------

class ColorProperty;
class FilenameProperty;

class Property : public Base {
 public:
  virtual std::string id() const = 0;
  virtual std::string name() const = 0;
  // objectType() is "adsk::core::ColorProperty" or "adsk::core::FilenameProperty"
  // for those classes; the views below yield nothing for any other class.
  virtual Ptr<ColorProperty> asColorProperty() { return nullptr; }
  virtual Ptr<FilenameProperty> asFilenameProperty() { return nullptr; }
};
using Properties = Collection<Property>;

class Color {
 public:
  virtual ~Color() = default;
  // Components 0 to 255.
  virtual int red() const = 0;
  virtual int green() const = 0;
  virtual int blue() const = 0;
  virtual int opacity() const = 0;
};

class AppearanceTexture {
 public:
  virtual ~AppearanceTexture() = default;
  virtual Ptr<Properties> properties() const = 0;
};

class ColorProperty {
 public:
  virtual ~ColorProperty() = default;
  virtual Ptr<Color> value() const = 0;                         // may be absent
  virtual Ptr<AppearanceTexture> connectedTexture() const = 0;  // may be absent
};

class FilenameProperty {
 public:
  virtual ~FilenameProperty() = default;
  virtual std::string value() const = 0;
};

class Appearance {
 public:
  virtual ~Appearance() = default;
  // The id identifies the appearance; the name is what the user sees and need
  // not be unique.
  virtual std::string id() const = 0;
  virtual std::string name() const = 0;
  virtual Ptr<Properties> appearanceProperties() const = 0;
};

// ---- geometry ------------------------------------------------------------

// One triangle mesh the host holds for a face. Normals and texture
// coordinates are per node, in node order.
class TriangleMesh {
 public:
  virtual ~TriangleMesh() = default;
  virtual std::vector<float> nodeCoordinatesAsFloat() const = 0;     // x, y, z per node
  virtual std::vector<float> normalVectorsAsFloat() const = 0;       // x, y, z per node
  virtual std::vector<float> textureCoordinatesAsFloat() const = 0;  // u, v per node
  virtual std::vector<std::int32_t> nodeIndices() const = 0;         // 3 per triangle, from 0
};
using TriangleMeshList = Collection<TriangleMesh>;

// The meshes the host keeps for display; nothing is tessellated on request.
class MeshManager {
 public:
  virtual ~MeshManager() = default;
  virtual Ptr<TriangleMeshList> displayMeshes() const = 0;
};

class BRepFace {
 public:
  virtual ~BRepFace() = default;
  virtual Ptr<Appearance> appearance() const = 0;  // the face's own, may be absent
  virtual Ptr<MeshManager> meshManager() const = 0;
};
using BRepFaces = Collection<BRepFace>;

class BRepBody {
 public:
  virtual ~BRepBody() = default;
  virtual std::string name() const = 0;
  virtual bool isVisible() const = 0;
  virtual Ptr<Appearance> appearance() const = 0;  // the body's own, may be absent
  virtual Ptr<BRepFaces> faces() const = 0;
};
using BRepBodies = Collection<BRepBody>;

// A 4x4 matrix; the translation is in column 3 of rows 0 to 2.
class Matrix3D {
 public:
  virtual ~Matrix3D() = default;
  virtual double getCell(int row, int column) const = 0;  // 0 outside 0..3
};

class Occurrence {
 public:
  virtual ~Occurrence() = default;
  virtual std::string name() const = 0;
  virtual Ptr<Component> component() const = 0;
  virtual bool isVisible() const = 0;
  virtual Ptr<Appearance> appearance() const = 0;  // override, may be absent
  virtual Ptr<Matrix3D> transform() const = 0;
};
using Occurrences = Collection<Occurrence>;

class PhysicalProperties {
 public:
  virtual ~PhysicalProperties() = default;
  virtual double area() const = 0;    // square centimetres
  virtual double volume() const = 0;  // cubic centimetres
};

class Component {
 public:
  virtual ~Component() = default;
  virtual std::string name() const = 0;
  virtual Ptr<Occurrences> occurrences() const = 0;  // direct children only
  virtual Ptr<BRepBodies> bRepBodies() const = 0;
  virtual Ptr<PhysicalProperties> physicalProperties() const = 0;
};

// ---- documents -----------------------------------------------------------

class UnitsManager {
 public:
  virtual ~UnitsManager() = default;
  // "mm", "cm", "m", "in" or "ft"; other texts are possible.
  virtual std::string defaultLengthUnits() const = 0;
};

class Product {
 public:
  virtual ~Product() = default;
  virtual std::string productType() const = 0;
  virtual Ptr<Design> asDesign() { return nullptr; }
};
using Products = Collection<Product>;

class Design {
 public:
  virtual ~Design() = default;
  virtual Ptr<UnitsManager> unitsManager() const = 0;
  virtual Ptr<Component> rootComponent() const = 0;
};

class Document {
 public:
  virtual ~Document() = default;
  // May end in a version marker, as in "Bracket v3"; empty for a new document.
  virtual std::string name() const = 0;
  virtual Ptr<Products> products() const = 0;
};

}  // namespace host
