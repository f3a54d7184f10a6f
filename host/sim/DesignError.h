#pragma once

#include <stdexcept>

namespace host::sim {

// A design (from a file or built in code) the stand-in host cannot take.
class DesignError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace host::sim
