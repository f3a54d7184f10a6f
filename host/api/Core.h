// Shared shapes of the host design interface: counted references, the common
// base of objects that can be viewed as another class, and collections.
//
// Rules every host object follows:
//  - Objects are handed out as counted references (Ptr). Any object may be
//    absent: an operation that cannot supply it returns an empty Ptr, and the
//    caller decides whether that is fatal.
//  - Host operations never throw. Exceptions cannot be relied on to cross the
//    boundary between the host program and a loaded add-in module.
//  - Texts are UTF-8 std::string; arrays are std::vector, copied out to the
//    caller, so a missing array is simply an empty one.
//  - Host lengths are centimetres.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace host {

template <class T>
using Ptr = std::shared_ptr<T>;

class Command;

// Objects whose class is not known statically (an event's sender) derive from
// Base, which names the object's class and offers the views the add-in needs.
// A view yields nothing when the object is not of that class.
class Base {
 public:
  virtual ~Base() = default;
  // The class name as the host reports it, e.g. "adsk::core::FilenameProperty".
  virtual std::string objectType() const = 0;
  virtual Ptr<Command> asCommand() { return nullptr; }
};

// A read-only list. item() yields nothing for an index at or beyond count().
template <class T>
class Collection {
 public:
  virtual ~Collection() = default;
  virtual std::size_t count() const = 0;
  virtual Ptr<T> item(std::size_t index) const = 0;
};

// A list whose items also carry a unique id.
template <class T>
class IdCollection : public Collection<T> {
 public:
  virtual Ptr<T> itemById(const std::string& id) const = 0;
};

}  // namespace host
