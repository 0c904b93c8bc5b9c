#include "qzsim/broker.h"

#include "listener.h"
#include "service.h"

#include <mutex>

namespace qzsim {

struct Broker::Impl {
  Impl(const std::string& address, int port, const BrokerLimits& limits)
      : address(address), service(limits.maxTasks), listener(service, address, port, limits) {
    service.setPort(listener.port());
    listener.start();
  }

  std::string address;
  Service service;
  Listener listener;
  std::mutex stopping;
  bool stopped = false;
};

Broker::Broker(const std::string& address, int port, const BrokerLimits& limits)
    : fImpl(std::make_unique<Impl>(address, port, limits)) {}

Broker::~Broker() { stop(); }

int Broker::port() const { return fImpl->listener.port(); }

const std::string& Broker::address() const { return fImpl->address; }

void Broker::stop() {
  std::lock_guard<std::mutex> lock(fImpl->stopping);
  if (fImpl->stopped) return;
  fImpl->stopped = true;
  // Running calls end first, so that the connections they hold can close.
  fImpl->service.shutdown();
  fImpl->listener.stop();
}

}  // namespace qzsim
