// The Export command, run on the converter as the executed handler runs it.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "FakeHost.h"
#include "SceneOutline.h"
#include "TempDir.h"
#include "addin/FusionSceneConverter.h"

namespace {

using addin::FusionSceneConverter;

// One red triangle in a millimetre design, its component placed once.
host::Ptr<fake::Document> smallDesign(const std::string& name = "Box v2",
                                      const std::string& unit = "mm") {
  auto red = fake::appearance(
      "Red", {fake::colorProperty("generic_diffuse", std::make_shared<fake::Color>(255, 0, 0))});
  auto part = fake::component("Part", {fake::body("Body1", {fake::face(red)})});
  auto root = fake::component("Box");
  fake::place(root, part, fake::translation(0.5, 0, 0));
  return fake::document(name, {fake::design(root, unit)});
}

struct ExportFixture : ::testing::Test {
  ExportFixture() : converter(app->ui, app) {}
  host::Ptr<fake::Application> app = std::make_shared<fake::Application>();
  FusionSceneConverter converter;
  TempDir dir;
  fake::FileDialog& dialog() { return *app->ui->dialog; }
  std::string exportTo(const std::string& path, const host::Ptr<host::Document>& doc) {
    dialog().chosen = path;
    converter.exportScene(doc);
    return TempDir::read(path);
  }
};

TEST_F(ExportFixture, WritesTheWholeSceneByteForByte) {
  const std::string text = exportTo(dir.file("box.lvs"), smallDesign());
  EXPECT_EQ(text, R"lvs(//---orvane:dal:7---
//---import:dal:1---
//---id:1---
// This is a LumiVex scene file

#print "LumiVex SceneApi oo 9.1.3  (built Tue Apr 30 15:11:26 2019)"
version 9

load "orvrtopt.so" {
 "import_mode" on,
 "import_merge_groups" on,
 "import_merge_objects" on,
 "import_up_vector" 1,
 "meter_scale" 1000,
 "import_keep_original" on,
 "import_center_geometry" on,
 "import_snap_to_ground" on,
 "import_adjust_camera" on,
 "import_adjust_environment" on,
 "ext" on,
}

group "Box" {

 group "Box" {
  flags 32769

  group "Part" {
   flags 32769
   transform 1 0 0 0 0 1 0 0 0 0 1 0 5 0 0 1

   group "Body1" {
    flags 1024

    group "Body1" {
     flags 65536
     object "Body1" {
      geometry "triangles" {
       "vertices" [ 0 0 0,10 0 0,0 10 0 ] ,
       "triangles" [ 0,1,2 ] ,
       "uv_tex" [ 0,0,1,0,0,1 ] ,
       "normals" [ 0 0 1,0 0 1,0 0 1 ] ,
      }
      material "Red-id" {
       #define shader 1 orv_diffuse {
        "diffuse" 1 0 0,
       }
       surface 1
      }
     }
    }
   }
  }
 }
}
)lvs");
  EXPECT_TRUE(app->ui->messages.empty());
}

TEST_F(ExportFixture, AsksForAFileNamedAfterTheWholeDocumentName) {
  const struct {
    const char* documentName;
    const char* proposed;
  } cases[] = {{"Bracket v3", "Bracket v3"}, {"", "Untitled.lvs"}};
  for (const auto& c : cases) {
    dialog().answer = host::DialogCancel;
    converter.exportScene(smallDesign(c.documentName));
    EXPECT_EQ(dialog().initialName, c.proposed);
    EXPECT_EQ(dialog().filterText, "LumiVex scene (*.lvs)");
    EXPECT_EQ(dialog().directory, "%CSIDL_MYDOCUMENTS%");
    EXPECT_FALSE(dialog().multiSelect);
  }
  // The scene itself carries the name without its version marker.
  dialog().answer = host::DialogOK;
  const auto text = exportTo(dir.file("b.lvs"), smallDesign("Bracket v3"));
  EXPECT_EQ(outline::of(text).rfind("Bracket(Box/32769(", 0), 0u) << outline::of(text);
}

TEST_F(ExportFixture, CancelledOrNamelessDialogWritesAndShowsNothing) {
  const struct {
    host::DialogResult answer;
    const char* chosen;
  } cases[] = {{host::DialogCancel, "x.lvs"}, {host::DialogError, "x.lvs"}, {host::DialogOK, ""}};
  for (const auto& c : cases) {
    dialog().answer = c.answer;
    dialog().chosen = c.chosen[0] ? dir.file(c.chosen) : "";
    converter.exportScene(smallDesign());
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.lvs")));
    EXPECT_TRUE(app->ui->messages.empty());
    EXPECT_EQ(converter.sceneWriter(), nullptr);
    EXPECT_TRUE(converter.currentStates().empty());
  }
}

TEST_F(ExportFixture, FailuresAreShownNeverSwallowed) {
  // No document, then no dialog from the host: each shows one message.
  converter.exportScene(nullptr);
  app->ui->dialog = nullptr;
  converter.exportScene(smallDesign());
  ASSERT_EQ(app->ui->messages.size(), 2u);
  EXPECT_EQ(app->ui->messages[0].text, "Export failed. Reason: \"the host gave no document\"");
  EXPECT_EQ(app->ui->messages[1].text, "Export failed. Reason: \"the host gave no file dialog\"");
  EXPECT_EQ(app->ui->messages[1].title, "");
  EXPECT_EQ(app->ui->messages[1].buttons, 0);
  EXPECT_EQ(app->ui->messages[1].icon, 0);
}

TEST_F(ExportFixture, AFileThatCannotBeOpenedLeavesTheConverterAsItWas) {
  auto doc = smallDesign();
  converter.setMeterScale(1000.0f);
  converter.buildScene(doc);
  const auto sentBefore = converter.sentStates().size();
  const std::string path = dir.file("no/such/folder/x.lvs");
  dialog().chosen = path;
  converter.exportScene(doc);
  ASSERT_EQ(app->ui->messages.size(), 1u);
  EXPECT_EQ(app->ui->messages[0].text,
            "Export failed. Reason: \"could not open file: \"" + path + "\"\"");
  EXPECT_EQ(converter.sceneWriter(), nullptr);
  EXPECT_EQ(converter.sentStates().size(), sentBefore);
}

TEST_F(ExportFixture, AFullDiskIsReportedNotTakenForSuccess) {
  if (std::FILE* probe = std::fopen("/dev/full", "wb")) {
    std::fclose(probe);
  } else {
    GTEST_SKIP() << "no /dev/full here";
  }
  dialog().chosen = "/dev/full";
  converter.exportScene(smallDesign());
  ASSERT_EQ(app->ui->messages.size(), 1u);
  EXPECT_EQ(app->ui->messages[0].text, "Export failed. Reason: \"could not close file\"");
}

TEST_F(ExportFixture, ATraversalErrorKeepsTheFileClosedAndResendsEverythingNext) {
  auto doc = smallDesign();
  converter.setMeterScale(1000.0f);
  converter.buildScene(doc);  // a Render-like traversal: its states now count as sent
  auto root = std::static_pointer_cast<fake::Component>(
      std::static_pointer_cast<fake::Design>(doc->productList->items[0])->root);
  std::static_pointer_cast<fake::Occurrence>(root->occurrenceList->items[0])->matrix = nullptr;

  const std::string text = exportTo(dir.file("broken.lvs"), doc);
  ASSERT_EQ(app->ui->messages.size(), 1u);
  EXPECT_EQ(app->ui->messages[0].text,
            "Export failed. Reason: \"the host gave no transform of an occurrence\"");
  // What was written before the error is in the (closed) file; nothing after it.
  EXPECT_EQ(text.rfind("//---orvane:dal:7---\n", 0), 0u);
  EXPECT_NE(text.find("load \"orvrtopt.so\""), std::string::npos);
  EXPECT_EQ(text.find("\ngroup "), std::string::npos);
  EXPECT_TRUE(converter.sentStates().empty());
}

TEST_F(ExportFixture, AnExportBetweenTwoTraversalsLeavesTheSecondsComparisonAlone) {
  auto doc = smallDesign();
  converter.setMeterScale(1000.0f);
  converter.buildScene(doc);
  const auto sentBefore = converter.sentStates();

  // Everything goes into the file, whatever was sent before.
  const auto text = exportTo(dir.file("a.lvs"), doc);
  EXPECT_EQ(outline::of(text), "Box(Box/32769(Part/32769@(Body1/1024(Body1/65536(o)))))");
  EXPECT_EQ(converter.sentStates().size(), sentBefore.size());
  for (const auto& [name, state] : sentBefore)
    EXPECT_FALSE(converter.sentStates().at(name).differsFrom(state)) << name;

  converter.setMeterScale(1000.0f);
  EXPECT_EQ(outline::of(outline::textOf(*converter.buildScene(doc))), "Box(Box/1(Part/1@()))");
}

TEST_F(ExportFixture, InchDesignsWriteTheirScaleAndLengthsInInches) {
  auto doc = smallDesign("Box", "in");
  const auto text = exportTo(dir.file("inch.lvs"), doc);
  EXPECT_NE(text.find("\n \"meter_scale\" 39.3701,\n"), std::string::npos);
  // 0.5 cm = 0.19685 in; the 1 cm triangle edge = 0.393701 in.
  EXPECT_NE(text.find("transform 1 0 0 0 0 1 0 0 0 0 1 0 0.19685 0 0 1"), std::string::npos);
  EXPECT_NE(text.find("\"vertices\" [ 0 0 0,0.393701 0 0,0 0.393701 0 ]"), std::string::npos);
  EXPECT_FLOAT_EQ(converter.meterScale(), 39.370079f);
}

TEST_F(ExportFixture, TheWrapperStaysButWritesNothingOnceTheFileIsClosed) {
  exportTo(dir.file("a.lvs"), smallDesign());
  ASSERT_NE(converter.sceneWriter(), nullptr);
  EXPECT_EQ(converter.sceneWriter()->getSceneApi(), nullptr);
  // A camera sent through it now goes nowhere instead of into freed memory.
  converter.emitActiveCamera();
  EXPECT_EQ(TempDir::read(dir.file("a.lvs")).find("\ncamera "), std::string::npos);
}

}  // namespace
