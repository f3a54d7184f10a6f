// Loads the renderer's live-link library once per process and hands out the
// interfaces of its live object. The version bounds choose the installation
// only while no library is loaded. Not thread-safe: the add-in calls it from
// the host's user-interface thread.
#pragma once

#include "sceneapi/dev/lumivexlive.h"

orvScene_api* orv_get_scene_api(int min_version, int max_version);
LiveQuery* orv_get_query_api(int min_version, int max_version);

// Destroys the live object and releases the library; the next getter call
// loads it again.
void unload_live_library();
