// run and stop as the host calls them, the buttons they place, and pressing
// those buttons.
#include <gtest/gtest.h>

#include "FakeHost.h"
#include "TempDir.h"
#include "addin/AddinModule.h"
#include "platform/env.h"
#include "platform/registry.h"

namespace {

const char* kQatId = "lumiVex9RenderCommandOnQATCPP";
const char* kRenderId = "lumiVex9RenderCommandOnPanelCPP";
const char* kExportId = "lumiVex9ExportCommandOnPanelCPP";

// Gives the add-in a fresh host per test and stops it afterwards.
struct ModuleFixture : ::testing::Test {
  ModuleFixture() { host::setApplication(app); }
  ~ModuleFixture() override {
    addin::stopAddin();
    host::setApplication(nullptr);
  }
  std::vector<std::string> ids(const host::Ptr<fake::Controls>& controls) {
    std::vector<std::string> result;
    for (const auto& control : controls->items.items) result.push_back(control->id());
    return result;
  }
  host::Ptr<fake::Controls> renderPanel() {
    return app->ui->panelControls("FusionRenderEnvironment", "RenderPanel");
  }
  host::Ptr<fake::Application> app = std::make_shared<fake::Application>();
};

TEST_F(ModuleFixture, RunPlacesThreeVisibleButtonsWithTheirTexts) {
  ASSERT_TRUE(addin::runAddin());
  EXPECT_EQ(ids(app->ui->qatControls()), std::vector<std::string>{kQatId});
  EXPECT_EQ(ids(renderPanel()), (std::vector<std::string>{kRenderId, kExportId}));
  for (const auto& control : renderPanel()->items.items) EXPECT_TRUE(control->isVisible());
  EXPECT_TRUE(app->ui->qatControls()->items.items[0]->isVisible());

  const std::string renderTooltip =
      "This command transfers the current scene to LumiVex 9. Click again to update the scene "
      "with any changes.";
  const struct {
    const char* id;
    const char* name;
    std::string tooltip;
    const char* folder;
  } expected[] = {
      {kQatId, "Render in LumiVex 9", renderTooltip, "./resources/render_command"},
      {kRenderId, "Render in LumiVex 9", renderTooltip, "./resources/render_command"},
      {kExportId, "Export to LumiVex .lvs",
       "This command exports the current scene to a LumiVex .lvs file.",
       "./resources/export_command"},
  };
  ASSERT_EQ(app->ui->definitions->count(), 3u);
  for (const auto& e : expected) {
    auto definition = app->ui->definitions->itemById(e.id);
    ASSERT_TRUE(definition) << e.id;
    EXPECT_EQ(definition->name(), e.name);
    EXPECT_EQ(definition->tooltip(), e.tooltip);
    EXPECT_EQ(definition->resourceFolder(), e.folder);
  }
}

TEST_F(ModuleFixture, RunStopRunKeepsOneControlOfEachAndTheyStillWork) {
  ASSERT_TRUE(addin::runAddin());
  EXPECT_TRUE(addin::stopAddin());
  EXPECT_EQ(addin::existingConverter(), nullptr);  // stop before any command
  ASSERT_TRUE(addin::runAddin());
  EXPECT_EQ(ids(app->ui->qatControls()), std::vector<std::string>{kQatId});
  EXPECT_EQ(ids(renderPanel()), (std::vector<std::string>{kRenderId, kExportId}));
  auto definition =
      std::static_pointer_cast<fake::CommandDefinition>(app->ui->definitions->itemById(kExportId));
  EXPECT_EQ(definition->created->handlers.size(), 1u);

  TempDir dir;
  auto root = fake::component("Root", {fake::body("B", {fake::face()})});
  app->active = fake::document("Doc", {fake::design(root)});
  app->ui->dialog->chosen = dir.file("doc.lvs");
  fake::press(renderPanel()->itemById(kExportId));
  EXPECT_EQ(app->ui->dialog->shown, 1);
  EXPECT_TRUE(app->ui->messages.empty());
  EXPECT_NE(TempDir::read(dir.file("doc.lvs")).find("group \"Doc\""), std::string::npos);
  EXPECT_NE(addin::existingConverter(), nullptr);
  EXPECT_TRUE(addin::stopAddin());
  EXPECT_EQ(addin::existingConverter(), nullptr);
}

TEST_F(ModuleFixture, ButtonsGoToTheLastWorkspaceWhenTheRenderWorkspaceIsMissing) {
  auto makePanel = [](const char* id) {
    auto panel = std::make_shared<fake::Panel>();
    panel->identifier = id;
    return panel;
  };
  const struct {
    const char* what;
    std::vector<const char*> panels;
    const char* expectedPanel;
  } cases[] = {
      {"its RenderPanel", {"RenderPanel", "Other"}, "RenderPanel"},
      {"else its last panel", {"First", "Last"}, "Last"},
  };
  for (const auto& c : cases) {
    app = std::make_shared<fake::Application>();
    host::setApplication(app);
    auto last = std::make_shared<fake::Workspace>();
    last->identifier = "CAMEnvironment";
    for (const char* id : c.panels) last->panels->items.push_back(makePanel(id));
    app->ui->workspaceList->items = {app->ui->workspaceList->items[0], last};
    ASSERT_TRUE(addin::runAddin()) << c.what;
    auto panel = std::static_pointer_cast<fake::Controls>(
        last->panels->itemById(c.expectedPanel)->controls());
    EXPECT_EQ(ids(panel), (std::vector<std::string>{kRenderId, kExportId})) << c.what;
    addin::stopAddin();
  }
}

TEST_F(ModuleFixture, PressingWithNoDocumentDoesNothing) {
  ASSERT_TRUE(addin::runAddin());
  for (const char* id : {kRenderId, kExportId}) fake::press(renderPanel()->itemById(id));
  fake::press(app->ui->qatControls()->itemById(kQatId));
  EXPECT_EQ(app->ui->dialog->shown, 0);
  EXPECT_TRUE(app->ui->messages.empty());
}

TEST_F(ModuleFixture, BothRenderButtonsRunTheRenderCommand) {
  // No renderer installation: the POSIX registry files live in an empty
  // folder (a fresh Windows registry has none either).
  TempDir dir;
  platform::set_environment(platform::kRegistryFilesVariable, dir.file("registry"));
  ASSERT_TRUE(addin::runAddin());
  app->active = fake::document("Doc", {fake::design(fake::component("Root"))});
  fake::press(app->ui->qatControls()->itemById(kQatId));
  fake::press(renderPanel()->itemById(kRenderId));
  platform::unset_environment(platform::kRegistryFilesVariable);
  ASSERT_EQ(app->ui->messages.size(), 2u);
  for (const auto& message : app->ui->messages)
    EXPECT_EQ(message.text.rfind("Live link failed. Reason: \"", 0), 0u) << message.text;
  EXPECT_EQ(app->ui->dialog->shown, 0);
}

TEST_F(ModuleFixture, RunFailsWithoutTheHostPiecesItNeeds) {
  const struct {
    const char* withheld;
    void (*withhold)(host::Ptr<fake::Application>&);
  } cases[] = {
      {"application", [](host::Ptr<fake::Application>& a) { a = nullptr; }},
      {"user interface", [](host::Ptr<fake::Application>& a) { a->ui = nullptr; }},
      {"command definitions",
       [](host::Ptr<fake::Application>& a) { a->ui->definitions = nullptr; }},
      {"toolbars", [](host::Ptr<fake::Application>& a) { a->ui->toolbarList = nullptr; }},
      {"workspaces", [](host::Ptr<fake::Application>& a) { a->ui->workspaceList = nullptr; }},
      {"QAT toolbar", [](host::Ptr<fake::Application>& a) { a->ui->toolbarList->items.clear(); }},
      {"any workspace",
       [](host::Ptr<fake::Application>& a) { a->ui->workspaceList->items.clear(); }},
      {"toolbar panels",
       [](host::Ptr<fake::Application>& a) {
         std::static_pointer_cast<fake::Workspace>(a->ui->workspaceList->items[1])->panels =
             nullptr;
       }},
  };
  for (const auto& c : cases) {
    auto app = std::make_shared<fake::Application>();
    auto panel = app->ui->panelControls("FusionRenderEnvironment", "RenderPanel");
    c.withhold(app);
    host::setApplication(app);
    EXPECT_FALSE(addin::runAddin()) << c.withheld;
    EXPECT_TRUE(panel->items.items.empty()) << c.withheld;
    EXPECT_TRUE(addin::stopAddin());
  }
}

TEST_F(ModuleFixture, ADefinitionWithoutCreatedEventGetsNoControl) {
  app->ui->definitions->withholdCreatedEvent = true;
  // The QAT button is skipped; the panel's render button stops the setup there.
  EXPECT_TRUE(addin::runAddin());
  EXPECT_TRUE(app->ui->qatControls()->items.items.empty());
  EXPECT_TRUE(renderPanel()->items.items.empty());
}

TEST_F(ModuleFixture, APanelWithoutControlsGetsNothing) {
  auto workspace = std::static_pointer_cast<fake::Workspace>(app->ui->workspaceList->items[1]);
  std::static_pointer_cast<fake::Panel>(workspace->panels->itemById("RenderPanel"))->controlList =
      nullptr;
  EXPECT_TRUE(addin::runAddin());
  EXPECT_EQ(ids(app->ui->qatControls()), std::vector<std::string>{kQatId});
  EXPECT_EQ(app->ui->definitions->count(), 1u);
}

}  // namespace
