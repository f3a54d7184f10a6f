#include <gtest/gtest.h>

#include "recording_scene_api.h"
#include "scene_text.h"
#include "scenemodel/LightModule.h"
#include "scenemodel/orvSceneapi_oo.h"

namespace {

using orv::DefaultRTModule;
using orv::orvSceneapi_oo;

std::string emitModule(DefaultRTModule& module) {
  return emitted([&](orvSceneapi_oo& api) { api.emitNode(&module); });
}

TEST(ImportOptions, DefaultsWriteElevenOptionsEndingWithExt) {
  DefaultRTModule module;
  EXPECT_EQ(emitModule(module), R"(load "orvrtopt.so" {
 "import_mode" on,
 "import_merge_groups" on,
 "import_merge_objects" on,
 "import_up_vector" 0,
 "meter_scale" 1,
 "import_keep_original" off,
 "import_center_geometry" on,
 "import_snap_to_ground" off,
 "import_adjust_camera" on,
 "import_adjust_environment" on,
 "ext" on,
}
)");
}

TEST(ImportOptions, EverySetterChangesItsOwnOption) {
  DefaultRTModule module;
  module.setUpVector(2);
  module.setMeterScale(39.37f);
  module.setKeepOriginal(true);
  module.setCenterGeometry(false);
  module.setSnapToGround(true);
  module.setAdjustCamera(false);
  module.setAdjustEnvironment(false);
  module.setUseCamera("Active Camera");
  EXPECT_EQ(emitModule(module), R"(load "orvrtopt.so" {
 "import_mode" on,
 "import_merge_groups" on,
 "import_merge_objects" on,
 "import_up_vector" 2,
 "meter_scale" 39.37,
 "import_keep_original" on,
 "import_center_geometry" off,
 "import_snap_to_ground" on,
 "import_adjust_camera" off,
 "import_adjust_environment" off,
 "import_use_camera" "Active Camera",
 "ext" on,
}
)");

  // An empty camera name takes the option out again.
  module.setUseCamera("");
  EXPECT_EQ(emitModule(module).find("import_use_camera"), std::string::npos);
}

TEST(ImportOptions, ValueTypesOfTheOptions) {
  RecordingSceneApi api;
  orvSceneapi_oo wrapper(nullptr);
  wrapper.setSceneApi(&api);
  DefaultRTModule module;
  module.setUseCamera("cam");
  wrapper.emitNode(&module);
  ASSERT_EQ(api.calls.size(), 14u);
  EXPECT_EQ(api.calls.front().op, "begin_load");
  EXPECT_EQ(api.calls.front().name, "orvrtopt.so");
  EXPECT_EQ(api.calls.back().op, "end_load");
  for (size_t i = 1; i + 1 < api.calls.size(); ++i) {
    const RecordedCall& call = api.calls[i];
    const int expected = call.name == "import_up_vector"    ? ORV_INT
                         : call.name == "meter_scale"       ? ORV_FLOAT
                         : call.name == "import_use_camera" ? ORV_STRING
                                                            : ORV_BOOL;
    EXPECT_EQ(call.type, expected) << call.name;
  }
}

}  // namespace
