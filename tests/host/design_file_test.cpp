// Reading design files: everything the format can say arrives through the
// host interface as written, and bad files are refused with a located reason.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "host/sim/DesignFile.h"
#include "host/sim/SimHost.h"

namespace host::sim {
namespace {

const char* const kGearbox = R"json({
  "document": {
    "name": "Gearbox v12",
    "appearances": [
      {"id": "steel-id", "name": "Steel", "properties": [
        {"type": "color", "id": "metal_color", "color": [200, 201, 202]},
        {"type": "other", "id": "surface_roughness"},
        {"type": "color", "id": "generic_diffuse", "color": [10, 20, 30, 40],
         "texture": {"properties": [
           {"type": "other", "id": "unifiedbitmap_RealWorldScale"},
           {"type": "filename", "id": "unifiedbitmap_Bitmap", "value": "C:/tex/oak.png"}]}}]},
      {"id": "paint-id", "name": "Paint", "properties": [{"type": "color", "id": "opaque_albedo"}]}
    ],
    "products": [
      {"type": "CAMProductType"},
      {"units": "in", "components": [{"name": "First"}]},
      {"units": "mm", "root": "Top", "components": [
        {"name": "Leg", "area": 12.5, "volume": 3.25,
         "bodies": [{"name": "LegBody", "visible": false, "appearance": "paint-id"}]},
        {"name": "Top",
         "occurrences": [
           {"component": "Leg", "transform": [[0, -1, 0, 2], [1, 0, 0, 3], [0, 0, 1, 4], [0, 0, 0, 1]]},
           {"component": "Leg", "name": "Spare leg", "visible": false, "appearance": "steel-id",
            "translation": [5, 6, 7]}],
         "bodies": [{"name": "Plate", "appearance": "steel-id", "faces": [
           {"appearance": "paint-id", "meshes": [
             {"coordinates": [0, 0, 0, 1, 0, 0, 0, 1, 0], "normals": [0, 0, 1, 0, 0, 1, 0, 0, 1],
              "textureCoordinates": [0, 0, 1, 0, 0, 1], "indices": [0, 1, 2]},
             {"coordinates": [0.5, 0.25, -3]}]},
           {}]}]}]}
    ]
  },
  "camera": {"type": 0, "eye": [1, 2, 3], "target": [4, 5, 6], "up": [0, 0, 2], "viewAngle": 0.785398},
  "preferences": {"defaultModelingOrientation": 1}
})json";

class GearboxTest : public ::testing::Test {
 protected:
  SimHost host_{parseDesign(kGearbox)};
  Ptr<Document> document_ = host_.application()->activeDocument();

  Ptr<Design> design(std::size_t index) { return document_->products()->item(index)->asDesign(); }
};

TEST_F(GearboxTest, DocumentHoldsItsProductsInOrderAndOnlyDesignsViewAsDesigns) {
  ASSERT_TRUE(document_);
  EXPECT_EQ(document_->name(), "Gearbox v12");
  const auto products = document_->products();
  ASSERT_EQ(products->count(), 3u);
  EXPECT_EQ(products->item(0)->productType(), "CAMProductType");
  EXPECT_FALSE(products->item(0)->asDesign());
  EXPECT_EQ(products->item(1)->productType(), "DesignProductType");
  EXPECT_EQ(design(1)->unitsManager()->defaultLengthUnits(), "in");
  EXPECT_EQ(design(2)->unitsManager()->defaultLengthUnits(), "mm");
  EXPECT_EQ(design(1)->rootComponent()->name(), "First");  // default root: the first component
  EXPECT_EQ(design(2)->rootComponent()->name(), "Top");
  EXPECT_FALSE(products->item(3));
}

TEST_F(GearboxTest, OccurrencesCarryComponentVisibilityOverrideAndTransformCells) {
  const auto occurrences = design(2)->rootComponent()->occurrences();
  ASSERT_EQ(occurrences->count(), 2u);
  const auto placed = occurrences->item(0);
  EXPECT_EQ(placed->name(), "Leg:1");
  EXPECT_EQ(placed->component()->name(), "Leg");
  EXPECT_TRUE(placed->isVisible());
  EXPECT_FALSE(placed->appearance());
  const double rows[4][4] = {{0, -1, 0, 2}, {1, 0, 0, 3}, {0, 0, 1, 4}, {0, 0, 0, 1}};
  const auto transform = placed->transform();
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 4; ++column) {
      EXPECT_EQ(transform->getCell(row, column), rows[row][column]) << row << "," << column;
    }
  }
  EXPECT_EQ(transform->getCell(4, 0), 0);

  const auto spare = occurrences->item(1);
  EXPECT_EQ(spare->name(), "Spare leg");
  EXPECT_FALSE(spare->isVisible());
  EXPECT_EQ(spare->appearance()->id(), "steel-id");
  EXPECT_EQ(spare->transform()->getCell(0, 3), 5);
  EXPECT_EQ(spare->transform()->getCell(1, 3), 6);
  EXPECT_EQ(spare->transform()->getCell(2, 3), 7);
  EXPECT_EQ(spare->transform()->getCell(1, 1), 1);
  EXPECT_EQ(spare->transform()->getCell(0, 1), 0);
}

TEST_F(GearboxTest, BodiesFacesAndSeveralMeshesPerFace) {
  const auto leg = design(2)->rootComponent()->occurrences()->item(0)->component();
  const auto legBody = leg->bRepBodies()->item(0);
  EXPECT_EQ(legBody->name(), "LegBody");
  EXPECT_FALSE(legBody->isVisible());
  EXPECT_EQ(legBody->appearance()->name(), "Paint");
  EXPECT_EQ(legBody->faces()->count(), 0u);

  const auto plate = design(2)->rootComponent()->bRepBodies()->item(0);
  EXPECT_TRUE(plate->isVisible());
  EXPECT_EQ(plate->appearance()->id(), "steel-id");
  const auto faces = plate->faces();
  ASSERT_EQ(faces->count(), 2u);
  EXPECT_EQ(faces->item(0)->appearance()->id(), "paint-id");
  EXPECT_FALSE(faces->item(1)->appearance());
  EXPECT_EQ(faces->item(1)->meshManager()->displayMeshes()->count(), 0u);

  const auto meshes = faces->item(0)->meshManager()->displayMeshes();
  ASSERT_EQ(meshes->count(), 2u);
  const auto first = meshes->item(0);
  EXPECT_EQ(first->nodeCoordinatesAsFloat(), (std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0}));
  EXPECT_EQ(first->normalVectorsAsFloat(), (std::vector<float>{0, 0, 1, 0, 0, 1, 0, 0, 1}));
  EXPECT_EQ(first->textureCoordinatesAsFloat(), (std::vector<float>{0, 0, 1, 0, 0, 1}));
  EXPECT_EQ(first->nodeIndices(), (std::vector<std::int32_t>{0, 1, 2}));
  // Arrays a mesh does not give are empty, not refused.
  const auto second = meshes->item(1);
  EXPECT_EQ(second->nodeCoordinatesAsFloat(), (std::vector<float>{0.5f, 0.25f, -3.0f}));
  EXPECT_TRUE(second->normalVectorsAsFloat().empty());
  EXPECT_TRUE(second->textureCoordinatesAsFloat().empty());
  EXPECT_TRUE(second->nodeIndices().empty());
}

TEST_F(GearboxTest, AppearancePropertiesColoursAndConnectedTextures) {
  const auto steel = design(2)->rootComponent()->bRepBodies()->item(0)->appearance();
  EXPECT_EQ(steel->name(), "Steel");
  const auto properties = steel->appearanceProperties();
  ASSERT_EQ(properties->count(), 3u);

  const auto metal = properties->item(0);
  EXPECT_EQ(metal->id(), "metal_color");
  EXPECT_EQ(metal->objectType(), "adsk::core::ColorProperty");
  EXPECT_FALSE(metal->asFilenameProperty());
  const auto metalColor = metal->asColorProperty()->value();
  EXPECT_EQ(metalColor->red(), 200);
  EXPECT_EQ(metalColor->green(), 201);
  EXPECT_EQ(metalColor->blue(), 202);
  EXPECT_EQ(metalColor->opacity(), 255);
  EXPECT_FALSE(metal->asColorProperty()->connectedTexture());

  const auto roughness = properties->item(1);
  EXPECT_EQ(roughness->objectType(), "adsk::core::FloatProperty");
  EXPECT_FALSE(roughness->asColorProperty());

  const auto diffuse = properties->item(2)->asColorProperty();
  EXPECT_EQ(diffuse->value()->opacity(), 40);
  const auto textureProperties = diffuse->connectedTexture()->properties();
  ASSERT_EQ(textureProperties->count(), 2u);
  EXPECT_FALSE(textureProperties->item(0)->asFilenameProperty());
  const auto bitmap = textureProperties->item(1);
  EXPECT_EQ(bitmap->objectType(), "adsk::core::FilenameProperty");
  EXPECT_EQ(bitmap->asFilenameProperty()->value(), "C:/tex/oak.png");

  // A colour property may have no value at all.
  const auto paint =
      design(2)->rootComponent()->bRepBodies()->item(0)->faces()->item(0)->appearance();
  EXPECT_FALSE(paint->appearanceProperties()->item(0)->asColorProperty()->value());
}

TEST_F(GearboxTest, CameraAndPreferences) {
  const auto camera = host_.application()->activeViewport()->camera();
  EXPECT_EQ(camera->cameraType(), 0);
  EXPECT_EQ(camera->eye()->z(), 3);
  EXPECT_EQ(camera->target()->x(), 4);
  EXPECT_EQ(camera->upVector()->asArray(), (std::vector<double>{0, 0, 2}));
  EXPECT_DOUBLE_EQ(camera->perspectiveAngle(), 0.785398);
  EXPECT_EQ(host_.application()->preferences()->generalPreferences()->defaultModelingOrientation(),
            1);
}

TEST(CameraVectors, SubtractAndNormalizeReportSuccess) {
  HostData data;
  data.camera.eye = {10, 20, 30};
  data.camera.target = {10, 20, 0};
  SimHost host(data);
  const auto camera = host.application()->activeViewport()->camera();
  const auto direction = camera->target()->asVector();
  ASSERT_TRUE(direction->subtract(camera->eye()->asVector()));
  ASSERT_TRUE(direction->normalize());
  EXPECT_EQ(direction->asArray(), (std::vector<double>{0, 0, -1}));
  EXPECT_FALSE(direction->subtract(nullptr));

  const auto zero = camera->eye()->asVector();
  ASSERT_TRUE(zero->subtract(camera->eye()->asVector()));
  EXPECT_FALSE(zero->normalize());
  EXPECT_EQ(zero->asArray(), (std::vector<double>{0, 0, 0}));
}

TEST(DesignFile, NoDocumentAndDefaults) {
  SimHost host(parseDesign("{}"));
  EXPECT_FALSE(host.application()->activeDocument());
  const auto camera = host.application()->activeViewport()->camera();
  EXPECT_EQ(camera->cameraType(), PerspectiveCameraType);
  EXPECT_EQ(host.application()->preferences()->generalPreferences()->defaultModelingOrientation(),
            YUpModelingOrientation);

  SimHost unnamed(parseDesign(R"({"document": {"products": [{"components": [{"name": "C"}]}]}})"));
  const auto document = unnamed.application()->activeDocument();
  EXPECT_EQ(document->name(), "");
  EXPECT_EQ(document->products()->item(0)->asDesign()->unitsManager()->defaultLengthUnits(), "cm");
}

// Each bad text, and a part of the message it must give (the place and the reason).
struct BadDesign {
  const char* text;
  const char* message;
};

class BadDesignTest : public ::testing::TestWithParam<BadDesign> {};

TEST_P(BadDesignTest, IsRefusedWithItsPlaceAndReason) {
  const BadDesign& bad = GetParam();
  try {
    SimHost host(parseDesign(bad.text, "bad.json"));
    FAIL() << "accepted: " << bad.text;
  } catch (const DesignError& error) {
    EXPECT_NE(std::string(error.what()).find(bad.message), std::string::npos)
        << "message: " << error.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadDesignTest,
    ::testing::Values(
        BadDesign{"{\"document\": ", "not valid JSON"}, BadDesign{"[]", "/: expected an object"},
        BadDesign{R"({"documnet": {}})", "unknown key \"documnet\""},
        BadDesign{R"({"document": {"products": [{"components": []}]}})",
                  "a design has no components"},
        BadDesign{R"({"document": {"products": [{"components": [{"nam": "A"}]}]}})",
                  "/document/products/0/components/0: unknown key \"nam\""},
        BadDesign{R"({"document": {"products": [{"components": [{}]}]}})", "missing \"name\""},
        BadDesign{R"({"document": {"products": [{"components": [{"name": "A"}, {"name": "A"}]}]}})",
                  "component name \"A\" is used twice"},
        BadDesign{R"({"document": {"products": [{"root": "B", "components": [{"name": "A"}]}]}})",
                  "unknown root component \"B\""},
        BadDesign{R"({"document": {"products": [{"components": [
                    {"name": "A", "occurrences": [{"component": "Z"}]}]}]}})",
                  "places unknown component \"Z\""},
        BadDesign{R"({"document": {"products": [{"components": [
                    {"name": "A", "occurrences": [{"component": "B"}]},
                    {"name": "B", "occurrences": [{"component": "A"}]}]}]}})",
                  "contains itself"},
        BadDesign{R"({"document": {"products": [{"components": [
                    {"name": "A", "occurrences": [{"component": "A"}]}]}]}})",
                  "component \"A\" contains itself"},
        BadDesign{R"({"document": {"products": [{"components": [
                    {"name": "A", "bodies": [{"name": "b", "faces": [{"appearance": "nope"}]}]}]}]}})",
                  "body \"b\": unknown appearance \"nope\""},
        BadDesign{R"({"document": {"appearances": [{"id": "x"}, {"id": "x"}], "products": []}})",
                  "appearance id \"x\" is used twice"},
        BadDesign{R"({"document": {"products": [{"components": [{"name": "A", "occurrences": []},
                    {"name": "B", "occurrences": [{"component": "A", "transform": [1, 2, 3]}]}]}]}})",
                  "/occurrences/0/transform: expected 4 rows of 4 numbers"},
        BadDesign{R"({"document": {"products": [{"components": [{"name": "A"},
                    {"name": "B", "occurrences": [{"component": "A",
                    "transform": [[1, 0, 0, 0], [0, 1, 0, 0], [0, 0, 1, "x"], [0, 0, 0, 1]]}]}]}]}})",
                  "/transform/2/3: expected a number"},
        BadDesign{R"({"document": {"products": [{"components": [{"name": "A"},
                    {"name": "B", "occurrences": [{"component": "A", "translation": [1, 2, 3],
                    "transform": [[1, 0, 0, 0], [0, 1, 0, 0], [0, 0, 1, 0], [0, 0, 0, 1]]}]}]}]}})",
                  "not both"},
        BadDesign{
            R"({"document": {"products": [{"components": [{"name": "A", "bodies": [{"name": "b",
                    "faces": [{"meshes": [{"indices": [0, 1.5, 2]}]}]}]}]}]}})",
            "/meshes/0/indices/1: expected a whole number"},
        BadDesign{
            R"({"document": {"products": [{"components": [{"name": "A", "bodies": [{"name": "b",
                    "faces": [{"meshes": [{"indices": [0, 1, 4294967296]}]}]}]}]}]}})",
            "/indices/2: out of range"},
        BadDesign{
            R"({"document": {"products": [{"components": [{"name": "A", "bodies": [{"name": "b",
                    "faces": [{"meshes": [{"coordinates": [0, 1e300, 2]}]}]}]}]}]}})",
            "/coordinates/1: expected a number"},
        BadDesign{
            R"({"document": {"products": [{"components": [{"name": "A", "bodies": [{"name": "b",
                    "visible": "yes"}]}]}]}})",
            "/visible: expected true or false"},
        BadDesign{R"({"document": {"appearances": [{"id": "a", "properties": [
                    {"type": "color", "id": "c", "color": [0, 256, 0]}]}]}})",
                  "/color/1: out of range 0 to 255"},
        BadDesign{R"({"document": {"appearances": [{"id": "a", "properties": [
                    {"type": "colour", "id": "c"}]}]}})",
                  "/type: expected \"color\", \"filename\" or \"other\""},
        BadDesign{R"({"preferences": {"defaultModelingOrientation": 2}})", "out of range 0 to 1"},
        BadDesign{R"({"camera": {"eye": [1, 2]}})", "/camera/eye: expected 3 numbers"},
        BadDesign{R"({"withhold": ["faces", 3]})", "/withhold/1: expected a text"}));

void writeFile(const std::string& path, const std::string& text) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_TRUE(file);
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
}

std::string errorOf(const std::string& path) {
  try {
    loadHost(path);
  } catch (const DesignError& error) {
    return error.what();
  }
  return "(accepted)";
}

TEST(DesignFile, LoadsFilesAndEveryErrorNamesTheFile) {
  const std::string path = ::testing::TempDir() + "design_file_test.json";
  writeFile(path, R"({"document": {"name": "On disk", "products": []}})");
  EXPECT_EQ(loadHost(path)->application()->activeDocument()->name(), "On disk");

  writeFile(path,
            R"({"document": {"products": [{"components": [{"name": "A"}, {"name": "A"}]}]}})");
  EXPECT_EQ(errorOf(path), path + ": component name \"A\" is used twice in a design");
  writeFile(path, R"({"camera": 7})");
  EXPECT_EQ(errorOf(path), path + ": /camera: expected an object");

  std::remove(path.c_str());
  EXPECT_EQ(errorOf(path).rfind("cannot open design file \"" + path + "\": ", 0), 0u)
      << errorOf(path);
}

TEST(DesignFile, OpeningAnotherDocumentLeavesHandedOutObjectsIntact) {
  SimHost host(parseDesign(kGearbox));
  const auto old = host.application()->activeDocument();
  host.openDocument(std::nullopt);
  EXPECT_FALSE(host.application()->activeDocument());
  EXPECT_EQ(old->name(), "Gearbox v12");
  EXPECT_EQ(old->products()->item(2)->asDesign()->rootComponent()->name(), "Top");
}

// A chain of components, each placing the next, levels deep below the root.
HostData chain(int levels) {
  DesignData design;
  for (int i = 0; i <= levels; ++i) {
    ComponentData component;
    component.name = "C" + std::to_string(i);
    if (i < levels) {
      OccurrenceData occurrence;
      occurrence.component = "C" + std::to_string(i + 1);
      component.occurrences.push_back(occurrence);
    }
    design.components.push_back(component);
  }
  HostData data;
  data.document = DocumentData{"Deep", {}, {ProductData{"DesignProductType", design}}};
  return data;
}

// An appearance whose colour texture holds a colour with a texture, levels deep.
std::string nestedTextures(int levels) {
  std::string texture = R"({"properties": []})";
  for (int i = 0; i < levels - 1; ++i) {
    texture = R"({"properties": [{"type": "color", "id": "c", "texture": )" + texture + "}]}";
  }
  return R"({"document": {"appearances": [{"id": "a", "properties": [{"type": "color", "id": "c", "texture": )" +
         texture + "}]}]}}";
}

TEST(DesignFile, NestingIsBoundedSoNoWalkRunsOutOfStack) {
  EXPECT_NO_THROW(SimHost{chain(256)});
  try {
    SimHost host(chain(257));
    FAIL() << "a 257-level chain was accepted";
  } catch (const DesignError& error) {
    EXPECT_EQ(std::string(error.what()),
              "components nest more than 256 levels deep (below \"C0\")");
  }

  EXPECT_NO_THROW(parseDesign(nestedTextures(16)));
  try {
    parseDesign(nestedTextures(17), "deep.json");
    FAIL() << "17 nested textures were accepted";
  } catch (const DesignError& error) {
    EXPECT_NE(std::string(error.what()).find("textures nest more than 16 levels deep"),
              std::string::npos)
        << error.what();
  }
}

}  // namespace
}  // namespace host::sim
