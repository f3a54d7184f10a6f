// Import options travel to the renderer as a load block: a named module with
// one parameter per option. DefaultRTModule is the options module every scene
// starts with.
#pragma once

#include <cstdint>
#include <string>

#include "scenemodel/LightNode.h"

namespace orv {

class LightModule : public LightNode {
 public:
  explicit LightModule(std::string name);
  ~LightModule() override;

  // The load block with the module name around emitBody.
  void emit(orvSceneapi_oo& api) override;
  // Writes the module's parameters.
  virtual void emitBody(orvSceneapi_oo& api) = 0;

  const std::string& getName() const { return name_; }

 private:
  std::string name_;
};

class DefaultRTModule : public LightModule {
 public:
  DefaultRTModule();
  ~DefaultRTModule() override;

  // The options in the order the renderer reads them; "import_use_camera"
  // only when a camera name was set.
  void emitBody(orvSceneapi_oo& api) override;

  void setUpVector(int32_t upVector);
  // Design length units per metre.
  void setMeterScale(float meterScale);
  void setKeepOriginal(bool on);
  void setCenterGeometry(bool on);
  void setSnapToGround(bool on);
  void setAdjustCamera(bool on);
  void setAdjustEnvironment(bool on);
  // The name of the scene camera to look through; empty writes no option.
  void setUseCamera(std::string cameraName);

 private:
  bool importMode_ = true;
  bool mergeGroups_ = true;
  bool mergeObjects_ = true;
  int32_t upVector_ = 0;
  float meterScale_ = 1.0f;
  bool keepOriginal_ = false;
  bool centerGeometry_ = true;
  bool snapToGround_ = false;
  bool adjustCamera_ = true;
  bool adjustEnvironment_ = true;
  std::string useCamera_;
  bool ext_ = true;
};

}  // namespace orv
