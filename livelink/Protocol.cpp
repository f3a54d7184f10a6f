#include "livelink/Protocol.h"

#include <cstring>

namespace livelink {
namespace {

void put_u32(char* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<char>((value >> (8 * i)) & 0xff);
}

uint32_t get_u32(const unsigned char* in) {
  return uint32_t{in[0]} | uint32_t{in[1]} << 8 | uint32_t{in[2]} << 16 | uint32_t{in[3]} << 24;
}

}  // namespace

bool send_hello(platform::Socket& socket, Request request, uint32_t link_number) {
  char hello[kHelloSize];
  std::memcpy(hello, kProtocolMagic, 4);
  hello[4] = static_cast<char>(kProtocolVersion);
  hello[5] = static_cast<char>(request);
  put_u32(hello + 6, link_number);
  return socket.send_all(hello, sizeof hello);
}

std::optional<Hello> receive_hello(platform::Socket& socket, unsigned timeout_ms) {
  unsigned char hello[kHelloSize];
  if (!socket.receive_all(hello, sizeof hello, timeout_ms)) return std::nullopt;
  if (std::memcmp(hello, kProtocolMagic, 4) != 0 || hello[4] != kProtocolVersion) {
    return std::nullopt;
  }
  char request = static_cast<char>(hello[5]);
  if (request != static_cast<char>(Request::scene) &&
      request != static_cast<char>(Request::query)) {
    return std::nullopt;
  }
  return Hello{static_cast<Request>(request), get_u32(hello + 6)};
}

bool send_frame(platform::Socket& socket, FrameType type, std::string_view payload) {
  if (payload.size() > UINT32_MAX) return false;
  char head[5];
  head[0] = static_cast<char>(type);
  put_u32(head + 1, static_cast<uint32_t>(payload.size()));
  return socket.send_all(head, sizeof head) &&
         (payload.empty() || socket.send_all(payload.data(), payload.size()));
}

FrameStatus receive_frame(platform::Socket& socket, Frame& frame, unsigned timeout_ms,
                          uint32_t max_payload) {
  unsigned char head[5];
  long got = socket.receive(head, 1, timeout_ms);
  if (got == 0) return FrameStatus::closed;
  if (got == -2) return FrameStatus::timeout;
  if (got < 0) return FrameStatus::closed;
  if (!socket.receive_all(head + 1, 4, timeout_ms)) return FrameStatus::closed;
  switch (static_cast<FrameType>(head[0])) {
    case FrameType::data:
    case FrameType::end:
    case FrameType::xml:
    case FrameType::accepted:
    case FrameType::rejected:
      break;
    default:
      return FrameStatus::invalid;
  }
  uint32_t length = get_u32(head + 1);
  if (length > max_payload) return FrameStatus::invalid;
  frame.type = static_cast<FrameType>(head[0]);
  frame.payload.resize(length);
  if (length > 0 && !socket.receive_all(frame.payload.data(), length, timeout_ms)) {
    return FrameStatus::closed;
  }
  return FrameStatus::ok;
}

bool FrameSink::write(const char* data, size_t size) {
  if (failed_) return false;
  buffer_.append(data, size);
  total_ += size;
  while (buffer_.size() >= kFrameBytes) {
    if (!send_frame(socket_, FrameType::data, std::string_view(buffer_).substr(0, kFrameBytes))) {
      failed_ = true;
      buffer_.clear();
      return false;
    }
    buffer_.erase(0, kFrameBytes);
  }
  return true;
}

bool FrameSink::flush() {
  if (failed_) return false;
  if (!buffer_.empty() && !send_frame(socket_, FrameType::data, buffer_)) failed_ = true;
  buffer_.clear();
  return !failed_;
}

bool FrameSink::finish() {
  if (!flush()) return false;
  char count[8];
  for (int i = 0; i < 8; ++i) count[i] = static_cast<char>((total_ >> (8 * i)) & 0xff);
  if (!send_frame(socket_, FrameType::end, std::string_view(count, 8))) failed_ = true;
  return !failed_;
}

ReceivedStream receive_stream(platform::Socket& socket, unsigned idle_timeout_ms,
                              uint64_t max_bytes, std::atomic<uint64_t>* in_flight) {
  ReceivedStream stream;
  uint64_t counted = 0;  // this stream's share of in_flight
  Frame frame;
  while (true) {
    FrameStatus status = receive_frame(socket, frame, idle_timeout_ms);
    if (status == FrameStatus::closed) {
      stream.problem = "the connection closed before the end of the stream";
      break;
    }
    if (status == FrameStatus::timeout) {
      stream.problem = "the client sent nothing for too long";
      break;
    }
    if (status == FrameStatus::invalid) {
      stream.problem = "a frame of an unknown type or too long";
      break;
    }
    if (frame.type == FrameType::data) {
      if (stream.text.size() + frame.payload.size() > max_bytes) {
        stream.problem = "the stream is longer than " + std::to_string(max_bytes) + " bytes";
        break;
      }
      if (in_flight) {
        uint64_t total = in_flight->fetch_add(frame.payload.size()) + frame.payload.size();
        counted += frame.payload.size();
        if (total > max_bytes) {
          stream.problem =
              "streams arriving together exceed " + std::to_string(max_bytes) + " bytes";
          break;
        }
      }
      stream.text += frame.payload;
      continue;
    }
    if (frame.type == FrameType::end && frame.payload.size() == 8) {
      uint64_t count = 0;
      for (int i = 0; i < 8; ++i) {
        count |= uint64_t{static_cast<unsigned char>(frame.payload[i])} << (8 * i);
      }
      if (count != stream.text.size()) {
        stream.problem = "the stream ended after " + std::to_string(stream.text.size()) + " of " +
                         std::to_string(count) + " bytes";
        break;
      }
      stream.complete = true;
      break;
    }
    stream.problem = "an unexpected frame in the stream";
    break;
  }
  if (in_flight) in_flight->fetch_sub(counted);
  if (!stream.complete) {
    stream.text.clear();
    stream.text.shrink_to_fit();
  }
  return stream;
}

}  // namespace livelink
