// The stand-in host's user interface: command definitions, toolbars,
// workspaces with panels, controls, and the events a press fires. File
// dialogs answer from a script; message boxes are recorded.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "host/api/UserInterface.h"
#include "host/sim/DesignData.h"
#include "host/sim/Withholding.h"

namespace host::sim {

class SimControls;
class SimCommandDefinitions;

struct FileDialogAnswer {
  DialogResult result = DialogCancel;
  std::string filename;
};

// One dialog as the user saw it, and how it was answered.
struct FileDialogRecord {
  std::string title;
  std::string filter;
  bool multiSelect = false;
  std::string initialDirectory;
  std::string initialFilename;
  DialogResult result = DialogCancel;
  std::string filename;
};

struct MessageBoxRecord {
  std::string text;
  std::string title;
  int buttons = 0;
  int icon = 0;
};

// What pressing a control did.
enum class PressResult {
  NotFound,      // no such toolbar, workspace, panel or control
  NoDefinition,  // the control has no command definition
  Fired,         // created, then execute, were fired
};

class SimUserInterface : public UserInterface,
                         public std::enable_shared_from_this<SimUserInterface> {
 public:
  SimUserInterface(const UiLayout& layout, std::shared_ptr<const Withholding> withholding);
  ~SimUserInterface() override;

  // host::UserInterface
  Ptr<CommandDefinitions> commandDefinitions() const override;
  Ptr<Toolbars> toolbars() const override;
  Ptr<Workspaces> workspaces() const override;
  Ptr<FileDialog> createFileDialog() override;
  DialogResult messageBox(const std::string& text, const std::string& title, int buttons,
                          int icon) override;

  // Presses a control: the host creates a command for the control's
  // definition, notifies the command-created handlers, then fires the
  // command's execute event. Exceptions a handler lets through are caught and
  // counted (handlerExceptions), as a host must survive them.
  PressResult pressToolbarControl(const std::string& toolbarId, const std::string& controlId);
  PressResult pressPanelControl(const std::string& workspaceId, const std::string& panelId,
                                const std::string& controlId);
  PressResult press(const Ptr<ToolbarControl>& control);

  // The next file dialog shown takes the first queued answer; with none
  // queued it is cancelled.
  void queueFileDialogAnswer(FileDialogAnswer answer) { answers_.push_back(std::move(answer)); }
  const std::vector<FileDialogRecord>& fileDialogs() const { return fileDialogs_; }
  const std::vector<MessageBoxRecord>& messageBoxes() const { return messageBoxes_; }
  int handlerExceptions() const { return handlerExceptions_; }

  // Forgets every handler attached anywhere, for when the code that owns
  // them goes away (a module being unloaded).
  void detachAllHandlers();

  // Controls of a toolbar or of a workspace's panel, or nothing.
  Ptr<ToolbarControls> toolbarControls(const std::string& toolbarId) const;
  Ptr<ToolbarControls> panelControls(const std::string& workspaceId,
                                     const std::string& panelId) const;

  // Internal: dialogs report here.
  FileDialogAnswer takeFileDialogAnswer();
  void recordFileDialog(FileDialogRecord record) { fileDialogs_.push_back(std::move(record)); }
  bool withheld(const std::string& kind, const std::string& name = {}) const {
    return withholding_->withheld(kind, name);
  }

 private:
  struct Panel;
  struct Workspace;
  struct Toolbar;

  std::shared_ptr<const Withholding> withholding_;
  std::shared_ptr<SimCommandDefinitions> definitions_;
  std::vector<std::shared_ptr<host::Toolbar>> toolbars_;
  std::vector<std::shared_ptr<host::Workspace>> workspaces_;
  std::deque<FileDialogAnswer> answers_;
  std::vector<FileDialogRecord> fileDialogs_;
  std::vector<MessageBoxRecord> messageBoxes_;
  int handlerExceptions_ = 0;
};

}  // namespace host::sim
