// A small add-in module for the loading tests. It reaches the host only
// through host/api: run places a button on the quick-access toolbar, and a
// press shows the active document's name in a message box.
#include <exception>

#include "host/api/Application.h"
#include "host/api/Module.h"

namespace {

class ShowDocument : public host::CommandEventHandler {
 public:
  void notify(const host::Ptr<host::CommandEventArgs>&) override {
    const auto app = host::Application::get();
    if (!app) return;
    const auto document = app->activeDocument();
    app->userInterface()->messageBox(document ? "document " + document->name() : "no document",
                                     "test module", 0, 0);
  }
};

class AttachShow : public host::CommandCreatedEventHandler {
 public:
  void notify(const host::Ptr<host::CommandCreatedEventArgs>& args) override {
    if (const auto command = args->command()) command->execute()->add(&show_);
  }

 private:
  ShowDocument show_;
};

AttachShow attachShow;

}  // namespace

extern "C" HOST_MODULE_EXPORT bool run(const char*) {
  try {
    const auto app = host::Application::get();
    const auto ui = app ? app->userInterface() : nullptr;
    if (!ui) return false;
    const auto controls = ui->toolbars()->itemById("QAT")->controls();
    if (controls->itemById("testModuleButton")) return true;
    const auto definition =
        ui->commandDefinitions()->addButtonDefinition("testModuleButton", "Show", "Shows.", "");
    definition->commandCreated()->add(&attachShow);
    controls->addCommand(definition, "", true)->asToolbarControl()->setVisible(true);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

// Lets go of the application, so the test can see the module held none.
extern "C" HOST_MODULE_EXPORT bool stop(const char*) {
  host::setApplication(nullptr);
  return true;
}
