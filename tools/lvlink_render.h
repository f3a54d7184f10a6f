// "lvlink render": presses the add-in's Render button in the stand-in host.
#pragma once

#include <string>
#include <vector>

namespace lvlink {

// The arguments after "render"; program is lvlink's own path (argv[0]), whose
// folder holds the add-in module by default. Returns the exit status.
int renderCommand(const std::vector<std::string>& args, const std::string& program);

// The usage lines of the render command, for lvlink --help.
extern const char* const kRenderHelp;

}  // namespace lvlink
