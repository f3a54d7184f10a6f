#include "livelink/Installation.h"

#include <cstdio>

#include "livelink/Instances.h"

namespace livelink {
namespace {

// A .reg string: backslashes and double quotes escaped.
std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string dword(int value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "dword:%08x", static_cast<unsigned>(value));
  return buffer;
}

}  // namespace

std::string installation_reg(const std::vector<Installation>& installations,
                             const std::string& instance_folder) {
  std::string out = "Windows Registry Editor Version 5.00\n\n";
  const std::string root = "[HKEY_CURRENT_USER\\SOFTWARE\\Orvane";
  out += root + "]\n";
  if (!instance_folder.empty()) {
    out += quoted(kInstanceFolderValue) + "=" + quoted(instance_folder) + "\n";
  }
  for (const Installation& i : installations) {
    out += "\n" + root + "\\LumiVex " + std::to_string(i.version) + "]\n";
    out += "\"BinName\"=" + quoted(i.executable) + "\n";
    out += "\"BinFolder\"=" + quoted(i.bin_folder) + "\n";
    out += "\"ResourceFolder\"=" + quoted(i.resource_folder) + "\n";
    out += "\"LiveLinkPort\"=" + dword(i.first_port) + "\n";
    out += "\"LiveLinkMaxPort\"=" + dword(i.last_port) + "\n";
  }
  return out;
}

}  // namespace livelink
