#include "addin/FusionSceneConverter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>
#include <stdexcept>
#include <utility>
#include <vector>

#include "addin/FusionMaterial.h"
#include "addin/HostAccess.h"
#include "sceneapi/LightFileFactory.h"
#include "scenemodel/LightCamera.h"
#include "scenemodel/LightModule.h"

namespace addin {
namespace {

// Group flags as the renderer reads them.
constexpr uint32_t kComponentUnchanged = 1;
constexpr uint32_t kComponentChanged = 32769;
constexpr uint32_t kBodyEmpty = 33793;
constexpr uint32_t kBodyWithContent = 1024;
constexpr uint32_t kAppearanceGroup = 65536;

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// The appearance a face is drawn with: its own, else the one it inherits.
host::Ptr<host::Appearance> faceAppearance(const host::BRepFace& face,
                                           const host::Ptr<host::Appearance>& inherited) {
  auto own = face.appearance();
  return own ? own : inherited;
}

host::Ptr<host::Appearance> bodyAppearance(const host::BRepBody& body,
                                           const host::Ptr<host::Appearance>& received) {
  auto own = body.appearance();
  return own ? own : received;
}

}  // namespace

FusionSceneConverter::FusionSceneConverter(host::Ptr<host::UserInterface> userInterface,
                                           host::Ptr<host::Application> application)
    : userInterface_(std::move(userInterface)), application_(std::move(application)) {}

FusionSceneConverter::~FusionSceneConverter() = default;

void FusionSceneConverter::setSceneWriter(std::unique_ptr<orv::orvSceneapi_oo> writer) {
  sceneWriter_ = std::move(writer);
}

void FusionSceneConverter::setMeterScale(float meterScale) {
  meterScale_ = meterScale;
  unitFactor_ = meterScale / 100.0f;
}

std::string FusionSceneConverter::stripVersionSuffix(const std::string& name) {
  const auto blank = name.rfind(' ');
  // Only a marker of the form " v12" is cut: a letter, then at least one digit,
  // then nothing else. "My Bracket" keeps its last word.
  if (blank == std::string::npos || blank == 0 || name.size() - blank < 3) return name;
  if (!isAsciiLetter(name[blank + 1])) return name;
  if (!std::all_of(name.begin() + static_cast<std::ptrdiff_t>(blank) + 2, name.end(), isAsciiDigit))
    return name;
  return name.substr(0, blank);
}

float FusionSceneConverter::designMeterScale(const host::Ptr<host::Document>& document) {
  float scale = 1.0f;
  auto products = require(require(document, "document")->products(), "product list");
  for (std::size_t i = 0; i < products->count(); ++i) {
    auto product = products->item(i);
    auto design = product ? product->asDesign() : nullptr;
    if (!design) continue;
    const std::string unit = require(design->unitsManager(), "units manager")->defaultLengthUnits();
    if (unit == "in") {
      scale = 39.370079f;
    } else if (unit == "m") {
      scale = 1.0f;
    } else if (unit == "cm") {
      scale = 100.0f;
    } else if (unit == "mm") {
      scale = 1000.0f;
    } else if (unit == "ft") {
      scale = 3.2808399f;
    }
  }
  return scale;
}

std::shared_ptr<orv::OrvGroup> FusionSceneConverter::buildScene(
    host::Ptr<host::Document> document) {
  require(document, "document");
  auto documentGroup = std::make_shared<orv::OrvGroup>(stripVersionSuffix(document->name()));
  auto products = require(document->products(), "product list");
  for (std::size_t i = 0; i < products->count(); ++i) {
    auto product = products->item(i);
    auto design = product ? product->asDesign() : nullptr;
    if (!design) continue;
    documentGroup->addGroup(
        convertComponent(require(design->rootComponent(), "root component"), nullptr, true));
  }
  sentStates_ = currentStates_;
  return documentGroup;
}

ComponentState FusionSceneConverter::componentState(const host::Component& component,
                                                    const host::Ptr<host::Appearance>& appearance,
                                                    bool visible) {
  ComponentState state;
  state.visible = visible;
  if (auto properties = component.physicalProperties()) {
    state.area = properties->area();
    state.volume = properties->volume();
  } else {
    // Unknown measures never compare equal, so the component is sent in full.
    state.area = std::numeric_limits<double>::quiet_NaN();
    state.volume = std::numeric_limits<double>::quiet_NaN();
  }

  auto bodies = require(component.bRepBodies(), "bodies of a component");
  for (std::size_t b = 0; b < bodies->count(); ++b) {
    auto body = require(bodies->item(b), "body");
    const auto inherited = bodyAppearance(*body, appearance);
    std::vector<std::pair<std::string, std::size_t>> counts;  // first-seen order
    auto faces = require(body->faces(), "faces of a body");
    for (std::size_t f = 0; f < faces->count(); ++f) {
      auto face = require(faces->item(f), "face");
      auto used = faceAppearance(*face, inherited);
      if (!used) continue;
      const std::string name = used->name();
      auto it = std::find_if(counts.begin(), counts.end(),
                             [&](const auto& entry) { return entry.first == name; });
      if (it == counts.end()) {
        counts.emplace_back(name, 1);
      } else {
        ++it->second;
      }
    }
    for (const auto& [name, count] : counts) {
      state.faceAppearanceSignature += std::to_string(count) + "x" + name + " ";
    }
    state.bodyVisibility[body->name()] = body->isVisible();
  }

  auto occurrences = require(component.occurrences(), "occurrences of a component");
  for (std::size_t o = 0; o < occurrences->count(); ++o) {
    auto occurrence = require(occurrences->item(o), "occurrence");
    state.childComponents.insert(
        require(occurrence->component(), "component of an occurrence")->name());
  }
  return state;
}

std::shared_ptr<orv::OrvGroup> FusionSceneConverter::convertComponent(
    host::Ptr<host::Component> component, host::Ptr<host::Appearance> appearance, bool visible) {
  require(component, "component");
  // A design file can describe a component that contains itself; walking it
  // would never end.
  if (std::find(path_.begin(), path_.end(), component.get()) != path_.end()) {
    throw std::runtime_error("the component \"" + component->name() + "\" contains itself");
  }
  path_.push_back(component.get());
  struct PathGuard {
    std::vector<const host::Component*>& path;
    ~PathGuard() { path.pop_back(); }
  } guard{path_};

  const std::string name = component->name();
  auto group = std::make_shared<orv::OrvGroup>(name);
  auto state = componentState(*component, appearance, visible);
  const auto sent = sentStates_.find(name);
  const bool changed = sent == sentStates_.end() || sent->second.differsFrom(state);
  group->setFlags(changed ? kComponentChanged : kComponentUnchanged);
  currentStates_[name] = std::move(state);
  if (!visible) return group;

  auto occurrences = require(component->occurrences(), "occurrences of a component");
  for (std::size_t o = 0; o < occurrences->count(); ++o) {
    auto occurrence = require(occurrences->item(o), "occurrence");
    // Only the occurrence's own override travels down, not what this component received.
    auto child = convertComponent(require(occurrence->component(), "component of an occurrence"),
                                  occurrence->appearance(), occurrence->isVisible());
    auto matrix = require(occurrence->transform(), "transform of an occurrence");
    std::array<double, 16> cells{};
    for (int column = 0; column < 4; ++column) {
      for (int row = 0; row < 4; ++row) cells[4 * column + row] = matrix->getCell(row, column);
    }
    // Host lengths are centimetres; only the translation is a length.
    for (int i = 12; i < 15; ++i) cells[i] *= static_cast<double>(unitFactor_);
    child->setTransform(cells);
    group->addGroup(child);
  }

  if (changed) {
    auto bodies = require(component->bRepBodies(), "bodies of a component");
    for (std::size_t b = 0; b < bodies->count(); ++b) {
      auto body = require(bodies->item(b), "body");
      const bool bodyVisible = body->isVisible();
      group->addGroup(convertBody(std::move(body), appearance, bodyVisible));
    }
  }
  return group;
}

std::shared_ptr<orv::OrvGroup> FusionSceneConverter::convertBody(
    host::Ptr<host::BRepBody> body, host::Ptr<host::Appearance> appearance, bool visible) {
  require(body, "body");
  const auto inherited = bodyAppearance(*body, appearance);
  const std::string bodyName = body->name();
  auto group = std::make_shared<orv::OrvGroup>(bodyName);
  group->setFlags(kBodyEmpty);
  if (!visible) return group;

  struct FacesOfAppearance {
    host::Ptr<host::Appearance> appearance;
    std::vector<host::Ptr<host::BRepFace>> faces;
  };
  // Keyed by appearance name: appearances that share a name share a group,
  // under the first of them met.
  std::map<std::string, FacesOfAppearance> byAppearance;
  // Faces with no appearance anywhere still belong to the body: they get the
  // default material, in a group of their own after the named ones.
  FacesOfAppearance unresolved;
  auto faces = require(body->faces(), "faces of a body");
  for (std::size_t f = 0; f < faces->count(); ++f) {
    auto face = require(faces->item(f), "face");
    auto used = faceAppearance(*face, inherited);
    if (!used) {
      unresolved.faces.push_back(std::move(face));
      continue;
    }
    auto [entry, inserted] = byAppearance.try_emplace(used->name());
    if (inserted) entry->second.appearance = used;
    entry->second.faces.push_back(std::move(face));
  }

  auto addAppearanceGroup = [&](FacesOfAppearance& entry) {
    auto appearanceGroup = group->createGroup(bodyName);
    group->setFlags(kBodyWithContent);
    auto material = std::make_shared<orv::FusionMaterial>(std::move(entry.appearance));
    for (auto& face : entry.faces) {
      auto meshes = require(require(face->meshManager(), "mesh manager of a face")->displayMeshes(),
                            "display meshes of a face");
      for (std::size_t m = 0; m < meshes->count(); ++m) {
        auto node = convertMesh(meshes->item(m), unitFactor_);
        node->setName(bodyName);
        node->setMaterial(material);
        appearanceGroup->addNode(std::move(node));
      }
      face.reset();
      appearanceGroup->setFlags(kAppearanceGroup);
    }
  };
  for (auto& [name, entry] : byAppearance) addAppearanceGroup(entry);
  if (!unresolved.faces.empty()) addAppearanceGroup(unresolved);
  return group;
}

std::shared_ptr<orv::TriangleObject> FusionSceneConverter::convertMesh(
    host::Ptr<host::TriangleMesh> mesh, float unitFactor) {
  auto node = std::make_shared<orv::TriangleObject>("");
  require(mesh, "triangle mesh");
  {
    auto coordinates = mesh->nodeCoordinatesAsFloat();
    for (float& value : coordinates) value *= unitFactor;
    node->setVertices(coordinates.data(), coordinates.size());
  }
  {
    const auto normals = mesh->normalVectorsAsFloat();
    node->setNormals(normals.data(), normals.size());
  }
  {
    const auto uvs = mesh->textureCoordinatesAsFloat();
    node->setUVs(uvs.data(), uvs.size());
  }
  const auto indices = mesh->nodeIndices();
  node->setTriangles(indices.data(), indices.size());
  return node;
}

void FusionSceneConverter::emitActiveCamera() {
  auto viewport = require(require(application_, "application")->activeViewport(), "active view");
  auto camera = require(viewport->camera(), "camera");
  if (camera->cameraType() == 0) return;
  auto eye = require(camera->eye(), "eye point");
  auto target = require(camera->target(), "target point");
  auto up = require(camera->upVector(), "up vector");

  auto node = std::make_shared<orv::LightCamera>("Active Camera");
  const double factor = unitFactor_;
  node->setPosition(static_cast<float>(eye->x() * factor), static_cast<float>(eye->y() * factor),
                    static_cast<float>(eye->z() * factor));
  auto direction = require(target->asVector(), "target vector");
  auto eyeVector = require(eye->asVector(), "eye vector");
  // Looking from the eye towards the target; without a direction there is no camera.
  if (!direction->subtract(eyeVector) || !direction->normalize()) return;
  const auto d = direction->asArray();
  if (d.size() < 3) return;
  node->setDirection(static_cast<float>(d[0]), static_cast<float>(d[1]), static_cast<float>(d[2]));
  node->setUp(static_cast<float>(up->x()), static_cast<float>(up->y()),
              static_cast<float>(up->z()));
  node->setProjection(orv::LightCamera::kPerspective);
  node->setFov(static_cast<float>(camera->perspectiveAngle() * 180.0 * 0.3183098861837907));
  if (!sceneWriter_) throw MissingHostObject("scene writer");
  sceneWriter_->emitNode(node.get());
}

void FusionSceneConverter::showMessage(const std::string& text) {
  if (userInterface_) userInterface_->messageBox(text, "", 0, 0);
}

void FusionSceneConverter::exportScene(host::Ptr<host::Document> document) {
  try {
    require(document, "document");
    auto dialog =
        require(require(userInterface_, "user interface")->createFileDialog(), "file dialog");
    dialog->setFilter("LumiVex scene (*.lvs)");
    dialog->setIsMultiSelectEnabled(false);
    dialog->setInitialDirectory("%CSIDL_MYDOCUMENTS%");
    const std::string documentName = document->name();
    dialog->setInitialFilename(documentName.empty() ? "Untitled.lvs" : documentName);
    if (dialog->showSave() != host::DialogOK) return;
    const std::string path = dialog->filename();
    dialog.reset();
    if (path.empty()) return;
    writeExport(document, path);
  } catch (const std::exception& error) {
    showMessage(std::string("Export failed. Reason: \"") + error.what() + "\"");
  } catch (...) {
    showMessage("Export failed. Reason: \"unknown error\"");
  }
}

void FusionSceneConverter::writeExport(const host::Ptr<host::Document>& document,
                                       const std::string& path) {
  // Opening may fail; nothing of the converter has changed by then.
  auto factory = std::make_unique<orv::LightFileFactory>(path);
  setSceneWriter(std::make_unique<orv::orvSceneapi_oo>(factory.get()));
  // An export sends everything and must not disturb what the Render command
  // compares against.
  ComponentStates savedStates = std::exchange(sentStates_, {});
  try {
    if (orvScene_api* scene = sceneWriter_->getSceneApi()) scene->set_flags(1);
    setMeterScale(designMeterScale(document));
    {
      orv::DefaultRTModule options;
      options.setUpVector(1);
      options.setMeterScale(meterScale_);
      options.setAdjustCamera(true);
      options.setCenterGeometry(true);
      options.setSnapToGround(true);
      options.setKeepOriginal(true);
      sceneWriter_->emitNode(&options);
    }
    auto root = buildScene(document);
    sceneWriter_->emitNode(root.get());
    sentStates_ = std::move(savedStates);
  } catch (...) {
    // The file keeps what was written so far; sentStates stays empty, so the
    // next Render sends everything.
    sceneWriter_->setSceneApi(nullptr);
    factory.reset();
    throw;
  }
  // The backend goes with the factory; the wrapper stays but writes nothing.
  sceneWriter_->setSceneApi(nullptr);
  factory->close();  // a failed close (full disk) is an error, not a success
}

}  // namespace addin
