#include "qztest/rawserver.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace qztest {

namespace {

// A request larger than this is a client fault; the server drops the connection.
constexpr std::size_t kMaxRequestBytes = std::size_t(1) << 30;

std::string lowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The value of a header line in a head, names without case; "" when absent.
std::string headerValue(const std::string& head, const std::string& name) {
  const std::string wanted = lowerCase(name) + ":";
  std::size_t line = head.find("\r\n");
  while (line != std::string::npos && line + 2 < head.size()) {
    const std::size_t start = line + 2;
    const std::size_t end = head.find("\r\n", start);
    if (end == std::string::npos) break;
    const std::string text = head.substr(start, end - start);
    if (lowerCase(text.substr(0, wanted.size())) == wanted) {
      std::size_t value = wanted.size();
      while (value < text.size() && text[value] == ' ') ++value;
      return text.substr(value);
    }
    line = end;
  }
  return "";
}

bool sendAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    data += sent;
    size -= static_cast<std::size_t>(sent);
  }
  return true;
}

}  // namespace

std::string RawRequest::header(const std::string& name) const { return headerValue(head, name); }

RawAnswer RawAnswer::closing(std::string raw) {
  RawAnswer answer(std::move(raw));
  answer.closeAfter = true;
  return answer;
}

RawAnswer RawAnswer::truncated(std::string raw, std::size_t limit) {
  RawAnswer answer(std::move(raw));
  answer.writeLimit = limit;
  return answer;
}

RawAnswer RawAnswer::slow(std::string raw, std::size_t piece, std::chrono::milliseconds pause) {
  RawAnswer answer(std::move(raw));
  answer.pieceSize = piece;
  answer.pause = pause;
  return answer;
}

struct RawServer::Connection {
  int fd = -1;
  int index = 0;
  std::string input;
};

RawServer::RawServer() {
  fListener = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fListener < 0) throw std::runtime_error("RawServer: socket failed");
  const int one = 1;
  ::setsockopt(fListener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  if (::bind(fListener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(fListener, 16) != 0) {
    ::close(fListener);
    throw std::runtime_error("RawServer: bind/listen on 127.0.0.1 failed");
  }
  socklen_t length = sizeof address;
  ::getsockname(fListener, reinterpret_cast<sockaddr*>(&address), &length);
  fPort = ntohs(address.sin_port);
  int wake[2];
  if (::pipe(wake) != 0) throw std::runtime_error("RawServer: pipe failed");
  fWakeRead = wake[0];
  fWakeWrite = wake[1];
  // The socket listens before the constructor returns, so clients may connect at once.
  fThread = std::thread([this] { serve(); });
}

RawServer::~RawServer() {
  const char stop = 'x';
  (void)!::write(fWakeWrite, &stop, 1);
  fThread.join();
  ::close(fListener);
  ::close(fWakeRead);
  ::close(fWakeWrite);
}

std::string RawServer::hostPort() const { return "127.0.0.1:" + std::to_string(fPort); }
std::string RawServer::endpoint() const { return "http://" + hostPort(); }

void RawServer::enqueue(RawAnswer answer) {
  std::lock_guard<std::mutex> lock(fMutex);
  fQueue.push_back(std::move(answer));
}

void RawServer::setHandler(Handler handler) {
  std::lock_guard<std::mutex> lock(fMutex);
  fHandler = std::move(handler);
}

std::vector<RawRequest> RawServer::requests() const {
  std::lock_guard<std::mutex> lock(fMutex);
  return fRequests;
}

bool RawServer::waitForRequests(std::size_t count, std::chrono::milliseconds limit) const {
  const auto until = std::chrono::steady_clock::now() + limit;
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(fMutex);
      if (fRequests.size() >= count) return true;
    }
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

RawRequest RawServer::request(std::size_t index) const {
  std::lock_guard<std::mutex> lock(fMutex);
  if (index >= fRequests.size()) {
    ADD_FAILURE() << "RawServer received " << fRequests.size() << " requests, wanted #" << index;
    return RawRequest();
  }
  return fRequests[index];
}

int RawServer::connectionsAccepted() const {
  std::lock_guard<std::mutex> lock(fMutex);
  return fAccepted;
}

RawAnswer RawServer::nextAnswer(const RawRequest& request) {
  Handler handler;
  {
    std::lock_guard<std::mutex> lock(fMutex);
    fRequests.push_back(request);
    if (!fQueue.empty()) {
      RawAnswer answer = std::move(fQueue.front());
      fQueue.pop_front();
      return answer;
    }
    handler = fHandler;
  }
  if (handler) return handler(request);
  return RawAnswer::truncated("", 0);  // nothing to say: close
}

// Reads what is there; answers every complete request. False: close the connection.
bool RawServer::handleReadable(Connection& connection) {
  char block[65536];
  const ssize_t got = ::recv(connection.fd, block, sizeof block, 0);
  if (got <= 0) return false;
  connection.input.append(block, static_cast<std::size_t>(got));
  if (connection.input.size() > kMaxRequestBytes) return false;
  for (;;) {
    const std::size_t headEnd = connection.input.find("\r\n\r\n");
    if (headEnd == std::string::npos) return true;
    RawRequest request;
    request.head = connection.input.substr(0, headEnd + 4);
    request.connection = connection.index;
    const std::string lengthText = headerValue(request.head, "Content-Length");
    const unsigned long long length = lengthText.empty() ? 0 : std::strtoull(lengthText.c_str(), nullptr, 10);
    if (length > kMaxRequestBytes) return false;
    if (connection.input.size() < headEnd + 4 + length) return true;
    request.body = connection.input.substr(headEnd + 4, length);
    connection.input.erase(0, headEnd + 4 + length);

    const RawAnswer answer = nextAnswer(request);
    const std::size_t total = std::min(answer.bytes.size(), answer.writeLimit);
    const std::size_t piece = answer.pieceSize > 0 ? answer.pieceSize : std::max<std::size_t>(total, 1);
    for (std::size_t at = 0; at < total; at += piece) {
      if (answer.pause.count() > 0) std::this_thread::sleep_for(answer.pause);  // a slow broker
      if (!sendAll(connection.fd, answer.bytes.data() + at, std::min(piece, total - at))) return false;
    }
    if (answer.closeAfter || answer.writeLimit != std::string::npos) return false;
  }
}

void RawServer::serve() {
  std::vector<Connection> connections;
  for (;;) {
    std::vector<pollfd> watched;
    watched.push_back({fWakeRead, POLLIN, 0});
    watched.push_back({fListener, POLLIN, 0});
    for (const Connection& c : connections) watched.push_back({c.fd, POLLIN, 0});
    if (::poll(watched.data(), watched.size(), -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (watched[0].revents != 0) break;  // the destructor asks to stop
    if (watched[1].revents & POLLIN) {
      const int fd = ::accept(fListener, nullptr, nullptr);
      if (fd >= 0) {
        std::lock_guard<std::mutex> lock(fMutex);
        connections.push_back({fd, fAccepted++, std::string()});
      }
    }
    // Index loop: the vector grows above only, and closed connections are dropped after.
    for (std::size_t i = 2; i < watched.size(); ++i) {
      if (watched[i].revents == 0) continue;
      Connection& c = connections[i - 2];
      if (!handleReadable(c)) {
        ::close(c.fd);
        c.fd = -1;
      }
    }
    connections.erase(std::remove_if(connections.begin(), connections.end(),
                                     [](const Connection& c) { return c.fd < 0; }),
                      connections.end());
  }
  for (Connection& c : connections) ::close(c.fd);
}

}  // namespace qztest
