#include "platform/registry.h"

#include <windows.h>

#include <vector>

#include "platform/reg_file.h"
#include "platform/text.h"

namespace platform {

struct RegistryKey::Impl {
  HKEY key = nullptr;
  ~Impl() {
    if (key) ::RegCloseKey(key);
  }
};

namespace {

std::wstring wide(const std::string& utf8) {
  const std::u16string u = utf8_to_utf16(utf8);
  return std::wstring(u.begin(), u.end());
}

// Reads a value into a buffer of the given size, as the registry API does:
// a value that does not fit fails as a whole.
bool query(HKEY key, const std::string& name, DWORD& type, std::vector<BYTE>& buffer) {
  if (name.find('\0') != std::string::npos) return false;
  // A null data pointer would ask for the size instead of the value, so a
  // zero-byte buffer still passes a real (one-byte) buffer with a size of 0.
  BYTE none = 0;
  DWORD size = static_cast<DWORD>(buffer.size());
  const LONG rc = ::RegQueryValueExW(key, wide(name).c_str(), nullptr, &type,
                                     buffer.empty() ? &none : buffer.data(), &size);
  if (rc != ERROR_SUCCESS) return false;
  buffer.resize(size);
  return true;
}

}  // namespace

RegistryKey::RegistryKey(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
RegistryKey::RegistryKey(RegistryKey&& other) noexcept = default;
RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept = default;
RegistryKey::~RegistryKey() = default;

std::optional<RegistryKey> RegistryKey::open(RegistryRoot root, const std::string& path) {
  if (path.find('\0') != std::string::npos) return std::nullopt;
  // An empty component would open a different key than the one named.
  std::string_view rest = path;
  if (!rest.empty() && rest.back() == '\\') rest.remove_suffix(1);
  if (!rest.empty() && (rest.front() == '\\' || rest.back() == '\\' ||
                        rest.find("\\\\") != std::string_view::npos)) {
    return std::nullopt;
  }
  HKEY parent = root == RegistryRoot::current_user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
  auto impl = std::make_unique<Impl>();
  if (::RegOpenKeyExW(parent, wide(std::string(rest)).c_str(), 0, KEY_READ, &impl->key) !=
      ERROR_SUCCESS) {
    impl->key = nullptr;
    return std::nullopt;
  }
  return RegistryKey(std::move(impl));
}

std::optional<std::string> RegistryKey::read_string(const std::string& name,
                                                    size_t buffer_bytes) const {
  DWORD type = 0;
  std::vector<BYTE> buffer(buffer_bytes);
  if (!query(impl_->key, name, type, buffer)) return std::nullopt;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
  std::u16string units;
  for (size_t i = 0; i + 1 < buffer.size(); i += 2) {
    const char16_t u = static_cast<char16_t>(buffer[i] | (buffer[i + 1] << 8));
    if (u == 0) break;
    units.push_back(u);
  }
  return utf16_to_utf8(units);
}

std::optional<uint32_t> RegistryKey::read_dword(const std::string& name) const {
  DWORD type = 0;
  std::vector<BYTE> buffer(sizeof(DWORD));
  if (!query(impl_->key, name, type, buffer)) return std::nullopt;
  if (type != REG_DWORD || buffer.size() != sizeof(DWORD)) return std::nullopt;
  return static_cast<uint32_t>(buffer[0]) | (static_cast<uint32_t>(buffer[1]) << 8) |
         (static_cast<uint32_t>(buffer[2]) << 16) | (static_cast<uint32_t>(buffer[3]) << 24);
}

bool import_registry_file(const std::string& utf8_path) {
  if (utf8_path.find('"') != std::string::npos) return false;
  std::wstring command = L"regedit.exe /S \"" + wide(utf8_path) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
    return false;
  }
  ::WaitForSingleObject(info.hProcess, INFINITE);
  DWORD exit_code = 1;
  ::GetExitCodeProcess(info.hProcess, &exit_code);
  ::CloseHandle(info.hThread);
  ::CloseHandle(info.hProcess);
  return exit_code == 0;
}

}  // namespace platform
