// The object wrapper that scene nodes write through. It wraps one scene API
// taken from a factory, announces the scene with a banner and the format
// version, numbers definitions and shaders, and turns typed values into
// parameter calls. What it cannot express, a node writes on the scene API
// itself (getSceneApi).
//
// The wrapper owns neither the factory nor the scene API. Without a scene API
// (a factory with no backend to give) every operation writes nothing.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "sceneapi/LightFactory.h"
#include "sceneapi/orvScene_api.h"

namespace orv {

class LightNode;

class orvSceneapi_oo {
 public:
  // The version the wrapper declares to every scene and shows in its banner.
  static constexpr int kMajorVersion = 9;
  static constexpr int kMinorVersion = 1;
  static constexpr int kPatchVersion = 3;
  static constexpr const char* kBuildDate = "Tue Apr 30 15:11:26 2019";

  // Attaches the factory's scene API, lets the factory start its output, then
  // prints the banner and declares the version. A null factory gives a
  // wrapper without a scene API.
  explicit orvSceneapi_oo(LightFactory* factory);
  orvSceneapi_oo(const orvSceneapi_oo&) = delete;
  orvSceneapi_oo& operator=(const orvSceneapi_oo&) = delete;

  virtual ~orvSceneapi_oo();
  // Attaches a scene API and restarts both numberings.
  virtual void setSceneApi(orvScene_api* api);
  // The next definition id (1, 2, 3, ...), written as an id statement.
  virtual int newId();
  virtual void emitNode(LightNode* node);
  virtual void progress(const std::string& label, float fraction);
  virtual void beginGroup(const std::string& name);
  virtual void endGroup();
  // Opens a numbered shader definition; numbers run 1, 2, 3, ... apart from ids.
  virtual int defineShader(const std::string& shaderType);
  virtual void endShader();
  // Always throws std::invalid_argument: callers pass std::string values.
  virtual void setString(const std::string& name, const char* value);
  virtual void setString(const std::string& name, const std::string& value);
  virtual void setColor(const std::string& name, const float* rgb);
  virtual void setVector(const std::string& name, const double* xyz);
  virtual void setDouble(const std::string& name, double value);
  virtual void setFloat(const std::string& name, float value);
  virtual void setInt(const std::string& name, int32_t value);
  virtual void setBool(const std::string& name, bool value);
  virtual void setMatrixArray(const std::string& name,
                              std::span<const std::array<double, 16>> matrices);
  virtual void setIntArray(const std::string& name, std::span<const int32_t> values);
  virtual void setFloatArray(const std::string& name, std::span<const float> values);
  virtual void setDoubleArray(const std::string& name, std::span<const double> values);
  // The floats are taken three at a time; a trailing partial triple is left out.
  virtual void setVec3Array(const std::string& name, std::span<const float> values);
  // The plain transform statement (the matrix applies to the innermost group).
  virtual void setTransform(const double* matrix);
  // replace true writes the replacing form (set transform) instead.
  virtual void setTransform(const double* matrix, bool replace);
  virtual void setFlags(uint32_t flags);
  virtual orvScene_api* getSceneApi();

  // Reports an error into the scene itself (the scene API's error statement).
  void reportError(const std::string& message);

  // "LumiVex SceneApi oo 9.1.3  (built ...)": the first print of every scene.
  static std::string banner();

 private:
  // Passes an array as one descriptor (first element and element count).
  // Arrays whose count does not fit the descriptor are refused with an error
  // in the scene rather than written with a wrapped count.
  void setArray(const std::string& name, int elementType, const void* data, size_t count);

  orvScene_api* sceneApi_ = nullptr;
  LightFactory* factory_ = nullptr;
  int32_t shaderCounter_ = 0;
  int32_t idCounter_ = 0;
};

}  // namespace orv
