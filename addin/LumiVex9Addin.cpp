// The entry points the host looks up when it loads the add-in module.
#include "addin/AddinModule.h"
#include "host/api/Module.h"

extern "C" HOST_MODULE_EXPORT bool run(const char* /*context*/) { return addin::runAddin(); }

extern "C" HOST_MODULE_EXPORT bool stop(const char* /*context*/) { return addin::stopAddin(); }
