#include "lumivex_discovery.h"

#include <climits>

#include "platform/fs.h"
#include "platform/process.h"

namespace lumivex {

namespace {

using platform::RegistryKey;
using platform::RegistryRoot;

constexpr std::string_view kProductLetters = "LumiVex";

// Leading blanks skipped, then decimal digits up to the first non-digit; no
// digits give 0. Saturates instead of overflowing.
int read_decimal(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > INT_MAX) return INT_MAX;
  }
  return static_cast<int>(value);
}

// A port given as decimal text; text without digits is not a port.
std::optional<int> port_from_text(const std::optional<std::string>& text) {
  if (!text) return std::nullopt;
  const size_t first = text->find_first_not_of(' ');
  if (first == std::string::npos || (*text)[first] < '0' || (*text)[first] > '9') {
    return std::nullopt;
  }
  return read_decimal(*text);
}

std::string version_key_path(int version) {
  return std::string(kOrvaneKey) + kVersionKeyPrefix + std::to_string(version);
}

bool is_valid_installation(const RegistryKey& key) {
  const auto bin_name = key.read_string("BinName", kValueBufferBytes);
  const auto resources = key.read_string("ResourceFolder", kValueBufferBytes);
  return bin_name && resources && platform::is_readable_file(*bin_name) &&
         platform::is_directory(*resources);
}

bool in_range(int version, int min_version, int max_version) {
  return version >= min_version && version <= max_version;
}

std::optional<InstallationKey> open_valid(RegistryRoot root, const std::string& path, int version) {
  auto key = RegistryKey::open(root, path);
  if (!key || !is_valid_installation(*key)) return std::nullopt;
  return InstallationKey{std::move(*key), version};
}

std::optional<InstallationKey> by_active_path(RegistryRoot root, int min_version, int max_version) {
  const auto orvane = RegistryKey::open(root, kOrvaneKey);
  if (!orvane) return std::nullopt;
  const auto active = orvane->read_string("LumiVexActivePath", kValueBufferBytes);
  if (!active) return std::nullopt;
  const int version = version_from_path(*active);
  if (!in_range(version, min_version, max_version)) return std::nullopt;
  return open_valid(root, version_key_path(version), version);
}

std::optional<InstallationKey> by_version_value(RegistryRoot root, int min_version,
                                                int max_version) {
  const auto orvane = RegistryKey::open(root, kOrvaneKey);
  if (!orvane) return std::nullopt;
  const auto name = orvane->read_string("LumiVexVersion", kValueBufferBytes);
  if (!name || name->empty()) return std::nullopt;
  const size_t blank = name->find(' ');
  const int version =
      read_decimal(blank == std::string::npos ? *name : std::string_view(*name).substr(blank + 1));
  if (version < 1 || !in_range(version, min_version, max_version)) return std::nullopt;
  return open_valid(root, kOrvaneKey + *name, version);
}

std::optional<InstallationKey> by_scan(RegistryRoot root, int min_version, int max_version) {
  // Versions of 0 or less never count, so the scan stops at 1.
  for (int version = max_version; version >= min_version && version >= 1; --version) {
    if (auto found = open_valid(root, version_key_path(version), version)) return found;
  }
  return std::nullopt;
}

std::optional<InstallationKey> key_for_root(RegistryRoot root, int min_version, int max_version) {
  if (auto key = by_active_path(root, min_version, max_version)) return key;
  if (auto key = by_version_value(root, min_version, max_version)) return key;
  return by_scan(root, min_version, max_version);
}

std::string read_path_value(int min_version, int max_version, const char* name) {
  const auto chosen = choose_installation(min_version, max_version);
  if (!chosen) return std::string();
  return chosen->key.read_string(name, kPathBufferBytes).value_or(std::string());
}

}  // namespace

int version_from_path(std::string_view path) {
  const size_t letter = path.find_last_of(kProductLetters);
  if (letter == std::string_view::npos) return -1;
  size_t separator = path.rfind('/');
  if (separator == std::string_view::npos) separator = path.rfind('\\');
  if (separator == std::string_view::npos || separator == letter + 1) return -1;
  const size_t end = separator > letter ? separator : path.size();
  return read_decimal(path.substr(letter + 1, end - letter - 1));
}

std::optional<InstallationKey> choose_installation(int min_version, int max_version) {
  std::optional<InstallationKey> kept;
  for (RegistryRoot root : {RegistryRoot::current_user, RegistryRoot::local_machine}) {
    auto found = key_for_root(root, min_version, max_version);
    if (found && found->version > 0 && (!kept || found->version > kept->version)) {
      kept = std::move(found);
    }
  }
  return kept;
}

std::string lookup_bin_folder(int min_version, int max_version, int& version) {
  const auto chosen = choose_installation(min_version, max_version);
  if (!chosen) return std::string();
  version = chosen->version;
  return chosen->key.read_string("BinFolder", kPathBufferBytes).value_or(std::string());
}

std::string lookup_executable(int min_version, int max_version) {
  return read_path_value(min_version, max_version, "BinName");
}

std::string lookup_resource_folder(int min_version, int max_version) {
  return read_path_value(min_version, max_version, "ResourceFolder");
}

int lookup_live_link_ports(int min_version, int max_version, int& first_port, int& last_port) {
  const auto chosen = choose_installation(min_version, max_version);
  if (!chosen) return kNoInstallation;
  const RegistryKey& key = chosen->key;
  if (const auto first = key.read_dword("LiveLinkPort")) {
    first_port = static_cast<int>(*first);
    const auto last = key.read_dword("LiveLinkMaxPort");
    if (!last) return kOnlyFirstPortRead;
    last_port = static_cast<int>(*last);
    return kPortsRead;
  }
  const auto first = port_from_text(key.read_string("LiveLinkPort", kPortTextBufferBytes));
  if (!first) return kNoFirstPort;
  first_port = *first;
  const auto last = port_from_text(key.read_string("LiveLinkMaxPort", kPortTextBufferBytes));
  if (!last) return kOnlyFirstPortRead;
  last_port = *last;
  return kPortsRead;
}

bool launch_renderer(int min_version, int max_version) {
  const std::string executable = lookup_executable(min_version, max_version);
  return !executable.empty() && platform::start_process(executable);
}

}  // namespace lumivex
