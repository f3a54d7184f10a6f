// The contract between the host and an add-in module it loads at run time.
//
// A module exports, with C linkage:
//   bool run(const char* context);   // start: place commands, attach handlers
//   bool stop(const char* context);  // stop: release what run took
// The context text is the host's business; modules need not read it.
//
// A module cannot reach the host program's symbols (a Windows DLL cannot link
// against its executable), so the host hands over its application explicitly:
// every module that links host_api exports hostAttachEntryName, and the host
// calls it with its application after loading the module and before run.
// From then on Application::get() inside the module returns that application.
//
// HOST_MODULE_EXPORT (defined by the build for everything that links host_api)
// marks a function to be exported from the module, e.g.
//   extern "C" HOST_MODULE_EXPORT bool run(const char* context);
// On Windows, once one function of a module is marked, only marked functions
// are exported, so run and stop must carry it.
#pragma once

#include "host/api/Application.h"

namespace host {

using ModuleEntry = bool (*)(const char* context);
// Receives a pointer to the host's Ptr<Application> (or null to detach).
using ModuleAttach = void (*)(const void* application);

inline constexpr const char* runEntryName = "run";
inline constexpr const char* stopEntryName = "stop";
inline constexpr const char* hostAttachEntryName = "lumivexHostAttach";

}  // namespace host

extern "C" HOST_MODULE_EXPORT void lumivexHostAttach(const void* application);
