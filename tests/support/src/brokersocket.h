// One connection of the faulty broker, seen from its serving thread. Every wait also
// watches the broker's stop signal, so stopping ends the thread at once whatever the
// connection is doing.
#ifndef QZTEST_BROKERSOCKET_H
#define QZTEST_BROKERSOCKET_H

#include <chrono>
#include <cstddef>
#include <string>

namespace qztest {
namespace detail {

class BrokerSocket {
public:
  // Takes `fd` over; `stopFd` turns readable when the broker stops.
  BrokerSocket(int fd, int stopFd) : fFd(fd), fStopFd(stopFd) {}
  ~BrokerSocket();  // closes, with a reset when resetOnClose() was called
  BrokerSocket(const BrokerSocket&) = delete;
  BrokerSocket& operator=(const BrokerSocket&) = delete;

  // One whole request: its head up to the empty line and exactly Content-Length body
  // bytes. False when the client closed, the request is too large, or the broker stops.
  bool readRequest(std::string& head, std::string& body);
  // False when the client is gone or the broker stops.
  bool send(const char* data, std::size_t size);
  bool send(const std::string& bytes) { return send(bytes.data(), bytes.size()); }
  // Waits; false when the broker stops meanwhile.
  bool pause(std::chrono::microseconds time);
  // Silence: waits until the client closes, the broker stops or `limit` has passed.
  void holdUntilClosed(std::chrono::milliseconds limit);
  // The close will send a TCP reset instead of the orderly end.
  void resetOnClose();

private:
  // Waits for `events` on the connection; false when the broker stops first or the
  // wait fails. A time-out of -1 waits indefinitely.
  bool waitFor(short events, int timeoutMs, bool& timedOut);

  int fFd;
  int fStopFd;
  std::string fInput;  // bytes received beyond the last request
};

}  // namespace detail
}  // namespace qztest

#endif
