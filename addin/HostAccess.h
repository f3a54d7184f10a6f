// Host objects the conversion cannot do without. The host hands out empty
// references for anything it cannot supply; for these, the running command
// has to stop, and the text says which object was missing.
#pragma once

#include <stdexcept>
#include <string>

#include "host/api/Core.h"

namespace addin {

class MissingHostObject : public std::runtime_error {
 public:
  explicit MissingHostObject(const std::string& what)
      : std::runtime_error("the host gave no " + what) {}
};

template <class T>
host::Ptr<T> require(host::Ptr<T> object, const char* what) {
  if (!object) throw MissingHostObject(what);
  return object;
}

}  // namespace addin
