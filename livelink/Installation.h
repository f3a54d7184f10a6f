// The registry export (.reg) that installs the stand-in renderer: where
// discovery finds its executable, the live-link library's folder, the
// resource folder and the live-link port range, and where running instances
// are recorded.
#pragma once

#include <string>
#include <vector>

namespace livelink {

struct Installation {
  int version = 9;
  std::string executable;       // "BinName"
  std::string bin_folder;       // "BinFolder": holds the live-link library
  std::string resource_folder;  // "ResourceFolder"
  int first_port = 0;           // "LiveLinkPort"
  int last_port = 0;            // "LiveLinkMaxPort"
};

// The .reg text (UTF-8) for the current user: one "LumiVex <version>" key per
// installation under "SOFTWARE\Orvane\", and "LiveInstanceFolder" when
// instance_folder is not empty.
std::string installation_reg(const std::vector<Installation>& installations,
                             const std::string& instance_folder);

}  // namespace livelink
