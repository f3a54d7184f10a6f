#include "host/sim/SimUserInterface.h"

#include <algorithm>
#include <utility>

namespace host::sim {

namespace {

using WithholdingPtr = std::shared_ptr<const Withholding>;

// A list of objects that each have an id() (toolbars, workspaces, panels).
template <class T>
class IdList : public IdCollection<T> {
 public:
  std::size_t count() const override { return items.size(); }
  Ptr<T> item(std::size_t index) const override {
    return index < items.size() ? items[index] : nullptr;
  }
  Ptr<T> itemById(const std::string& id) const override {
    for (const auto& item : items) {
      if (item->id() == id) return item;
    }
    return nullptr;
  }
  std::vector<Ptr<T>> items;
};

template <class Handler>
bool addHandler(std::vector<Handler*>& handlers, Handler* handler) {
  if (!handler) return false;
  if (std::find(handlers.begin(), handlers.end(), handler) == handlers.end()) {
    handlers.push_back(handler);
  }
  return true;
}

template <class Handler>
bool removeHandler(std::vector<Handler*>& handlers, Handler* handler) {
  const auto found = std::find(handlers.begin(), handlers.end(), handler);
  if (found == handlers.end()) return false;
  handlers.erase(found);
  return true;
}

class SimCreatedEvent : public CommandCreatedEvent {
 public:
  bool add(CommandCreatedEventHandler* handler) override { return addHandler(handlers, handler); }
  bool remove(CommandCreatedEventHandler* handler) override {
    return removeHandler(handlers, handler);
  }
  std::vector<CommandCreatedEventHandler*> handlers;
};

class SimCommandEvent : public CommandEvent {
 public:
  bool add(CommandEventHandler* handler) override { return addHandler(handlers, handler); }
  bool remove(CommandEventHandler* handler) override { return removeHandler(handlers, handler); }
  Ptr<Base> sender() const override { return sender_.lock(); }
  void setSender(const Ptr<Base>& sender) { sender_ = sender; }
  std::vector<CommandEventHandler*> handlers;

 private:
  std::weak_ptr<Base> sender_;  // the command owns its event
};

class SimCommandDefinition : public CommandDefinition {
 public:
  SimCommandDefinition(WithholdingPtr withholding, std::string id, std::string name,
                       std::string tooltip, std::string folder)
      : withholding_(std::move(withholding)),
        id_(std::move(id)),
        name_(std::move(name)),
        tooltip_(std::move(tooltip)),
        folder_(std::move(folder)) {}
  std::string id() const override { return id_; }
  std::string name() const override { return name_; }
  std::string tooltip() const override { return tooltip_; }
  std::string resourceFolder() const override { return folder_; }
  Ptr<CommandCreatedEvent> commandCreated() override {
    if (withholding_->withheld("commandCreated", id_)) return nullptr;
    return created;
  }
  const std::shared_ptr<SimCreatedEvent> created = std::make_shared<SimCreatedEvent>();

 private:
  WithholdingPtr withholding_;
  std::string id_, name_, tooltip_, folder_;
};

// Anything that is not a command, for a sender that is withheld as one.
class SimOtherSender : public Base {
 public:
  std::string objectType() const override { return "adsk::core::Application"; }
};

class SimCommand : public Command, public std::enable_shared_from_this<SimCommand> {
 public:
  SimCommand(WithholdingPtr withholding, Ptr<CommandDefinition> definition)
      : withholding_(std::move(withholding)), definition_(std::move(definition)) {}
  std::string objectType() const override { return "adsk::core::Command"; }
  Ptr<Command> asCommand() override { return shared_from_this(); }
  Ptr<CommandEvent> execute() override {
    if (withholding_->withheld("execute", definition_->id())) return nullptr;
    return executeEvent;
  }
  Ptr<CommandDefinition> parentCommandDefinition() const override { return definition_; }
  const std::shared_ptr<SimCommandEvent> executeEvent = std::make_shared<SimCommandEvent>();

 private:
  WithholdingPtr withholding_;
  Ptr<CommandDefinition> definition_;
};

class SimCreatedArgs : public CommandCreatedEventArgs {
 public:
  explicit SimCreatedArgs(Ptr<Command> command) : command_(std::move(command)) {}
  Ptr<Command> command() const override { return command_; }

 private:
  Ptr<Command> command_;
};

class SimCommandArgs : public CommandEventArgs {
 public:
  explicit SimCommandArgs(Ptr<CommandEvent> event) : event_(std::move(event)) {}
  Ptr<CommandEvent> firingEvent() const override { return event_; }

 private:
  Ptr<CommandEvent> event_;
};

class SimControl : public ToolbarControl,
                   public CommandControl,
                   public std::enable_shared_from_this<SimControl> {
 public:
  SimControl(WithholdingPtr withholding, Ptr<CommandDefinition> definition)
      : withholding_(std::move(withholding)),
        id_(definition->id()),
        definition_(std::move(definition)) {}
  std::string id() const override { return id_; }
  bool isVisible() const override { return visible_; }
  bool setVisible(bool visible) override {
    visible_ = visible;
    return true;
  }
  Ptr<CommandDefinition> commandDefinition() const override { return definition_; }
  Ptr<ToolbarControl> asToolbarControl() override {
    if (withholding_->withheld("toolbarControl", id_)) return nullptr;
    return shared_from_this();
  }

 private:
  WithholdingPtr withholding_;
  std::string id_;
  Ptr<CommandDefinition> definition_;
  bool visible_ = false;  // a new control shows once made visible
};

}  // namespace

class SimCommandDefinitions : public CommandDefinitions {
 public:
  explicit SimCommandDefinitions(WithholdingPtr withholding)
      : withholding_(std::move(withholding)) {}
  std::size_t count() const override { return items.size(); }
  Ptr<CommandDefinition> item(std::size_t index) const override {
    return index < items.size() ? items[index] : nullptr;
  }
  Ptr<CommandDefinition> itemById(const std::string& id) const override {
    for (const auto& item : items) {
      if (item->id() == id) return item;
    }
    return nullptr;
  }
  Ptr<CommandDefinition> addButtonDefinition(const std::string& id, const std::string& name,
                                             const std::string& tooltip,
                                             const std::string& resourceFolder) override {
    if (id.empty() || itemById(id)) return nullptr;
    auto definition =
        std::make_shared<SimCommandDefinition>(withholding_, id, name, tooltip, resourceFolder);
    items.push_back(definition);
    return definition;
  }
  void detachAllHandlers() {
    for (const auto& item : items) item->created->handlers.clear();
  }
  std::vector<std::shared_ptr<SimCommandDefinition>> items;

 private:
  WithholdingPtr withholding_;
};

class SimControls : public ToolbarControls {
 public:
  explicit SimControls(WithholdingPtr withholding) : withholding_(std::move(withholding)) {}
  std::size_t count() const override { return items_.size(); }
  Ptr<ToolbarControl> item(std::size_t index) const override {
    return index < items_.size() ? items_[index] : nullptr;
  }
  Ptr<ToolbarControl> itemById(const std::string& id) const override {
    const auto found = find(id);
    return found == items_.end() ? nullptr : *found;
  }
  Ptr<CommandControl> addCommand(const Ptr<CommandDefinition>& definition,
                                 const std::string& positionId, bool isBefore) override {
    if (!definition || itemById(definition->id())) return nullptr;
    auto control = std::make_shared<SimControl>(withholding_, definition);
    auto at = items_.cend();
    if (!positionId.empty()) {
      const auto position = find(positionId);
      if (position != items_.cend()) at = isBefore ? position : position + 1;
    }
    items_.insert(at, control);
    return control;
  }

 private:
  std::vector<std::shared_ptr<SimControl>>::const_iterator find(const std::string& id) const {
    return std::find_if(items_.begin(), items_.end(),
                        [&id](const auto& control) { return control->id() == id; });
  }
  WithholdingPtr withholding_;
  std::vector<std::shared_ptr<SimControl>> items_;
};

struct SimUserInterface::Toolbar : host::Toolbar {
  Toolbar(WithholdingPtr withholding, std::string id)
      : withholding_(withholding),
        id_(std::move(id)),
        controls_(std::make_shared<SimControls>(withholding)) {}
  std::string id() const override { return id_; }
  Ptr<ToolbarControls> controls() const override {
    if (withholding_->withheld("controls", id_)) return nullptr;
    return controls_;
  }
  WithholdingPtr withholding_;
  std::string id_;
  std::shared_ptr<SimControls> controls_;
};

struct SimUserInterface::Panel : host::ToolbarPanel {
  Panel(WithholdingPtr withholding, std::string id)
      : withholding_(withholding),
        id_(std::move(id)),
        controls_(std::make_shared<SimControls>(withholding)) {}
  std::string id() const override { return id_; }
  std::string name() const override { return id_; }
  Ptr<ToolbarControls> controls() const override {
    if (withholding_->withheld("controls", id_)) return nullptr;
    return controls_;
  }
  WithholdingPtr withholding_;
  std::string id_;
  std::shared_ptr<SimControls> controls_;
};

struct SimUserInterface::Workspace : host::Workspace {
  Workspace(WithholdingPtr withholding, std::string id)
      : withholding_(std::move(withholding)), id_(std::move(id)) {}
  std::string id() const override { return id_; }
  std::string name() const override { return id_; }
  Ptr<ToolbarPanels> toolbarPanels() const override {
    if (withholding_->withheld("toolbarPanels", id_)) return nullptr;
    return panels_;
  }
  WithholdingPtr withholding_;
  std::string id_;
  std::shared_ptr<IdList<ToolbarPanel>> panels_ = std::make_shared<IdList<ToolbarPanel>>();
};

namespace {

class SimFileDialog : public FileDialog {
 public:
  explicit SimFileDialog(std::weak_ptr<SimUserInterface> ui) : ui_(std::move(ui)) {}
  std::string title() const override { return record_.title; }
  void setTitle(const std::string& title) override { record_.title = title; }
  std::string filter() const override { return record_.filter; }
  void setFilter(const std::string& filter) override { record_.filter = filter; }
  bool isMultiSelectEnabled() const override { return record_.multiSelect; }
  void setIsMultiSelectEnabled(bool enabled) override { record_.multiSelect = enabled; }
  std::string initialDirectory() const override { return record_.initialDirectory; }
  void setInitialDirectory(const std::string& directory) override {
    record_.initialDirectory = directory;
  }
  std::string initialFilename() const override { return record_.initialFilename; }
  void setInitialFilename(const std::string& filename) override {
    record_.initialFilename = filename;
  }
  DialogResult showSave() override {
    const auto ui = ui_.lock();
    if (!ui) return DialogError;
    const FileDialogAnswer answer = ui->takeFileDialogAnswer();
    record_.result = answer.result;
    record_.filename = answer.result == DialogOK ? answer.filename : std::string();
    ui->recordFileDialog(record_);
    return record_.result;
  }
  std::string filename() const override { return record_.filename; }

 private:
  std::weak_ptr<SimUserInterface> ui_;
  FileDialogRecord record_;
};

}  // namespace

SimUserInterface::SimUserInterface(const UiLayout& layout, WithholdingPtr withholding)
    : withholding_(withholding ? std::move(withholding) : std::make_shared<Withholding>()),
      definitions_(std::make_shared<SimCommandDefinitions>(withholding_)) {
  for (const auto& id : layout.toolbars) {
    toolbars_.push_back(std::make_shared<Toolbar>(withholding_, id));
  }
  for (const auto& workspaceLayout : layout.workspaces) {
    auto workspace = std::make_shared<Workspace>(withholding_, workspaceLayout.id);
    for (const auto& panelId : workspaceLayout.panels) {
      workspace->panels_->items.push_back(std::make_shared<Panel>(withholding_, panelId));
    }
    workspaces_.push_back(workspace);
  }
}

SimUserInterface::~SimUserInterface() = default;

Ptr<CommandDefinitions> SimUserInterface::commandDefinitions() const {
  if (withheld("commandDefinitions")) return nullptr;
  return definitions_;
}

Ptr<Toolbars> SimUserInterface::toolbars() const {
  if (withheld("toolbars")) return nullptr;
  auto list = std::make_shared<IdList<host::Toolbar>>();
  list->items = toolbars_;
  return list;
}

Ptr<Workspaces> SimUserInterface::workspaces() const {
  if (withheld("workspaces")) return nullptr;
  auto list = std::make_shared<IdList<host::Workspace>>();
  list->items = workspaces_;
  return list;
}

Ptr<FileDialog> SimUserInterface::createFileDialog() {
  if (withheld("fileDialog")) return nullptr;
  return std::make_shared<SimFileDialog>(weak_from_this());
}

DialogResult SimUserInterface::messageBox(const std::string& text, const std::string& title,
                                          int buttons, int icon) {
  messageBoxes_.push_back({text, title, buttons, icon});
  return DialogOK;
}

FileDialogAnswer SimUserInterface::takeFileDialogAnswer() {
  if (answers_.empty()) return {};
  FileDialogAnswer answer = std::move(answers_.front());
  answers_.pop_front();
  return answer;
}

Ptr<ToolbarControls> SimUserInterface::toolbarControls(const std::string& toolbarId) const {
  for (const auto& toolbar : toolbars_) {
    if (toolbar->id() == toolbarId) return toolbar->controls();
  }
  return nullptr;
}

Ptr<ToolbarControls> SimUserInterface::panelControls(const std::string& workspaceId,
                                                     const std::string& panelId) const {
  for (const auto& workspace : workspaces_) {
    if (workspace->id() != workspaceId) continue;
    const auto panels = workspace->toolbarPanels();
    const auto panel = panels ? panels->itemById(panelId) : nullptr;
    return panel ? panel->controls() : nullptr;
  }
  return nullptr;
}

PressResult SimUserInterface::pressToolbarControl(const std::string& toolbarId,
                                                  const std::string& controlId) {
  const auto controls = toolbarControls(toolbarId);
  return press(controls ? controls->itemById(controlId) : nullptr);
}

PressResult SimUserInterface::pressPanelControl(const std::string& workspaceId,
                                                const std::string& panelId,
                                                const std::string& controlId) {
  const auto controls = panelControls(workspaceId, panelId);
  return press(controls ? controls->itemById(controlId) : nullptr);
}

PressResult SimUserInterface::press(const Ptr<ToolbarControl>& control) {
  if (!control) return PressResult::NotFound;
  const auto definition = control->commandDefinition();
  if (!definition) return PressResult::NoDefinition;
  // The handlers are reached through our own record of the definition, so
  // withholding its event from the add-in does not change what a press fires.
  std::shared_ptr<SimCommandDefinition> own;
  for (const auto& item : definitions_->items) {
    if (item == definition) own = item;
  }
  if (!own) return PressResult::NoDefinition;

  const std::string& id = own->id();
  auto command = std::make_shared<SimCommand>(withholding_, own);
  // The event only observes its sender, so this owns it while handlers run.
  Ptr<Base> sender = command;
  if (withheld("senderCommand", id)) {
    sender = std::make_shared<SimOtherSender>();
  } else if (withheld("sender", id)) {
    sender = nullptr;
  }
  command->executeEvent->setSender(sender);

  const auto createdArgs =
      std::make_shared<SimCreatedArgs>(withheld("command", id) ? nullptr : command);
  for (auto* handler : std::vector(own->created->handlers)) {
    try {
      handler->notify(createdArgs);
    } catch (...) {
      ++handlerExceptions_;
    }
  }
  const auto executeArgs = std::make_shared<SimCommandArgs>(
      withheld("firingEvent", id) ? nullptr : Ptr<CommandEvent>(command->executeEvent));
  for (auto* handler : std::vector(command->executeEvent->handlers)) {
    try {
      handler->notify(executeArgs);
    } catch (...) {
      ++handlerExceptions_;
    }
  }
  return PressResult::Fired;
}

void SimUserInterface::detachAllHandlers() { definitions_->detachAllHandlers(); }

}  // namespace host::sim
