// The floor of every exchange: a plain socket client that sends request bytes made
// beforehand and reads the answer whole, with no SOAP or XML work at all.
#ifndef QZBENCH_RAWCLIENT_H
#define QZBENCH_RAWCLIENT_H

#include <cstddef>
#include <string_view>
#include <vector>

namespace qzbench {

class RawClient {
public:
  // Connects to 127.0.0.1:port; throws std::runtime_error when it cannot.
  explicit RawClient(int port);
  ~RawClient();
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  // Sends `request` and reads one answer (head and Content-Length body); returns the
  // body's size. Throws std::runtime_error when the exchange fails.
  std::size_t exchange(std::string_view request);

private:
  int fSocket = -1;
  std::vector<char> fBuffer;
};

}  // namespace qzbench

#endif
