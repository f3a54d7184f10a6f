#include "host/api/Application.h"

#include <utility>

#include "host/api/Module.h"

namespace host {
namespace {

// One slot per binary: the host program and each loaded module have their own.
Ptr<Application>& applicationSlot() {
  static Ptr<Application> slot;
  return slot;
}

}  // namespace

Ptr<Application> Application::get() { return applicationSlot(); }

void setApplication(Ptr<Application> application) { applicationSlot() = std::move(application); }

}  // namespace host

// Lives in the same object as Application::get(), so every module that uses
// the accessor carries (and exports) its attach entry as well.
extern "C" void lumivexHostAttach(const void* application) {
  const auto* shared = static_cast<const host::Ptr<host::Application>*>(application);
  host::setApplication(shared ? *shared : nullptr);
}
