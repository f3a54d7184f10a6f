// The base of every geometry: a named shape with a material, written in full
// at each use, or once as a definition and then as instances of its id.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "scenemodel/LightNode.h"
#include "scenemodel/Material.h"

namespace orv {

class LightGeometry : public LightNode {
 public:
  explicit LightGeometry(std::string name);

  bool isDefined() const override;
  ~LightGeometry() override;
  // Bytes held in the geometry's own arrays.
  virtual size_t dataSize() const = 0;
  // Several geometries may share one material. An empty reference is ignored:
  // a geometry always has a material to write.
  virtual void setMaterial(std::shared_ptr<Material> material);
  virtual std::shared_ptr<Material> getMaterial() const;
  virtual void setName(std::string name);
  virtual std::string getName() const;

  // Marks the geometry defined under the id its definition wrote.
  void setId(int64_t id);
  int64_t getId() const { return id_; }

 private:
  std::string name_;
  std::shared_ptr<Material> material_;
  bool defined_ = false;
  int64_t id_ = 0;
};

}  // namespace orv
