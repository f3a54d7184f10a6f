// Host objects for the open document, as views over the stand-in's state.
#pragma once

#include <memory>

#include "host/api/Design.h"
#include "host/sim/SimState.h"

namespace host::sim {

// The document of the state; nothing when the state has none.
Ptr<Document> makeDocument(const std::shared_ptr<const SimState>& state);

}  // namespace host::sim
