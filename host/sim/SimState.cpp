#include "host/sim/SimState.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <set>
#include <utility>

#include "host/sim/DesignError.h"

namespace host::sim {
namespace {

using Vec = std::array<double, 3>;

Vec node(const MeshData& mesh, std::int32_t index) {
  const auto at = static_cast<std::size_t>(index) * 3;
  return {mesh.coordinates[at], mesh.coordinates[at + 1], mesh.coordinates[at + 2]};
}

Vec cross(const Vec& a, const Vec& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double dot(const Vec& a, const Vec& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

Vec minus(const Vec& a, const Vec& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }

void checkAppearance(const SimState& state, const std::string& id, const std::string& where) {
  if (!id.empty() && !state.appearance(id)) {
    throw DesignError(where + ": unknown appearance \"" + id + "\"");
  }
}

constexpr int kMaxNesting = 256;

// Depth-first walk over the occurrence graph; a component met again while it
// is still being walked contains itself. Also measures how deep each
// component's tree goes (a component with no occurrences: 0).
void checkNesting(const SimState& state, const DesignData& design, const ComponentData& component,
                  std::set<const ComponentData*>& walking,
                  std::map<const ComponentData*, int>& heights) {
  if (heights.count(&component)) return;
  walking.insert(&component);
  int height = 0;
  for (const auto& occurrence : component.occurrences) {
    const ComponentData* child = state.component(design, occurrence.component);
    if (walking.count(child)) {
      throw DesignError("component \"" + child->name + "\" contains itself (through occurrence \"" +
                        occurrence.name + "\" of \"" + component.name + "\")");
    }
    checkNesting(state, design, *child, walking, heights);
    height = std::max(height, heights[child] + 1);
  }
  // Whoever walks the tree recursively must not run out of stack.
  if (height > kMaxNesting) {
    throw DesignError("components nest more than " + std::to_string(kMaxNesting) +
                      " levels deep (below \"" + component.name + "\")");
  }
  walking.erase(&component);
  heights[&component] = height;
}

}  // namespace

Measures measureBody(const BodyData& body) {
  Measures measures;
  for (const auto& face : body.faces) {
    for (const auto& mesh : face.meshes) {
      const auto nodes = static_cast<std::int64_t>(mesh.coordinates.size() / 3);
      for (std::size_t t = 0; t + 2 < mesh.indices.size(); t += 3) {
        const auto i = mesh.indices[t], j = mesh.indices[t + 1], k = mesh.indices[t + 2];
        if (i < 0 || j < 0 || k < 0 || i >= nodes || j >= nodes || k >= nodes) continue;
        const Vec a = node(mesh, i), b = node(mesh, j), c = node(mesh, k);
        const Vec n = cross(minus(b, a), minus(c, a));
        measures.area += std::sqrt(dot(n, n)) / 2;
        // Signed volume of the tetrahedron with the origin; the sum over a
        // closed surface is the enclosed volume.
        measures.volume += dot(a, cross(b, c)) / 6;
      }
    }
  }
  measures.volume = std::fabs(measures.volume);
  return measures;
}

Measures measureComponent(const ComponentData& component) {
  Measures total;
  for (const auto& body : component.bodies) {
    const Measures measures = measureBody(body);
    total.area += measures.area;
    total.volume += measures.volume;
  }
  return total;
}

SimState::SimState(HostData hostData, std::shared_ptr<const Withholding> withheldObjects)
    : data(std::move(hostData)), withholding(std::move(withheldObjects)) {
  if (!withholding) withholding = std::make_shared<Withholding>();
  if (data.defaultModelingOrientation != 0 && data.defaultModelingOrientation != 1) {
    throw DesignError("defaultModelingOrientation must be 0 (Y up) or 1 (Z up)");
  }
  if (!data.document) return;
  DocumentData& document = *data.document;
  for (const auto& appearance : document.appearances) {
    if (appearance.id.empty()) throw DesignError("an appearance has an empty id");
    if (!appearances.emplace(appearance.id, &appearance).second) {
      throw DesignError("appearance id \"" + appearance.id + "\" is used twice");
    }
  }
  for (auto& product : document.products) {
    if (!product.design) continue;
    DesignData& design = *product.design;
    if (design.components.empty()) throw DesignError("a design has no components");
    auto& byName = components[&design];
    for (auto& component : design.components) {
      if (!byName.emplace(component.name, &component).second) {
        throw DesignError("component name \"" + component.name + "\" is used twice in a design");
      }
    }
    if (design.rootComponent.empty()) design.rootComponent = design.components.front().name;
    if (!byName.count(design.rootComponent)) {
      throw DesignError("unknown root component \"" + design.rootComponent + "\"");
    }
    for (auto& component : design.components) {
      const std::string where = "component \"" + component.name + "\"";
      for (const auto& occurrence : component.occurrences) {
        if (!byName.count(occurrence.component)) {
          throw DesignError(where + ": occurrence \"" + occurrence.name +
                            "\" places unknown component \"" + occurrence.component + "\"");
        }
        checkAppearance(*this, occurrence.appearance,
                        where + ", occurrence \"" + occurrence.name + "\"");
      }
      for (const auto& body : component.bodies) {
        const std::string bodyWhere = where + ", body \"" + body.name + "\"";
        checkAppearance(*this, body.appearance, bodyWhere);
        for (const auto& face : body.faces) checkAppearance(*this, face.appearance, bodyWhere);
      }
      if (!component.area || !component.volume) {
        const Measures measures = measureComponent(component);
        if (!component.area) component.area = measures.area;
        if (!component.volume) component.volume = measures.volume;
      }
    }
    std::set<const ComponentData*> walking;
    std::map<const ComponentData*, int> heights;
    for (const auto& component : design.components) {
      checkNesting(*this, design, component, walking, heights);
    }
  }
}

const AppearanceData* SimState::appearance(const std::string& id) const {
  const auto found = appearances.find(id);
  return found == appearances.end() ? nullptr : found->second;
}

const ComponentData* SimState::component(const DesignData& design, const std::string& name) const {
  const auto table = components.find(&design);
  if (table == components.end()) return nullptr;
  const auto found = table->second.find(name);
  return found == table->second.end() ? nullptr : found->second;
}

}  // namespace host::sim
