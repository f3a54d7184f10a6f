// lvsim, the stand-in renderer: takes live-link streams on the loopback
// interface and holds one scene per document name, as the renderer would.
//
//   lvsim [--version N] [--dump DIR] [--log FILE] [--max-stream-mib N]
//   lvsim install --reg FILE [--version N]... [--executable PATH]
//                 [--bin-folder DIR] [--resource-folder DIR]
//                 [--ports FIRST-LAST] [--instances DIR]
//
// See docs/live-link.md.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "livelink/Installation.h"
#include "livelink/Instances.h"
#include "livelink/Protocol.h"
#include "livelink/SceneStore.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "platform/folder.h"
#include "platform/fs.h"
#include "platform/process_control.h"
#include "platform/socket.h"
#include "sceneapi/dev/lumivex_discovery.h"

namespace {

constexpr int kDefaultVersion = 9;
constexpr unsigned kHelloTimeoutMs = 5000;
constexpr unsigned kIdleTimeoutMs = 30000;
constexpr unsigned kAcceptPollMs = 200;
constexpr unsigned kShutdownGraceMs = 3000;
constexpr uint64_t kDefaultMaxStreamMiB = 256;
// Connections served at once; more are closed at once, so a flood of clients
// cannot exhaust threads or memory.
constexpr int kMaxConnections = 16;

struct Options {
  int version = kDefaultVersion;
  std::string dump_folder;
  std::string log_file;
  uint64_t max_stream_bytes = kDefaultMaxStreamMiB << 20;
};

// Log lines go to standard error, or with --log to that file only: a renderer
// started by the host shares the host's standard error.
class Log {
 public:
  void open(const std::string& path) { file_ = platform::open_file(path, "ab"); }
  ~Log() {
    if (file_) std::fclose(file_);
  }
  void line(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string stamped = "lvsim: " + text + "\n";
    std::FILE* out = file_ ? file_ : stderr;
    std::fputs(stamped.c_str(), out);
    std::fflush(out);
  }

 private:
  std::mutex mutex_;
  std::FILE* file_ = nullptr;
};

std::optional<long long> parse_number(const char* text) {
  if (!text || !*text) return std::nullopt;
  char* end = nullptr;
  long long value = std::strtoll(text, &end, 10);
  if (*end != '\0') return std::nullopt;
  return value;
}

int usage(const char* problem) {
  std::fprintf(stderr,
               "lvsim: %s\n"
               "usage: lvsim [--version N] [--dump DIR] [--log FILE] [--max-stream-mib N]\n"
               "       lvsim install --reg FILE [--version N]... [--executable PATH]\n"
               "             [--bin-folder DIR] [--resource-folder DIR] [--ports FIRST-LAST]\n"
               "             [--instances DIR]\n",
               problem);
  return 2;
}

std::string folder_of(const std::string& path) {
  size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? std::string(".") : path.substr(0, cut);
}

int install(int argc, char** argv) {
  std::string reg_path, instances;
  std::vector<int> versions;
  livelink::Installation base;
  base.executable = argv[0];
  base.first_port = 47600;
  base.last_port = 47609;
  for (int i = 2; i < argc; ++i) {
    std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (!value) return usage(("missing value after " + arg).c_str());
    ++i;
    if (arg == "--reg") {
      reg_path = value;
    } else if (arg == "--version") {
      auto v = parse_number(value);
      if (!v || *v < 1 || *v > 1000) return usage("--version takes a number from 1 to 1000");
      versions.push_back(static_cast<int>(*v));
    } else if (arg == "--executable") {
      base.executable = value;
    } else if (arg == "--bin-folder") {
      base.bin_folder = value;
    } else if (arg == "--resource-folder") {
      base.resource_folder = value;
    } else if (arg == "--instances") {
      instances = value;
    } else if (arg == "--ports") {
      std::string range = value;
      size_t dash = range.find('-');
      auto first = parse_number(range.substr(0, dash).c_str());
      auto last = dash == std::string::npos ? first : parse_number(range.substr(dash + 1).c_str());
      if (!first || !last || *first < 1 || *last > 65535 || *last < *first) {
        return usage("--ports takes FIRST-LAST within 1 to 65535");
      }
      base.first_port = static_cast<int>(*first);
      base.last_port = static_cast<int>(*last);
    } else {
      return usage(("unknown option " + arg).c_str());
    }
  }
  if (reg_path.empty()) return usage("install needs --reg FILE");
  if (versions.empty()) versions.push_back(kDefaultVersion);
  if (base.bin_folder.empty()) base.bin_folder = folder_of(base.executable);
  if (base.resource_folder.empty()) base.resource_folder = base.bin_folder;
  std::vector<livelink::Installation> installations;
  for (int v : versions) {
    livelink::Installation i = base;
    i.version = v;
    installations.push_back(i);
  }
  if (!platform::write_file_atomically(reg_path,
                                       livelink::installation_reg(installations, instances))) {
    std::fprintf(stderr, "lvsim: could not write %s\n", reg_path.c_str());
    return 1;
  }
  std::printf("lvsim: installation written to %s\n", reg_path.c_str());
  return 0;
}

class Renderer {
 public:
  Renderer(const Options& options, Log& log) : options_(options), log_(log) {}

  int run() {
    if (!lumivex::choose_installation(options_.version, options_.version)) {
      log_.line("no LumiVex " + std::to_string(options_.version) +
                " installation in the registry (see lvsim install)");
      return 3;
    }
    int first = -1, last = -1;
    int status = lumivex::lookup_live_link_ports(options_.version, options_.version, first, last);
    if (status == lumivex::kOnlyFirstPortRead) last = first;
    if (status < lumivex::kOnlyFirstPortRead || first < 1 || last < first || last > 65535) {
      log_.line("the installation has no usable live-link port range");
      return 3;
    }
    std::optional<platform::Socket> listener;
    int port = first;
    for (; port <= last && !listener; ++port) listener = platform::Socket::listen_loopback(port);
    --port;
    if (!listener) {
      log_.line("no free port from " + std::to_string(first) + " to " + std::to_string(last));
      return 4;
    }
    if (!options_.dump_folder.empty() && !platform::make_folders(options_.dump_folder)) {
      log_.line("cannot create the dump folder " + options_.dump_folder);
      return 5;
    }
    const std::string folder = livelink::instance_folder();
    livelink::remove_stale_records(folder);
    const int64_t pid = platform::current_process_id();
    if (!livelink::publish_instance(folder, {options_.version, pid, port})) {
      log_.line("cannot record the instance in " + folder);
      return 5;
    }
    log_.line("version " + std::to_string(options_.version) + " listening on 127.0.0.1:" +
              std::to_string(port) + ", process " + std::to_string(pid));

    while (!platform::stop_requested()) {
      std::optional<platform::Socket> client = listener->accept_connection(kAcceptPollMs);
      if (!client) continue;
      if (active_ >= kMaxConnections) {
        log_.line("refused a connection: " + std::to_string(kMaxConnections) + " already open");
        continue;
      }
      ++active_;
      std::thread([this, socket = std::move(*client)]() mutable {
        serve(socket);
        socket.close();
        --active_;
      }).detach();
    }
    listener->close();
    livelink::withdraw_instance(folder, pid);
    log_.line("stopping");
    // Connections still open get a moment; a stream cut by the exit is dropped.
    for (unsigned waited = 0; active_ > 0 && waited < kShutdownGraceMs; waited += 50) {
      platform::sleep_milliseconds(50);
    }
    if (active_ > 0) {
      log_.line("leaving " + std::to_string(active_.load()) + " connection(s) unfinished");
      std::fflush(nullptr);
      std::_Exit(0);
    }
    return 0;
  }

 private:
  void serve(platform::Socket& socket) {
    std::optional<livelink::Hello> hello = livelink::receive_hello(socket, kHelloTimeoutMs);
    if (!hello) {
      log_.line("refused a connection that is not a live-link client");
      return;
    }
    if (hello->request == livelink::Request::query) {
      std::string xml;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        xml = store_.scene_xml(options_.version, platform::current_process_id());
      }
      livelink::send_frame(socket, livelink::FrameType::xml, xml);
      return;
    }
    livelink::ReceivedStream stream =
        livelink::receive_stream(socket, kIdleTimeoutMs, options_.max_stream_bytes, &in_flight_);
    if (!stream.complete) {
      log_.line("stream of link " + std::to_string(hello->link_number) +
                " dropped: " + stream.problem);
      livelink::send_frame(socket, livelink::FrameType::rejected, stream.problem);
      return;
    }
    livelink::SceneStore::Outcome outcome;
    {
      // The dump is written under the lock too, so files follow the order of
      // the streams.
      std::lock_guard<std::mutex> lock(mutex_);
      outcome = store_.take_stream(stream.text);
      if (outcome.accepted && !options_.dump_folder.empty()) {
        std::string path =
            platform::join_path(options_.dump_folder, livelink::scene_file_name(outcome.name));
        if (!platform::write_file_atomically(path, store_.scene_file_text(outcome.name))) {
          log_.line("could not write " + path);
        }
      }
    }
    if (!outcome.accepted) {
      log_.line("stream of " + std::to_string(stream.text.size()) +
                " bytes refused: " + outcome.problem);
      livelink::send_frame(socket, livelink::FrameType::rejected, outcome.problem);
      return;
    }
    std::string note =
        "scene \"" + outcome.name + "\" held (" + std::to_string(stream.text.size()) + " bytes)";
    if (outcome.unmatched > 0) {
      note += "; " + std::to_string(outcome.unmatched) +
              " unchanged component(s) had nothing held to keep";
    }
    log_.line(note);
    livelink::send_frame(socket, livelink::FrameType::accepted, {});
  }

  const Options& options_;
  Log& log_;
  std::mutex mutex_;
  livelink::SceneStore store_;
  std::atomic<int> active_{0};
  std::atomic<uint64_t> in_flight_{0};  // bytes of the streams being received
};

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "install") == 0) return install(argc, argv);
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (!value) return usage(("missing value after " + arg).c_str());
    ++i;
    if (arg == "--version") {
      auto v = parse_number(value);
      if (!v || *v < 1 || *v > 1000) return usage("--version takes a number from 1 to 1000");
      options.version = static_cast<int>(*v);
    } else if (arg == "--dump") {
      options.dump_folder = value;
    } else if (arg == "--log") {
      options.log_file = value;
    } else if (arg == "--max-stream-mib") {
      auto v = parse_number(value);
      if (!v || *v < 1 || *v > 65536) return usage("--max-stream-mib takes 1 to 65536");
      options.max_stream_bytes = static_cast<uint64_t>(*v) << 20;
    } else {
      return usage(("unknown option " + arg).c_str());
    }
  }
  platform::install_stop_handler();
  Log log;
  if (!options.log_file.empty()) log.open(options.log_file);
  return Renderer(options, log).run();
}
