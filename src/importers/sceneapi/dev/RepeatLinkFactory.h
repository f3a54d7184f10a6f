// The factory that provides the live scene API: it loads the renderer's
// live-link library, picks a running renderer instance that can take the
// scene (preferring one that already shows it, so a repeated Render updates
// it), starts the renderer when none can, and connects to the instance's
// live-link port. The Render command makes one per click.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sceneapi/LightFactory.h"
#include "sceneapi/dev/lumivexlive.h"

namespace orv {

// What the factory needs from outside: the loader, the installation's launch
// and port range, and sleeping. The real one is installedLiveLink(); tests
// hand in their own.
class LiveLinkAccess {
 public:
  virtual ~LiveLinkAccess() = default;
  virtual orvScene_api* sceneApi(int minVersion, int maxVersion) = 0;
  virtual LiveQuery* queryApi(int minVersion, int maxVersion) = 0;
  virtual void unloadLibrary() = 0;
  virtual bool launchRenderer(int minVersion, int maxVersion) = 0;
  // Status 0 when both ports were read (see lookup_live_link_ports).
  virtual int livePorts(int minVersion, int maxVersion, int& firstPort, int& lastPort) = 0;
  virtual void sleepMilliseconds(unsigned milliseconds) = 0;
};

// The process-wide loader, discovery and clock.
LiveLinkAccess& installedLiveLink();

// One running renderer instance as the library lists it.
struct InstanceInfo {
  int version = 0;  // 0: no instance
  int64_t processId = 0;
  int port = 0;  // 0 or less: the instance advertises no port
};

// The instances of the listing whose major version lies in [minVersion,
// maxVersion], in document order. A text that does not parse, and entries
// that lack one of the three numbers or carry something else than a decimal
// number, give nothing.
std::vector<InstanceInfo> parseInstanceList(const char* xml, int minVersion, int maxVersion);

// What one instance's scene description says about it.
struct InstanceScene {
  bool parsed = false;         // the text parsed and has a root element
  bool empty = false;          // no scene content below the root's first child
  bool showsDocument = false;  // a "name" attribute equal to the document, in the active model set
};
InstanceScene readInstanceScene(const char* xml, const std::string& documentName,
                                int instanceVersion);

class RepeatLinkFactory : public LightFactory {
 public:
  static constexpr int kDefaultLaunchPolls = 20;  // polls after a launch: this many less one
  static constexpr int kDefaultPollIntervalMs = 1000;

  RepeatLinkFactory();
  explicit RepeatLinkFactory(LiveLinkAccess& access);
  ~RepeatLinkFactory() override;
  RepeatLinkFactory(const RepeatLinkFactory&) = delete;
  RepeatLinkFactory& operator=(const RepeatLinkFactory&) = delete;

  // Clears the error text; connects when not connected yet. Null after a
  // failed connection, with the reason in errorText().
  orvScene_api* getSceneApi() override;
  void start(orvSceneapi_oo& wrapper) override;
  // Disconnects and unloads the library, when connected.
  void close() override;

  void setVersionRange(int minVersion, int maxVersion);
  void setDocumentName(const std::string& name);
  void setAcceptAnyInstance(bool accept);
  // How long to wait for a renderer that was just launched. The defaults (20,
  // 1000 ms) make 19 polls a second apart.
  void setLaunchPolling(int polls, int intervalMs);

  bool sceneFound() const { return sceneFound_; }
  std::string errorText() const { return errorText_; }
  // Whether the last close handed the whole scene over (the library's
  // disconnect said so). False before any close of a connected link.
  bool lastCloseDelivered() const { return lastCloseDelivered_; }

  // Lists the instances and chooses one; sets sceneFound. Version 0 when none
  // can take the scene.
  InstanceInfo chooseInstance(LiveQuery& query);

 private:
  // Empty on success, else the reason.
  std::string connect();
  bool connectToInstance(const InstanceInfo& instance);

  LiveLinkAccess& access_;
  int launchPolls_ = kDefaultLaunchPolls;
  int pollIntervalMs_ = kDefaultPollIntervalMs;
  orvScene_api* sceneApi_ = nullptr;
  int minVersion_ = 7;
  int maxVersion_ = 20;
  std::string documentName_;
  bool acceptAnyInstance_ = false;
  bool sceneFound_ = false;
  std::string errorText_;
  unsigned linkNumber_ = 1;
  bool lastCloseDelivered_ = false;
};

}  // namespace orv
