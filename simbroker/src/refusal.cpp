#include "refusal.h"

#include "stdsoap2.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>

extern SOAP_NMAC struct Namespace namespaces[];

namespace qzsim {

namespace {

using Clock = std::chrono::steady_clock;

// How long a closing connection keeps reading what the client still sends.
constexpr std::chrono::milliseconds kLinger(1000);

const char* statusText(int status) {
  switch (status) {
    case 400: return "Bad Request";
    case 408: return "Request Timeout";
    case 413: return "Payload Too Large";
    case 431: return "Request Header Fields Too Large";
    case 501: return "Not Implemented";
    case 505: return "HTTP Version Not Supported";
    default: return "Internal Server Error";
  }
}

std::string escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '&') out += "&amp;";
    else if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else out += c;
  }
  return out;
}

// The envelope the broker's own faults come in, with every namespace of its table.
std::string faultEnvelope(const std::string& faultCode, const std::string& faultString) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<SOAP-ENV:Envelope";
  for (const Namespace* entry = namespaces; entry->id != nullptr; ++entry)
    xml += std::string(" xmlns:") + entry->id + "=\"" + entry->ns + "\"";
  return xml + "><SOAP-ENV:Body><SOAP-ENV:Fault><faultcode>" + faultCode + "</faultcode><faultstring>" +
         escaped(faultString) + "</faultstring></SOAP-ENV:Fault></SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

int millisecondsLeftUntil(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

std::string refusalAnswer(const Refusal& refusal) {
  const int status = refusal.status >= 400 && refusal.status < 600 ? refusal.status : 500;
  const std::string body =
      faultEnvelope(status < 500 ? "SOAP-ENV:Client" : "SOAP-ENV:Server", refusal.reason);
  return "HTTP/1.1 " + std::to_string(status) + " " + statusText(status) +
         "\r\nContent-Type: text/xml; charset=utf-8\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n\r\n" + body;
}

bool sendAll(int socket, const std::string& bytes, int seconds) {
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(seconds);
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) return false;
    pollfd waiting{socket, POLLOUT, 0};
    const int ready = ::poll(&waiting, 1, millisecondsLeftUntil(deadline));
    if (ready == 0 || (ready < 0 && errno != EINTR)) return false;
  }
  return true;
}

void lingerBeforeClose(int socket, bool peerClosed) {
  ::shutdown(socket, SHUT_WR);
  if (peerClosed) return;
  const Clock::time_point deadline = Clock::now() + kLinger;
  char dropped[16384];
  while (Clock::now() < deadline) {
    const ssize_t n = ::recv(socket, dropped, sizeof dropped, MSG_DONTWAIT);
    if (n > 0 || (n < 0 && errno == EINTR)) continue;
    if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) return;
    pollfd waiting{socket, POLLIN, 0};
    if (::poll(&waiting, 1, millisecondsLeftUntil(deadline)) == 0) return;
  }
}

}  // namespace qzsim
