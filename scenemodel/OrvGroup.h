// A group of the scene hierarchy: a name, optional flags and transform, and
// its children. On emission a group writes its non-group children before its
// child groups, whatever order they were added in.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "scenemodel/LightNode.h"

namespace orv {

class OrvGroup : public LightNode {
 public:
  explicit OrvGroup(std::string name);

  void emit(orvSceneapi_oo& api) override;

  void setFlags(uint32_t flags);
  // Copies the 16 values in the caller's storage order and marks the group as
  // transformed (even an identity matrix is then written).
  void setTransform(std::span<const double, 16> matrix);
  // An empty reference is ignored. So is a child that would make the group
  // contain itself: emitting such a tree would never end.
  void addNode(std::shared_ptr<LightNode> node);
  void addGroup(std::shared_ptr<OrvGroup> group);
  // Creates an empty group, appends it to the child groups and returns it.
  std::shared_ptr<OrvGroup> createGroup(std::string name);
  // A node written in place of the transform; an empty reference clears it.
  // Refused like addNode when it would make the group contain itself.
  void setPlacementNode(std::shared_ptr<LightNode> node);
  // Text attributes, written in key order; setting a key again replaces its value.
  void setAttribute(const std::string& key, std::string value);

  const std::string& getName() const { return name_; }

 private:
  // True when node is this group or a group below it.
  bool wouldContainItself(const LightNode* node) const;

  std::string name_;
  bool hasTransform_ = false;
  std::array<double, 16> transform_{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  uint32_t flags_ = 0;
  std::vector<std::shared_ptr<LightNode>> nodes_;
  std::vector<std::shared_ptr<OrvGroup>> groups_;
  std::shared_ptr<LightNode> placementNode_;
  std::map<std::string, std::string> attributes_;
};

}  // namespace orv
