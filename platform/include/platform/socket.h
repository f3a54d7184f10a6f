// TCP sockets over IPv4, enough for the live link: a listener on the loopback
// interface, outgoing connections, and sends and receives with time limits.
// Writing to a connection the peer has closed fails; it never raises a signal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

class Socket {
 public:
  Socket() = default;
  Socket(Socket&& other) noexcept;
  Socket& operator=(Socket&& other) noexcept;
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  ~Socket();

  // Listens on 127.0.0.1 only. Empty when the port is taken or not allowed.
  static std::optional<Socket> listen_loopback(int port);

  // Connects to host (a name such as "localhost" or a dotted address) at
  // port, giving up after timeout_ms. Empty on failure.
  static std::optional<Socket> connect_to(const std::string& host, int port, unsigned timeout_ms);

  // A connection waiting on a listener; empty when none came within timeout_ms.
  std::optional<Socket> accept_connection(unsigned timeout_ms);

  // Sends every byte; false when the connection failed.
  bool send_all(const void* data, size_t size);

  // Bytes received (1 to size), 0 when the peer closed the connection, -1 on
  // an error, -2 when nothing arrived within timeout_ms.
  long receive(void* data, size_t size, unsigned timeout_ms);

  // Receives exactly size bytes; false on close, error or timeout.
  bool receive_all(void* data, size_t size, unsigned timeout_ms);

  // No more sends; the peer reads the end of the stream.
  void shutdown_send();
  void close();
  bool is_open() const { return handle_ != kInvalid; }
  // The local port (useful after listening on port 0); -1 when unknown.
  int local_port() const;

 private:
  using Handle = std::intptr_t;
  static constexpr Handle kInvalid = -1;
  explicit Socket(Handle handle) : handle_(handle) {}
  Handle handle_ = kInvalid;
};

}  // namespace platform
