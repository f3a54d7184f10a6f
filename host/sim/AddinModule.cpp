#include "host/sim/AddinModule.h"

#include "platform/dynlib.h"

namespace host::sim {

std::unique_ptr<AddinModule> AddinModule::load(const std::string& utf8_path, std::string& error) {
  void* library = platform::load_library(utf8_path);
  if (!library) {
    error = "cannot load add-in module \"" + utf8_path + "\"";
    return nullptr;
  }
  auto attach =
      reinterpret_cast<ModuleAttach>(platform::library_symbol(library, hostAttachEntryName));
  auto run = reinterpret_cast<ModuleEntry>(platform::library_symbol(library, runEntryName));
  auto stop = reinterpret_cast<ModuleEntry>(platform::library_symbol(library, stopEntryName));
  if (!attach || !run || !stop) {
    platform::release_library(library);
    error = "add-in module \"" + utf8_path + "\" does not export " +
            (!run    ? runEntryName
             : !stop ? stopEntryName
                     : hostAttachEntryName);
    return nullptr;
  }
  return std::unique_ptr<AddinModule>(new AddinModule(library, attach, run, stop));
}

AddinModule::AddinModule(void* library, ModuleAttach attach, ModuleEntry run, ModuleEntry stop)
    : library_(library), attach_(attach), run_(run), stop_(stop) {}

AddinModule::~AddinModule() { platform::release_library(library_); }

bool AddinModule::run(const Ptr<Application>& application, const std::string& context) {
  attach_(application ? &application : nullptr);
  return run_(context.c_str());
}

bool AddinModule::stop(const std::string& context) { return stop_(context.c_str()); }

std::string moduleFileName(const std::string& name) { return name + LV_MODULE_SUFFIX; }

}  // namespace host::sim
