// Physical measures the stand-in reports when a design gives none.
#include <gtest/gtest.h>

#include "host/sim/DesignFile.h"
#include "host/sim/SimHost.h"

namespace host::sim {
namespace {

// A closed, outward-facing box from the origin to (x, y, z), one mesh per side
// so that the sums run over several faces and meshes.
BodyData box(const std::string& name, float x, float y, float z) {
  const float corners[8][3] = {{0, 0, 0}, {x, 0, 0}, {x, y, 0}, {0, y, 0},
                               {0, 0, z}, {x, 0, z}, {x, y, z}, {0, y, z}};
  const int sides[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                           {2, 3, 7, 6}, {1, 2, 6, 5}, {0, 4, 7, 3}};
  BodyData body;
  body.name = name;
  for (const auto& side : sides) {
    MeshData mesh;
    for (int corner : side)
      mesh.coordinates.insert(mesh.coordinates.end(), corners[corner], corners[corner] + 3);
    mesh.indices = {0, 1, 2, 0, 2, 3};
    body.faces.push_back(FaceData{"", {mesh}});
  }
  return body;
}

TEST(Measures, ClosedBoxGivesItsSurfaceAndVolume) {
  const Measures measures = measureBody(box("b", 2, 3, 4));
  EXPECT_DOUBLE_EQ(measures.area, 2 * (2 * 3 + 3 * 4 + 2 * 4));
  EXPECT_DOUBLE_EQ(measures.volume, 24);
}

TEST(Measures, VolumeDoesNotDependOnWhereTheBodyIs) {
  BodyData moved = box("b", 1, 1, 1);
  for (auto& face : moved.faces) {
    for (auto& mesh : face.meshes) {
      for (std::size_t i = 0; i < mesh.coordinates.size(); i += 3) mesh.coordinates[i] += 100;
    }
  }
  EXPECT_NEAR(measureBody(moved).volume, 1, 1e-9);
  EXPECT_NEAR(measureBody(moved).area, 6, 1e-9);
}

TEST(Measures, OutOfRangeTrianglesAndLeftoverIndicesAreIgnored) {
  BodyData body = box("b", 1, 1, 1);
  MeshData broken;
  broken.coordinates = {0, 0, 0, 5, 0, 0, 0, 5, 0};
  broken.indices = {0, 1, 3, -1, 1, 2, 0, 1};  // node 3 and -1 do not exist; 2 indices left over
  body.faces.push_back(FaceData{"", {broken}});
  const Measures measures = measureBody(body);
  EXPECT_DOUBLE_EQ(measures.area, 6);
  EXPECT_DOUBLE_EQ(measures.volume, 1);
}

TEST(Measures, ComponentSumsItsOwnBodiesHiddenOnesIncludedAndGivenValuesWin) {
  HostData data;
  DocumentData document;
  DesignData design;
  ComponentData part;
  part.name = "Part";
  part.bodies.push_back(box("a", 1, 1, 1));
  part.bodies.push_back(box("b", 1, 1, 2));
  part.bodies.back().visible = false;
  ComponentData given;
  given.name = "Given";
  given.area = 7.5;
  given.bodies.push_back(box("c", 1, 1, 1));
  ComponentData top;
  top.name = "Top";
  top.occurrences.push_back(OccurrenceData{"Part:1", "Part", true, "", identityMatrix});
  design.components = {top, part, given};
  document.products.push_back(ProductData{"DesignProductType", design});
  data.document = document;
  SimHost host(data);

  const auto root =
      host.application()->activeDocument()->products()->item(0)->asDesign()->rootComponent();
  // The root's only body is in an occurrence: its own measures stay zero.
  EXPECT_EQ(root->physicalProperties()->area(), 0);
  EXPECT_EQ(root->physicalProperties()->volume(), 0);
  const auto partProperties = root->occurrences()->item(0)->component()->physicalProperties();
  EXPECT_DOUBLE_EQ(partProperties->area(), 6 + 10);
  EXPECT_DOUBLE_EQ(partProperties->volume(), 1 + 2);

  const auto& stored = host.data().document->products[0].design->components[2];
  EXPECT_EQ(stored.area, 7.5);                 // given: kept
  EXPECT_DOUBLE_EQ(stored.volume.value(), 1);  // missing: measured
}

}  // namespace
}  // namespace host::sim
