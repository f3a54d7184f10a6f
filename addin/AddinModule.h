// The add-in's life inside the host: what run and stop do, the command
// buttons they place, and the converter the commands share.
#pragma once

#include <string>

#include "addin/FusionSceneConverter.h"
#include "host/api/UserInterface.h"

namespace addin {

// The major version of the renderer this add-in serves; it appears in the
// command ids and texts.
inline constexpr unsigned kMajorVersion = 9;

struct ButtonTexts {
  std::string id;
  std::string name;
  std::string tooltip;
  std::string resourceFolder;
};
ButtonTexts renderOnQatButton();
ButtonTexts renderOnPanelButton();
ButtonTexts exportOnPanelButton();

// Takes the host application and user interface and places the three
// buttons. False when the host lacks what the buttons need. Never throws.
bool runAddin();
// Releases the user interface and the converter. Always true; never throws.
bool stopAddin();

// The single converter, created with the first command.
FusionSceneConverter& getConverter();
// The converter if one exists (nothing before the first command or after stop).
FusionSceneConverter* existingConverter();

}  // namespace addin
