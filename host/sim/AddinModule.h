// An add-in module loaded at run time, started and stopped as the host does.
#pragma once

#include <memory>
#include <string>

#include "host/api/Module.h"

namespace host::sim {

class AddinModule {
 public:
  // Loads the module and finds its entry points. Nothing, with the reason in
  // error, when the file cannot be loaded or lacks run, stop or the attach
  // entry.
  static std::unique_ptr<AddinModule> load(const std::string& utf8_path, std::string& error);
  ~AddinModule();  // unloads
  AddinModule(const AddinModule&) = delete;
  AddinModule& operator=(const AddinModule&) = delete;

  // Hands the application to the module (nothing detaches it) and starts it.
  bool run(const Ptr<Application>& application, const std::string& context = {});
  bool stop(const std::string& context = {});

 private:
  AddinModule(void* library, ModuleAttach attach, ModuleEntry run, ModuleEntry stop);
  void* library_;
  ModuleAttach attach_;
  ModuleEntry run_;
  ModuleEntry stop_;
};

// The file name of a module built by this project: name plus the platform's
// module suffix (".so", ".dll").
std::string moduleFileName(const std::string& name);

}  // namespace host::sim
