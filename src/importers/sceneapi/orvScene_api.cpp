#include "sceneapi/orvScene_api.h"
