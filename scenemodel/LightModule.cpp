#include "scenemodel/LightModule.h"

#include "scenemodel/orvSceneapi_oo.h"

namespace orv {

LightModule::LightModule(std::string name) : name_(std::move(name)) {}

LightModule::~LightModule() = default;

void LightModule::emit(orvSceneapi_oo& api) {
  orvScene_api* scene = api.getSceneApi();
  if (scene == nullptr) return;
  scene->begin_load(name_.c_str());
  emitBody(api);
  scene->end_load();
}

DefaultRTModule::DefaultRTModule() : LightModule("orvrtopt.so") {}

DefaultRTModule::~DefaultRTModule() = default;

void DefaultRTModule::setUpVector(int32_t upVector) { upVector_ = upVector; }
void DefaultRTModule::setMeterScale(float meterScale) { meterScale_ = meterScale; }
void DefaultRTModule::setKeepOriginal(bool on) { keepOriginal_ = on; }
void DefaultRTModule::setCenterGeometry(bool on) { centerGeometry_ = on; }
void DefaultRTModule::setSnapToGround(bool on) { snapToGround_ = on; }
void DefaultRTModule::setAdjustCamera(bool on) { adjustCamera_ = on; }
void DefaultRTModule::setAdjustEnvironment(bool on) { adjustEnvironment_ = on; }
void DefaultRTModule::setUseCamera(std::string cameraName) { useCamera_ = std::move(cameraName); }

void DefaultRTModule::emitBody(orvSceneapi_oo& api) {
  api.setBool("import_mode", importMode_);
  api.setBool("import_merge_groups", mergeGroups_);
  api.setBool("import_merge_objects", mergeObjects_);
  api.setInt("import_up_vector", upVector_);
  api.setFloat("meter_scale", meterScale_);
  api.setBool("import_keep_original", keepOriginal_);
  api.setBool("import_center_geometry", centerGeometry_);
  api.setBool("import_snap_to_ground", snapToGround_);
  api.setBool("import_adjust_camera", adjustCamera_);
  api.setBool("import_adjust_environment", adjustEnvironment_);
  if (!useCamera_.empty()) api.setString("import_use_camera", useCamera_);
  api.setBool("ext", ext_);
}

}  // namespace orv
