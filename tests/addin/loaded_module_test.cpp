// The built add-in module (LumiVex9Addin.so, or .dll on Windows) loaded by
// the stand-in host at run time, started, stopped and pressed as Fusion 360
// does it.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "host/sim/DesignFile.h"
#include "host/sim/SimHost.h"
#include "platform/fs.h"

namespace {

const char* const kDesign = R"({
  "document": {
    "name": "Cube v1",
    "products": [{"units": "cm", "components": [{"name": "Cube", "bodies": [{"name": "Body1",
      "faces": [{"meshes": [{"coordinates": [0, 0, 0, 1, 0, 0, 0, 1, 0], "indices": [0, 1, 2]}]}]
    }]}]}]
  }
})";

// The module beside the test program (tests run in the build's bin folder).
std::string modulePath() {
  return platform::join_path(".", host::sim::moduleFileName("LumiVex9Addin"));
}

std::vector<std::string> controlIds(const host::Ptr<host::ToolbarControls>& controls) {
  std::vector<std::string> ids;
  for (std::size_t i = 0; controls && i < controls->count(); ++i)
    ids.push_back(controls->item(i)->id());
  return ids;
}

TEST(LoadedModule, RunStopRunLeavesOneControlOfEachThatStillExports) {
  host::sim::SimHost host(host::sim::parseDesign(kDesign));
  std::string error;
  ASSERT_TRUE(host.loadAddin(modulePath(), error)) << error;
  auto& ui = host.userInterface();

  EXPECT_TRUE(host.runAddin());
  EXPECT_TRUE(host.stopAddin());
  EXPECT_TRUE(host.runAddin());
  EXPECT_EQ(controlIds(ui.toolbarControls("QAT")),
            std::vector<std::string>{"lumiVex9RenderCommandOnQATCPP"});
  EXPECT_EQ(controlIds(ui.panelControls("FusionRenderEnvironment", "RenderPanel")),
            (std::vector<std::string>{"lumiVex9RenderCommandOnPanelCPP",
                                      "lumiVex9ExportCommandOnPanelCPP"}));

  TempDir dir;
  ui.queueFileDialogAnswer({host::DialogOK, dir.file("cube.lvs")});
  EXPECT_EQ(ui.pressPanelControl("FusionRenderEnvironment", "RenderPanel",
                                 "lumiVex9ExportCommandOnPanelCPP"),
            host::sim::PressResult::Fired);
  ASSERT_EQ(ui.fileDialogs().size(), 1u);
  EXPECT_EQ(ui.fileDialogs()[0].initialFilename, "Cube v1");
  EXPECT_TRUE(ui.messageBoxes().empty());
  EXPECT_EQ(ui.handlerExceptions(), 0);
  const std::string scene = TempDir::read(dir.file("cube.lvs"));
  EXPECT_NE(scene.find("\ngroup \"Cube\" {\n\n group \"Cube\" {\n  flags 32769\n"),
            std::string::npos)
      << scene;

  EXPECT_TRUE(host.stopAddin());
  host.unloadAddin();
}

TEST(LoadedModule, ButtonsFollowTheLastWorkspaceWhenTheRenderOneIsMissing) {
  auto data = host::sim::parseDesign(R"({"userInterface": {"workspaces": [
    {"id": "FusionSolidEnvironment", "panels": ["SolidCreatePanel"]},
    {"id": "CAMEnvironment", "panels": ["SetupPanel", "ActionsPanel"]}]}})");
  host::sim::SimHost host(std::move(data));
  std::string error;
  ASSERT_TRUE(host.loadAddin(modulePath(), error)) << error;
  EXPECT_TRUE(host.runAddin());
  auto& ui = host.userInterface();
  EXPECT_EQ(controlIds(ui.panelControls("CAMEnvironment", "ActionsPanel")),
            (std::vector<std::string>{"lumiVex9RenderCommandOnPanelCPP",
                                      "lumiVex9ExportCommandOnPanelCPP"}));
  // No document is open: pressing shows nothing and asks nothing.
  EXPECT_EQ(
      ui.pressPanelControl("CAMEnvironment", "ActionsPanel", "lumiVex9ExportCommandOnPanelCPP"),
      host::sim::PressResult::Fired);
  EXPECT_TRUE(ui.fileDialogs().empty());
  EXPECT_TRUE(ui.messageBoxes().empty());
  EXPECT_TRUE(host.stopAddin());
}

TEST(LoadedModule, MissingPiecesOfAPressEndItQuietlyAndNothingEscapes) {
  const struct {
    const char* withheld;
    std::size_t messages;
  } cases[] = {
      {"firingEvent", 0},    {"sender", 0},     {"senderCommand", 0},
      {"activeDocument", 0}, {"fileDialog", 1}, {"rootComponent", 1},
  };
  for (const auto& c : cases) {
    host::sim::SimHost host(host::sim::parseDesign(kDesign));
    std::string error;
    ASSERT_TRUE(host.loadAddin(modulePath(), error)) << error;
    ASSERT_TRUE(host.runAddin());
    host.withhold(c.withheld);
    TempDir dir;
    auto& ui = host.userInterface();
    ui.queueFileDialogAnswer({host::DialogOK, dir.file("cube.lvs")});
    ui.pressPanelControl("FusionRenderEnvironment", "RenderPanel",
                         "lumiVex9ExportCommandOnPanelCPP");
    EXPECT_EQ(ui.handlerExceptions(), 0) << c.withheld;
    ASSERT_EQ(ui.messageBoxes().size(), c.messages) << c.withheld;
    if (c.messages > 0) {
      EXPECT_EQ(ui.messageBoxes()[0].text.rfind("Export failed. Reason: \"the host gave no ", 0),
                0u)
          << ui.messageBoxes()[0].text;
    }
    EXPECT_TRUE(host.stopAddin());
  }
}

}  // namespace
