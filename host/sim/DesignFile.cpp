#include "host/sim/DesignFile.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <memory>
#include <nlohmann/json.hpp>
#include <utility>

#include "host/sim/SimHost.h"
#include "platform/file.h"

namespace host::sim {
namespace {

using nlohmann::json;

class Reader {
 public:
  explicit Reader(std::string origin) : origin_(std::move(origin)) {}

  [[noreturn]] void fail(const std::string& where, const std::string& what) const {
    throw DesignError(origin_ + ": " + (where.empty() ? "/" : where) + ": " + what);
  }

  // The object at where, with no key outside allowed (a misspelt key would
  // otherwise be silently ignored).
  const json& object(const json& value, const std::string& where,
                     std::initializer_list<const char*> allowed) const {
    if (!value.is_object()) fail(where, "expected an object");
    for (const auto& item : value.items()) {
      bool known = false;
      for (const char* key : allowed) known = known || item.key() == key;
      if (!known) fail(where, "unknown key \"" + item.key() + "\"");
    }
    return value;
  }

  const json& array(const json& value, const std::string& where) const {
    if (!value.is_array()) fail(where, "expected an array");
    return value;
  }

  std::string text(const json& owner, const char* key, const std::string& where,
                   std::string fallback = {}) const {
    const auto found = owner.find(key);
    if (found == owner.end()) return fallback;
    if (!found->is_string()) fail(where + "/" + key, "expected a text");
    return found->get<std::string>();
  }

  std::string requiredText(const json& owner, const char* key, const std::string& where) const {
    if (!owner.contains(key)) fail(where, std::string("missing \"") + key + "\"");
    return text(owner, key, where);
  }

  bool flag(const json& owner, const char* key, const std::string& where, bool fallback) const {
    const auto found = owner.find(key);
    if (found == owner.end()) return fallback;
    if (!found->is_boolean()) fail(where + "/" + key, "expected true or false");
    return found->get<bool>();
  }

  double number(const json& value, const std::string& where) const {
    if (!value.is_number()) fail(where, "expected a number");
    const double result = value.get<double>();
    if (!std::isfinite(result)) fail(where, "expected a finite number");
    return result;
  }

  std::optional<double> optionalNumber(const json& owner, const char* key,
                                       const std::string& where) const {
    const auto found = owner.find(key);
    if (found == owner.end()) return std::nullopt;
    return number(*found, where + "/" + key);
  }

  long long integer(const json& value, const std::string& where, long long low,
                    long long high) const {
    if (!value.is_number_integer()) fail(where, "expected a whole number");
    if (value.is_number_unsigned() &&
        value.get<unsigned long long>() > static_cast<unsigned long long>(high)) {
      fail(where, "out of range " + std::to_string(low) + " to " + std::to_string(high));
    }
    const long long result = value.get<long long>();
    if (result < low || result > high) {
      fail(where, "out of range " + std::to_string(low) + " to " + std::to_string(high));
    }
    return result;
  }

  std::vector<float> floats(const json& owner, const char* key, const std::string& where) const {
    std::vector<float> result;
    const auto found = owner.find(key);
    if (found == owner.end()) return result;
    const std::string at = where + "/" + key;
    array(*found, at);
    result.reserve(found->size());
    for (std::size_t i = 0; i < found->size(); ++i) {
      const json& value = (*found)[i];
      const double number = value.is_number() ? value.get<double>() : NAN;
      if (!std::isfinite(number) || std::fabs(number) > std::numeric_limits<float>::max()) {
        fail(at + "/" + std::to_string(i), "expected a number");
      }
      result.push_back(static_cast<float>(number));
    }
    return result;
  }

  std::vector<std::int32_t> ints(const json& owner, const char* key,
                                 const std::string& where) const {
    std::vector<std::int32_t> result;
    const auto found = owner.find(key);
    if (found == owner.end()) return result;
    const std::string at = where + "/" + key;
    array(*found, at);
    result.reserve(found->size());
    for (std::size_t i = 0; i < found->size(); ++i) {
      result.push_back(static_cast<std::int32_t>(integer((*found)[i], at + "/" + std::to_string(i),
                                                         std::numeric_limits<int32_t>::min(),
                                                         std::numeric_limits<int32_t>::max())));
    }
    return result;
  }

  std::array<double, 3> triple(const json& value, const std::string& where) const {
    if (!value.is_array() || value.size() != 3) fail(where, "expected 3 numbers");
    return {number(value[0], where + "/0"), number(value[1], where + "/1"),
            number(value[2], where + "/2")};
  }

 private:
  std::string origin_;
};

std::string at(const std::string& where, const char* key) { return where + "/" + key; }
std::string at(const std::string& where, std::size_t index) {
  return where + "/" + std::to_string(index);
}

MeshData readMesh(const Reader& r, const json& value, const std::string& where) {
  r.object(value, where, {"coordinates", "normals", "textureCoordinates", "indices"});
  MeshData mesh;
  mesh.coordinates = r.floats(value, "coordinates", where);
  mesh.normals = r.floats(value, "normals", where);
  mesh.textureCoordinates = r.floats(value, "textureCoordinates", where);
  mesh.indices = r.ints(value, "indices", where);
  return mesh;
}

BodyData readBody(const Reader& r, const json& value, const std::string& where) {
  r.object(value, where, {"name", "visible", "appearance", "faces"});
  BodyData body;
  body.name = r.requiredText(value, "name", where);
  body.visible = r.flag(value, "visible", where, true);
  body.appearance = r.text(value, "appearance", where);
  if (value.contains("faces")) {
    const json& faces = r.array(value["faces"], at(where, "faces"));
    for (std::size_t i = 0; i < faces.size(); ++i) {
      const std::string faceAt = at(at(where, "faces"), i);
      r.object(faces[i], faceAt, {"appearance", "meshes"});
      FaceData face;
      face.appearance = r.text(faces[i], "appearance", faceAt);
      if (faces[i].contains("meshes")) {
        const json& meshes = r.array(faces[i]["meshes"], at(faceAt, "meshes"));
        for (std::size_t m = 0; m < meshes.size(); ++m) {
          face.meshes.push_back(readMesh(r, meshes[m], at(at(faceAt, "meshes"), m)));
        }
      }
      body.faces.push_back(std::move(face));
    }
  }
  return body;
}

Matrix readTransform(const Reader& r, const json& value, const std::string& where) {
  Matrix cells{};
  if (value.is_array() && value.size() == 4 && value[0].is_array()) {
    for (std::size_t row = 0; row < 4; ++row) {
      const json& cellsOfRow = value[row];
      if (!cellsOfRow.is_array() || cellsOfRow.size() != 4) {
        r.fail(at(where, row), "expected a row of 4 numbers");
      }
      for (std::size_t column = 0; column < 4; ++column) {
        cells[4 * row + column] = r.number(cellsOfRow[column], at(at(where, row), column));
      }
    }
  } else if (value.is_array() && value.size() == 16) {
    for (std::size_t i = 0; i < 16; ++i) cells[i] = r.number(value[i], at(where, i));
  } else {
    r.fail(where, "expected 4 rows of 4 numbers, or 16 numbers row by row");
  }
  return cells;
}

OccurrenceData readOccurrence(const Reader& r, const json& value, const std::string& where,
                              std::map<std::string, int>& placements) {
  r.object(value, where,
           {"name", "component", "visible", "appearance", "transform", "translation"});
  OccurrenceData occurrence;
  occurrence.component = r.requiredText(value, "component", where);
  const int ordinal = ++placements[occurrence.component];
  occurrence.name =
      r.text(value, "name", where, occurrence.component + ":" + std::to_string(ordinal));
  occurrence.visible = r.flag(value, "visible", where, true);
  occurrence.appearance = r.text(value, "appearance", where);
  if (value.contains("transform") && value.contains("translation")) {
    r.fail(where, "give either \"transform\" or \"translation\", not both");
  }
  if (value.contains("transform")) {
    occurrence.transform = readTransform(r, value["transform"], at(where, "transform"));
  } else if (value.contains("translation")) {
    const auto t = r.triple(value["translation"], at(where, "translation"));
    occurrence.transform[3] = t[0];
    occurrence.transform[7] = t[1];
    occurrence.transform[11] = t[2];
  }
  return occurrence;
}

ComponentData readComponent(const Reader& r, const json& value, const std::string& where,
                            std::map<std::string, int>& placements) {
  r.object(value, where, {"name", "area", "volume", "bodies", "occurrences"});
  ComponentData component;
  component.name = r.requiredText(value, "name", where);
  component.area = r.optionalNumber(value, "area", where);
  component.volume = r.optionalNumber(value, "volume", where);
  if (value.contains("bodies")) {
    const json& bodies = r.array(value["bodies"], at(where, "bodies"));
    for (std::size_t i = 0; i < bodies.size(); ++i) {
      component.bodies.push_back(readBody(r, bodies[i], at(at(where, "bodies"), i)));
    }
  }
  if (value.contains("occurrences")) {
    const json& occurrences = r.array(value["occurrences"], at(where, "occurrences"));
    for (std::size_t i = 0; i < occurrences.size(); ++i) {
      component.occurrences.push_back(
          readOccurrence(r, occurrences[i], at(at(where, "occurrences"), i), placements));
    }
  }
  return component;
}

ProductData readProduct(const Reader& r, const json& value, const std::string& where) {
  if (!value.is_object()) r.fail(where, "expected an object");
  ProductData product;
  const std::string type = r.text(value, "type", where, "design");
  if (type != "design") {
    r.object(value, where, {"type"});
    product.type = type;
    return product;
  }
  r.object(value, where, {"type", "units", "root", "components"});
  DesignData design;
  design.units = r.text(value, "units", where, "cm");
  design.rootComponent = r.text(value, "root", where);
  if (!value.contains("components")) r.fail(where, "missing \"components\"");
  const json& components = r.array(value["components"], at(where, "components"));
  std::map<std::string, int> placements;
  for (std::size_t i = 0; i < components.size(); ++i) {
    design.components.push_back(
        readComponent(r, components[i], at(at(where, "components"), i), placements));
  }
  product.design = std::move(design);
  return product;
}

PropertyData readProperty(const Reader& r, const json& value, const std::string& where,
                          int textureDepth);

// Textures hold properties, which may hold textures again; real appearances
// go one or two levels deep.
constexpr int kMaxTextureDepth = 16;

TextureData readTexture(const Reader& r, const json& value, const std::string& where,
                        int textureDepth) {
  if (textureDepth > kMaxTextureDepth) {
    r.fail(where, "textures nest more than " + std::to_string(kMaxTextureDepth) + " levels deep");
  }
  r.object(value, where, {"properties"});
  TextureData texture;
  if (value.contains("properties")) {
    const json& properties = r.array(value["properties"], at(where, "properties"));
    for (std::size_t i = 0; i < properties.size(); ++i) {
      texture.properties.push_back(
          readProperty(r, properties[i], at(at(where, "properties"), i), textureDepth));
    }
  }
  return texture;
}

PropertyData readProperty(const Reader& r, const json& value, const std::string& where,
                          int textureDepth) {
  if (!value.is_object()) r.fail(where, "expected an object");
  PropertyData property;
  const std::string type = r.requiredText(value, "type", where);
  property.id = r.requiredText(value, "id", where);
  property.name = r.text(value, "name", where);
  if (type == "color") {
    r.object(value, where, {"type", "id", "name", "color", "texture"});
    property.kind = PropertyData::Kind::Color;
    if (value.contains("color")) {
      const json& color = value["color"];
      const std::string colorAt = at(where, "color");
      if (!color.is_array() || (color.size() != 3 && color.size() != 4)) {
        r.fail(colorAt, "expected 3 or 4 whole numbers 0 to 255 (red, green, blue, opacity)");
      }
      std::array<int, 4> rgba = {0, 0, 0, 255};
      for (std::size_t i = 0; i < color.size(); ++i) {
        rgba[i] = static_cast<int>(r.integer(color[i], at(colorAt, i), 0, 255));
      }
      property.color = rgba;
    }
    if (value.contains("texture")) {
      property.texture = std::make_shared<TextureData>(
          readTexture(r, value["texture"], at(where, "texture"), textureDepth + 1));
    }
  } else if (type == "filename") {
    r.object(value, where, {"type", "id", "name", "value"});
    property.kind = PropertyData::Kind::Filename;
    property.filename = r.text(value, "value", where);
  } else if (type == "other") {
    r.object(value, where, {"type", "id", "name", "objectType"});
    property.objectType = r.text(value, "objectType", where, "adsk::core::FloatProperty");
  } else {
    r.fail(at(where, "type"), "expected \"color\", \"filename\" or \"other\"");
  }
  return property;
}

AppearanceData readAppearance(const Reader& r, const json& value, const std::string& where) {
  r.object(value, where, {"id", "name", "properties"});
  AppearanceData appearance;
  appearance.id = r.requiredText(value, "id", where);
  appearance.name = r.text(value, "name", where, appearance.id);
  if (value.contains("properties")) {
    const json& properties = r.array(value["properties"], at(where, "properties"));
    for (std::size_t i = 0; i < properties.size(); ++i) {
      appearance.properties.push_back(
          readProperty(r, properties[i], at(at(where, "properties"), i), 0));
    }
  }
  return appearance;
}

DocumentData readDocument(const Reader& r, const json& value, const std::string& where) {
  r.object(value, where, {"name", "appearances", "products"});
  DocumentData document;
  document.name = r.text(value, "name", where);
  if (value.contains("appearances")) {
    const json& appearances = r.array(value["appearances"], at(where, "appearances"));
    for (std::size_t i = 0; i < appearances.size(); ++i) {
      document.appearances.push_back(
          readAppearance(r, appearances[i], at(at(where, "appearances"), i)));
    }
  }
  if (value.contains("products")) {
    const json& products = r.array(value["products"], at(where, "products"));
    for (std::size_t i = 0; i < products.size(); ++i) {
      document.products.push_back(readProduct(r, products[i], at(at(where, "products"), i)));
    }
  }
  return document;
}

CameraData readCamera(const Reader& r, const json& value, const std::string& where) {
  r.object(value, where, {"type", "eye", "target", "up", "viewAngle"});
  CameraData camera;
  if (value.contains("type")) {
    camera.type = static_cast<int>(r.integer(value["type"], at(where, "type"), 0, 2));
  }
  if (value.contains("eye")) camera.eye = r.triple(value["eye"], at(where, "eye"));
  if (value.contains("target")) camera.target = r.triple(value["target"], at(where, "target"));
  if (value.contains("up")) camera.up = r.triple(value["up"], at(where, "up"));
  camera.viewAngle = r.optionalNumber(value, "viewAngle", where).value_or(camera.viewAngle);
  return camera;
}

std::vector<std::string> readTexts(const Reader& r, const json& value, const std::string& where) {
  r.array(value, where);
  std::vector<std::string> texts;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (!value[i].is_string()) r.fail(at(where, i), "expected a text");
    texts.push_back(value[i].get<std::string>());
  }
  return texts;
}

UiLayout readLayout(const Reader& r, const json& value, const std::string& where) {
  r.object(value, where, {"toolbars", "workspaces"});
  UiLayout layout;
  if (value.contains("toolbars")) {
    layout.toolbars = readTexts(r, value["toolbars"], at(where, "toolbars"));
  }
  if (value.contains("workspaces")) {
    layout.workspaces.clear();
    const json& workspaces = r.array(value["workspaces"], at(where, "workspaces"));
    for (std::size_t i = 0; i < workspaces.size(); ++i) {
      const std::string workspaceAt = at(at(where, "workspaces"), i);
      r.object(workspaces[i], workspaceAt, {"id", "panels"});
      WorkspaceLayout workspace;
      workspace.id = r.requiredText(workspaces[i], "id", workspaceAt);
      if (workspaces[i].contains("panels")) {
        workspace.panels = readTexts(r, workspaces[i]["panels"], at(workspaceAt, "panels"));
      }
      layout.workspaces.push_back(std::move(workspace));
    }
  }
  return layout;
}

}  // namespace

HostData parseDesign(const std::string& text, const std::string& origin) {
  const Reader r(origin);
  json root;
  try {
    root = json::parse(text);
  } catch (const json::exception& error) {
    throw DesignError(origin + ": not valid JSON: " + error.what());
  }
  r.object(root, "", {"document", "camera", "preferences", "userInterface", "withhold"});
  HostData data;
  if (root.contains("document") && !root["document"].is_null()) {
    data.document = readDocument(r, root["document"], "/document");
  }
  if (root.contains("camera")) data.camera = readCamera(r, root["camera"], "/camera");
  if (root.contains("preferences")) {
    const json& preferences =
        r.object(root["preferences"], "/preferences", {"defaultModelingOrientation"});
    if (preferences.contains("defaultModelingOrientation")) {
      data.defaultModelingOrientation =
          static_cast<int>(r.integer(preferences["defaultModelingOrientation"],
                                     "/preferences/defaultModelingOrientation", 0, 1));
    }
  }
  if (root.contains("userInterface")) {
    data.layout = readLayout(r, root["userInterface"], "/userInterface");
  }
  if (root.contains("withhold")) data.withhold = readTexts(r, root["withhold"], "/withhold");
  return data;
}

HostData readDesignFile(const std::string& utf8_path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(platform::open_file(utf8_path, "rb"),
                                                       &std::fclose);
  if (!file) {
    throw DesignError("cannot open design file \"" + utf8_path + "\": " + std::strerror(errno));
  }
  std::string text;
  char buffer[1 << 16];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) text.append(buffer, got);
  if (std::ferror(file.get())) {
    throw DesignError("cannot read design file \"" + utf8_path + "\"");
  }
  return parseDesign(text, utf8_path);
}

std::unique_ptr<SimHost> loadHost(const std::string& utf8_path) {
  HostData data = readDesignFile(utf8_path);
  try {
    return std::make_unique<SimHost>(std::move(data));
  } catch (const DesignError& error) {
    throw DesignError(utf8_path + ": " + error.what());
  }
}

}  // namespace host::sim
