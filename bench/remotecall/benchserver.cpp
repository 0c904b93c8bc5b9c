#include "benchserver.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace qzbench {

namespace {

constexpr std::size_t kMaxHeadBytes = 64 * 1024;
constexpr std::size_t kMaxBodyBytes = std::size_t(64) << 20;
constexpr std::size_t kReadChunk = 256 * 1024;
constexpr int kIdleSeconds = 60;  // a silent client is dropped after this
constexpr std::size_t kMaxPiecesPerSend = 1024;  // IOV_MAX on Linux

// Content-Length of a request head; 0 when absent, -1 when unreadable.
long long contentLength(std::string_view head) {
  static const char kName[] = "\r\ncontent-length:";
  const std::size_t nameSize = sizeof kName - 1;
  for (std::size_t at = 0; at + nameSize <= head.size(); ++at) {
    std::size_t i = 0;
    while (i < nameSize &&
           std::tolower(static_cast<unsigned char>(head[at + i])) == kName[i])
      ++i;
    if (i < nameSize) continue;
    std::size_t digit = at + nameSize;
    while (digit < head.size() && head[digit] == ' ') ++digit;
    long long value = 0;
    bool any = false;
    while (digit < head.size() && head[digit] >= '0' && head[digit] <= '9' && value < (1LL << 40)) {
      value = value * 10 + (head[digit++] - '0');
      any = true;
    }
    return any ? value : -1;
  }
  return 0;
}

// Receives at least one byte into buf[have..), the buffer grown to hold `need` bytes
// first; false when the peer closed, failed or stayed silent too long.
bool receiveMore(int fd, std::vector<char>& buf, std::size_t& have, std::size_t need) {
  if (buf.size() < need) buf.resize(std::max(need, buf.size() * 2));
  for (int attempt = 0; attempt < 100; ++attempt) {
    const ssize_t got = ::recv(fd, buf.data() + have, buf.size() - have, 0);
    if (got > 0) {
      have += static_cast<std::size_t>(got);
      return true;
    }
    if (got < 0 && errno == EINTR) continue;
    return false;
  }
  return false;
}

// Writes all iovecs; false when the peer went away.
bool sendAll(int fd, std::vector<iovec>& pieces) {
  std::size_t first = 0;
  while (first < pieces.size()) {
    msghdr message{};
    message.msg_iov = pieces.data() + first;
    message.msg_iovlen = std::min<std::size_t>(pieces.size() - first, kMaxPiecesPerSend);
    const ssize_t sent = ::sendmsg(fd, &message, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    std::size_t left = static_cast<std::size_t>(sent);
    while (first < pieces.size() && left >= pieces[first].iov_len) left -= pieces[first++].iov_len;
    if (left > 0) {
      pieces[first].iov_base = static_cast<char*>(pieces[first].iov_base) + left;
      pieces[first].iov_len -= left;
    }
  }
  return true;
}

// Reads one whole request into buf[0, total), its head being buf[0, headSize); false
// when the connection ends or the request is too large.
bool readRequest(int fd, std::vector<char>& buf, std::size_t& have, std::size_t& headSize,
                 std::size_t& total) {
  std::size_t searched = 0;
  for (;;) {
    const std::size_t headEnd =
        std::string_view(buf.data(), have).find("\r\n\r\n", searched > 3 ? searched - 3 : 0);
    if (headEnd != std::string_view::npos) {
      headSize = headEnd + 4;
      break;
    }
    searched = have;
    if (have >= kMaxHeadBytes || !receiveMore(fd, buf, have, have + 1)) return false;
  }
  const long long length = contentLength(std::string_view(buf.data(), headSize));
  if (length < 0 || static_cast<unsigned long long>(length) > kMaxBodyBytes) return false;
  total = headSize + static_cast<std::size_t>(length);
  while (have < total)
    if (!receiveMore(fd, buf, have, total)) return false;
  return true;
}

bool writeReply(int fd, const Reply& reply) {
  std::size_t length = 0;
  for (std::string_view piece : reply.body) length += piece.size();
  char head[512];
  const int headSize =
      std::snprintf(head, sizeof head,
                    "HTTP/1.1 %s\r\nServer: qzbench\r\nContent-Type: %s\r\nContent-Length: %zu\r\n"
                    "Connection: keep-alive\r\n\r\n",
                    reply.status.c_str(), reply.contentType.c_str(), length);
  if (headSize <= 0 || static_cast<std::size_t>(headSize) >= sizeof head) return false;
  std::vector<iovec> pieces;
  pieces.reserve(reply.body.size() + 1);
  pieces.push_back({head, static_cast<std::size_t>(headSize)});
  for (std::string_view piece : reply.body)
    if (!piece.empty()) pieces.push_back({const_cast<char*>(piece.data()), piece.size()});
  return sendAll(fd, pieces);
}

}  // namespace

BenchServer::BenchServer(Handler handler) : fHandler(std::move(handler)) {
  fListener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fListener < 0) throw std::runtime_error("bench server: socket failed");
  const int on = 1;
  ::setsockopt(fListener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t size = sizeof address;
  if (::bind(fListener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(fListener, 64) != 0 ||
      ::getsockname(fListener, reinterpret_cast<sockaddr*>(&address), &size) != 0 ||
      ::pipe2(fWake, O_CLOEXEC) != 0) {
    ::close(fListener);
    throw std::runtime_error("bench server: cannot listen on 127.0.0.1");
  }
  fPort = ntohs(address.sin_port);
  fAcceptor = std::thread([this] { acceptLoop(); });
}

BenchServer::~BenchServer() {
  {
    std::lock_guard<std::mutex> lock(fMutex);
    fStopping = true;
    for (int fd : fOpen) ::shutdown(fd, SHUT_RDWR);  // wakes the blocked receives
  }
  const char stop = 's';
  (void)!::write(fWake[1], &stop, 1);
  fAcceptor.join();
  for (std::thread& worker : fWorkers) worker.join();
  ::close(fListener);
  ::close(fWake[0]);
  ::close(fWake[1]);
}

void BenchServer::acceptLoop() {
  for (;;) {
    pollfd watched[2] = {{fListener, POLLIN, 0}, {fWake[0], POLLIN, 0}};
    const int ready = ::poll(watched, 2, 1000);
    {
      std::lock_guard<std::mutex> lock(fMutex);
      if (fStopping) return;
    }
    if (ready <= 0 || (watched[0].revents & POLLIN) == 0) continue;
    const int fd = ::accept4(fListener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    const timeval idle{kIdleSeconds, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &idle, sizeof idle);
    std::lock_guard<std::mutex> lock(fMutex);
    if (fStopping) {
      ::close(fd);
      return;
    }
    fOpen.push_back(fd);
    fWorkers.emplace_back([this, fd] { serveConnection(fd); });
  }
}

void BenchServer::serveConnection(int fd) {
  std::vector<char> buf(kReadChunk);
  std::size_t have = 0;
  std::size_t headSize = 0;
  std::size_t total = 0;
  while (readRequest(fd, buf, have, headSize, total)) {
    Request request;
    request.head = std::string_view(buf.data(), headSize);
    request.body = std::string_view(buf.data() + headSize, total - headSize);
    request.dime = request.head.find("application/dime") != std::string_view::npos;
    Reply reply;
    fHandler(request, reply);
    if (reply.contentType.empty() || !writeReply(fd, reply)) break;
    // Bytes of a next request that arrived with this one move to the front.
    std::memmove(buf.data(), buf.data() + total, have - total);
    have -= total;
  }
  std::lock_guard<std::mutex> lock(fMutex);
  fOpen.erase(std::remove(fOpen.begin(), fOpen.end(), fd), fOpen.end());
  ::close(fd);
}

}  // namespace qzbench
