#include "brokersocket.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace qztest {
namespace detail {

namespace {

// A request larger than this is not one the client would send: the connection ends.
constexpr std::size_t kMaxRequestBytes = std::size_t(64) << 20;

// The Content-Length of a request head; 0 when absent.
std::size_t contentLength(const std::string& head) {
  std::string lower(head);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const std::size_t at = lower.find("\r\ncontent-length:");
  if (at == std::string::npos) return 0;
  return std::strtoull(head.c_str() + at + 17, nullptr, 10);
}

}  // namespace

BrokerSocket::~BrokerSocket() { ::close(fFd); }

bool BrokerSocket::waitFor(short events, int timeoutMs, bool& timedOut) {
  timedOut = false;
  for (;;) {
    pollfd watched[2] = {{fFd, events, 0}, {fStopFd, POLLIN, 0}};
    const int ready = ::poll(watched, 2, timeoutMs);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0 || watched[1].revents != 0) return false;
    timedOut = ready == 0;
    return true;
  }
}

bool BrokerSocket::readRequest(std::string& head, std::string& body) {
  for (;;) {
    const std::size_t headEnd = fInput.find("\r\n\r\n");
    if (headEnd != std::string::npos) {
      const std::size_t length = contentLength(fInput.substr(0, headEnd + 2));
      if (length > kMaxRequestBytes) return false;
      if (fInput.size() >= headEnd + 4 + length) {
        head = fInput.substr(0, headEnd + 4);
        body = fInput.substr(headEnd + 4, length);
        fInput.erase(0, headEnd + 4 + length);
        return true;
      }
    } else if (fInput.size() > kMaxRequestBytes) {
      return false;
    }
    bool timedOut;
    if (!waitFor(POLLIN, -1, timedOut)) return false;
    char block[65536];
    const ssize_t got = ::recv(fFd, block, sizeof block, MSG_DONTWAIT);
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) continue;
    if (got <= 0) return false;
    fInput.append(block, static_cast<std::size_t>(got));
  }
}

bool BrokerSocket::send(const char* data, std::size_t size) {
  while (size > 0) {
    bool timedOut;
    if (!waitFor(POLLOUT, -1, timedOut)) return false;
    const ssize_t sent = ::send(fFd, data, size, MSG_DONTWAIT | MSG_NOSIGNAL);
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) continue;
    if (sent <= 0) return false;
    data += sent;
    size -= static_cast<std::size_t>(sent);
  }
  return true;
}

bool BrokerSocket::pause(std::chrono::microseconds time) {
  if (time.count() <= 0) return true;
  pollfd stop{fStopFd, POLLIN, 0};
  const auto end = std::chrono::steady_clock::now() + time;
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    if (left.count() <= 0) return true;
    const int ready = ::poll(&stop, 1, static_cast<int>(left.count()));
    if (ready > 0) return false;
    if (ready < 0 && errno != EINTR) return false;
  }
}

void BrokerSocket::holdUntilClosed(std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    if (left.count() <= 0) return;
    bool timedOut;
    if (!waitFor(POLLIN, static_cast<int>(left.count()), timedOut) || timedOut) return;
    // Whatever the client sends meanwhile is left unanswered; its close ends the hold.
    char block[4096];
    const ssize_t got = ::recv(fFd, block, sizeof block, MSG_DONTWAIT);
    if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) return;
  }
}

void BrokerSocket::resetOnClose() {
  const linger abort{1, 0};
  ::setsockopt(fFd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
}

}  // namespace detail
}  // namespace qztest
