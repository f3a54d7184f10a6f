#include "addin/AddinModule.h"

#include <exception>
#include <memory>

#include "addin/HostAccess.h"
#include "host/api/Application.h"

namespace addin {
namespace {

const std::string kVersion = std::to_string(kMajorVersion);
const std::string kRenderName = "Render in LumiVex " + kVersion;
const std::string kRenderTooltip = "This command transfers the current scene to LumiVex " +
                                   kVersion + ". Click again to update the scene with any changes.";

// Runs one command body on the active document. Missing pieces end the
// handling quietly; nothing may be thrown back into the host.
void executeCommand(const host::Ptr<host::CommandEventArgs>& args, bool exporting);

class LVRenderCommandExecutedHandler : public host::CommandEventHandler {
 public:
  void notify(const host::Ptr<host::CommandEventArgs>& args) override {
    executeCommand(args, false);
  }
};

class LVExportCommandExecutedHandler : public host::CommandEventHandler {
 public:
  void notify(const host::Ptr<host::CommandEventArgs>& args) override {
    executeCommand(args, true);
  }
};

// Attaches its executed handler to every command it sees created. The
// executed handler is a member, so the two live and die together.
template <class ExecutedHandler>
class CommandCreatedHandler : public host::CommandCreatedEventHandler {
 public:
  void notify(const host::Ptr<host::CommandCreatedEventArgs>& args) override {
    try {
      auto command = args ? args->command() : nullptr;
      auto execute = command ? command->execute() : nullptr;
      if (execute) execute->add(&executed_);
    } catch (...) {
    }
  }

 private:
  ExecutedHandler executed_;
};
using RenderCommandCreatedHandler = CommandCreatedHandler<LVRenderCommandExecutedHandler>;
using ExportCommandCreatedHandler = CommandCreatedHandler<LVExportCommandExecutedHandler>;

// Module state. Declared in this order so that unloading releases the
// handlers first, then the user interface, then the application.
host::Ptr<host::Application> gApplication;
host::Ptr<host::UserInterface> gUserInterface;
std::unique_ptr<FusionSceneConverter> gConverter;
// The host keeps plain pointers to these; they live as long as the module.
RenderCommandCreatedHandler gRenderHandlers;
ExportCommandCreatedHandler gExportHandlers;

void executeCommand(const host::Ptr<host::CommandEventArgs>& args, bool exporting) {
  try {
    auto event = args ? args->firingEvent() : nullptr;
    auto sender = event ? event->sender() : nullptr;
    if (!sender || !sender->asCommand()) return;
    auto document = gApplication ? gApplication->activeDocument() : nullptr;
    if (!document) return;
    auto& converter = getConverter();
    if (exporting) {
      converter.exportScene(std::move(document));
    } else {
      converter.renderScene(std::move(document));
    }
  } catch (const std::exception& error) {
    // The command bodies report their own failures; this is what is left
    // (running out of memory, say).
    if (gUserInterface) gUserInterface->messageBox(error.what(), "", 0, 0);
  } catch (...) {
  }
}

enum class Placement { kPlaced, kNoCreatedEvent, kNoToolbarControl };

Placement place(host::ToolbarControls& controls, host::CommandDefinitions& definitions,
                const ButtonTexts& texts, host::CommandCreatedEventHandler* handler) {
  if (controls.itemById(texts.id)) return Placement::kPlaced;
  auto definition = definitions.itemById(texts.id);
  if (!definition) {
    definition =
        definitions.addButtonDefinition(texts.id, texts.name, texts.tooltip, texts.resourceFolder);
  }
  auto created = definition ? definition->commandCreated() : nullptr;
  if (!created) return Placement::kNoCreatedEvent;
  created->add(handler);
  auto control = controls.addCommand(definition, "", true);
  auto toolbarControl = control ? control->asToolbarControl() : nullptr;
  if (!toolbarControl) return Placement::kNoToolbarControl;
  toolbarControl->setVisible(true);
  return Placement::kPlaced;
}

// Places the three buttons. Missing toolbar pieces that the buttons cannot
// do without throw; the caller turns that into a false result.
bool setupCommands(host::CommandDefinitions& definitions, host::Toolbars& toolbars,
                   host::Workspaces& workspaces) {
  auto qat = require(toolbars.itemById("QAT"), "toolbar QAT");
  auto qatControls = require(qat->controls(), "controls of the QAT toolbar");
  // A QAT button that cannot be placed does not keep the panel buttons away.
  place(*qatControls, definitions, renderOnQatButton(), &gRenderHandlers);

  auto workspace = workspaces.itemById("FusionRenderEnvironment");
  if (!workspace && workspaces.count() > 0) workspace = workspaces.item(workspaces.count() - 1);
  require(workspace, "workspace for the render panel");
  auto panels = require(workspace->toolbarPanels(), "toolbar panels");
  auto panel = panels->itemById("RenderPanel");
  if (!panel && panels->count() > 0) panel = panels->item(panels->count() - 1);
  require(panel, "toolbar panel for the buttons");
  auto panelControls = panel->controls();
  if (!panelControls) return true;
  if (place(*panelControls, definitions, renderOnPanelButton(), &gRenderHandlers) !=
      Placement::kPlaced) {
    return false;
  }
  return place(*panelControls, definitions, exportOnPanelButton(), &gExportHandlers) ==
         Placement::kPlaced;
}

}  // namespace

ButtonTexts renderOnQatButton() {
  return {"lumiVex" + kVersion + "RenderCommandOnQATCPP", kRenderName, kRenderTooltip,
          "./resources/render_command"};
}

ButtonTexts renderOnPanelButton() {
  return {"lumiVex" + kVersion + "RenderCommandOnPanelCPP", kRenderName, kRenderTooltip,
          "./resources/render_command"};
}

ButtonTexts exportOnPanelButton() {
  return {"lumiVex" + kVersion + "ExportCommandOnPanelCPP", "Export to LumiVex .lvs",
          "This command exports the current scene to a LumiVex .lvs file.",
          "./resources/export_command"};
}

bool runAddin() {
  try {
    gApplication = host::Application::get();
    if (!gApplication) return false;
    gUserInterface = gApplication->userInterface();
    if (!gUserInterface) return false;
    auto definitions = gUserInterface->commandDefinitions();
    auto toolbars = gUserInterface->toolbars();
    auto workspaces = gUserInterface->workspaces();
    if (!definitions || !toolbars || !workspaces) return false;
    setupCommands(*definitions, *toolbars, *workspaces);
    return true;
  } catch (...) {
    return false;
  }
}

bool stopAddin() {
  gUserInterface.reset();
  gConverter.reset();
  return true;
}

FusionSceneConverter& getConverter() {
  if (!gConverter)
    gConverter = std::make_unique<FusionSceneConverter>(gUserInterface, gApplication);
  return *gConverter;
}

FusionSceneConverter* existingConverter() { return gConverter.get(); }

}  // namespace addin
