// The registry of POSIX builds: keys and values of registry export files,
// read afresh at every key open, as the real registry would be.
#include "platform/registry.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>
#include <set>
#include <sstream>
#include <vector>

#include "platform/env.h"
#include "platform/reg_file.h"
#include "platform/text.h"

namespace platform {

namespace fs = std::filesystem;

struct RegistryKey::Impl {
  RegistryValues values;
};

namespace {

std::vector<fs::path> registry_files() {
  std::string list;
  if (auto configured = get_environment(kRegistryFilesVariable)) {
    list = *configured;
  } else if (auto config = get_environment("XDG_CONFIG_HOME"); config && !config->empty()) {
    list = *config + "/lumivex/registry";
  } else if (auto home = get_environment("HOME")) {
    list = *home + "/.config/lumivex/registry";
  }
  std::vector<fs::path> files;
  std::string_view rest = list;
  while (!rest.empty()) {
    const size_t colon = rest.find(':');
    const fs::path entry(std::string(rest.substr(0, colon)));
    std::error_code ec;
    if (!entry.empty() && fs::is_directory(entry, ec)) {
      std::vector<fs::path> in_folder;
      for (const auto& e : fs::directory_iterator(entry, ec)) {
        if (e.path().extension() == ".reg") in_folder.push_back(e.path());
      }
      std::sort(in_folder.begin(), in_folder.end());
      files.insert(files.end(), in_folder.begin(), in_folder.end());
    } else if (!entry.empty()) {
      files.push_back(entry);
    }
    if (colon == std::string_view::npos) break;
    rest.remove_prefix(colon + 1);
  }
  return files;
}

// The files are read at every key open, so each warning is shown once per
// process, not at every lookup.
void warn_once(const std::string& warnings) {
  static std::mutex mutex;
  static std::set<std::string> shown;
  std::lock_guard<std::mutex> lock(mutex);
  std::istringstream lines(warnings);
  std::string line;
  while (std::getline(lines, line)) {
    if (shown.insert(line).second) std::cerr << line << '\n';
  }
}

RegistryTree load_registry() {
  RegistryTree tree;
  for (const fs::path& file : registry_files()) {
    std::ifstream in(file, std::ios::binary);
    if (!in) continue;  // a missing file is an empty registry, as before installation
    std::ostringstream bytes;
    bytes << in.rdbuf();
    std::ostringstream warnings;
    apply_reg_file(bytes.str(), file.string(), tree, warnings);
    if (!warnings.str().empty()) warn_once(warnings.str());
  }
  return tree;
}

const RegistryValue* find_value(const RegistryValues& values, const std::string& name) {
  const auto it = values.find(fold_registry_name(name));
  return it == values.end() ? nullptr : &it->second;
}

}  // namespace

RegistryKey::RegistryKey(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
RegistryKey::RegistryKey(RegistryKey&& other) noexcept = default;
RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept = default;
RegistryKey::~RegistryKey() = default;

std::optional<RegistryKey> RegistryKey::open(RegistryRoot root, const std::string& path) {
  if (path.find('\0') != std::string::npos) return std::nullopt;
  std::string_view rest = path;
  if (!rest.empty() && rest.back() == '\\') rest.remove_suffix(1);
  std::string full =
      root == RegistryRoot::current_user ? "hkey_current_user" : "hkey_local_machine";
  if (!rest.empty()) {
    while (true) {
      const size_t next = rest.find('\\');
      const std::string_view part = rest.substr(0, next);
      if (part.empty()) return std::nullopt;
      full += '\\';
      full += fold_registry_name(part);
      if (next == std::string_view::npos) break;
      rest.remove_prefix(next + 1);
    }
  }
  RegistryTree tree = load_registry();
  const auto it = tree.find(full);
  if (it == tree.end()) return std::nullopt;
  auto impl = std::make_unique<Impl>();
  impl->values = std::move(it->second);
  return RegistryKey(std::move(impl));
}

std::optional<std::string> RegistryKey::read_string(const std::string& name,
                                                    size_t buffer_bytes) const {
  const RegistryValue* v = find_value(impl_->values, name);
  if (!v || (v->type != kRegSz && v->type != kRegExpandSz) || v->data.size() > buffer_bytes) {
    return std::nullopt;
  }
  std::u16string units;
  for (size_t i = 0; i + 1 < v->data.size(); i += 2) {
    const char16_t u = static_cast<char16_t>(v->data[i] | (v->data[i + 1] << 8));
    if (u == 0) break;
    units.push_back(u);
  }
  return utf16_to_utf8(units);
}

std::optional<uint32_t> RegistryKey::read_dword(const std::string& name) const {
  const RegistryValue* v = find_value(impl_->values, name);
  if (!v || v->type != kRegDword || v->data.size() != 4) return std::nullopt;
  return static_cast<uint32_t>(v->data[0]) | (static_cast<uint32_t>(v->data[1]) << 8) |
         (static_cast<uint32_t>(v->data[2]) << 16) | (static_cast<uint32_t>(v->data[3]) << 24);
}

bool import_registry_file(const std::string& utf8_path) {
  return set_environment(kRegistryFilesVariable, utf8_path);
}

}  // namespace platform
