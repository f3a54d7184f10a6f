// What the renderer's live-link library provides: its exported entry point
// creates a LiveLink, which hands out the library's scene API and its query
// interface for running renderer instances. The order of the virtual
// operations is a calling contract with the library and must never change.
#pragma once

#include <cstdint>

#include "sceneapi/orvScene_api.h"

class LiveQuery {
 public:
  virtual const char* listInstances() = 0;           // 1: XML of the running instances, or null
  virtual bool openInstance(int64_t processId) = 0;  // 2: attaches to one instance
  virtual void reserved3() {}                        // 3
  virtual void closeInstance() = 0;                  // 4: detaches from the last attached
  virtual void reserved5() {}                        // 5
  virtual void reserved6() {}                        // 6
  virtual const char* instanceScene() = 0;           // 7: XML of the attached instance's scene

 protected:
  ~LiveQuery() = default;  // owned by the library, never deleted through this interface
};

class LiveLink {
 public:
  virtual ~LiveLink() = default;         // 1: deleting destructor, runs inside the library
  virtual orvScene_api* sceneApi() = 0;  // 2: owned by the live object; may be null
  virtual LiveQuery* queryApi() = 0;     // 3: owned by the live object; may be null
};

// The library's exported entry point "lumivex_live_initialize": no
// arguments, returns a new live object (or null), which the loader deletes.
inline constexpr const char* kLiveInitializeSymbol = "lumivex_live_initialize";
using LiveInitializeFunction = LiveLink* (*)();
