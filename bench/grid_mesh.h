// The face mesh the design benchmarks are built from: a flat grid of 25 by 20
// quads (1,000 triangles) with normals and texture coordinates, at height z.
#pragma once

#include <memory>

#include "FakeHost.h"

namespace bench {

inline host::Ptr<fake::Mesh> gridMesh(float z) {
  constexpr int kQuadsX = 25, kQuadsY = 20;
  auto mesh = std::make_shared<fake::Mesh>();
  for (int y = 0; y <= kQuadsY; ++y) {
    for (int x = 0; x <= kQuadsX; ++x) {
      mesh->coordinates.insert(mesh->coordinates.end(),
                               {static_cast<float>(x) * 0.1f, static_cast<float>(y) * 0.1f, z});
      mesh->normals.insert(mesh->normals.end(), {0.0f, 0.0f, 1.0f});
      mesh->uvs.insert(mesh->uvs.end(),
                       {static_cast<float>(x) / kQuadsX, static_cast<float>(y) / kQuadsY});
    }
  }
  for (int y = 0; y < kQuadsY; ++y) {
    for (int x = 0; x < kQuadsX; ++x) {
      const int a = y * (kQuadsX + 1) + x, b = a + 1, c = a + kQuadsX + 1, d = c + 1;
      mesh->indices.insert(mesh->indices.end(), {a, b, d, a, d, c});
    }
  }
  return mesh;
}

}  // namespace bench
