// Parser for registry export files ("Windows Registry Editor Version 5.00",
// UTF-16LE with a byte-order mark or UTF-8), the registry of POSIX builds.
#pragma once

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Registry value types as stored by Windows.
enum RegistryType : uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegMultiSz = 7,
  kRegQword = 11,
};

struct RegistryValue {
  uint32_t type = kRegNone;
  std::vector<uint8_t> data;  // as the registry stores it: REG_SZ is UTF-16LE with a terminator
};

// Keys by folded full path ("hkey_current_user\software\orvane"), values by
// folded name ("" for the default value). Folding lowers ASCII letters only.
using RegistryValues = std::map<std::string, RegistryValue>;
using RegistryTree = std::map<std::string, RegistryValues>;

std::string fold_registry_name(std::string_view name);

// Applies one export file to the tree, as an import would: sections create
// keys (and their parents), "[-...]" deletes a key with its subkeys, "=-"
// deletes a value. A malformed line is skipped with a warning naming the file
// and line; a file without the header line is ignored with a warning.
void apply_reg_file(std::string_view bytes, const std::string& file_name, RegistryTree& tree,
                    std::ostream& warnings);

}  // namespace platform
