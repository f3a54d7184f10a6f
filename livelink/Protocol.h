// The wire protocol between the live-link library and the stand-in renderer
// (described for users in docs/live-link.md).
//
// A connection starts with a hello: the four bytes "LVLK", the protocol
// version (1), the request ('S' a scene stream, 'Q' a query of the held
// scenes) and the 32-bit little-endian link number. After that both sides
// exchange frames: a type byte, a 32-bit little-endian payload length and the
// payload.
//
//   scene stream   client: 'D' frames carrying the scene text in order, then
//                  one 'E' frame whose payload is the 64-bit little-endian
//                  count of text bytes sent; server: 'K' (taken) or 'R' with
//                  the reason. A stream without its 'E' frame, or whose count
//                  disagrees, is cut and dropped whole.
//   query          server: one 'X' frame with the XML of the held scenes.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/socket.h"
#include "sceneapi/orvScene_api_file.h"

namespace livelink {

inline constexpr char kProtocolMagic[4] = {'L', 'V', 'L', 'K'};
inline constexpr uint8_t kProtocolVersion = 1;
inline constexpr size_t kHelloSize = 10;
inline constexpr uint32_t kMaxFramePayload = 1u << 20;

enum class Request : char { scene = 'S', query = 'Q' };

enum class FrameType : char {
  data = 'D',
  end = 'E',
  xml = 'X',
  accepted = 'K',
  rejected = 'R',
};

struct Hello {
  Request request;
  uint32_t link_number;
};

bool send_hello(platform::Socket& socket, Request request, uint32_t link_number);
// Empty when the bytes are not a hello of this protocol version.
std::optional<Hello> receive_hello(platform::Socket& socket, unsigned timeout_ms);

bool send_frame(platform::Socket& socket, FrameType type, std::string_view payload);

struct Frame {
  FrameType type;
  std::string payload;
};

enum class FrameStatus { ok, closed, timeout, invalid };

// Reads one frame; a payload longer than max_payload is invalid and nothing
// of it is allocated.
FrameStatus receive_frame(platform::Socket& socket, Frame& frame, unsigned timeout_ms,
                          uint32_t max_payload = kMaxFramePayload);

// The text writer's sink for a live connection: collects bytes into frames
// of up to 64 KiB. After a failed send nothing more is sent.
class FrameSink : public SceneTextSink {
 public:
  explicit FrameSink(platform::Socket& socket) : socket_(socket) {}
  bool write(const char* data, size_t size) override;
  // Sends what is buffered.
  bool flush();
  // Flushes and sends the end frame.
  bool finish();
  bool failed() const { return failed_; }
  uint64_t bytes_written() const { return total_; }

 private:
  static constexpr size_t kFrameBytes = 64 * 1024;
  platform::Socket& socket_;
  std::string buffer_;
  uint64_t total_ = 0;
  bool failed_ = false;
};

struct ReceivedStream {
  bool complete = false;
  std::string text;
  std::string problem;  // why an incomplete stream was dropped
};

// Reads 'D' frames up to the 'E' frame. Each wait for the next frame may
// take idle_timeout_ms; a stream longer than max_bytes is refused. With
// in_flight, the streams being received at the same time share that limit:
// in_flight counts their bytes, and a frame that would take the sum past
// max_bytes cuts its stream.
ReceivedStream receive_stream(platform::Socket& socket, unsigned idle_timeout_ms,
                              uint64_t max_bytes, std::atomic<uint64_t>* in_flight = nullptr);

}  // namespace livelink
