// The Render command: streams the open design over the live link to a
// renderer, which updates its scene when it already shows this document.
#include "addin/RenderCommand.h"

#include <charconv>
#include <cstdio>
#include <optional>

#include "addin/FusionSceneConverter.h"
#include "addin/HostAccess.h"
#include "platform/env.h"
#include "platform/process_control.h"
#include "sceneapi/dev/RepeatLinkFactory.h"
#include "scenemodel/LightModule.h"

namespace addin {
namespace {

std::optional<int> environmentNumber(const char* name) {
  auto text = platform::get_environment(name);
  if (!text || text->empty()) return std::nullopt;
  int value = 0;
  auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
  if (error != std::errc() || end != text->data() + text->size() || value < 0) return std::nullopt;
  return value;
}

const char kNotDelivered[] = "The renderer did not take the scene.";

}  // namespace

std::string processIdentifierText(int64_t processId) {
  char buffer[256] = {};
  std::snprintf(buffer, sizeof buffer, "Fusion 360, %#x", static_cast<unsigned>(processId));
  return buffer;
}

void applyLaunchPolling(orv::RepeatLinkFactory& factory) {
  int polls = environmentNumber("LUMIVEX_LAUNCH_POLLS")
                  .value_or(orv::RepeatLinkFactory::kDefaultLaunchPolls);
  int interval = environmentNumber("LUMIVEX_POLL_INTERVAL_MS")
                     .value_or(orv::RepeatLinkFactory::kDefaultPollIntervalMs);
  factory.setLaunchPolling(polls, interval);
}

void FusionSceneConverter::renderScene(host::Ptr<host::Document> document) {
  renderScene(std::move(document), orv::installedLiveLink());
}

void FusionSceneConverter::renderScene(host::Ptr<host::Document> document,
                                       orv::LiveLinkAccess& link) {
  require(document, "document");
  orv::RepeatLinkFactory factory(link);
  factory.setVersionRange(kRenderMinVersion, kRenderMaxVersion);
  factory.setDocumentName(stripVersionSuffix(document->name()));
  factory.setAcceptAnyInstance(false);
  applyLaunchPolling(factory);

  // Making the wrapper is the first connection attempt.
  setSceneWriter(std::make_unique<orv::orvSceneapi_oo>(&factory));
  if (!factory.getSceneApi()) {
    showMessage("Live link failed. Reason: \"" + factory.errorText() + "\"");
    return;
  }
  if (!sceneWriter_->getSceneApi()) {
    // The link came up only at the second attempt, after the wrapper was
    // made without a backend: a new wrapper on the connected factory writes
    // the banner and version the scene must start with.
    setSceneWriter(std::make_unique<orv::orvSceneapi_oo>(&factory));
  }
  const bool update = factory.sceneFound();
  // A renderer without this scene gets everything in full.
  if (!update) sentStates_.clear();

  try {
    sceneWriter_->getSceneApi()->attribute(
        "process identifier", processIdentifierText(platform::current_process_id()).c_str());
    setMeterScale(designMeterScale(document));
    auto preferences = require(require(application_, "application")->preferences(), "preferences");
    auto general = require(preferences->generalPreferences(), "general preferences");
    const int up = general->defaultModelingOrientation() + 1;
    {
      orv::DefaultRTModule options;
      options.setUpVector(up);
      options.setMeterScale(meterScale_);
      options.setAdjustCamera(!update);
      options.setAdjustEnvironment(!update);
      options.setCenterGeometry(false);
      options.setSnapToGround(false);
      options.setUseCamera("Active Camera");
      sceneWriter_->emitNode(&options);
    }
    emitActiveCamera();
    auto root = buildScene(document);
    sceneWriter_->emitNode(root.get());
  } catch (...) {
    // What the renderer got is incomplete: the next click sends everything.
    sentStates_.clear();
    sceneWriter_->setSceneApi(nullptr);
    throw;  // the factory closes the link on the way out
  }
  // The backend goes with the factory; the wrapper stays but writes nothing.
  sceneWriter_->setSceneApi(nullptr);
  factory.close();
  if (!factory.lastCloseDelivered()) {
    // The renderer does not hold what sentStates says it was sent.
    sentStates_.clear();
    showMessage(std::string("Live link failed. Reason: \"") + kNotDelivered + "\"");
  }
}

}  // namespace addin
