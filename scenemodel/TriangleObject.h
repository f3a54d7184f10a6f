// A triangle mesh. Emission checks the arrays for consistency, writes the
// mesh with its material, and reports what the check found into the scene as
// an error statement after the object. Only a mesh without triangles is left
// out; every other finding is reported and the mesh written all the same.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "scenemodel/LightGeometry.h"

namespace orv {

class TriangleObject : public LightGeometry {
 public:
  // The mesh starts empty, with a fresh Diffuse material named "default".
  explicit TriangleObject(std::string name);
  ~TriangleObject() override;

  void emit(orvSceneapi_oo& api) override;
  // Writes the mesh once as a numbered definition (without material) and
  // drops its arrays; every later emit writes an instance of that id.
  void define(orvSceneapi_oo& api) override;
  size_t dataSize() const override;

  // Each setter replaces its array with count values copied from the pointer
  // (counts are of scalars, not of tuples). A null pointer empties the array.
  void setVertices(const float* values, size_t count);
  void setTriangles(const int32_t* values, size_t count);
  void setUVs(const float* values, size_t count);
  void setNormals(const float* values, size_t count);
  // Texture and normal indices per triangle corner; when absent, texture
  // coordinates and normals are per vertex and indexed by the triangles.
  void setTriangleUVs(const int32_t* values, size_t count);
  void setTriangleNormals(const int32_t* values, size_t count);
  // Red, green and blue per vertex.
  void setVertexColors(const float* values, size_t count);

  const std::vector<float>& vertices() const { return vertices_; }
  const std::vector<int32_t>& triangles() const { return triangles_; }
  const std::vector<float>& uvs() const { return uvTex_; }
  const std::vector<int32_t>& triangleUVs() const { return trianglesUV_; }
  const std::vector<float>& normals() const { return normals_; }
  const std::vector<int32_t>& triangleNormals() const { return trianglesNorm_; }
  const std::vector<float>& vertexColors() const { return vcolors_; }

  // Replaces the error text with the findings (empty when consistent) and
  // returns whether the mesh can be written. A defined mesh is not checked.
  bool validate(orvSceneapi_oo& api);
  // The geometry block: the full arrays, or an instance of the definition.
  void emitGeometry(orvSceneapi_oo& api);
  // The findings of the last check.
  const std::string& errorText() const { return errorText_; }

 private:
  std::vector<float> vertices_;
  std::vector<int32_t> triangles_;
  std::vector<float> uvTex_;
  std::vector<int32_t> trianglesUV_;
  std::vector<float> normals_;
  std::vector<int32_t> trianglesNorm_;
  std::vector<float> vcolors_;
  std::string errorText_;
};

}  // namespace orv
