#include "host/sim/SimDesign.h"

#include <functional>
#include <utility>

namespace host::sim {
namespace {

using StatePtr = std::shared_ptr<const SimState>;

// A collection whose items are made on request.
template <class T>
class ListView : public Collection<T> {
 public:
  ListView(std::size_t count, std::function<Ptr<T>(std::size_t)> make)
      : count_(count), make_(std::move(make)) {}
  std::size_t count() const override { return count_; }
  Ptr<T> item(std::size_t index) const override { return index < count_ ? make_(index) : nullptr; }

 private:
  std::size_t count_;
  std::function<Ptr<T>(std::size_t)> make_;
};

// ---- appearances ---------------------------------------------------------

Ptr<Properties> makeProperties(const StatePtr& state, const std::vector<PropertyData>* properties);

class SimColor : public Color {
 public:
  explicit SimColor(const std::array<int, 4>& rgba) : rgba_(rgba) {}
  int red() const override { return rgba_[0]; }
  int green() const override { return rgba_[1]; }
  int blue() const override { return rgba_[2]; }
  int opacity() const override { return rgba_[3]; }

 private:
  std::array<int, 4> rgba_;
};

class SimTexture : public AppearanceTexture {
 public:
  SimTexture(StatePtr state, const PropertyData* owner) : state_(std::move(state)), owner_(owner) {}
  Ptr<Properties> properties() const override {
    if (state_->withheld("textureProperties", owner_->id)) return nullptr;
    return makeProperties(state_, &owner_->texture->properties);
  }

 private:
  StatePtr state_;
  const PropertyData* owner_;
};

class SimColorProperty : public ColorProperty {
 public:
  SimColorProperty(StatePtr state, const PropertyData* data)
      : state_(std::move(state)), data_(data) {}
  Ptr<Color> value() const override {
    if (!data_->color || state_->withheld("color", data_->id)) return nullptr;
    return std::make_shared<SimColor>(*data_->color);
  }
  Ptr<AppearanceTexture> connectedTexture() const override {
    if (!data_->texture || state_->withheld("connectedTexture", data_->id)) return nullptr;
    return std::make_shared<SimTexture>(state_, data_);
  }

 private:
  StatePtr state_;
  const PropertyData* data_;
};

class SimFilenameProperty : public FilenameProperty {
 public:
  SimFilenameProperty(StatePtr state, const PropertyData* data)
      : state_(std::move(state)), data_(data) {}
  std::string value() const override { return data_->filename; }

 private:
  StatePtr state_;
  const PropertyData* data_;
};

class SimProperty : public Property {
 public:
  SimProperty(StatePtr state, const PropertyData* data) : state_(std::move(state)), data_(data) {}
  std::string objectType() const override {
    switch (data_->kind) {
      case PropertyData::Kind::Color:
        return "adsk::core::ColorProperty";
      case PropertyData::Kind::Filename:
        return "adsk::core::FilenameProperty";
      case PropertyData::Kind::Other:
        break;
    }
    return data_->objectType.empty() ? "adsk::core::Property" : data_->objectType;
  }
  std::string id() const override { return data_->id; }
  std::string name() const override { return data_->name.empty() ? data_->id : data_->name; }
  Ptr<ColorProperty> asColorProperty() override {
    if (data_->kind != PropertyData::Kind::Color || state_->withheld("colorProperty", data_->id)) {
      return nullptr;
    }
    return std::make_shared<SimColorProperty>(state_, data_);
  }
  Ptr<FilenameProperty> asFilenameProperty() override {
    if (data_->kind != PropertyData::Kind::Filename ||
        state_->withheld("filenameProperty", data_->id)) {
      return nullptr;
    }
    return std::make_shared<SimFilenameProperty>(state_, data_);
  }

 private:
  StatePtr state_;
  const PropertyData* data_;
};

Ptr<Properties> makeProperties(const StatePtr& state, const std::vector<PropertyData>* properties) {
  return std::make_shared<ListView<Property>>(
      properties->size(), [state, properties](std::size_t index) -> Ptr<Property> {
        return std::make_shared<SimProperty>(state, &(*properties)[index]);
      });
}

class SimAppearance : public Appearance {
 public:
  SimAppearance(StatePtr state, const AppearanceData* data)
      : state_(std::move(state)), data_(data) {}
  std::string id() const override { return data_->id; }
  std::string name() const override { return data_->name; }
  Ptr<Properties> appearanceProperties() const override {
    if (state_->withheld("appearanceProperties", data_->id)) return nullptr;
    return makeProperties(state_, &data_->properties);
  }

 private:
  StatePtr state_;
  const AppearanceData* data_;
};

Ptr<Appearance> makeAppearance(const StatePtr& state, const std::string& id) {
  if (id.empty()) return nullptr;
  const AppearanceData* data = state->appearance(id);
  return data ? std::make_shared<SimAppearance>(state, data) : nullptr;
}

// ---- geometry ------------------------------------------------------------

class SimMesh : public TriangleMesh {
 public:
  SimMesh(StatePtr state, const MeshData* data) : state_(std::move(state)), data_(data) {}
  std::vector<float> nodeCoordinatesAsFloat() const override { return data_->coordinates; }
  std::vector<float> normalVectorsAsFloat() const override { return data_->normals; }
  std::vector<float> textureCoordinatesAsFloat() const override {
    return data_->textureCoordinates;
  }
  std::vector<std::int32_t> nodeIndices() const override { return data_->indices; }

 private:
  StatePtr state_;
  const MeshData* data_;
};

class SimMeshManager : public MeshManager {
 public:
  SimMeshManager(StatePtr state, const FaceData* face, std::string bodyName)
      : state_(std::move(state)), face_(face), bodyName_(std::move(bodyName)) {}
  Ptr<TriangleMeshList> displayMeshes() const override {
    if (state_->withheld("displayMeshes", bodyName_)) return nullptr;
    auto state = state_;
    const auto* meshes = &face_->meshes;
    return std::make_shared<ListView<TriangleMesh>>(
        meshes->size(), [state, meshes](std::size_t index) -> Ptr<TriangleMesh> {
          return std::make_shared<SimMesh>(state, &(*meshes)[index]);
        });
  }

 private:
  StatePtr state_;
  const FaceData* face_;
  std::string bodyName_;
};

class SimFace : public BRepFace {
 public:
  SimFace(StatePtr state, const FaceData* data, const BodyData* body)
      : state_(std::move(state)), data_(data), body_(body) {}
  Ptr<Appearance> appearance() const override { return makeAppearance(state_, data_->appearance); }
  Ptr<MeshManager> meshManager() const override {
    if (state_->withheld("meshManager", body_->name)) return nullptr;
    return std::make_shared<SimMeshManager>(state_, data_, body_->name);
  }

 private:
  StatePtr state_;
  const FaceData* data_;
  const BodyData* body_;
};

class SimBody : public BRepBody {
 public:
  SimBody(StatePtr state, const BodyData* data) : state_(std::move(state)), data_(data) {}
  std::string name() const override { return data_->name; }
  bool isVisible() const override { return data_->visible; }
  Ptr<Appearance> appearance() const override { return makeAppearance(state_, data_->appearance); }
  Ptr<BRepFaces> faces() const override {
    if (state_->withheld("faces", data_->name)) return nullptr;
    auto state = state_;
    const auto* body = data_;
    return std::make_shared<ListView<BRepFace>>(
        body->faces.size(), [state, body](std::size_t index) -> Ptr<BRepFace> {
          return std::make_shared<SimFace>(state, &body->faces[index], body);
        });
  }

 private:
  StatePtr state_;
  const BodyData* data_;
};

class SimMatrix : public Matrix3D {
 public:
  explicit SimMatrix(const Matrix& cells) : cells_(cells) {}
  double getCell(int row, int column) const override {
    if (row < 0 || row > 3 || column < 0 || column > 3) return 0;
    return cells_[static_cast<std::size_t>(4 * row + column)];
  }

 private:
  Matrix cells_;
};

class SimPhysicalProperties : public PhysicalProperties {
 public:
  SimPhysicalProperties(double area, double volume) : area_(area), volume_(volume) {}
  double area() const override { return area_; }
  double volume() const override { return volume_; }

 private:
  double area_, volume_;
};

class SimComponent;
Ptr<Component> makeComponent(const StatePtr& state, const DesignData* design,
                             const std::string& name);

class SimOccurrence : public Occurrence {
 public:
  SimOccurrence(StatePtr state, const DesignData* design, const OccurrenceData* data)
      : state_(std::move(state)), design_(design), data_(data) {}
  std::string name() const override { return data_->name; }
  Ptr<Component> component() const override {
    if (state_->withheld("component", data_->name)) return nullptr;
    return makeComponent(state_, design_, data_->component);
  }
  bool isVisible() const override { return data_->visible; }
  Ptr<Appearance> appearance() const override { return makeAppearance(state_, data_->appearance); }
  Ptr<Matrix3D> transform() const override {
    if (state_->withheld("transform", data_->name)) return nullptr;
    return std::make_shared<SimMatrix>(data_->transform);
  }

 private:
  StatePtr state_;
  const DesignData* design_;
  const OccurrenceData* data_;
};

class SimComponent : public Component {
 public:
  SimComponent(StatePtr state, const DesignData* design, const ComponentData* data)
      : state_(std::move(state)), design_(design), data_(data) {}
  std::string name() const override { return data_->name; }
  Ptr<Occurrences> occurrences() const override {
    if (state_->withheld("occurrences", data_->name)) return nullptr;
    auto state = state_;
    const auto* design = design_;
    const auto* component = data_;
    return std::make_shared<ListView<Occurrence>>(
        component->occurrences.size(),
        [state, design, component](std::size_t index) -> Ptr<Occurrence> {
          return std::make_shared<SimOccurrence>(state, design, &component->occurrences[index]);
        });
  }
  Ptr<BRepBodies> bRepBodies() const override {
    if (state_->withheld("bRepBodies", data_->name)) return nullptr;
    auto state = state_;
    const auto* component = data_;
    return std::make_shared<ListView<BRepBody>>(
        component->bodies.size(), [state, component](std::size_t index) -> Ptr<BRepBody> {
          return std::make_shared<SimBody>(state, &component->bodies[index]);
        });
  }
  Ptr<PhysicalProperties> physicalProperties() const override {
    if (state_->withheld("physicalProperties", data_->name)) return nullptr;
    return std::make_shared<SimPhysicalProperties>(data_->area.value_or(0),
                                                   data_->volume.value_or(0));
  }

 private:
  StatePtr state_;
  const DesignData* design_;
  const ComponentData* data_;
};

Ptr<Component> makeComponent(const StatePtr& state, const DesignData* design,
                             const std::string& name) {
  const ComponentData* data = state->component(*design, name);
  return data ? std::make_shared<SimComponent>(state, design, data) : nullptr;
}

// ---- documents -----------------------------------------------------------

class SimUnitsManager : public UnitsManager {
 public:
  explicit SimUnitsManager(std::string units) : units_(std::move(units)) {}
  std::string defaultLengthUnits() const override { return units_; }

 private:
  std::string units_;
};

class SimDesign : public Design {
 public:
  SimDesign(StatePtr state, const DesignData* data) : state_(std::move(state)), data_(data) {}
  Ptr<UnitsManager> unitsManager() const override {
    if (state_->withheld("unitsManager", data_->rootComponent)) return nullptr;
    return std::make_shared<SimUnitsManager>(data_->units);
  }
  Ptr<Component> rootComponent() const override {
    if (state_->withheld("rootComponent", data_->rootComponent)) return nullptr;
    return makeComponent(state_, data_, data_->rootComponent);
  }

 private:
  StatePtr state_;
  const DesignData* data_;
};

class SimProduct : public Product {
 public:
  SimProduct(StatePtr state, const ProductData* data) : state_(std::move(state)), data_(data) {}
  std::string productType() const override { return data_->type; }
  Ptr<Design> asDesign() override {
    if (!data_->design || state_->withheld("design", data_->design->rootComponent)) {
      return nullptr;
    }
    return std::make_shared<SimDesign>(state_, &*data_->design);
  }

 private:
  StatePtr state_;
  const ProductData* data_;
};

class SimDocument : public Document {
 public:
  SimDocument(StatePtr state, const DocumentData* data) : state_(std::move(state)), data_(data) {}
  std::string name() const override { return data_->name; }
  Ptr<Products> products() const override {
    if (state_->withheld("products")) return nullptr;
    auto state = state_;
    const auto* document = data_;
    return std::make_shared<ListView<Product>>(
        document->products.size(), [state, document](std::size_t index) -> Ptr<Product> {
          return std::make_shared<SimProduct>(state, &document->products[index]);
        });
  }

 private:
  StatePtr state_;
  const DocumentData* data_;
};

}  // namespace

Ptr<Document> makeDocument(const std::shared_ptr<const SimState>& state) {
  if (!state->data.document) return nullptr;
  return std::make_shared<SimDocument>(state, &*state->data.document);
}

}  // namespace host::sim
