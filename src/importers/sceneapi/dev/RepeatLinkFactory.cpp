#include "sceneapi/dev/RepeatLinkFactory.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "platform/clock.h"
#include "sceneapi/dev/RepeatLinkFactoryXml.h"
#include "sceneapi/dev/lumivex_discovery.h"
#include "sceneapi/dev/lumivexlive_loader.h"

namespace orv {
namespace {

const char kNoSceneApi[] = "Could not get a scene api. Please check your LumiVex installation.\n";
const char kNoQueryApi[] = "Could not get a query api. Please check your LumiVex installation.\n";
const char kLaunchFailed[] = "Unabled to launch LumiVex. Please check your LumiVex installation.";
const char kNoPort[] =
    "Could not connect on any known port. Please check your LumiVex installation and Live Link "
    "settings.";

// The ports of the installation's range are read for every version the
// system knows, whatever the command's own range.
constexpr int kPortLookupMinVersion = 5;
constexpr int kPortLookupMaxVersion = 20;
// Connection budgets: the port an instance advertises gets a few tries, each
// port of a scan one.
constexpr int kAdvertisedPortBudget = 4;
constexpr int kScannedPortBudget = 1;
constexpr int kHighestPort = 65535;

class InstalledLiveLink final : public LiveLinkAccess {
 public:
  orvScene_api* sceneApi(int minVersion, int maxVersion) override {
    return orv_get_scene_api(minVersion, maxVersion);
  }
  LiveQuery* queryApi(int minVersion, int maxVersion) override {
    return orv_get_query_api(minVersion, maxVersion);
  }
  void unloadLibrary() override { unload_live_library(); }
  bool launchRenderer(int minVersion, int maxVersion) override {
    return lumivex::launch_renderer(minVersion, maxVersion);
  }
  int livePorts(int minVersion, int maxVersion, int& firstPort, int& lastPort) override {
    return lumivex::lookup_live_link_ports(minVersion, maxVersion, firstPort, lastPort);
  }
  void sleepMilliseconds(unsigned milliseconds) override {
    platform::sleep_milliseconds(milliseconds);
  }
};

// A decimal number with optional surrounding blanks; nothing for any other
// text, so a broken entry is never read as some other number.
std::optional<int64_t> decimal(const std::optional<std::string>& text) {
  if (!text) return std::nullopt;
  const std::string& s = *text;
  size_t begin = s.find_first_not_of(" \t\r\n");
  size_t end = s.find_last_not_of(" \t\r\n");
  if (begin == std::string::npos) return std::nullopt;
  const char* first = s.data() + begin;
  const char* last = s.data() + end + 1;
  if (*first == '+') ++first;
  int64_t value = 0;
  auto [stop, error] = std::from_chars(first, last, value);
  if (error != std::errc() || stop != last) return std::nullopt;
  return value;
}

std::optional<int> decimalInt(const std::optional<std::string>& text) {
  auto value = decimal(text);
  if (!value || *value < INT32_MIN || *value > INT32_MAX) return std::nullopt;
  return static_cast<int>(*value);
}

// The element itself first, then its descendants depth-first.
const linkxml::Element* firstNamed(const linkxml::Element& element, std::string_view name) {
  if (element.name == name) return &element;
  for (const auto& child : element.children) {
    if (const auto* found = firstNamed(child, name)) return found;
  }
  return nullptr;
}

std::optional<std::string> textOf(const linkxml::Element& entry, std::string_view name) {
  const auto* element = firstNamed(entry, name);
  if (!element) return std::nullopt;
  return element->text;
}

// A scene element counts only inside the active model set and within depth
// levels of where the search starts.
bool findNamedElement(const linkxml::Element& element, const std::string& name, int depth) {
  if (depth <= 0) return false;
  if (const std::string* modelset = element.attribute("modelset");
      modelset && *modelset != "active")
    return false;
  if (const std::string* elementName = element.attribute("name");
      elementName && *elementName == name)
    return true;
  for (const auto& child : element.children) {
    if (findNamedElement(child, name, depth - 1)) return true;
  }
  return false;
}

}  // namespace

LiveLinkAccess& installedLiveLink() {
  static InstalledLiveLink access;
  return access;
}

std::vector<InstanceInfo> parseInstanceList(const char* xml, int minVersion, int maxVersion) {
  std::vector<InstanceInfo> instances;
  auto root = linkxml::parseDocument(xml);
  if (!root) return instances;
  for (const auto& entry : root->children) {
    auto version = decimalInt(textOf(entry, "version_major"));
    if (!version || *version < minVersion || *version > maxVersion) continue;
    auto processId = decimal(textOf(entry, "process_id"));
    auto port = decimalInt(textOf(entry, "livelink_port"));
    if (!processId || !port) continue;
    // A port beyond the TCP range is no port: the scan takes over.
    instances.push_back({*version, *processId, *port > kHighestPort ? 0 : *port});
  }
  return instances;
}

InstanceScene readInstanceScene(const char* xml, const std::string& documentName,
                                int instanceVersion) {
  InstanceScene result;
  auto root = linkxml::parseDocument(xml);
  if (!root) return result;
  result.parsed = true;
  if (!root->children.empty()) {
    const auto& scenes = root->children.front();
    result.empty =
        std::none_of(scenes.children.begin(), scenes.children.end(),
                     [](const linkxml::Element& scene) { return !scene.children.empty(); });
  }
  const int depth = instanceVersion < 7 ? 3 : 4;
  result.showsDocument = !documentName.empty() && findNamedElement(*root, documentName, depth);
  return result;
}

RepeatLinkFactory::RepeatLinkFactory() : RepeatLinkFactory(installedLiveLink()) {}

RepeatLinkFactory::RepeatLinkFactory(LiveLinkAccess& access) : access_(access) {}

RepeatLinkFactory::~RepeatLinkFactory() {
  close();
  documentName_.clear();
  errorText_.clear();
}

orvScene_api* RepeatLinkFactory::getSceneApi() {
  errorText_.clear();
  if (!sceneApi_) {
    std::string reason = connect();
    if (!reason.empty()) {
      // The library stays loaded for the next attempt; only a connected
      // link unloads it.
      sceneApi_ = nullptr;
      errorText_ = "Failed to connect. " + reason;
    }
  }
  return sceneApi_;
}

void RepeatLinkFactory::start(orvSceneapi_oo&) {}

void RepeatLinkFactory::close() {
  if (!sceneApi_) return;
  lastCloseDelivered_ = sceneApi_->disconnect();
  access_.unloadLibrary();
  sceneApi_ = nullptr;
}

void RepeatLinkFactory::setVersionRange(int minVersion, int maxVersion) {
  minVersion_ = minVersion;
  maxVersion_ = maxVersion;
}

void RepeatLinkFactory::setDocumentName(const std::string& name) { documentName_ = name; }

void RepeatLinkFactory::setAcceptAnyInstance(bool accept) { acceptAnyInstance_ = accept; }

void RepeatLinkFactory::setLaunchPolling(int polls, int intervalMs) {
  launchPolls_ = polls;
  pollIntervalMs_ = std::max(intervalMs, 0);
}

InstanceInfo RepeatLinkFactory::chooseInstance(LiveQuery& query) {
  InstanceInfo showing, any, empty;
  for (const InstanceInfo& instance :
       parseInstanceList(query.listInstances(), minVersion_, maxVersion_)) {
    if (!query.openInstance(instance.processId)) continue;
    if (const char* sceneText = query.instanceScene()) {
      // Parsed at once: the text belongs to the library and is gone after
      // closeInstance.
      InstanceScene scene = readInstanceScene(sceneText, documentName_, instance.version);
      // Among equal versions the first in the list stays.
      if (scene.empty && instance.version > empty.version) empty = instance;
      if (scene.showsDocument && instance.version > showing.version) showing = instance;
      if (acceptAnyInstance_ && instance.version > any.version) any = instance;
    }
    query.closeInstance();
  }
  sceneFound_ = showing.version > 0;
  if (sceneFound_) return showing;
  if (any.version > 0) return any;
  if (empty.version > 0) return empty;
  return {};
}

std::string RepeatLinkFactory::connect() {
  sceneApi_ = access_.sceneApi(minVersion_, maxVersion_);
  if (!sceneApi_) return kNoSceneApi;
  sceneApi_->id(linkNumber_);
  LiveQuery* query = access_.queryApi(minVersion_, maxVersion_);
  if (!query) return kNoQueryApi;
  InstanceInfo chosen = chooseInstance(*query);
  if (chosen.version == 0) {
    if (!access_.launchRenderer(minVersion_, maxVersion_)) return kLaunchFailed;
    for (int poll = 0; poll < launchPolls_ - 1 && chosen.version == 0; ++poll) {
      chosen = chooseInstance(*query);
      access_.sleepMilliseconds(static_cast<unsigned>(pollIntervalMs_));
    }
  }
  return connectToInstance(chosen) ? std::string() : std::string(kNoPort);
}

bool RepeatLinkFactory::connectToInstance(const InstanceInfo& instance) {
  if (instance.port > 0) {
    // A failed connect to the advertised port is final: no scan.
    return sceneApi_->connect("localhost", instance.port, kAdvertisedPortBudget);
  }
  int firstPort = -1;
  int lastPort = -1;
  int status = access_.livePorts(kPortLookupMinVersion, kPortLookupMaxVersion, firstPort, lastPort);
  if (status < lumivex::kOnlyFirstPortRead || lastPort < firstPort) return false;
  // Only real TCP ports are tried: a range running to the end of the int
  // range would keep the host waiting for ages.
  firstPort = std::max(firstPort, 1);
  lastPort = std::min(lastPort, kHighestPort);
  for (int port = firstPort; port <= lastPort; ++port) {
    if (sceneApi_->connect("127.0.0.1", port, kScannedPortBudget)) return true;
  }
  return false;
}

}  // namespace orv
