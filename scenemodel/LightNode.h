// The base of every scene node. A node writes itself into the scene through
// the wrapper; nodes are held by std::shared_ptr, so a group shares its
// children and a geometry shares its material.
#pragma once

namespace orv {

class orvSceneapi_oo;

class LightNode {
 public:
  // Writes the node at the current place of the scene.
  virtual void emit(orvSceneapi_oo& api) = 0;
  // Writes the node once as a reusable definition. Kinds without a
  // definition form write nothing.
  virtual void define(orvSceneapi_oo& api);
  // True once define has run; kinds without a definition form stay false.
  virtual bool isDefined() const;
  virtual ~LightNode() = default;
};

inline void LightNode::define(orvSceneapi_oo&) {}
inline bool LightNode::isDefined() const { return false; }

}  // namespace orv
