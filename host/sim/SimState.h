// What the stand-in's host objects share: the design data with its lookup
// tables, and the withholding list. Host objects keep the state alive.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "host/sim/DesignData.h"
#include "host/sim/Withholding.h"

namespace host::sim {

struct SimState {
  // Checks the data (references resolve, no component contains itself, ...),
  // fills in missing measures and builds the lookup tables. Throws
  // DesignError (DesignError.h) with a readable reason.
  SimState(HostData data, std::shared_ptr<const Withholding> withholding);
  SimState(const SimState&) = delete;
  SimState& operator=(const SimState&) = delete;

  bool withheld(const std::string& kind, const std::string& name = {}) const {
    return withholding->withheld(kind, name);
  }
  const AppearanceData* appearance(const std::string& id) const;
  const ComponentData* component(const DesignData& design, const std::string& name) const;

  HostData data;
  std::shared_ptr<const Withholding> withholding;
  std::map<std::string, const AppearanceData*> appearances;
  std::map<const DesignData*, std::map<std::string, const ComponentData*>> components;
};

}  // namespace host::sim
