#include "scenemodel/OrvGroup.h"

#include <algorithm>
#include <unordered_set>

#include "scenemodel/orvSceneapi_oo.h"

namespace orv {

OrvGroup::OrvGroup(std::string name) : name_(std::move(name)) {}

void OrvGroup::setFlags(uint32_t flags) { flags_ = flags; }

void OrvGroup::setTransform(std::span<const double, 16> matrix) {
  std::copy(matrix.begin(), matrix.end(), transform_.begin());
  hasTransform_ = true;
}

void OrvGroup::addNode(std::shared_ptr<LightNode> node) {
  if (node == nullptr || wouldContainItself(node.get())) return;
  nodes_.push_back(std::move(node));
}

void OrvGroup::addGroup(std::shared_ptr<OrvGroup> group) {
  if (group == nullptr || wouldContainItself(group.get())) return;
  groups_.push_back(std::move(group));
}

std::shared_ptr<OrvGroup> OrvGroup::createGroup(std::string name) {
  auto group = std::make_shared<OrvGroup>(std::move(name));
  groups_.push_back(group);
  return group;
}

void OrvGroup::setPlacementNode(std::shared_ptr<LightNode> node) {
  if (node != nullptr && wouldContainItself(node.get())) return;
  placementNode_ = std::move(node);
}

void OrvGroup::setAttribute(const std::string& key, std::string value) {
  attributes_[key] = std::move(value);
}

bool OrvGroup::wouldContainItself(const LightNode* node) const {
  // Only groups hold other nodes, so only groups can lead back here. The tree
  // is acyclic before the add, so the walk ends; the visited set keeps it
  // linear when subtrees are shared.
  std::vector<const OrvGroup*> pending;
  std::unordered_set<const OrvGroup*> visited;
  if (auto* group = dynamic_cast<const OrvGroup*>(node)) pending.push_back(group);
  while (!pending.empty()) {
    const OrvGroup* group = pending.back();
    pending.pop_back();
    if (group == this) return true;
    if (!visited.insert(group).second) continue;
    auto visit = [&](const LightNode* child) {
      if (auto* childGroup = dynamic_cast<const OrvGroup*>(child)) pending.push_back(childGroup);
    };
    for (const auto& child : group->nodes_) visit(child.get());
    for (const auto& child : group->groups_) pending.push_back(child.get());
    visit(group->placementNode_.get());
  }
  return false;
}

void OrvGroup::emit(orvSceneapi_oo& api) {
  orvScene_api* scene = api.getSceneApi();
  if (scene == nullptr) return;
  api.beginGroup(name_);
  if (flags_ != 0) api.setFlags(flags_);
  for (const auto& [key, value] : attributes_) scene->attribute(key.c_str(), value.c_str());
  if (placementNode_ != nullptr) {
    api.emitNode(placementNode_.get());
  } else if (hasTransform_) {
    api.setTransform(transform_.data());
  }
  for (const auto& node : nodes_) node->emit(api);
  for (const auto& group : groups_) group->emit(api);
  api.endGroup();
}

}  // namespace orv
