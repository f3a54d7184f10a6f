// lvlink render: one stand-in host session. The first design is loaded and
// Render is pressed; every further design is opened as the same document,
// edited, and Render is pressed again, so the renderer gets updates. With
// --watch the last design file is watched and Render pressed on every change
// until the process is asked to stop.
#include "tools/lvlink_render.h"

#include <cstdio>
#include <exception>
#include <memory>
#include <optional>

#include "host/sim/DesignFile.h"
#include "host/sim/SimHost.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/process_control.h"

namespace lvlink {

const char* const kRenderHelp =
    "render  Loads the first DESIGN into the stand-in host, starts the LumiVex\n"
    "        add-in in it and presses its \"Render in LumiVex 9\" button: the\n"
    "        scene goes over the live link to a running renderer, which is\n"
    "        started when none can take it. Each further DESIGN is opened as\n"
    "        the same document, edited, and Render is pressed again, so only\n"
    "        the changed components are sent. With --watch, Render is pressed\n"
    "        again whenever the last DESIGN file changes, until Ctrl-C.\n"
    "        LUMIVEX_LAUNCH_POLLS and LUMIVEX_POLL_INTERVAL_MS (milliseconds)\n"
    "        set how long the add-in waits for a renderer it started\n"
    "        (default 20 and 1000: 19 polls a second apart).\n";

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr unsigned kWatchIntervalMs = 300;
const char* const kRenderId = "lumiVex9RenderCommandOnQATCPP";

int usageError(const std::string& message) {
  std::fprintf(stderr, "lvlink: %s\n(lvlink --help explains the usage)\n", message.c_str());
  return kExitUsage;
}

std::string programFolder(const std::string& program) {
  const auto separator = program.find_last_of("/\\");
  return separator == std::string::npos ? "." : program.substr(0, separator);
}

// The whole file, or nothing when it cannot be read.
std::optional<std::string> fileContents(const std::string& path) {
  std::FILE* file = platform::open_file(path, "rb");
  if (!file) return std::nullopt;
  std::string bytes;
  char block[1 << 16];
  size_t got;
  while ((got = std::fread(block, 1, sizeof block, file)) > 0) bytes.append(block, got);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return std::nullopt;
  return bytes;
}

class RenderSession {
 public:
  explicit RenderSession(std::unique_ptr<host::sim::SimHost> host) : host_(std::move(host)) {}

  bool start(const std::string& modulePath) {
    std::string loadError;
    if (!host_->loadAddin(modulePath, loadError)) {
      std::fprintf(stderr, "lvlink: cannot load the add-in %s: %s\n", modulePath.c_str(),
                   loadError.c_str());
      return false;
    }
    if (!host_->runAddin()) {
      std::fprintf(stderr, "lvlink: the add-in did not start in this host\n");
      return false;
    }
    return true;
  }

  ~RenderSession() {
    host_->stopAddin();
    host_->unloadAddin();
  }

  // Presses Render; false when the add-in showed a message or let an error
  // escape, both of which are printed.
  bool press(const std::string& design) {
    auto& ui = host_->userInterface();
    const size_t messagesBefore = ui.messageBoxes().size();
    const int exceptionsBefore = ui.handlerExceptions();
    if (ui.pressToolbarControl("QAT", kRenderId) != host::sim::PressResult::Fired) {
      std::fprintf(stderr, "lvlink: the add-in placed no Render button\n");
      return false;
    }
    bool ok = true;
    const auto& messages = ui.messageBoxes();
    for (size_t i = messagesBefore; i < messages.size(); ++i) {
      std::fprintf(stderr, "%s\n", messages[i].text.c_str());
      ok = false;
    }
    if (ui.handlerExceptions() > exceptionsBefore) {
      std::fprintf(stderr, "lvlink: the add-in let an error escape into the host\n");
      ok = false;
    }
    if (ok) std::printf("lvlink: rendered %s\n", design.c_str());
    std::fflush(stdout);
    return ok;
  }

  // The design file's document replaces the open one: for the add-in it is
  // the same document, edited.
  bool open(const std::string& design) {
    try {
      host_->openDocument(host::sim::readDesignFile(design).document);
      return true;
    } catch (const std::exception& error) {
      std::fprintf(stderr, "lvlink: %s\n", error.what());
      return false;
    }
  }

 private:
  std::unique_ptr<host::sim::SimHost> host_;
};

}  // namespace

int renderCommand(const std::vector<std::string>& args, const std::string& program) {
  std::vector<std::string> designs;
  std::string module;
  bool watch = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--watch") {
      watch = true;
    } else if (arg == "--addin") {
      if (i + 1 >= args.size()) return usageError("--addin needs a value");
      module = args[++i];
    } else if (arg.size() > 1 && arg[0] == '-') {
      return usageError("unknown option \"" + arg + "\"");
    } else {
      designs.push_back(arg);
    }
  }
  if (designs.empty()) return usageError("render needs a design file");
  if (module.empty()) {
    module =
        platform::join_path(programFolder(program), host::sim::moduleFileName("LumiVex9Addin"));
  }
  // Every design is read before the first press, so a typo in the last one
  // does not leave a half-done series behind.
  for (size_t i = 1; i < designs.size(); ++i) {
    try {
      host::sim::readDesignFile(designs[i]);
    } catch (const std::exception& error) {
      std::fprintf(stderr, "lvlink: %s\n", error.what());
      return kExitUsage;
    }
  }
  std::unique_ptr<host::sim::SimHost> host;
  try {
    host = host::sim::loadHost(designs[0]);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "lvlink: %s\n", error.what());
    return kExitUsage;
  }
  if (watch) platform::install_stop_handler();

  RenderSession session(std::move(host));
  if (!session.start(module)) return kExitUsage;
  bool allOk = session.press(designs[0]);
  for (size_t i = 1; i < designs.size(); ++i) {
    allOk = session.open(designs[i]) && session.press(designs[i]) && allOk;
  }
  if (!watch) return allOk ? 0 : kExitFailed;

  const std::string& watched = designs.back();
  std::optional<std::string> seen = fileContents(watched);
  std::printf("lvlink: watching %s (Ctrl-C stops)\n", watched.c_str());
  std::fflush(stdout);
  while (!platform::stop_requested()) {
    platform::sleep_milliseconds(kWatchIntervalMs);
    std::optional<std::string> now = fileContents(watched);
    if (!now || now == seen) continue;
    seen = std::move(now);
    // A file caught half-written does not read; the next change is taken.
    if (session.open(watched)) allOk = session.press(watched) && allOk;
  }
  return allOk ? 0 : kExitFailed;
}

}  // namespace lvlink
