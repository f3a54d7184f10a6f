#include "scenemodel/TriangleObject.h"

#include <memory>

#include "scenemodel/Diffuse.h"
#include "scenemodel/orvSceneapi_oo.h"

namespace orv {

namespace {

template <typename T>
void assign(std::vector<T>& target, const T* values, size_t count) {
  if (values == nullptr) {
    target.clear();
  } else {
    target.assign(values, values + count);
  }
}

// Releases the memory too: a defined mesh never needs its arrays again.
template <typename T>
void release(std::vector<T>& target) {
  std::vector<T>().swap(target);
}

}  // namespace

TriangleObject::TriangleObject(std::string name) : LightGeometry(std::move(name)) {
  setMaterial(std::make_shared<Diffuse>("default"));
}

TriangleObject::~TriangleObject() = default;

void TriangleObject::setVertices(const float* values, size_t count) {
  assign(vertices_, values, count);
}
void TriangleObject::setTriangles(const int32_t* values, size_t count) {
  assign(triangles_, values, count);
}
void TriangleObject::setUVs(const float* values, size_t count) { assign(uvTex_, values, count); }
void TriangleObject::setNormals(const float* values, size_t count) {
  assign(normals_, values, count);
}
void TriangleObject::setTriangleUVs(const int32_t* values, size_t count) {
  assign(trianglesUV_, values, count);
}
void TriangleObject::setTriangleNormals(const int32_t* values, size_t count) {
  assign(trianglesNorm_, values, count);
}
void TriangleObject::setVertexColors(const float* values, size_t count) {
  assign(vcolors_, values, count);
}

size_t TriangleObject::dataSize() const {
  return 4 * (vertices_.size() + triangles_.size() + uvTex_.size() + trianglesUV_.size() +
              normals_.size() + trianglesNorm_.size() + vcolors_.size());
}

bool TriangleObject::validate(orvSceneapi_oo&) {
  if (isDefined()) return true;
  // The findings are joined without separators: readers of the scene match
  // the texts as they stand.
  std::string found;
  if (!normals_.empty()) {
    if (!trianglesNorm_.empty()) {
      if (trianglesNorm_.size() != triangles_.size()) {
        found += "Normals count does not match number of triangles " +
                 std::to_string(trianglesNorm_.size()) + " vs " + std::to_string(triangles_.size());
      }
    } else if (normals_.size() != vertices_.size()) {
      found += "Number of normals does not equal number of vertices";
    }
  } else if (!trianglesNorm_.empty()) {
    found += "No normals defined for index";
  }
  if (!uvTex_.empty()) {
    if (!trianglesUV_.empty()) {
      if (triangles_.size() != trianglesUV_.size()) {
        found += "UV index count does not match triangle count";
      }
    } else if (2 * vertices_.size() != 3 * uvTex_.size()) {
      // One u, v pair per vertex.
      found += "Number of uvs(" + std::to_string(uvTex_.size()) +
               ")  does not match vertex count(" + std::to_string(vertices_.size()) + ")";
    }
  } else if (!trianglesUV_.empty()) {
    found += "No uvs defined for index";
  }
  if (!vcolors_.empty() && vcolors_.size() != vertices_.size()) {
    found += "VetexColor count does not match number of vertices";
  }
  if (triangles_.empty()) found += "No triangles defined";
  errorText_ = std::move(found);
  return !triangles_.empty();
}

void TriangleObject::emitGeometry(orvSceneapi_oo& api) {
  orvScene_api* scene = api.getSceneApi();
  if (scene == nullptr) return;
  if (isDefined()) {
    scene->begin_geometry("instance");
    api.setInt("id", static_cast<int32_t>(getId()));
    scene->end_geometry();
    return;
  }
  scene->begin_geometry("triangles");
  api.setVec3Array("vertices", vertices_);
  api.setIntArray("triangles", triangles_);
  if (!trianglesUV_.empty()) api.setIntArray("triangles_uv", trianglesUV_);
  if (!uvTex_.empty()) api.setFloatArray("uv_tex", uvTex_);
  if (!trianglesNorm_.empty()) api.setIntArray("triangles_norm", trianglesNorm_);
  if (!normals_.empty()) api.setVec3Array("normals", normals_);
  if (!vcolors_.empty()) api.setVec3Array("vcolors", vcolors_);
  scene->end_geometry();
}

void TriangleObject::emit(orvSceneapi_oo& api) {
  orvScene_api* scene = api.getSceneApi();
  if (scene == nullptr) return;
  if (validate(api)) {
    const std::string name = getName();
    scene->begin_object(name.c_str(), true);
    emitGeometry(api);
    getMaterial()->emit(api);
    scene->end_object();
  }
  if (!errorText_.empty()) api.reportError(std::string(errorText_));
}

void TriangleObject::define(orvSceneapi_oo& api) {
  orvScene_api* scene = api.getSceneApi();
  // A mesh is defined once: its arrays are gone after the first definition.
  if (scene == nullptr || isDefined()) return;
  const std::string name = getName();
  scene->begin_object(name.c_str(), false);
  const int id = api.newId();
  emitGeometry(api);
  scene->end_object();
  release(vertices_);
  release(triangles_);
  release(uvTex_);
  release(trianglesUV_);
  release(normals_);
  release(trianglesNorm_);
  release(vcolors_);
  setId(id);
}

}  // namespace orv
