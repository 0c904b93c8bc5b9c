// The plain gSOAP baseline: a client of the one-operation echo service, written the
// way a user of gSOAP would write it without this library (one kept-alive context,
// the generated call, soap_destroy and soap_end after each call).
#ifndef QZBENCH_ECHOCLIENT_H
#define QZBENCH_ECHOCLIENT_H

#include <cstddef>
#include <string>
#include <vector>

struct soap;

namespace qzbench {

class EchoClient {
public:
  // A context for the echo service at 127.0.0.1:port; nothing is sent yet.
  explicit EchoClient(int port);
  ~EchoClient();
  EchoClient(const EchoClient&) = delete;
  EchoClient& operator=(const EchoClient&) = delete;

  // One call; returns the echoed text. Throws std::runtime_error on failure.
  std::string echo(const std::string& text);
  // One call carrying `size` bytes as a DIME attachment; the answer's attachment is
  // copied into `received`. Throws std::runtime_error on failure.
  void echoAttachment(const void* bytes, std::size_t size, std::vector<unsigned char>& received);

private:
  struct soap* fSoap = nullptr;
  std::string fEndpoint;
};

}  // namespace qzbench

#endif
