// lvlink: the add-in from the command line. "lvlink export" loads a design
// into the stand-in host, loads the add-in module into it as Fusion 360
// does, presses the Export button with the file dialog answered, and stops
// and unloads the add-in again.
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "host/sim/DesignFile.h"
#include "host/sim/SimHost.h"
#include "platform/fs.h"
#include "tools/lvlink_render.h"

namespace {

constexpr int kExitFailed = 1;  // the export ran and failed, or wrote nothing
constexpr int kExitUsage = 2;   // bad arguments, unreadable design, no add-in

const char* const kExportId = "lumiVex9ExportCommandOnPanelCPP";

void printHelp(std::FILE* out) {
  std::fputs(
      "usage: lvlink export DESIGN -o FILE.lvs [--addin MODULE]\n"
      "       lvlink render DESIGN [DESIGN...] [--watch] [--addin MODULE]\n"
      "       lvlink --help\n"
      "\n"
      "export  Loads DESIGN (a design file, see docs/design-format.md) into the\n"
      "        stand-in host, starts the LumiVex add-in in it, presses its\n"
      "        \"Export to LumiVex .lvs\" button and answers the file dialog with\n"
      "        FILE.lvs, then stops the add-in. With -o - the scene is written to\n"
      "        standard output.\n"
      "\n",
      out);
  std::fputs(lvlink::kRenderHelp, out);
  std::fputs(
      "\n"
      "options:\n"
      "  -o FILE          where the scene goes (required; - for standard output)\n"
      "  --addin MODULE   the add-in module to load (default: the LumiVex9Addin\n"
      "                   module next to lvlink)\n"
      "  -h, --help       this text\n"
      "\n"
      "Exit status: 0 when the scene was written; 1 when the export failed (the\n"
      "add-in's message is printed on standard error); 2 for bad arguments, a\n"
      "design that cannot be read or an add-in that cannot be loaded.\n",
      out);
}

int usageError(const std::string& message) {
  std::fprintf(stderr, "lvlink: %s\n(lvlink --help explains the usage)\n", message.c_str());
  return kExitUsage;
}

// The folder this program was started from, as its first argument names it.
std::string programFolder(const std::string& argv0) {
  const auto separator = argv0.find_last_of("/\\");
  return separator == std::string::npos ? "." : argv0.substr(0, separator);
}

// The export button: on the render panel, or wherever the add-in had to put
// it when the host has no render workspace.
host::Ptr<host::ToolbarControl> findExportButton(host::sim::SimUserInterface& ui) {
  if (auto controls = ui.panelControls("FusionRenderEnvironment", "RenderPanel")) {
    if (auto control = controls->itemById(kExportId)) return control;
  }
  auto workspaces = ui.workspaces();
  for (std::size_t w = 0; workspaces && w < workspaces->count(); ++w) {
    auto workspace = workspaces->item(w);
    auto panels = workspace ? workspace->toolbarPanels() : nullptr;
    for (std::size_t p = 0; panels && p < panels->count(); ++p) {
      auto panel = panels->item(p);
      auto controls = panel ? panel->controls() : nullptr;
      if (auto control = controls ? controls->itemById(kExportId) : nullptr) return control;
    }
  }
  return nullptr;
}

int exportDesign(const std::string& designPath, const std::string& outputPath,
                 const std::string& modulePath) {
  std::unique_ptr<host::sim::SimHost> host;
  try {
    host = host::sim::loadHost(designPath);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "lvlink: %s\n", error.what());
    return kExitUsage;
  }
  std::string loadError;
  if (!host->loadAddin(modulePath, loadError)) {
    std::fprintf(stderr, "lvlink: cannot load the add-in %s: %s\n", modulePath.c_str(),
                 loadError.c_str());
    return kExitUsage;
  }
  auto& ui = host->userInterface();
  int status = 0;
  if (!host->runAddin()) {
    std::fprintf(stderr, "lvlink: the add-in did not start in this host\n");
    status = kExitFailed;
  } else if (auto button = findExportButton(ui); !button) {
    std::fprintf(stderr, "lvlink: the add-in placed no Export button\n");
    status = kExitFailed;
  } else {
    ui.queueFileDialogAnswer({host::DialogOK, outputPath});
    ui.press(button);
    for (const auto& message : ui.messageBoxes()) {
      std::fprintf(stderr, "%s\n", message.text.c_str());
      status = kExitFailed;
    }
    if (ui.handlerExceptions() > 0) {
      std::fprintf(stderr, "lvlink: the add-in let an error escape into the host\n");
      status = kExitFailed;
    } else if (status == 0 && ui.fileDialogs().empty()) {
      // The add-in ends quietly when there is nothing to export.
      std::fprintf(stderr, "lvlink: nothing was exported: the design file opens no document\n");
      status = kExitFailed;
    }
  }
  host->stopAddin();
  host->unloadAddin();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    printHelp(stderr);
    return kExitUsage;
  }
  for (const auto& arg : args) {
    if (arg == "-h" || arg == "--help") {
      printHelp(stdout);
      return 0;
    }
  }
  if (args[0] == "render") {
    return lvlink::renderCommand(std::vector<std::string>(args.begin() + 1, args.end()), argv[0]);
  }
  if (args[0] != "export") return usageError("unknown command \"" + args[0] + "\"");

  std::string design, output, module;
  bool haveOutput = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "-o" || arg == "--addin") {
      if (i + 1 >= args.size()) return usageError(arg + " needs a value");
      (arg == "-o" ? output : module) = args[++i];
      haveOutput = haveOutput || arg == "-o";
    } else if (arg.size() > 1 && arg[0] == '-') {
      return usageError("unknown option \"" + arg + "\"");
    } else if (design.empty()) {
      design = arg;
    } else {
      return usageError("only one design can be exported at a time");
    }
  }
  if (design.empty()) return usageError("export needs a design file");
  if (!haveOutput || output.empty()) return usageError("export needs -o FILE.lvs");
  if (module.empty()) {
    module =
        platform::join_path(programFolder(argv[0]), host::sim::moduleFileName("LumiVex9Addin"));
  }
  return exportDesign(design, output, module);
}
