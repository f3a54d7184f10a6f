#include "platform/fs.h"

namespace platform {

char path_separator() { return '\\'; }

}  // namespace platform
