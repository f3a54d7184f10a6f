#include "platform/env.h"

#include <stdlib.h>

namespace platform {

std::optional<std::string> get_environment(const std::string& name) {
  const char* value = ::getenv(name.c_str());
  if (!value) return std::nullopt;
  return std::string(value);
}

bool set_environment(const std::string& name, const std::string& value) {
  return ::setenv(name.c_str(), value.c_str(), 1) == 0;
}

bool unset_environment(const std::string& name) { return ::unsetenv(name.c_str()) == 0; }

}  // namespace platform
