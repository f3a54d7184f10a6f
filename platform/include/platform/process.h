// Process creation.
#pragma once

#include <string>

namespace platform {

// Starts the program at application_path with no arguments, the caller's
// environment and current directory, and no inherited handles beyond the
// standard streams; does not wait for it. True when the process was created
// (on POSIX: the program was executed).
bool start_process(const std::string& application_path);

}  // namespace platform
