// Read-only access to the registry. Windows reads the real registry; POSIX
// reads the same keys and values from registry export files (.reg), found
// through the environment variable LUMIVEX_REGISTRY (see README).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace platform {

enum class RegistryRoot { current_user, local_machine };

// Name of the POSIX registry source: a list of .reg files or folders of .reg
// files, separated by ':'. Unset: $XDG_CONFIG_HOME/lumivex/registry (or
// ~/.config/lumivex/registry). Later files override earlier ones.
inline constexpr const char* kRegistryFilesVariable = "LUMIVEX_REGISTRY";

// An open key; closed when destroyed. Paths and names are UTF-8 and, as in the
// registry, compared without regard to ASCII case.
class RegistryKey {
 public:
  // Null when the key does not exist or cannot be opened for reading. A path
  // may end with one backslash; empty components or a NUL make it fail.
  static std::optional<RegistryKey> open(RegistryRoot root, const std::string& path);

  RegistryKey(RegistryKey&& other) noexcept;
  RegistryKey& operator=(RegistryKey&& other) noexcept;
  ~RegistryKey();

  // A text value (REG_SZ, or REG_EXPAND_SZ left unexpanded) whose stored
  // UTF-16 bytes, terminator included, fit in buffer_bytes; the text ends at
  // the first NUL. Empty optional when missing, of another type or too long.
  std::optional<std::string> read_string(const std::string& name, size_t buffer_bytes) const;

  // A REG_DWORD value. Values of any other type fail, so a short text value
  // is never mistaken for a number.
  std::optional<uint32_t> read_dword(const std::string& name) const;

  struct Impl;

 private:
  explicit RegistryKey(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// Makes the keys and values of a registry export file visible to RegistryKey.
// Windows imports the file into the registry ("regedit /S", waiting for it);
// POSIX points LUMIVEX_REGISTRY at the file alone. Used by tests and tools to
// set up an installation; returns false when the import failed.
bool import_registry_file(const std::string& utf8_path);

}  // namespace platform
