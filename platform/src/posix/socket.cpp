#include "platform/socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {
namespace {

#ifdef MSG_NOSIGNAL
constexpr int kSendFlags = MSG_NOSIGNAL;
#else
constexpr int kSendFlags = 0;
#endif

int fd_of(std::intptr_t handle) { return static_cast<int>(handle); }

// 1 ready, 0 timeout, -1 error.
int wait_for(int fd, short events, unsigned timeout_ms) {
  pollfd p{fd, events, 0};
  while (true) {
    int r = ::poll(&p, 1, static_cast<int>(timeout_ms));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return -1;
    return r == 0 ? 0 : 1;
  }
}

int new_stream_socket() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return -1;
  ::fcntl(fd, F_SETFD, FD_CLOEXEC);
#ifdef SO_NOSIGPIPE
  int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_NOSIGPIPE, &one, sizeof one);
#endif
  return fd;
}

}  // namespace

Socket::Socket(Socket&& other) noexcept : handle_(other.handle_) { other.handle_ = kInvalid; }

Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = other.handle_;
    other.handle_ = kInvalid;
  }
  return *this;
}

Socket::~Socket() { close(); }

std::optional<Socket> Socket::listen_loopback(int port) {
  if (port < 0 || port > 65535) return std::nullopt;
  int fd = new_stream_socket();
  if (fd < 0) return std::nullopt;
  int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(fd, 16) != 0) {
    ::close(fd);
    return std::nullopt;
  }
  return Socket(fd);
}

std::optional<Socket> Socket::connect_to(const std::string& host, int port, unsigned timeout_ms) {
  if (port <= 0 || port > 65535) return std::nullopt;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) return std::nullopt;
  sockaddr_in address;
  std::memcpy(&address, found->ai_addr, sizeof address);
  ::freeaddrinfo(found);
  address.sin_port = htons(static_cast<uint16_t>(port));

  int fd = new_stream_socket();
  if (fd < 0) return std::nullopt;
  int flags = ::fcntl(fd, F_GETFL, 0);
  ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
  int r = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  if (r != 0 && errno != EINPROGRESS) {
    ::close(fd);
    return std::nullopt;
  }
  if (r != 0) {
    int error = 0;
    socklen_t length = sizeof error;
    if (wait_for(fd, POLLOUT, timeout_ms) != 1 ||
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
      ::close(fd);
      return std::nullopt;
    }
  }
  ::fcntl(fd, F_SETFL, flags);
  int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return Socket(fd);
}

std::optional<Socket> Socket::accept_connection(unsigned timeout_ms) {
  if (!is_open() || wait_for(fd_of(handle_), POLLIN, timeout_ms) != 1) return std::nullopt;
  int fd = ::accept(fd_of(handle_), nullptr, nullptr);
  if (fd < 0) return std::nullopt;
  ::fcntl(fd, F_SETFD, FD_CLOEXEC);
#ifdef SO_NOSIGPIPE
  int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_NOSIGPIPE, &one, sizeof one);
#endif
  return Socket(fd);
}

bool Socket::send_all(const void* data, size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    if (!is_open()) return false;
    ssize_t sent = ::send(fd_of(handle_), bytes, size, kSendFlags);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    bytes += sent;
    size -= static_cast<size_t>(sent);
  }
  return true;
}

long Socket::receive(void* data, size_t size, unsigned timeout_ms) {
  if (!is_open()) return -1;
  int ready = wait_for(fd_of(handle_), POLLIN, timeout_ms);
  if (ready == 0) return -2;
  if (ready < 0) return -1;
  while (true) {
    ssize_t got = ::recv(fd_of(handle_), data, size, 0);
    if (got < 0 && errno == EINTR) continue;
    return got < 0 ? -1 : static_cast<long>(got);
  }
}

bool Socket::receive_all(void* data, size_t size, unsigned timeout_ms) {
  char* bytes = static_cast<char*>(data);
  while (size > 0) {
    long got = receive(bytes, size, timeout_ms);
    if (got <= 0) return false;
    bytes += got;
    size -= static_cast<size_t>(got);
  }
  return true;
}

void Socket::shutdown_send() {
  if (is_open()) ::shutdown(fd_of(handle_), SHUT_WR);
}

void Socket::close() {
  if (is_open()) ::close(fd_of(handle_));
  handle_ = kInvalid;
}

int Socket::local_port() const {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  if (!is_open() ||
      ::getsockname(fd_of(handle_), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    return -1;
  }
  return ntohs(address.sin_port);
}

}  // namespace platform
