// Environment variables of the process (inherited by processes it starts).
#pragma once

#include <optional>
#include <string>

namespace platform {

std::optional<std::string> get_environment(const std::string& name);
bool set_environment(const std::string& name, const std::string& value);
bool unset_environment(const std::string& name);

}  // namespace platform
