// Loading an add-in module at run time, handing it the application, and
// pressing the button it placed.
#include <gtest/gtest.h>

#include "host/sim/AddinModule.h"
#include "host/sim/DesignFile.h"
#include "host/sim/SimHost.h"

namespace host::sim {
namespace {

const std::string kModule = "./" + moduleFileName("host_test_module");

class ModuleTest : public ::testing::Test {
 protected:
  SimHost host_{parseDesign(R"({"document": {"name": "Bracket v3", "products": []}})")};
};

TEST_F(ModuleTest, RunPlacesTheButtonAndAPressReachesTheHostThroughTheModule) {
  std::string error;
  auto module = AddinModule::load(kModule, error);
  ASSERT_TRUE(module) << error;
  const long heldBefore = host_.application().use_count();
  ASSERT_TRUE(module->run(host_.application()));
  EXPECT_EQ(host_.application().use_count(), heldBefore + 1);  // the module holds it
  auto& ui = host_.userInterface();
  EXPECT_EQ(ui.pressToolbarControl("QAT", "testModuleButton"), PressResult::Fired);
  ASSERT_EQ(ui.messageBoxes().size(), 1u);
  EXPECT_EQ(ui.messageBoxes()[0].text, "document Bracket v3");

  // The module asks the host each time: a closed document shows.
  host_.openDocument(std::nullopt);
  ui.pressToolbarControl("QAT", "testModuleButton");
  EXPECT_EQ(ui.messageBoxes().back().text, "no document");

  // Running again finds the button and adds none.
  ASSERT_TRUE(module->run(host_.application()));
  EXPECT_EQ(ui.toolbarControls("QAT")->count(), 1u);
  EXPECT_TRUE(module->stop());
  EXPECT_EQ(host_.application().use_count(), heldBefore);  // stop let go of it
  ui.detachAllHandlers();
  module.reset();
  EXPECT_EQ(ui.handlerExceptions(), 0);
}

TEST_F(ModuleTest, AModuleGivenNoApplicationCannotStart) {
  std::string error;
  auto module = AddinModule::load(kModule, error);
  ASSERT_TRUE(module) << error;
  host_.withhold("application");
  EXPECT_FALSE(module->run(host_.application()));
  EXPECT_EQ(host_.userInterface().toolbarControls("QAT")->count(), 0u);
}

TEST_F(ModuleTest, HostRunsOneModuleAtATimeAndUnloadingForgetsItsHandlers) {
  std::string error;
  EXPECT_FALSE(host_.runAddin());
  ASSERT_TRUE(host_.loadAddin(kModule, error)) << error;
  EXPECT_FALSE(host_.loadAddin(kModule, error));
  EXPECT_EQ(error, "an add-in module is already loaded");
  EXPECT_FALSE(host_.stopAddin());  // not running yet

  ASSERT_TRUE(host_.runAddin());
  EXPECT_TRUE(host_.stopAddin());
  ASSERT_TRUE(host_.runAddin());  // run, stop, run: still one button, still working
  auto& ui = host_.userInterface();
  EXPECT_EQ(ui.toolbarControls("QAT")->count(), 1u);
  ui.pressToolbarControl("QAT", "testModuleButton");
  EXPECT_EQ(ui.messageBoxes().size(), 1u);

  EXPECT_TRUE(host_.stopAddin());
  host_.unloadAddin();
  // The control stays, but nothing of the module is called any more.
  EXPECT_EQ(ui.pressToolbarControl("QAT", "testModuleButton"), PressResult::Fired);
  EXPECT_EQ(ui.messageBoxes().size(), 1u);

  ASSERT_TRUE(host_.loadAddin(kModule, error)) << error;  // a new load after unloading
  ASSERT_TRUE(host_.runAddin());
}  // the host stops and unloads the module itself

TEST(ModuleLoading, FailuresNameTheFileAndWhatIsMissing) {
  std::string error;
  EXPECT_FALSE(AddinModule::load("./no_such_module" + moduleFileName(""), error));
  EXPECT_EQ(error, "cannot load add-in module \"./no_such_module" + moduleFileName("") + "\"");

  const std::string bare = "./" + moduleFileName("host_bare_module");
  EXPECT_FALSE(AddinModule::load(bare, error));
  EXPECT_EQ(error, "add-in module \"" + bare + "\" does not export run");
}

}  // namespace
}  // namespace host::sim
