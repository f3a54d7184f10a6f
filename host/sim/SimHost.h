// The stand-in host: one application with its user interface, the open
// document (if any), the active view's camera and the preferences, all
// backed by HostData. Tests drive it directly; lvlink drives it for users.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "host/api/Application.h"
#include "host/sim/AddinModule.h"
#include "host/sim/DesignData.h"
#include "host/sim/SimState.h"
#include "host/sim/SimUserInterface.h"
#include "host/sim/Withholding.h"

namespace host::sim {

class SimHost {
 public:
  // Throws DesignError when the data cannot be taken. The entries of
  // data.withhold start the withholding list.
  explicit SimHost(HostData data = {});
  SimHost(const SimHost&) = delete;
  SimHost& operator=(const SimHost&) = delete;

  // The application as add-in code sees it; nothing while "application" is
  // withheld.
  Ptr<Application> application() const {
    return withholding_->withheld("application") ? nullptr : application_;
  }
  SimUserInterface& userInterface() const { return *userInterface_; }

  // Entries are "kind" or "kind@name"; see docs/design-format.md. They take
  // effect on the next host call.
  void withhold(const std::string& entry) { withholding_->add(entry); }
  void release(const std::string& entry) { withholding_->remove(entry); }

  // Makes this host the one Application::get() returns in this binary (for
  // add-in code linked into the same program); uninstall() undoes it.
  void install() const;
  void uninstall() const;

  // Opens another document in place of the current one (nothing: none open).
  // Throws DesignError when the data cannot be taken; the old one stays then.
  void openDocument(std::optional<DocumentData> document);

  const HostData& data() const { return (*state_)->data; }

  // One add-in module at a time, run as the host runs add-ins: load, run,
  // (presses), stop, unload. Unloading forgets every handler attached in the
  // user interface, since their code leaves with the module; the controls
  // and definitions stay. The destructor stops a running module and unloads it.
  ~SimHost();
  bool loadAddin(const std::string& utf8_path, std::string& error);
  bool runAddin();   // false when none is loaded or the module's run says so
  bool stopAddin();  // false when none is running or the module's stop says so
  void unloadAddin();

 private:
  class SimApplication;
  std::shared_ptr<Withholding> withholding_;
  // Shared with the application, which may outlive this object in a module.
  std::shared_ptr<std::shared_ptr<const SimState>> state_;
  std::shared_ptr<SimUserInterface> userInterface_;
  std::shared_ptr<SimApplication> simApplication_;
  Ptr<host::Application> application_;
  std::unique_ptr<AddinModule> addin_;
  bool addinRunning_ = false;
};

}  // namespace host::sim
