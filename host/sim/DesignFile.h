// Design files: JSON texts describing what the stand-in host holds (the open
// document with its designs, the camera, preferences, the user-interface
// layout, withheld objects). The format is described in docs/design-format.md.
#pragma once

#include <memory>
#include <string>

#include "host/sim/DesignData.h"
#include "host/sim/DesignError.h"

namespace host::sim {

// Throws DesignError naming the file and the place of the fault.
HostData readDesignFile(const std::string& utf8_path);
// The same for a text already in memory; origin names it in messages.
HostData parseDesign(const std::string& text, const std::string& origin = "design");

class SimHost;
// A host holding the file's design. Every DesignError, including those about
// how the parts fit together, starts with the path.
std::unique_ptr<SimHost> loadHost(const std::string& utf8_path);

}  // namespace host::sim
