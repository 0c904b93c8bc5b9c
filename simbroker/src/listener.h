// The listening socket and the connections it accepts: one thread accepts, with a
// short accept time-out so that it notices a stop at once; every connection is
// served on a thread of its own, up to a bound, and kept alive between requests.
#ifndef QZSIM_LISTENER_H
#define QZSIM_LISTENER_H

#include "connection.h"
#include "qzsim/broker.h"

#include <atomic>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

struct soap;

namespace qzsim {

class Listener {
public:
  // Binds; throws QZ::QZError when it cannot listen.
  Listener(Service& service, const std::string& address, int port, const BrokerLimits& limits);
  ~Listener();  // stop()
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  int port() const { return fPort; }
  // Starts accepting connections.
  void start();
  // Stops accepting, shuts every connection down and joins every thread.
  void stop();

  // Called just before a connection's socket is closed: marks it closed under the
  // lock, so that stop() never shuts down a reused descriptor.
  void socketClosing(Connection& connection, int socket);

private:
  void acceptLoop();
  void serve(Connection& connection);
  void reapFinished();

  Service& fService;
  const BrokerLimits fLimits;
  struct soap* fMaster = nullptr;
  int fPort = 0;
  std::atomic<bool> fStopping{false};
  std::thread fAcceptor;
  std::mutex fMutex;
  std::list<std::unique_ptr<Connection>> fConnections;
};

}  // namespace qzsim

#endif
