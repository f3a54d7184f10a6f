#include "sceneapi/dev/lumivexlive_loader.h"

#include <string>

#include "platform/dynlib.h"
#include "platform/fs.h"
#include "sceneapi/FILELog.h"
#include "sceneapi/dev/lumivex_discovery.h"

namespace {

// The positions these statements report are fixed, so logs from every build
// read alike and can be compared.
constexpr const char* kLoaderSource = "src/importers/sceneapi/dev/lumivexlive_loader.cpp";
constexpr int kBinFolderLine = 153;
constexpr int kSharedHandleLine = 218;
constexpr int kNoSharedHandleLine = 234;
constexpr int kLiveObjectLine = 245;
constexpr int kQueryApiLine = 282;

struct LiveLoader {
  LiveLink* live = nullptr;
  platform::LibraryHandle module = nullptr;
};

LiveLoader* current_loader = nullptr;

std::string library_base_name(int version) {
  return version >= 6 ? "orvlumivexlive6_" : "orvlumivexlive";
}

// Reports success when the loader ends with a live object.
bool load(LiveLoader& loader, int min_version, int max_version) {
  if (loader.live) return false;
  int version = 0;
  const std::string bin_folder = lumivex::lookup_bin_folder(min_version, max_version, version);
  if (bin_folder.empty()) return false;
  const std::string base = library_base_name(version);
  const std::string prefixes[] = {platform::join_path(bin_folder, base),
                                  platform::join_path(".", base)};
  FILE_LOG_AT(DEBUG4, kLoaderSource, kBinFolderLine) << bin_folder;

  if (!loader.module) {
    for (const std::string& prefix : prefixes) {
      for (const char* word_size : {"32.so", "64.so"}) {
        loader.module = platform::load_library(prefix + word_size);
        if (loader.module) break;
      }
      if (loader.module) break;
    }
  }
  FILE_LOG_AT(DEBUG4, kLoaderSource, kSharedHandleLine)
      << "initialize shared handle: " << loader.module;

  if (!loader.module) {
    FILE_LOG_AT(WARNING, kLoaderSource, kNoSharedHandleLine) << "NO shared handle";
    return false;
  }
  const auto initialize = reinterpret_cast<LiveInitializeFunction>(
      platform::library_symbol(loader.module, kLiveInitializeSymbol));
  if (initialize) loader.live = initialize();
  FILE_LOG_AT(DEBUG4, kLoaderSource, kLiveObjectLine)
      << "Lumivex live: " << static_cast<const void*>(loader.live);
  return loader.live != nullptr;
}

LiveLoader* ensure_loaded(int min_version, int max_version) {
  if (current_loader) return current_loader;
  current_loader = new LiveLoader;
  if (!load(*current_loader, min_version, max_version)) {
    unload_live_library();
    return nullptr;
  }
  return current_loader;
}

}  // namespace

orvScene_api* orv_get_scene_api(int min_version, int max_version) {
  LiveLoader* loader = ensure_loaded(min_version, max_version);
  return loader && loader->live ? loader->live->sceneApi() : nullptr;
}

LiveQuery* orv_get_query_api(int min_version, int max_version) {
  FILE_LOG_AT(DEBUG4, kLoaderSource, kQueryApiLine)
      << "orv_get_query_api -> lumivex_live_loader: " << static_cast<const void*>(current_loader);
  LiveLoader* loader = ensure_loaded(min_version, max_version);
  return loader && loader->live ? loader->live->queryApi() : nullptr;
}

void unload_live_library() {
  if (current_loader) {
    delete current_loader->live;
    platform::release_library(current_loader->module);
    delete current_loader;
  }
  current_loader = nullptr;
}
