// The host's user interface: command definitions and their events, toolbars,
// workspaces with toolbar panels, controls, the file dialog and the message box.
//
// Events: a command definition offers a command-created event. Pressing a
// control makes the host create a Command and notify the created handlers;
// a created handler attaches an execute handler to the command's execute
// event, which the host then fires. Handlers are owned by whoever attaches
// them: the host keeps plain pointers and never deletes them.
#pragma once

#include <string>

#include "host/api/Core.h"

namespace host {

class Command;
class CommandDefinition;
class CommandEvent;

class CommandCreatedEventArgs {
 public:
  virtual ~CommandCreatedEventArgs() = default;
  virtual Ptr<Command> command() const = 0;
};

class CommandEventArgs {
 public:
  virtual ~CommandEventArgs() = default;
  // The event being fired (for the execute handlers: the command's execute event).
  virtual Ptr<CommandEvent> firingEvent() const = 0;
};

class CommandCreatedEventHandler {
 public:
  virtual ~CommandCreatedEventHandler() = default;
  virtual void notify(const Ptr<CommandCreatedEventArgs>& args) = 0;
};

class CommandEventHandler {
 public:
  virtual ~CommandEventHandler() = default;
  virtual void notify(const Ptr<CommandEventArgs>& args) = 0;
};

class CommandCreatedEvent {
 public:
  virtual ~CommandCreatedEvent() = default;
  // False for a null handler. Adding the same handler twice keeps one entry.
  virtual bool add(CommandCreatedEventHandler* handler) = 0;
  virtual bool remove(CommandCreatedEventHandler* handler) = 0;
};

class CommandEvent {
 public:
  virtual ~CommandEvent() = default;
  virtual bool add(CommandEventHandler* handler) = 0;
  virtual bool remove(CommandEventHandler* handler) = 0;
  // The object that fires the event (for the execute event: the Command).
  virtual Ptr<Base> sender() const = 0;
};

class Command : public Base {
 public:
  virtual Ptr<CommandEvent> execute() = 0;
  virtual Ptr<CommandDefinition> parentCommandDefinition() const = 0;
};

class CommandDefinition {
 public:
  virtual ~CommandDefinition() = default;
  virtual std::string id() const = 0;
  virtual std::string name() const = 0;
  virtual std::string tooltip() const = 0;
  virtual std::string resourceFolder() const = 0;
  virtual Ptr<CommandCreatedEvent> commandCreated() = 0;
};

class CommandDefinitions : public IdCollection<CommandDefinition> {
 public:
  // Nothing when the id is empty or already taken.
  virtual Ptr<CommandDefinition> addButtonDefinition(const std::string& id, const std::string& name,
                                                     const std::string& tooltip,
                                                     const std::string& resourceFolder) = 0;
};

class ToolbarControl {
 public:
  virtual ~ToolbarControl() = default;
  virtual std::string id() const = 0;
  virtual bool isVisible() const = 0;
  virtual bool setVisible(bool visible) = 0;
  virtual Ptr<CommandDefinition> commandDefinition() const = 0;
};

// What adding a command to a controls collection returns; it is viewed as a
// ToolbarControl to change its visibility.
class CommandControl {
 public:
  virtual ~CommandControl() = default;
  virtual Ptr<ToolbarControl> asToolbarControl() = 0;
};

class ToolbarControls : public IdCollection<ToolbarControl> {
 public:
  // Adds a control for the definition; its id is the definition's id.
  // positionId names the control to place it next to ("" = at the end);
  // isBefore puts it before that control rather than after. Nothing when the
  // definition is null or a control with its id is already there.
  virtual Ptr<CommandControl> addCommand(const Ptr<CommandDefinition>& definition,
                                         const std::string& positionId, bool isBefore) = 0;
};

class Toolbar {
 public:
  virtual ~Toolbar() = default;
  virtual std::string id() const = 0;
  virtual Ptr<ToolbarControls> controls() const = 0;
};
using Toolbars = IdCollection<Toolbar>;

class ToolbarPanel {
 public:
  virtual ~ToolbarPanel() = default;
  virtual std::string id() const = 0;
  virtual std::string name() const = 0;
  virtual Ptr<ToolbarControls> controls() const = 0;
};
using ToolbarPanels = IdCollection<ToolbarPanel>;

class Workspace {
 public:
  virtual ~Workspace() = default;
  virtual std::string id() const = 0;
  virtual std::string name() const = 0;
  virtual Ptr<ToolbarPanels> toolbarPanels() const = 0;
};
using Workspaces = IdCollection<Workspace>;

// Results of dialogs and message boxes.
enum DialogResult : int {
  DialogOK = 0,
  DialogCancel = 1,
  DialogYes = 2,
  DialogNo = 3,
  DialogError = -1,
};

class FileDialog {
 public:
  virtual ~FileDialog() = default;
  virtual std::string title() const = 0;
  virtual void setTitle(const std::string& title) = 0;
  virtual std::string filter() const = 0;
  virtual void setFilter(const std::string& filter) = 0;
  virtual bool isMultiSelectEnabled() const = 0;
  virtual void setIsMultiSelectEnabled(bool enabled) = 0;
  virtual std::string initialDirectory() const = 0;
  virtual void setInitialDirectory(const std::string& directory) = 0;
  virtual std::string initialFilename() const = 0;
  virtual void setInitialFilename(const std::string& filename) = 0;
  // Lets the user choose a file to write; DialogOK when one was chosen.
  virtual DialogResult showSave() = 0;
  // The chosen file, as the user gave it (no extension is added).
  virtual std::string filename() const = 0;
};

class UserInterface {
 public:
  virtual ~UserInterface() = default;
  virtual Ptr<CommandDefinitions> commandDefinitions() const = 0;
  virtual Ptr<Toolbars> toolbars() const = 0;
  virtual Ptr<Workspaces> workspaces() const = 0;
  virtual Ptr<FileDialog> createFileDialog() = 0;
  // A modal message; buttons and icon are host codes (0 = OK button, no icon).
  virtual DialogResult messageBox(const std::string& text, const std::string& title, int buttons,
                                  int icon) = 0;
};

}  // namespace host
