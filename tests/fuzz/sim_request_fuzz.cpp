// Fuzz entry of the simulated broker's request handling under a hostile client: the
// bytes are what the client writes on one connection (one request or several, whole
// or not), served through the broker's real serving path on one end of a socket pair,
// with a fresh service each time. Besides surviving every input, the broker must keep
// two promises:
// - it ends the connection once the client has stopped writing (a call that takes
//   longer than a second is stopped, as a broker stop would);
// - what it writes back is a sequence of whole HTTP answers, each with its
//   Content-Length (or an interim 100 Continue), and nothing after one that says
//   "Connection: close".
#include "connection.h"
#include "serveloop.h"
#include "service.h"
#include "servingcontext.h"

#include "stdsoap2.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// Longer calls are stopped: the simulated motions and speech take their time.
constexpr std::chrono::milliseconds kCallBound(1000);
constexpr std::chrono::seconds kEndBound(10);

void fail(const char* what, const std::string& input, const std::string& output) {
  std::fprintf(stderr, "invariant broken: %s\n-- input (%zu bytes):\n%.2000s\n-- output (%zu bytes):\n%.2000s\n", what,
               input.size(), input.c_str(), output.size(), output.c_str());
  std::abort();
}

qzsim::BrokerLimits fuzzLimits() {
  qzsim::BrokerLimits limits;
  limits.idleSeconds = 2;
  limits.maxMessageBytes = 1 << 20;
  return limits;
}

// The context every connection's context is copied from, as the listener's.
struct soap* servingContext() {
  static struct soap* const context = qzsim::newServingContext(fuzzLimits());
  return context;
}

void writeAll(int socket, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) break;  // the broker closed the connection before reading it all
    sent += static_cast<std::size_t>(n);
  }
  ::shutdown(socket, SHUT_WR);
}

// Everything the broker writes until it closes the connection. Past kCallBound the
// service is stopped and the connection shut down; `stopped` tells.
std::string readAll(int socket, int brokerSocket, qzsim::Service& service, std::atomic<bool>& stopped) {
  std::string output;
  const Clock::time_point start = Clock::now();
  char buffer[65536];
  for (;;) {
    if (!stopped && Clock::now() - start > kCallBound) {
      stopped = true;
      service.shutdown();
      ::shutdown(brokerSocket, SHUT_RDWR);
    }
    if (Clock::now() - start > kEndBound) return output;  // checked by the caller
    pollfd ready{socket, POLLIN, 0};
    if (::poll(&ready, 1, 50) <= 0) continue;
    const ssize_t n = ::recv(socket, buffer, sizeof buffer, 0);
    if (n <= 0) return output;
    output.append(buffer, static_cast<std::size_t>(n));
  }
}

// The value of the header field `name` in `head`, "" when it is absent.
std::string headerValue(const std::string& head, const std::string& name) {
  const std::string key = "\r\n" + name + ": ";
  const std::size_t at = head.find(key);
  if (at == std::string::npos) return std::string();
  const std::size_t begin = at + key.size();
  return head.substr(begin, head.find("\r\n", begin) - begin);
}

void checkAnswers(const std::string& input, const std::string& output) {
  std::size_t at = 0;
  bool closed = false;
  while (at < output.size()) {
    if (closed) fail("bytes after an answer that closes the connection", input, output);
    const std::size_t headEnd = output.find("\r\n\r\n", at);
    if (headEnd == std::string::npos) fail("an answer's head is cut short", input, output);
    const std::string head = output.substr(at, headEnd + 2 - at);
    if (head.compare(0, 9, "HTTP/1.1 ") != 0 || head.size() < 13 || head[12] != ' ')
      fail("an answer does not begin with a status line", input, output);
    at = headEnd + 4;
    if (head.compare(9, 3, "100") == 0) continue;
    const std::string length = headerValue(head, "Content-Length");
    if (length.empty() || length.find_first_not_of("0123456789") != std::string::npos)
      fail("an answer without a Content-Length", input, output);
    const unsigned long long size = std::strtoull(length.c_str(), nullptr, 10);
    if (size > output.size() - at) fail("an answer's body is cut short", input, output);
    at += static_cast<std::size_t>(size);
    closed = headerValue(head, "Connection") == "close";
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  int sockets[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, sockets) != 0) return 0;
  const qzsim::BrokerLimits limits = fuzzLimits();
  qzsim::Service service(limits.maxTasks);
  qzsim::Connection connection(service, nullptr, sockets[0], limits.idleSeconds, limits.maxMessageBytes);
  connection.soap = soap_copy(servingContext());
  if (connection.soap == nullptr) std::abort();
  connection.soap->socket = sockets[0];
  connection.soap->user = &connection;

  std::atomic<bool> stopped{false};
  std::string output;
  std::thread writer([&] { writeAll(sockets[1], input); });
  std::thread reader([&] { output = readAll(sockets[1], sockets[0], service, stopped); });
  const Clock::time_point start = Clock::now();
  qzsim::serveConnection(connection);  // closes sockets[0]
  const bool ended = Clock::now() - start < kEndBound;
  soap_destroy(connection.soap);
  soap_end(connection.soap);
  soap_free(connection.soap);
  writer.join();
  reader.join();
  ::close(sockets[1]);
  if (!ended) fail("the connection did not end", input, output);
  if (!stopped) checkAnswers(input, output);
  return 0;
}
