// Finding the installed renderer through the registry: which installation,
// its folders and executable, its live-link ports; and starting it.
// Every call reads the registry afresh and keeps nothing open.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace lumivex {

inline constexpr const char* kOrvaneKey = "SOFTWARE\\Orvane\\";
inline constexpr const char* kVersionKeyPrefix = "LumiVex ";

// Registry buffer sizes in bytes (UTF-16 text, terminator included).
inline constexpr size_t kValueBufferBytes = 2048;
inline constexpr size_t kPathBufferBytes = 520;
inline constexpr size_t kPortTextBufferBytes = 512;

struct InstallationKey {
  platform::RegistryKey key;
  int version;
};

// The version number in an installation path such as "C:\Apps\LumiVex 10":
// the decimal number after the last letter of "LumiVex" and before the last
// separator (or the end when the separator is earlier); -1 when the path has
// no such letter or no separator, or the separator follows the letter.
int version_from_path(std::string_view path);

// The installation with the highest version in [min_version, max_version]
// over both roots; the current user's wins on equal versions.
std::optional<InstallationKey> choose_installation(int min_version, int max_version);

// "BinFolder" of the chosen installation, empty when missing; version is set
// to the chosen installation's version and left alone when there is none.
std::string lookup_bin_folder(int min_version, int max_version, int& version);

// "BinName": the renderer's executable; empty when missing.
std::string lookup_executable(int min_version, int max_version);

// "ResourceFolder"; empty when missing.
std::string lookup_resource_folder(int min_version, int max_version);

enum PortStatus : int {
  kPortsRead = 0,
  kOnlyFirstPortRead = -1,
  kNoFirstPort = -2,
  kNoInstallation = -3,
};

// "LiveLinkPort" and "LiveLinkMaxPort", stored as numbers or as decimal
// text. first_port and last_port keep their contents when not read.
int lookup_live_link_ports(int min_version, int max_version, int& first_port, int& last_port);

// Starts the chosen installation's executable without waiting for it; false
// when there is no executable or the process could not be created.
bool launch_renderer(int min_version, int max_version);

}  // namespace lumivex
