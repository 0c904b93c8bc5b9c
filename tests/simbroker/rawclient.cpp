#include "rawclient.h"

#include "qztest/httpanswers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <stdexcept>

namespace simtest {

RawClient::RawClient(int port, int timeoutSeconds) {
  fSocket = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fSocket < 0) throw std::runtime_error("socket failed");
  timeval timeout{timeoutSeconds, 0};
  setsockopt(fSocket, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  setsockopt(fSocket, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fSocket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fSocket);
    throw std::runtime_error("connect failed");
  }
}

RawClient::~RawClient() { ::close(fSocket); }

bool RawClient::send(const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(fSocket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

void RawClient::closeWrite() { ::shutdown(fSocket, SHUT_WR); }

std::string RawClient::readAnswer() {
  char buffer[65536];
  for (;;) {
    const std::size_t headEnd = fPending.find("\r\n\r\n");
    if (headEnd != std::string::npos) {
      std::size_t length = 0;
      const std::size_t at = fPending.find("Content-Length: ");
      if (at != std::string::npos && at < headEnd) length = std::strtoul(fPending.c_str() + at + 16, nullptr, 10);
      if (fPending.size() >= headEnd + 4 + length) {
        std::string answer = fPending.substr(0, headEnd + 4 + length);
        fPending.erase(0, answer.size());
        return answer;
      }
    }
    const ssize_t n = ::recv(fSocket, buffer, sizeof buffer, 0);
    if (n <= 0) return std::string();
    fPending.append(buffer, static_cast<std::size_t>(n));
  }
}

bool RawClient::closedByPeer() {
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::recv(fSocket, buffer, sizeof buffer, 0);
    if (n == 0) return true;
    if (n < 0) return errno == ECONNRESET;
  }
}

std::string httpRequest(const std::string& body, const std::string& contentType) {
  return "POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: gSOAP/2.7\r\nContent-Type: " + contentType +
         "\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nConnection: keep-alive\r\nSOAPAction: \"\"\r\n\r\n" + body;
}

std::string callEnvelope(const std::string& module, const std::string& method, const std::string& itemsXml) {
  return qztest::soapEnvelope("<qzbroker:callTamsa><qzbroker:mod>" + module + "</qzbroker:mod><qzbroker:meth>" +
                              method + "</qzbroker:meth><qzbroker:p>" + itemsXml +
                              "</qzbroker:p></qzbroker:callTamsa>");
}

std::string callRequest(const std::string& module, const std::string& method, const std::string& itemsXml) {
  return httpRequest(callEnvelope(module, method, itemsXml));
}

std::string chunkedRequest(const std::string& body, std::size_t chunkSize) {
  static const char kHex[] = "0123456789abcdef";
  std::string request =
      "POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: text/xml; charset=utf-8\r\n"
      "Transfer-Encoding: chunked\r\nSOAPAction: \"\"\r\n\r\n";
  for (std::size_t at = 0; at < body.size(); at += chunkSize) {
    const std::size_t size = std::min(chunkSize, body.size() - at);
    std::string digits;
    for (std::size_t n = size; n > 0; n /= 16) digits.insert(digits.begin(), kHex[n % 16]);
    request += digits + ";piece=" + std::to_string(at / chunkSize) + "\r\n" + body.substr(at, size) + "\r\n";
  }
  return request + "0\r\nX-Checked: yes\r\n\r\n";
}

std::string statusLine(const std::string& answer) { return answer.substr(0, answer.find("\r\n")); }

}  // namespace simtest
