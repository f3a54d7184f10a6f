// Scenes written by the scene model itself (wrapper, groups, meshes with
// every array, materials, a defined geometry used twice, a camera, the import
// options, an invalid mesh reported into the scene) read back into the same
// bytes, as exported (indented text arrays) and as streamed (raw arrays).
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>

#include "livelink/SceneTextReader.h"
#include "scenemodel/Diffuse.h"
#include "scenemodel/LightCamera.h"
#include "scenemodel/LightModule.h"
#include "scenemodel/OrvGroup.h"
#include "scenemodel/TriangleObject.h"
#include "scenemodel/orvSceneapi_oo.h"
#include "support/scene_capture.h"

namespace {

// A factory around a scene API that the test owns.
class BorrowedFactory : public orv::LightFactory {
 public:
  explicit BorrowedFactory(orvScene_api& api) : api_(api) {}
  orvScene_api* getSceneApi() override { return &api_; }
  void start(orv::orvSceneapi_oo&) override {
    api_.write_text("//---orvane:dal:7---\n");
    api_.write_text("//---import:dal:1---\n");
    api_.write_text("//---id:1---\n");
    api_.write_text("// This is a LumiVex scene file\n\n");
  }
  void close() override {}

 private:
  orvScene_api& api_;
};

std::shared_ptr<orv::TriangleObject> mesh(const std::string& name, float size) {
  auto object = std::make_shared<orv::TriangleObject>(name);
  const float vertices[12] = {0, 0, 0, size, 0, 0, 0, size, 0, size, size, 0.5f};
  const int32_t triangles[6] = {0, 1, 2, 2, 1, 3};
  const float normals[3] = {0, 0, 1};
  const int32_t triangle_normals[6] = {0, 0, 0, 0, 0, 0};
  const float uvs[8] = {0, 0, 1, 0, 0, 1, 1, 1};
  const float colors[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0.5f, 0.5f, 0.5f};
  object->setVertices(vertices, 12);
  object->setTriangles(triangles, 6);
  object->setNormals(normals, 3);
  object->setTriangleNormals(triangle_normals, 6);
  object->setUVs(uvs, 8);
  object->setTriangleUVs(triangles, 6);
  object->setVertexColors(colors, 12);
  return object;
}

void write_scene(orvScene_api& api, bool export_mode) {
  BorrowedFactory factory(api);
  orv::orvSceneapi_oo wrapper(&factory);
  if (export_mode) api.set_flags(1);

  orv::DefaultRTModule options;
  options.setUpVector(2);
  options.setMeterScale(1000);
  options.setAdjustCamera(true);
  options.setUseCamera("Active Camera");
  wrapper.emitNode(&options);

  auto camera = std::make_shared<orv::LightCamera>("Active Camera");
  camera->setPosition(10, -20, 30.5f);
  camera->setDirection(0, 0, -1);
  camera->setUp(0, 1, 0);
  camera->setFov(45);
  wrapper.emitNode(camera.get());

  auto paint = std::make_shared<orv::Diffuse>("Paint");
  paint->setColor(0.8f, 0.1f, 0.1f);
  auto shared = mesh("Shared", 2);
  shared->setMaterial(paint);
  shared->define(wrapper);

  auto document = std::make_shared<orv::OrvGroup>("Bracket");
  auto component = document->createGroup("Bracket");
  component->setFlags(32769);
  auto body = component->createGroup("Body \"1\"");
  body->setFlags(1024);
  auto appearance = body->createGroup("Body \"1\"");
  appearance->setFlags(65536);
  auto own = mesh("Own", 1);
  own->setMaterial(paint);
  appearance->addNode(own);
  appearance->addNode(shared);
  appearance->addNode(shared);
  auto broken = std::make_shared<orv::TriangleObject>("Broken");
  const float two_values[2] = {1, 2};
  broken->setVertices(two_values, 2);
  appearance->addNode(broken);
  const std::array<double, 16> moved = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 20, 0, 0, 1};
  body->setTransform(moved);
  wrapper.emitNode(document.get());
}

TEST(SceneModelRoundTrip, WhatTheNodesWriteReadsBackToTheSameBytes) {
  for (bool export_mode : {true, false}) {
    const std::string original =
        capture_scene([&](orvScene_api& api) { write_scene(api, export_mode); }, true);
    ASSERT_NE(original.find("#define object"), std::string::npos);
    for (bool writer_raw : {false, true}) {
      livelink::ReadError error;
      bool ok = false;
      const std::string again = capture_scene(
          [&](orvScene_api& api) { ok = livelink::read_scene_text(original, api, &error); },
          writer_raw);
      EXPECT_TRUE(ok) << livelink::describe(error);
      EXPECT_EQ(again, original) << "export " << export_mode << ", second writer raw "
                                 << writer_raw;
    }
  }
}

}  // namespace
