// A small in-memory host for the add-in's tests and benchmark: plain objects
// with public fields, so a test builds exactly the design it needs and can
// leave out (withhold) any object by leaving its reference empty.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/api/Application.h"
#include "host/api/Design.h"
#include "host/api/UserInterface.h"

namespace fake {

using host::Ptr;

template <class T>
class List : public host::Collection<T> {
 public:
  List() = default;
  explicit List(std::vector<Ptr<T>> items) : items(std::move(items)) {}
  std::size_t count() const override { return items.size(); }
  Ptr<T> item(std::size_t index) const override {
    return index < items.size() ? items[index] : nullptr;
  }
  std::vector<Ptr<T>> items;
};

template <class T>
class IdList : public host::IdCollection<T> {
 public:
  std::size_t count() const override { return items.size(); }
  Ptr<T> item(std::size_t index) const override {
    return index < items.size() ? items[index] : nullptr;
  }
  Ptr<T> itemById(const std::string& id) const override {
    for (const auto& item : items) {
      if (item && item->id() == id) return item;
    }
    return nullptr;
  }
  std::vector<Ptr<T>> items;
};

template <class T>
Ptr<List<T>> list(std::vector<Ptr<T>> items) {
  return std::make_shared<List<T>>(std::move(items));
}

// ---- appearances ----------------------------------------------------------

struct Color : host::Color {
  Color(int r, int g, int b) : r(r), g(g), b(b) {}
  int red() const override { return r; }
  int green() const override { return g; }
  int blue() const override { return b; }
  int opacity() const override { return 255; }
  int r, g, b;
};

struct Texture : host::AppearanceTexture {
  Ptr<host::Properties> properties() const override { return props; }
  Ptr<List<host::Property>> props = std::make_shared<List<host::Property>>();
};

struct ColorProperty : host::ColorProperty {
  Ptr<host::Color> value() const override { return color; }
  Ptr<host::AppearanceTexture> connectedTexture() const override { return texture; }
  Ptr<host::Color> color;
  Ptr<Texture> texture;
};

struct FilenameProperty : host::FilenameProperty {
  std::string value() const override { return file; }
  std::string file;
};

struct Property : host::Property {
  std::string objectType() const override { return type; }
  std::string id() const override { return identifier; }
  std::string name() const override { return identifier; }
  Ptr<host::ColorProperty> asColorProperty() override { return color; }
  Ptr<host::FilenameProperty> asFilenameProperty() override { return filename; }
  std::string type = "adsk::core::Property";
  std::string identifier;
  Ptr<ColorProperty> color;
  Ptr<FilenameProperty> filename;
};

inline Ptr<Property> colorProperty(const std::string& id, Ptr<host::Color> color,
                                   Ptr<Texture> texture = nullptr) {
  auto property = std::make_shared<Property>();
  property->type = "adsk::core::ColorProperty";
  property->identifier = id;
  property->color = std::make_shared<ColorProperty>();
  property->color->color = std::move(color);
  property->color->texture = std::move(texture);
  return property;
}

inline Ptr<Property> filenameProperty(const std::string& file) {
  auto property = std::make_shared<Property>();
  property->type = "adsk::core::FilenameProperty";
  property->identifier = "file";
  property->filename = std::make_shared<FilenameProperty>();
  property->filename->file = file;
  return property;
}

struct Appearance : host::Appearance {
  std::string id() const override { return identifier; }
  std::string name() const override { return displayName; }
  Ptr<host::Properties> appearanceProperties() const override { return props; }
  std::string identifier;
  std::string displayName;
  Ptr<List<host::Property>> props = std::make_shared<List<host::Property>>();
};

inline Ptr<Appearance> appearance(const std::string& name,
                                  std::vector<Ptr<host::Property>> props = {}) {
  auto result = std::make_shared<Appearance>();
  result->identifier = name + "-id";
  result->displayName = name;
  result->props->items = std::move(props);
  return result;
}

// ---- geometry -------------------------------------------------------------

struct Mesh : host::TriangleMesh {
  std::vector<float> nodeCoordinatesAsFloat() const override { return coordinates; }
  std::vector<float> normalVectorsAsFloat() const override { return normals; }
  std::vector<float> textureCoordinatesAsFloat() const override { return uvs; }
  std::vector<std::int32_t> nodeIndices() const override { return indices; }
  std::vector<float> coordinates, normals, uvs;
  std::vector<std::int32_t> indices;
};

// One triangle in the z = 0 plane, facing +z.
inline Ptr<Mesh> triangle(float size = 1.0f) {
  auto mesh = std::make_shared<Mesh>();
  mesh->coordinates = {0, 0, 0, size, 0, 0, 0, size, 0};
  mesh->normals = {0, 0, 1, 0, 0, 1, 0, 0, 1};
  mesh->uvs = {0, 0, 1, 0, 0, 1};
  mesh->indices = {0, 1, 2};
  return mesh;
}

struct MeshManager : host::MeshManager {
  Ptr<host::TriangleMeshList> displayMeshes() const override { return meshes; }
  Ptr<List<host::TriangleMesh>> meshes = std::make_shared<List<host::TriangleMesh>>();
};

struct Face : host::BRepFace {
  Ptr<host::Appearance> appearance() const override { return look; }
  Ptr<host::MeshManager> meshManager() const override { return manager; }
  Ptr<host::Appearance> look;
  Ptr<MeshManager> manager = std::make_shared<MeshManager>();
};

inline Ptr<Face> face(Ptr<host::Appearance> look = nullptr,
                      std::vector<Ptr<host::TriangleMesh>> meshes = {triangle()}) {
  auto result = std::make_shared<Face>();
  result->look = std::move(look);
  result->manager->meshes->items = std::move(meshes);
  return result;
}

struct Body : host::BRepBody {
  std::string name() const override { return bodyName; }
  bool isVisible() const override { return visible; }
  Ptr<host::Appearance> appearance() const override { return look; }
  Ptr<host::BRepFaces> faces() const override { return faceList; }
  std::string bodyName;
  bool visible = true;
  Ptr<host::Appearance> look;
  Ptr<List<host::BRepFace>> faceList = std::make_shared<List<host::BRepFace>>();
};

inline Ptr<Body> body(const std::string& name, std::vector<Ptr<host::BRepFace>> faces,
                      Ptr<host::Appearance> look = nullptr) {
  auto result = std::make_shared<Body>();
  result->bodyName = name;
  result->look = std::move(look);
  result->faceList->items = std::move(faces);
  return result;
}

// Cells by row and column.
struct Matrix : host::Matrix3D {
  double getCell(int row, int column) const override {
    return row >= 0 && row < 4 && column >= 0 && column < 4 ? cells[row][column] : 0.0;
  }
  std::array<std::array<double, 4>, 4> cells{
      {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
};

inline Ptr<Matrix> translation(double x, double y, double z) {
  auto matrix = std::make_shared<Matrix>();
  matrix->cells[0][3] = x;
  matrix->cells[1][3] = y;
  matrix->cells[2][3] = z;
  return matrix;
}

struct PhysicalProperties : host::PhysicalProperties {
  double area() const override { return a; }
  double volume() const override { return v; }
  double a = 0, v = 0;
};

struct Component;

struct Occurrence : host::Occurrence {
  std::string name() const override { return occurrenceName; }
  Ptr<host::Component> component() const override { return child; }
  bool isVisible() const override { return visible; }
  Ptr<host::Appearance> appearance() const override { return look; }
  Ptr<host::Matrix3D> transform() const override { return matrix; }
  std::string occurrenceName;
  Ptr<host::Component> child;
  bool visible = true;
  Ptr<host::Appearance> look;
  Ptr<host::Matrix3D> matrix = std::make_shared<Matrix>();
};

struct Component : host::Component {
  std::string name() const override { return componentName; }
  Ptr<host::Occurrences> occurrences() const override { return occurrenceList; }
  Ptr<host::BRepBodies> bRepBodies() const override { return bodyList; }
  Ptr<host::PhysicalProperties> physicalProperties() const override { return physical; }
  std::string componentName;
  Ptr<List<host::Occurrence>> occurrenceList = std::make_shared<List<host::Occurrence>>();
  Ptr<List<host::BRepBody>> bodyList = std::make_shared<List<host::BRepBody>>();
  Ptr<PhysicalProperties> physical = std::make_shared<PhysicalProperties>();
};

inline Ptr<Component> component(const std::string& name,
                                std::vector<Ptr<host::BRepBody>> bodies = {}) {
  auto result = std::make_shared<Component>();
  result->componentName = name;
  result->bodyList->items = std::move(bodies);
  return result;
}

inline Ptr<Occurrence> place(const Ptr<Component>& parent, const Ptr<Component>& child,
                             Ptr<host::Matrix3D> matrix = std::make_shared<Matrix>()) {
  auto occurrence = std::make_shared<Occurrence>();
  occurrence->occurrenceName =
      child->componentName + ":" + std::to_string(parent->occurrenceList->items.size() + 1);
  occurrence->child = child;
  occurrence->matrix = std::move(matrix);
  parent->occurrenceList->items.push_back(occurrence);
  return occurrence;
}

// ---- documents ------------------------------------------------------------

struct UnitsManager : host::UnitsManager {
  std::string defaultLengthUnits() const override { return unit; }
  std::string unit = "cm";
};

struct Design : host::Product, host::Design, std::enable_shared_from_this<Design> {
  std::string productType() const override { return "DesignProductType"; }
  Ptr<host::Design> asDesign() override { return shared_from_this(); }
  Ptr<host::UnitsManager> unitsManager() const override { return units; }
  Ptr<host::Component> rootComponent() const override { return root; }
  Ptr<UnitsManager> units = std::make_shared<UnitsManager>();
  Ptr<host::Component> root;
};

inline Ptr<Design> design(Ptr<host::Component> root, const std::string& unit = "cm") {
  auto result = std::make_shared<Design>();
  result->root = std::move(root);
  result->units->unit = unit;
  return result;
}

// A product that is not a design (a drawing, say).
struct OtherProduct : host::Product {
  std::string productType() const override { return "DrawingProductType"; }
};

struct Document : host::Document {
  std::string name() const override { return documentName; }
  Ptr<host::Products> products() const override { return productList; }
  std::string documentName;
  Ptr<List<host::Product>> productList = std::make_shared<List<host::Product>>();
};

inline Ptr<Document> document(const std::string& name, std::vector<Ptr<host::Product>> products) {
  auto result = std::make_shared<Document>();
  result->documentName = name;
  result->productList->items = std::move(products);
  return result;
}

// ---- camera ---------------------------------------------------------------

struct Vector : host::Vector3D {
  Vector(double x, double y, double z) : v{x, y, z} {}
  double x() const override { return v[0]; }
  double y() const override { return v[1]; }
  double z() const override { return v[2]; }
  bool subtract(const Ptr<host::Vector3D>& other) override {
    if (!other || refuse) return false;
    v = {v[0] - other->x(), v[1] - other->y(), v[2] - other->z()};
    return true;
  }
  bool normalize() override {
    const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length == 0.0 || refuse) return false;
    v = {v[0] / length, v[1] / length, v[2] / length};
    return true;
  }
  std::vector<double> asArray() const override { return {v[0], v[1], v[2]}; }
  std::array<double, 3> v;
  bool refuse = false;  // makes the host's vector operations report failure
};

struct Point : host::Point3D {
  Point(double x, double y, double z) : p{x, y, z} {}
  double x() const override { return p[0]; }
  double y() const override { return p[1]; }
  double z() const override { return p[2]; }
  Ptr<host::Vector3D> asVector() const override {
    auto vector = std::make_shared<Vector>(p[0], p[1], p[2]);
    vector->refuse = refuseVectors;
    return vector;
  }
  std::array<double, 3> p;
  bool refuseVectors = false;
};

struct Camera : host::Camera {
  int cameraType() const override { return type; }
  Ptr<host::Point3D> eye() const override { return eyePoint; }
  Ptr<host::Point3D> target() const override { return targetPoint; }
  Ptr<host::Vector3D> upVector() const override { return up; }
  double perspectiveAngle() const override { return angle; }
  int type = 1;
  Ptr<Point> eyePoint = std::make_shared<Point>(0, 0, 10);
  Ptr<Point> targetPoint = std::make_shared<Point>(0, 0, 0);
  Ptr<Vector> up = std::make_shared<Vector>(0, 1, 0);
  double angle = 0.785398;
};

struct Viewport : host::Viewport {
  Ptr<host::Camera> camera() const override { return view; }
  Ptr<Camera> view = std::make_shared<Camera>();
};

// ---- user interface -------------------------------------------------------

struct CommandEvent : host::CommandEvent {
  bool add(host::CommandEventHandler* handler) override {
    if (!handler) return false;
    if (std::find(handlers.begin(), handlers.end(), handler) == handlers.end())
      handlers.push_back(handler);
    return true;
  }
  bool remove(host::CommandEventHandler* handler) override {
    return std::erase(handlers, handler) > 0;
  }
  Ptr<host::Base> sender() const override { return source.lock(); }
  std::vector<host::CommandEventHandler*> handlers;
  std::weak_ptr<host::Base> source;
};

struct CommandDefinition;

struct Command : host::Command, std::enable_shared_from_this<Command> {
  std::string objectType() const override { return "adsk::core::Command"; }
  Ptr<host::Command> asCommand() override { return shared_from_this(); }
  Ptr<host::CommandEvent> execute() override { return executeEvent; }
  Ptr<host::CommandDefinition> parentCommandDefinition() const override { return parent.lock(); }
  Ptr<CommandEvent> executeEvent = std::make_shared<CommandEvent>();
  std::weak_ptr<host::CommandDefinition> parent;
};

struct CommandCreatedEvent : host::CommandCreatedEvent {
  bool add(host::CommandCreatedEventHandler* handler) override {
    if (!handler) return false;
    if (std::find(handlers.begin(), handlers.end(), handler) == handlers.end())
      handlers.push_back(handler);
    return true;
  }
  bool remove(host::CommandCreatedEventHandler* handler) override {
    return std::erase(handlers, handler) > 0;
  }
  std::vector<host::CommandCreatedEventHandler*> handlers;
};

struct CommandDefinition : host::CommandDefinition {
  std::string id() const override { return texts[0]; }
  std::string name() const override { return texts[1]; }
  std::string tooltip() const override { return texts[2]; }
  std::string resourceFolder() const override { return texts[3]; }
  Ptr<host::CommandCreatedEvent> commandCreated() override { return created; }
  std::array<std::string, 4> texts;
  Ptr<CommandCreatedEvent> created = std::make_shared<CommandCreatedEvent>();
};

struct CommandDefinitions : host::CommandDefinitions {
  std::size_t count() const override { return items.count(); }
  Ptr<host::CommandDefinition> item(std::size_t index) const override { return items.item(index); }
  Ptr<host::CommandDefinition> itemById(const std::string& id) const override {
    return items.itemById(id);
  }
  Ptr<host::CommandDefinition> addButtonDefinition(const std::string& id, const std::string& name,
                                                   const std::string& tooltip,
                                                   const std::string& folder) override {
    if (id.empty() || items.itemById(id)) return nullptr;
    auto definition = std::make_shared<CommandDefinition>();
    definition->texts = {id, name, tooltip, folder};
    if (withholdCreatedEvent) definition->created = nullptr;
    items.items.push_back(definition);
    return definition;
  }
  IdList<host::CommandDefinition> items;
  bool withholdCreatedEvent = false;
};

struct Control : host::ToolbarControl, host::CommandControl, std::enable_shared_from_this<Control> {
  std::string id() const override { return definition->id(); }
  bool isVisible() const override { return visible; }
  bool setVisible(bool on) override {
    visible = on;
    return true;
  }
  Ptr<host::CommandDefinition> commandDefinition() const override { return definition; }
  Ptr<host::ToolbarControl> asToolbarControl() override { return shared_from_this(); }
  Ptr<host::CommandDefinition> definition;
  bool visible = false;
};

struct Controls : host::ToolbarControls {
  std::size_t count() const override { return items.count(); }
  Ptr<host::ToolbarControl> item(std::size_t index) const override { return items.item(index); }
  Ptr<host::ToolbarControl> itemById(const std::string& id) const override {
    return items.itemById(id);
  }
  Ptr<host::CommandControl> addCommand(const Ptr<host::CommandDefinition>& definition,
                                       const std::string&, bool) override {
    if (!definition || items.itemById(definition->id())) return nullptr;
    auto control = std::make_shared<Control>();
    control->definition = definition;
    items.items.push_back(control);
    return control;
  }
  IdList<host::ToolbarControl> items;
};

struct Toolbar : host::Toolbar {
  std::string id() const override { return identifier; }
  Ptr<host::ToolbarControls> controls() const override { return controlList; }
  std::string identifier;
  Ptr<Controls> controlList = std::make_shared<Controls>();
};

struct Panel : host::ToolbarPanel {
  std::string id() const override { return identifier; }
  std::string name() const override { return identifier; }
  Ptr<host::ToolbarControls> controls() const override { return controlList; }
  std::string identifier;
  Ptr<Controls> controlList = std::make_shared<Controls>();
};

struct Workspace : host::Workspace {
  std::string id() const override { return identifier; }
  std::string name() const override { return identifier; }
  Ptr<host::ToolbarPanels> toolbarPanels() const override { return panels; }
  std::string identifier;
  Ptr<IdList<host::ToolbarPanel>> panels = std::make_shared<IdList<host::ToolbarPanel>>();
};

// Answers showSave with the scripted result and file name; records the setup.
struct FileDialog : host::FileDialog {
  std::string title() const override { return titleText; }
  void setTitle(const std::string& text) override { titleText = text; }
  std::string filter() const override { return filterText; }
  void setFilter(const std::string& text) override { filterText = text; }
  bool isMultiSelectEnabled() const override { return multiSelect; }
  void setIsMultiSelectEnabled(bool on) override { multiSelect = on; }
  std::string initialDirectory() const override { return directory; }
  void setInitialDirectory(const std::string& text) override { directory = text; }
  std::string initialFilename() const override { return initialName; }
  void setInitialFilename(const std::string& text) override { initialName = text; }
  host::DialogResult showSave() override {
    ++shown;
    return answer;
  }
  std::string filename() const override { return chosen; }
  std::string titleText, filterText, directory, initialName, chosen;
  bool multiSelect = true;
  host::DialogResult answer = host::DialogOK;
  int shown = 0;
};

struct Message {
  std::string text, title;
  int buttons, icon;
};

struct UserInterface : host::UserInterface {
  UserInterface() {
    auto qat = std::make_shared<Toolbar>();
    qat->identifier = "QAT";
    toolbarList->items.push_back(qat);
    auto design = std::make_shared<Workspace>();
    design->identifier = "FusionSolidEnvironment";
    auto render = std::make_shared<Workspace>();
    render->identifier = "FusionRenderEnvironment";
    for (const char* id : {"SetupPanel", "RenderPanel", "ExportPanel"}) {
      auto panel = std::make_shared<Panel>();
      panel->identifier = id;
      render->panels->items.push_back(panel);
    }
    workspaceList->items = {design, render};
  }
  Ptr<host::CommandDefinitions> commandDefinitions() const override { return definitions; }
  Ptr<host::Toolbars> toolbars() const override { return toolbarList; }
  Ptr<host::Workspaces> workspaces() const override { return workspaceList; }
  Ptr<host::FileDialog> createFileDialog() override { return dialog; }
  host::DialogResult messageBox(const std::string& text, const std::string& title, int buttons,
                                int icon) override {
    messages.push_back({text, title, buttons, icon});
    return host::DialogOK;
  }

  Ptr<Controls> panelControls(const std::string& workspace, const std::string& panel) const {
    auto space = workspaceList->itemById(workspace);
    auto found = space ? space->toolbarPanels()->itemById(panel) : nullptr;
    return found ? std::static_pointer_cast<Controls>(found->controls()) : nullptr;
  }
  Ptr<Controls> qatControls() const {
    return std::static_pointer_cast<Controls>(toolbarList->itemById("QAT")->controls());
  }

  Ptr<CommandDefinitions> definitions = std::make_shared<CommandDefinitions>();
  Ptr<IdList<host::Toolbar>> toolbarList = std::make_shared<IdList<host::Toolbar>>();
  Ptr<IdList<host::Workspace>> workspaceList = std::make_shared<IdList<host::Workspace>>();
  Ptr<FileDialog> dialog = std::make_shared<FileDialog>();
  std::vector<Message> messages;
};

struct CreatedArgs : host::CommandCreatedEventArgs {
  Ptr<host::Command> command() const override { return created; }
  Ptr<host::Command> created;
};

struct ExecutedArgs : host::CommandEventArgs {
  Ptr<host::CommandEvent> firingEvent() const override { return event; }
  Ptr<host::CommandEvent> event;
};

// What the host does when a control is pressed: a new command, the created
// handlers, then the command's execute handlers.
inline void press(const Ptr<host::ToolbarControl>& control) {
  auto definition = std::static_pointer_cast<CommandDefinition>(control->commandDefinition());
  auto command = std::make_shared<Command>();
  command->parent = definition;
  command->executeEvent->source = command;
  auto created = std::make_shared<CreatedArgs>();
  created->created = command;
  for (auto* handler : definition->created->handlers) handler->notify(created);
  auto executed = std::make_shared<ExecutedArgs>();
  executed->event = command->executeEvent;
  for (auto* handler : command->executeEvent->handlers) handler->notify(executed);
}

struct GeneralPreferences : host::GeneralPreferences {
  int defaultModelingOrientation() const override { return orientation; }
  int orientation = host::YUpModelingOrientation;
};

struct Preferences : host::Preferences {
  Ptr<host::GeneralPreferences> generalPreferences() const override { return general; }
  Ptr<GeneralPreferences> general = std::make_shared<GeneralPreferences>();
};

struct Application : host::Application {
  Ptr<host::UserInterface> userInterface() const override { return ui; }
  Ptr<host::Document> activeDocument() const override { return active; }
  Ptr<host::Viewport> activeViewport() const override { return viewport; }
  Ptr<host::Preferences> preferences() const override { return prefs; }
  Ptr<UserInterface> ui = std::make_shared<UserInterface>();
  Ptr<host::Document> active;
  Ptr<Viewport> viewport = std::make_shared<Viewport>();
  Ptr<Preferences> prefs = std::make_shared<Preferences>();
};

}  // namespace fake
