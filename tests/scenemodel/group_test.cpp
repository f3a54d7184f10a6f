#include <gtest/gtest.h>

#include <memory>

#include "scene_text.h"
#include "scenemodel/OrvGroup.h"
#include "scenemodel/TriangleObject.h"
#include "scenemodel/orvSceneapi_oo.h"

namespace {

using orv::OrvGroup;
using orv::orvSceneapi_oo;

constexpr double kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// A leaf that writes one recognisable statement.
struct MarkerNode : orv::LightNode {
  explicit MarkerNode(int value) : value(value) {}
  void emit(orvSceneapi_oo& api) override { api.setInt("marker", value); }
  int value;
};

std::string emitGroup(OrvGroup& group) {
  return emitted([&](orvSceneapi_oo& api) { api.emitNode(&group); });
}

TEST(Group, EmptyGroupWritesOnlyItsOpeningAndClosing) {
  OrvGroup group("empty");
  EXPECT_EQ(emitGroup(group), "\ngroup \"empty\" {\n}\n");
}

TEST(Group, FlagsAndTransformAreWrittenWhenSetWhateverTheirValues) {
  OrvGroup flagged("Box");
  flagged.setFlags(1);
  flagged.setTransform(kIdentity);
  EXPECT_EQ(emitGroup(flagged), R"(
group "Box" {
 flags 1
 transform 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1
}
)");

  // Flags set back to 0 write no statement.
  flagged.setFlags(0);
  EXPECT_EQ(emitGroup(flagged), R"(
group "Box" {
 transform 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1
}
)");
}

TEST(Group, TransformValuesAreWrittenInStorageOrder) {
  OrvGroup group("moved");
  const double columns[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 10, 20.5, -30, 1};
  group.setTransform(columns);
  EXPECT_EQ(emitGroup(group), R"(
group "moved" {
 transform 0 1 0 0 -1 0 0 0 0 0 1 0 10 20.5 -30 1
}
)");
}

// Nodes come before child groups whatever the order of the add calls; a
// child added twice is written twice; createGroup appends at once.
TEST(Group, WritesNodesBeforeChildGroupsInInsertionOrder) {
  OrvGroup root("root");
  auto shared = std::make_shared<MarkerNode>(2);
  root.addGroup(std::make_shared<OrvGroup>("first"));
  root.addNode(std::make_shared<MarkerNode>(1));
  root.createGroup("created");
  root.addNode(shared);
  root.addNode(shared);
  auto child = root.createGroup("child");
  child->addNode(std::make_shared<MarkerNode>(3));
  root.addNode(nullptr);
  root.addGroup(nullptr);
  EXPECT_EQ(emitGroup(root), R"(
group "root" {
 marker 1
 marker 2
 marker 2

 group "first" {
 }

 group "created" {
 }

 group "child" {
  marker 3
 }
}
)");
}

TEST(Group, AttributesInKeyOrderAfterFlagsAndPlacementReplacesTransform) {
  OrvGroup group("placed");
  group.setFlags(6);
  group.setTransform(kIdentity);
  group.setAttribute("zeta", "last");
  group.setAttribute("alpha", "first");
  group.setAttribute("zeta", "replaced");
  group.setPlacementNode(std::make_shared<MarkerNode>(9));
  group.addNode(std::make_shared<MarkerNode>(1));
  EXPECT_EQ(emitGroup(group), R"(
group "placed" {
 flags 6
 attribute "alpha" "first"
 attribute "zeta" "replaced"
 marker 9
 marker 1
}
)");

  // Clearing the placement node brings the transform back.
  group.setPlacementNode(nullptr);
  EXPECT_EQ(emitGroup(group), R"(
group "placed" {
 flags 6
 attribute "alpha" "first"
 attribute "zeta" "replaced"
 transform 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1
 marker 1
}
)");
}

// A group below itself would make emission endless; such adds are refused
// and the tree stays as it was.
TEST(Group, RefusesChildrenThatWouldContainTheGroupItself) {
  auto top = std::make_shared<OrvGroup>("top");
  auto middle = top->createGroup("middle");
  auto bottom = std::make_shared<OrvGroup>("bottom");
  middle->addGroup(bottom);

  bottom->addGroup(top);
  bottom->addNode(middle);
  bottom->setPlacementNode(top);
  top->addGroup(top);
  top->addNode(top);
  // A group may appear twice in a tree as long as it is not below itself.
  top->addNode(bottom);

  EXPECT_EQ(emitGroup(*top), R"(
group "top" {

 group "bottom" {
 }

 group "middle" {

  group "bottom" {
  }
 }
}
)");
}

TEST(Group, DroppingTheRootFreesTheWholeTree) {
  auto root = std::make_shared<OrvGroup>("root");
  auto mesh = std::make_shared<orv::TriangleObject>("mesh");
  std::weak_ptr<orv::Material> material = mesh->getMaterial();
  std::weak_ptr<orv::TriangleObject> meshRef = mesh;
  std::weak_ptr<OrvGroup> child = root->createGroup("child");
  child.lock()->addNode(mesh);
  mesh.reset();

  emitGroup(*root);
  ASSERT_FALSE(meshRef.expired());
  root.reset();
  EXPECT_TRUE(child.expired());
  EXPECT_TRUE(meshRef.expired());
  EXPECT_TRUE(material.expired());
}

}  // namespace
