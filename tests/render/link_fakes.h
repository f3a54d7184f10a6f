// A live-link library in memory: a scene API that records what it is sent and
// which connects it was asked for, a query interface serving instance lists
// and scene descriptions from strings, and the access the factory goes
// through (loader, launch, ports, sleep) with every call counted.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "livelink/RecordedScene.h"
#include "sceneapi/dev/RepeatLinkFactory.h"

namespace link_fakes {

struct ConnectCall {
  std::string host;
  int port;
  int budget;
  bool operator==(const ConnectCall&) const = default;
};

class FakeScene : public livelink::SceneRecorder {
 public:
  bool connect(const char* host, int port, int budget) override {
    connects.push_back({host, port, budget});
    return acceptingPorts.count(port) != 0;
  }
  bool disconnect() override {
    ++disconnects;
    return delivers;
  }
  void id(unsigned value) override {
    ids.push_back(value);
    livelink::SceneRecorder::id(value);
  }

  std::set<int> acceptingPorts;
  bool delivers = true;
  std::vector<ConnectCall> connects;
  std::vector<unsigned> ids;
  int disconnects = 0;
};

class FakeQuery : public LiveQuery {
 public:
  const char* listInstances() override {
    ++lists;
    if (onList) onList(lists);
    return hasListing ? listing.c_str() : nullptr;
  }
  bool openInstance(int64_t processId) override {
    if (attached != 0) doubleOpen = true;
    if (!scenes.count(processId)) return false;
    attached = processId;
    ++opens;
    return true;
  }
  void closeInstance() override {
    if (attached == 0) strayClose = true;
    attached = 0;
    ++closes;
  }
  const char* instanceScene() override {
    auto it = scenes.find(attached);
    if (it == scenes.end() || !it->second.has_value()) return nullptr;
    return it->second->c_str();
  }

  bool hasListing = true;
  std::string listing = "<instances/>";
  std::map<int64_t, std::optional<std::string>> scenes;  // nothing: no scene text
  std::function<void(int)> onList;                       // sees the list count
  int64_t attached = 0;
  int lists = 0, opens = 0, closes = 0;
  bool doubleOpen = false, strayClose = false;
};

class FakeAccess : public orv::LiveLinkAccess {
 public:
  orvScene_api* sceneApi(int minVersion, int maxVersion) override {
    ranges.push_back({minVersion, maxVersion});
    return withScene ? &scene : nullptr;
  }
  LiveQuery* queryApi(int minVersion, int maxVersion) override {
    ranges.push_back({minVersion, maxVersion});
    return withQuery ? &query : nullptr;
  }
  void unloadLibrary() override { ++unloads; }
  bool launchRenderer(int minVersion, int maxVersion) override {
    launches.push_back({minVersion, maxVersion});
    if (onLaunch) onLaunch();
    return launchSucceeds;
  }
  int livePorts(int minVersion, int maxVersion, int& firstPort, int& lastPort) override {
    portRanges.push_back({minVersion, maxVersion});
    if (portStatus <= -2) return portStatus;  // nothing read
    firstPort = firstPortValue;
    if (portStatus == 0) lastPort = lastPortValue;
    return portStatus;
  }
  void sleepMilliseconds(unsigned milliseconds) override { sleeps.push_back(milliseconds); }

  FakeScene scene;
  FakeQuery query;
  bool withScene = true;
  bool withQuery = true;
  bool launchSucceeds = true;
  std::function<void()> onLaunch;
  int portStatus = 0;
  int firstPortValue = 3000;
  int lastPortValue = 3002;
  std::vector<std::pair<int, int>> ranges, launches, portRanges;
  std::vector<unsigned> sleeps;
  int unloads = 0;
};

inline std::string instance(int version, long long processId, int port) {
  return "<instance><version_major>" + std::to_string(version) + "</version_major><process_id>" +
         std::to_string(processId) + "</process_id><livelink_port>" + std::to_string(port) +
         "</livelink_port></instance>";
}

inline std::string listing(const std::vector<std::string>& entries) {
  std::string text = "<instances>";
  for (const auto& entry : entries) text += entry;
  return text + "</instances>";
}

// A scene description as the stand-in renderer answers it.
inline std::string showing(const std::string& document) {
  return "<lvsim version=\"9\" process_id=\"1\"><scenes><scene name=\"" + document +
         "\" modelset=\"active\"><group name=\"" + document + "\"/></scene></scenes></lvsim>";
}
inline const std::string kEmptyScene = "<lvsim version=\"9\" process_id=\"1\"><scenes/></lvsim>";

}  // namespace link_fakes
