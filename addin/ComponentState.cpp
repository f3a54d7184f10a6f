#include "addin/ComponentState.h"

namespace addin {

bool ComponentState::differsFrom(const ComponentState& other) const {
  // "!(a == b)" rather than "a != b" reads the intent: NaN on either side differs.
  if (!(area == other.area)) return true;
  if (!(volume == other.volume)) return true;
  if (faceAppearanceSignature != other.faceAppearanceSignature) return true;
  if (visible != other.visible) return true;
  if (bodyVisibility != other.bodyVisibility) return true;
  return childComponents != other.childComponents;
}

}  // namespace addin
