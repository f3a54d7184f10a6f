// The stand-in's user interface: definitions, controls, what a press fires,
// scripted file dialogs and recorded message boxes.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "host/sim/SimHost.h"

namespace host::sim {
namespace {

// Records what the host hands an execute handler.
class RecordingExecute : public CommandEventHandler {
 public:
  explicit RecordingExecute(std::vector<std::string>& log) : log_(log) {}
  void notify(const Ptr<CommandEventArgs>& args) override {
    const auto event = args->firingEvent();
    const auto sender = event ? event->sender() : nullptr;
    const auto command = sender ? sender->asCommand() : nullptr;
    if (!event) {
      log_.push_back("execute: no event");
    } else if (!sender) {
      log_.push_back("execute: no sender");
    } else if (!command) {
      log_.push_back("execute: sender " + sender->objectType());
    } else {
      log_.push_back("execute " + command->parentCommandDefinition()->id());
    }
  }

 private:
  std::vector<std::string>& log_;
};

// Attaches its execute handler to every command it sees created.
class RecordingCreated : public CommandCreatedEventHandler {
 public:
  RecordingCreated(std::vector<std::string>& log, std::string name)
      : log_(log), name_(std::move(name)), execute_(log) {}
  void notify(const Ptr<CommandCreatedEventArgs>& args) override {
    const auto command = args->command();
    if (!command) {
      log_.push_back(name_ + ": no command");
      return;
    }
    const auto execute = command->execute();
    log_.push_back(name_ +
                   (execute && execute->add(&execute_) ? " attached" : ": no execute event"));
  }

 private:
  std::vector<std::string>& log_;
  std::string name_;
  RecordingExecute execute_;
};

class Throwing : public CommandCreatedEventHandler {
 public:
  void notify(const Ptr<CommandCreatedEventArgs>&) override { throw std::runtime_error("boom"); }
};

class UserInterfaceTest : public ::testing::Test {
 protected:
  // Places a button for a new definition on the render panel.
  Ptr<CommandDefinition> placeButton(const std::string& id) {
    auto definition =
        ui_->commandDefinitions()->addButtonDefinition(id, "Name " + id, "Tip", "./res");
    const auto controls = ui_->workspaces()
                              ->itemById("FusionRenderEnvironment")
                              ->toolbarPanels()
                              ->itemById("RenderPanel")
                              ->controls();
    controls->addCommand(definition, "", true)->asToolbarControl()->setVisible(true);
    return definition;
  }
  PressResult press(const std::string& id) {
    return host_.userInterface().pressPanelControl("FusionRenderEnvironment", "RenderPanel", id);
  }

  SimHost host_;
  Ptr<UserInterface> ui_ = host_.application()->userInterface();
  std::vector<std::string> log_;
};

TEST_F(UserInterfaceTest, DefaultLayoutHasTheQuickAccessToolbarAndTheRenderPanel) {
  EXPECT_TRUE(ui_->toolbars()->itemById("QAT"));
  const auto workspaces = ui_->workspaces();
  const auto render = workspaces->itemById("FusionRenderEnvironment");
  ASSERT_TRUE(render);
  EXPECT_EQ(workspaces->item(workspaces->count() - 1)->id(), "FusionRenderEnvironment");
  const auto panels = render->toolbarPanels();
  EXPECT_TRUE(panels->itemById("RenderPanel"));
  // RenderPanel is not the last panel, so falling back to the last one shows.
  EXPECT_NE(panels->item(panels->count() - 1)->id(), "RenderPanel");
  EXPECT_FALSE(panels->item(panels->count()));
  EXPECT_FALSE(ui_->workspaces()->itemById("NoSuchWorkspace"));
}

TEST_F(UserInterfaceTest, LayoutComesFromTheDesignData) {
  HostData data;
  data.layout.toolbars = {"QAT"};
  data.layout.workspaces = {{"Only", {"A", "B"}}};
  SimHost host(data);
  const auto workspaces = host.application()->userInterface()->workspaces();
  ASSERT_EQ(workspaces->count(), 1u);
  EXPECT_FALSE(workspaces->itemById("FusionRenderEnvironment"));
  EXPECT_EQ(workspaces->item(0)->toolbarPanels()->item(1)->id(), "B");
}

TEST_F(UserInterfaceTest, ButtonDefinitionsKeepTheirTextsAndIdsAreUnique) {
  const auto definitions = ui_->commandDefinitions();
  const auto added = definitions->addButtonDefinition("cmdA", "Do A", "Does A.", "./resources/a");
  ASSERT_TRUE(added);
  EXPECT_EQ(added->id(), "cmdA");
  EXPECT_EQ(added->name(), "Do A");
  EXPECT_EQ(added->tooltip(), "Does A.");
  EXPECT_EQ(added->resourceFolder(), "./resources/a");
  EXPECT_EQ(definitions->itemById("cmdA"), added);
  EXPECT_FALSE(definitions->addButtonDefinition("cmdA", "Again", "", ""));
  EXPECT_FALSE(definitions->addButtonDefinition("", "No id", "", ""));
  EXPECT_EQ(definitions->count(), 1u);
  EXPECT_FALSE(definitions->itemById("cmdB"));
}

TEST_F(UserInterfaceTest, ControlsArePlacedByPositionOnceAndStartHidden) {
  const auto definitions = ui_->commandDefinitions();
  const auto controls = ui_->toolbars()->itemById("QAT")->controls();
  const auto a = definitions->addButtonDefinition("a", "", "", "");
  const auto b = definitions->addButtonDefinition("b", "", "", "");
  const auto c = definitions->addButtonDefinition("c", "", "", "");
  const auto d = definitions->addButtonDefinition("d", "", "", "");
  ASSERT_TRUE(controls->addCommand(a, "", true));
  ASSERT_TRUE(controls->addCommand(b, "a", true));         // before a
  ASSERT_TRUE(controls->addCommand(c, "b", false));        // after b
  ASSERT_TRUE(controls->addCommand(d, "missing", false));  // unknown position: at the end
  std::string order;
  for (std::size_t i = 0; i < controls->count(); ++i) order += controls->item(i)->id();
  EXPECT_EQ(order, "bcad");

  EXPECT_FALSE(controls->addCommand(a, "", true));  // one control per id
  EXPECT_FALSE(controls->addCommand(nullptr, "", true));
  EXPECT_EQ(controls->count(), 4u);

  const auto control = controls->itemById("a");
  EXPECT_FALSE(control->isVisible());
  EXPECT_TRUE(control->setVisible(true));
  EXPECT_TRUE(controls->itemById("a")->isVisible());
  EXPECT_EQ(control->commandDefinition(), a);
}

TEST_F(UserInterfaceTest, PressFiresCreatedThenExecuteThroughAttachedHandlers) {
  RecordingCreated first(log_, "first"), second(log_, "second");
  const auto definition = placeButton("cmd");
  ASSERT_TRUE(definition->commandCreated()->add(&first));
  ASSERT_TRUE(definition->commandCreated()->add(&second));
  EXPECT_TRUE(definition->commandCreated()->add(&first));  // already there: kept once
  EXPECT_FALSE(definition->commandCreated()->add(nullptr));

  EXPECT_EQ(press("cmd"), PressResult::Fired);
  EXPECT_EQ(log_, (std::vector<std::string>{"first attached", "second attached", "execute cmd",
                                            "execute cmd"}));

  // Each press creates a new command: execute handlers do not pile up.
  log_.clear();
  ASSERT_TRUE(definition->commandCreated()->remove(&second));
  EXPECT_FALSE(definition->commandCreated()->remove(&second));
  press("cmd");
  EXPECT_EQ(log_, (std::vector<std::string>{"first attached", "execute cmd"}));
  EXPECT_EQ(host_.userInterface().handlerExceptions(), 0);
}

TEST_F(UserInterfaceTest, PressingWhatIsNotThereFiresNothing) {
  EXPECT_EQ(press("nothing"), PressResult::NotFound);
  EXPECT_EQ(host_.userInterface().pressPanelControl("Nowhere", "RenderPanel", "x"),
            PressResult::NotFound);
  EXPECT_EQ(host_.userInterface().pressToolbarControl("QAT", "x"), PressResult::NotFound);
  EXPECT_EQ(host_.userInterface().press(nullptr), PressResult::NotFound);
}

TEST_F(UserInterfaceTest, AThrowingHandlerIsCountedAndTheOthersStillRun) {
  Throwing throwing;
  RecordingCreated after(log_, "after");
  const auto definition = placeButton("cmd");
  definition->commandCreated()->add(&throwing);
  definition->commandCreated()->add(&after);
  EXPECT_EQ(press("cmd"), PressResult::Fired);
  EXPECT_EQ(host_.userInterface().handlerExceptions(), 1);
  EXPECT_EQ(log_, (std::vector<std::string>{"after attached", "execute cmd"}));
}

TEST_F(UserInterfaceTest, DetachingAllHandlersLeavesControlsThatFireNothing) {
  RecordingCreated created(log_, "created");
  placeButton("cmd")->commandCreated()->add(&created);
  host_.userInterface().detachAllHandlers();
  EXPECT_EQ(press("cmd"), PressResult::Fired);
  EXPECT_TRUE(log_.empty());
}

struct EventWithholding {
  const char* entry;
  std::vector<std::string> log;
};

class EventWithholdingTest : public UserInterfaceTest,
                             public ::testing::WithParamInterface<EventWithholding> {};

TEST_P(EventWithholdingTest, HandlersSeeTheMissingPiece) {
  RecordingCreated created(log_, "created");
  const auto definition = placeButton("cmd");
  definition->commandCreated()->add(&created);
  host_.withhold(GetParam().entry);
  EXPECT_EQ(press("cmd"), PressResult::Fired);
  EXPECT_EQ(log_, GetParam().log);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, EventWithholdingTest,
    ::testing::Values(
        EventWithholding{"command@cmd", {"created: no command"}},
        EventWithholding{"execute@cmd", {"created: no execute event"}},
        EventWithholding{"firingEvent@cmd", {"created attached", "execute: no event"}},
        EventWithholding{"sender@cmd", {"created attached", "execute: no sender"}},
        EventWithholding{"senderCommand@cmd",
                         {"created attached", "execute: sender adsk::core::Application"}},
        EventWithholding{"sender@other", {"created attached", "execute cmd"}}));

TEST_F(UserInterfaceTest, WithheldCreatedEventAndToolbarViewStillLeaveTheHostWorking) {
  RecordingCreated created(log_, "created");
  const auto definition = placeButton("cmd");
  definition->commandCreated()->add(&created);
  host_.withhold("commandCreated@cmd");
  EXPECT_FALSE(definition->commandCreated());
  // Handlers attached before keep firing: the host's own record is unchanged.
  press("cmd");
  EXPECT_EQ(log_, (std::vector<std::string>{"created attached", "execute cmd"}));

  host_.withhold("toolbarControl@other");
  const auto other = ui_->commandDefinitions()->addButtonDefinition("other", "", "", "");
  const auto added = ui_->toolbars()->itemById("QAT")->controls()->addCommand(other, "", true);
  ASSERT_TRUE(added);
  EXPECT_FALSE(added->asToolbarControl());
}

TEST_F(UserInterfaceTest, FileDialogsTakeScriptedAnswersInOrderAndAreRecorded) {
  auto& sim = host_.userInterface();
  sim.queueFileDialogAnswer({DialogOK, "/tmp/out one.lvs"});
  sim.queueFileDialogAnswer({DialogCancel, "/tmp/ignored.lvs"});

  const auto dialog = ui_->createFileDialog();
  dialog->setFilter("Scenes (*.lvs)");
  dialog->setIsMultiSelectEnabled(false);
  dialog->setInitialDirectory("%CSIDL_MYDOCUMENTS%");
  dialog->setInitialFilename("Bracket v3");
  EXPECT_EQ(dialog->showSave(), DialogOK);
  EXPECT_EQ(dialog->filename(), "/tmp/out one.lvs");

  const auto cancelled = ui_->createFileDialog();
  EXPECT_EQ(cancelled->showSave(), DialogCancel);
  EXPECT_EQ(cancelled->filename(), "");  // a cancelled dialog chose nothing
  // Nothing scripted: the user cancels.
  const auto unscripted = ui_->createFileDialog();
  EXPECT_EQ(unscripted->showSave(), DialogCancel);

  ASSERT_EQ(sim.fileDialogs().size(), 3u);
  const FileDialogRecord& first = sim.fileDialogs()[0];
  EXPECT_EQ(first.filter, "Scenes (*.lvs)");
  EXPECT_FALSE(first.multiSelect);
  EXPECT_EQ(first.initialDirectory, "%CSIDL_MYDOCUMENTS%");
  EXPECT_EQ(first.initialFilename, "Bracket v3");
  EXPECT_EQ(first.result, DialogOK);
  EXPECT_EQ(first.filename, "/tmp/out one.lvs");
  EXPECT_EQ(sim.fileDialogs()[1].result, DialogCancel);
}

TEST_F(UserInterfaceTest, MessageBoxesAreRecorded) {
  EXPECT_EQ(ui_->messageBox("Live link failed. Reason: \"x\"", "", 0, 0), DialogOK);
  ui_->messageBox("second", "Title", 3, 2);
  const auto& boxes = host_.userInterface().messageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "Live link failed. Reason: \"x\"");
  EXPECT_EQ(boxes[1].title, "Title");
  EXPECT_EQ(boxes[1].buttons, 3);
  EXPECT_EQ(boxes[1].icon, 2);
}

}  // namespace
}  // namespace host::sim
