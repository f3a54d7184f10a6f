#include "platform/socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstring>

namespace platform {
namespace {

// Winsock is started once for the process and left running.
bool winsock_ready() {
  static const bool ready = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return ready;
}

SOCKET sock_of(std::intptr_t handle) { return static_cast<SOCKET>(handle); }

// 1 ready, 0 timeout, -1 error.
int wait_for(SOCKET s, bool for_write, unsigned timeout_ms) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  fd_set errors;
  FD_ZERO(&errors);
  FD_SET(s, &errors);
  timeval limit;
  limit.tv_sec = static_cast<long>(timeout_ms / 1000);
  limit.tv_usec = static_cast<long>((timeout_ms % 1000) * 1000);
  int r = select(0, for_write ? nullptr : &set, for_write ? &set : nullptr, &errors, &limit);
  if (r == SOCKET_ERROR) return -1;
  if (r == 0) return 0;
  return FD_ISSET(s, &set) ? 1 : -1;
}

SOCKET new_stream_socket() {
  SOCKET s = WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
  if (s == INVALID_SOCKET) s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  return s;
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
  if (port < 0 || port > 65535 || !winsock_ready()) return std::nullopt;
  SOCKET s = new_stream_socket();
  if (s == INVALID_SOCKET) return std::nullopt;
  // Without this another program could bind the same port and take our clients.
  BOOL exclusive = TRUE;
  setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
             sizeof exclusive);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(s, 16) != 0) {
    closesocket(s);
    return std::nullopt;
  }
  return Socket(static_cast<Handle>(s));
}

std::optional<Socket> Socket::connect_to(const std::string& host, int port, unsigned timeout_ms) {
  if (port <= 0 || port > 65535 || !winsock_ready()) return std::nullopt;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) return std::nullopt;
  sockaddr_in address;
  std::memcpy(&address, found->ai_addr, sizeof address);
  freeaddrinfo(found);
  address.sin_port = htons(static_cast<u_short>(port));

  SOCKET s = new_stream_socket();
  if (s == INVALID_SOCKET) return std::nullopt;
  u_long nonblocking = 1;
  ioctlsocket(s, FIONBIO, &nonblocking);
  if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    if (WSAGetLastError() != WSAEWOULDBLOCK || wait_for(s, true, timeout_ms) != 1) {
      closesocket(s);
      return std::nullopt;
    }
  }
  nonblocking = 0;
  ioctlsocket(s, FIONBIO, &nonblocking);
  BOOL one = TRUE;
  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
  return Socket(static_cast<Handle>(s));
}

std::optional<Socket> Socket::accept_connection(unsigned timeout_ms) {
  if (!is_open() || wait_for(sock_of(handle_), false, timeout_ms) != 1) return std::nullopt;
  SOCKET s = accept(sock_of(handle_), nullptr, nullptr);
  if (s == INVALID_SOCKET) return std::nullopt;
  // An accepted socket inherits the listener's blocking mode: make sure it blocks.
  u_long nonblocking = 0;
  ioctlsocket(s, FIONBIO, &nonblocking);
  return Socket(static_cast<Handle>(s));
}

bool Socket::send_all(const void* data, size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    if (!is_open()) return false;
    int chunk = size > (1u << 30) ? (1 << 30) : static_cast<int>(size);
    int sent = send(sock_of(handle_), bytes, chunk, 0);
    if (sent == SOCKET_ERROR || sent <= 0) return false;
    bytes += sent;
    size -= static_cast<size_t>(sent);
  }
  return true;
}

long Socket::receive(void* data, size_t size, unsigned timeout_ms) {
  if (!is_open()) return -1;
  int ready = wait_for(sock_of(handle_), false, timeout_ms);
  if (ready == 0) return -2;
  if (ready < 0) return -1;
  int chunk = size > (1u << 30) ? (1 << 30) : static_cast<int>(size);
  int got = recv(sock_of(handle_), static_cast<char*>(data), chunk, 0);
  return got == SOCKET_ERROR ? -1 : static_cast<long>(got);
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
  if (is_open()) shutdown(sock_of(handle_), SD_SEND);
}

void Socket::close() {
  if (is_open()) closesocket(sock_of(handle_));
  handle_ = kInvalid;
}

int Socket::local_port() const {
  sockaddr_in address{};
  int length = sizeof address;
  if (!is_open() ||
      getsockname(sock_of(handle_), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    return -1;
  }
  return ntohs(address.sin_port);
}

}  // namespace platform
