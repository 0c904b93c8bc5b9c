// A plain TCP client for requests that no well-behaved SOAP client sends.
#ifndef SIMBROKER_RAWCLIENT_H
#define SIMBROKER_RAWCLIENT_H

#include <cstddef>
#include <string>

namespace simtest {

class RawClient {
public:
  // Connects to 127.0.0.1:port; reads give up after `timeoutSeconds`.
  explicit RawClient(int port, int timeoutSeconds = 5);
  ~RawClient();
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  // False when the broker has closed the connection.
  bool send(const std::string& bytes);
  void closeWrite();
  // One HTTP answer (head and Content-Length body); "" when the connection closed
  // (or the time-out passed) before a whole answer arrived.
  std::string readAnswer();
  // True when the broker closes the connection before the time-out, reading and
  // dropping whatever it still sends.
  bool closedByPeer();

private:
  int fSocket = -1;
  std::string fPending;
};

// An HTTP POST of `body` as the client sends it.
std::string httpRequest(const std::string& body, const std::string& contentType = "text/xml; charset=utf-8");
// A callTamsa request whose argument element holds `itemsXml`.
std::string callRequest(const std::string& module, const std::string& method, const std::string& itemsXml);
// The envelope of that request alone.
std::string callEnvelope(const std::string& module, const std::string& method, const std::string& itemsXml);
// An HTTP POST of `body` in chunks of at most `chunkSize` bytes, each chunk line with
// an extension, and a trailer field after the last chunk.
std::string chunkedRequest(const std::string& body, std::size_t chunkSize);
// The first line of an answer, without its CR LF.
std::string statusLine(const std::string& answer);

}  // namespace simtest

#endif
