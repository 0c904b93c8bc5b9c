#include "rawclient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

namespace qzbench {

namespace {

constexpr std::size_t kMaxAnswerBytes = std::size_t(256) << 20;

[[noreturn]] void fail(const char* what) {
  throw std::runtime_error(std::string("raw client: ") + what);
}

}  // namespace

RawClient::RawClient(int port) : fBuffer(256 * 1024) {
  fSocket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fSocket < 0) fail("socket failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<unsigned short>(port));
  if (::connect(fSocket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fSocket);
    fail("connect failed");
  }
  const int on = 1;
  ::setsockopt(fSocket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  const timeval limit{30, 0};
  ::setsockopt(fSocket, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
}

RawClient::~RawClient() { ::close(fSocket); }

std::size_t RawClient::exchange(std::string_view request) {
  for (std::size_t sent = 0; sent < request.size();) {
    const ssize_t n = ::send(fSocket, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) fail("send failed");
    sent += static_cast<std::size_t>(n);
  }
  std::size_t have = 0;
  std::size_t total = 0;
  std::size_t bodySize = 0;
  // At most one receive per byte of the largest answer, so the loop is bounded.
  for (std::size_t round = 0; round < kMaxAnswerBytes && (total == 0 || have < total); ++round) {
    if (total == 0 && fBuffer.size() - have < 4096) fBuffer.resize(fBuffer.size() * 2);
    const ssize_t n = ::recv(fSocket, fBuffer.data() + have, fBuffer.size() - have, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) fail("connection closed before the answer was whole");
    have += static_cast<std::size_t>(n);
    if (total == 0) {
      const std::string_view seen(fBuffer.data(), have);
      const std::size_t headEnd = seen.find("\r\n\r\n");
      if (headEnd == std::string_view::npos) continue;
      const std::size_t name = seen.substr(0, headEnd).find("Content-Length:");
      if (name == std::string_view::npos) fail("answer without Content-Length");
      bodySize = std::strtoull(fBuffer.data() + name + 15, nullptr, 10);
      if (bodySize > kMaxAnswerBytes) fail("answer too large");
      total = headEnd + 4 + bodySize;
      if (fBuffer.size() < total) fBuffer.resize(total);
    }
  }
  if (have != total) fail("answer longer than announced");
  return bodySize;
}

}  // namespace qzbench
