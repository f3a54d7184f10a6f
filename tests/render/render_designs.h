// Design files for the end-to-end tests: a bracket whose root has a body, a
// part placed once and a bolt placed twice, with a few switches to edit it
// between Render presses.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace render_designs {

struct Spec {
  std::string name = "Bracket v3";
  std::string plateAppearance = "red";
  bool shankVisible = true;
  bool washer = false;  // a child component placed in the part
  int gridSize = 0;     // above 1: the base is a grid of this many nodes a side
  std::string comment;  // changes the file's layout, not the design
};

inline nlohmann::json quad(double size) {
  return {{"coordinates", {0, 0, 0, size, 0, 0, size, size, 0, 0, size, 0}},
          {"normals", {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}},
          {"textureCoordinates", {0, 0, 1, 0, 1, 1, 0, 1}},
          {"indices", {0, 1, 2, 0, 2, 3}}};
}

inline nlohmann::json grid(int n) {
  nlohmann::json coordinates = nlohmann::json::array(), normals = nlohmann::json::array(),
                 indices = nlohmann::json::array();
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      coordinates.insert(coordinates.end(), {x * 0.1, y * 0.1, (x * y % 7) * 0.01});
      normals.insert(normals.end(), {0, 0, 1});
    }
  }
  for (int y = 0; y + 1 < n; ++y) {
    for (int x = 0; x + 1 < n; ++x) {
      const int a = y * n + x, b = a + 1, c = a + n, d = c + 1;
      indices.insert(indices.end(), {a, b, d, a, d, c});
    }
  }
  return {{"coordinates", coordinates}, {"normals", normals}, {"indices", indices}};
}

inline nlohmann::json body(const std::string& name, const std::string& appearance,
                           nlohmann::json mesh, bool visible = true) {
  return {{"name", name},
          {"visible", visible},
          {"faces", {{{"appearance", appearance}, {"meshes", {mesh}}}}}};
}

inline nlohmann::json appearance(const std::string& id, int r, int g, int b) {
  return {{"id", id},
          {"name", id},
          {"properties", {{{"type", "color"}, {"id", "generic_diffuse"}, {"color", {r, g, b}}}}}};
}

inline std::string json(const Spec& s) {
  nlohmann::json part = {{"name", "Part"}, {"bodies", {body("Plate", s.plateAppearance, quad(3))}}};
  if (s.washer) {
    part["occurrences"] = {{{"component", "Washer"}, {"translation", {0, 0, 1}}}};
  }
  nlohmann::json components = {
      {{"name", "Bracket"},
       {"bodies", {body("Base", "red", s.gridSize > 1 ? grid(s.gridSize) : quad(5))}},
       {"occurrences",
        {{{"component", "Part"}, {"translation", {2, 0, 0}}},
         {{"component", "Bolt"}, {"translation", {0, 1, 0}}},
         {{"component", "Bolt"}, {"translation", {0, -1, 0}}}}}},
      part,
      {{"name", "Bolt"},
       {"bodies",
        {body("Shank", "steel", quad(0.5), s.shankVisible), body("Head", "steel", quad(1))}}},
  };
  if (s.washer) {
    components.push_back({{"name", "Washer"}, {"bodies", {body("Ring", "steel", quad(0.8))}}});
  }
  nlohmann::json design = {
      {"document",
       {{"name", s.name},
        {"appearances",
         {appearance("red", 200, 30, 30), appearance("blue", 30, 30, 200),
          appearance("steel", 180, 180, 190)}},
        {"products", {{{"units", "mm"}, {"root", "Bracket"}, {"components", components}}}}}},
      {"preferences", {{"defaultModelingOrientation", 1}}}};
  return design.dump(s.comment.empty() ? -1 : 2);
}

}  // namespace render_designs
