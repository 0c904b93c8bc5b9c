// The simulated robot broker: the 45 modules of the catalogue served in-process over
// the broker protocol, so that applications and tests run without a robot.
#ifndef QZSIM_BROKER_H
#define QZSIM_BROKER_H

#include <cstddef>
#include <memory>
#include <string>

namespace qzsim {

// What one broker lets its clients hold at a time.
struct BrokerLimits {
  int maxConnections = 1024;       // further connections are closed at once
  int maxTasks = 64;               // posted calls running at once; more are refused
  int idleSeconds = 60;            // a silent connection is closed after this long
  std::size_t maxMessageBytes = std::size_t(64) << 20;  // one request, attachments included
};

class Broker {
public:
  // Listens on address:port (port 0: an ephemeral port, see port()) and serves at
  // once, one thread per connection. Throws QZ::QZError when it cannot listen.
  explicit Broker(const std::string& address = "127.0.0.1", int port = 0,
                  const BrokerLimits& limits = BrokerLimits());
  ~Broker();  // stop()
  Broker(const Broker&) = delete;
  Broker& operator=(const Broker&) = delete;

  // The port it listens on, the real one when it was given 0.
  int port() const;
  const std::string& address() const;
  // Stops posted tasks and running calls, closes every connection and joins every
  // thread. Returns within a fraction of a second; calling it again does nothing.
  void stop();

private:
  struct Impl;
  std::unique_ptr<Impl> fImpl;
};

}  // namespace qzsim

#endif
