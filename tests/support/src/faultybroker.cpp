// The faulty broker's threads: one accepts, one serves each connection. Stopping
// makes a pipe readable that every wait watches, then joins them all.
#include "qztest/faultybroker.h"

#include "brokeranswers.h"
#include "brokersocket.h"
#include "faultchoice.h"
#include "faultinjection.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <list>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace qztest {

struct FaultyBroker::Impl {
  struct Session {
    std::thread thread;
    std::atomic<bool> finished{false};
  };

  Impl(std::uint32_t seed, FaultSettings settings) : seed(seed), settings(std::move(settings)), dice(seed) {}

  void listen();
  void acceptLoop();
  void serve(int fd);
  FaultSettings currentSettings() {
    std::lock_guard<std::mutex> lock(mutex);
    return settings;
  }

  const std::uint32_t seed;
  int listener = -1;
  int port = 0;
  int stopRead = -1;
  int stopWrite = -1;
  std::mutex mutex;  // settings, counts, stopped
  FaultSettings settings;
  FaultCounts counts;
  bool stopped = false;
  detail::FaultDice dice;
  std::list<Session> sessions;  // the accepting thread's alone until it has ended
  std::thread acceptor;
};

void FaultyBroker::Impl::listen() {
  listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener < 0) throw std::runtime_error("FaultyBroker: socket failed");
  const int one = 1;
  ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener, 128) != 0) {
    ::close(listener);
    throw std::runtime_error("FaultyBroker: bind/listen on 127.0.0.1 failed");
  }
  socklen_t length = sizeof address;
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  port = ntohs(address.sin_port);
  int stop[2];
  if (::pipe2(stop, O_CLOEXEC) != 0) {
    ::close(listener);
    throw std::runtime_error("FaultyBroker: pipe failed");
  }
  stopRead = stop[0];
  stopWrite = stop[1];
}

void FaultyBroker::Impl::acceptLoop() {
  for (;;) {
    // Threads whose connection has ended are joined as new connections come.
    sessions.remove_if([](Session& session) {
      if (!session.finished) return false;
      session.thread.join();
      return true;
    });
    pollfd watched[2] = {{stopRead, POLLIN, 0}, {listener, POLLIN, 0}};
    if (::poll(watched, 2, 100) < 0 && errno != EINTR) break;
    if (watched[0].revents != 0) break;
    if ((watched[1].revents & POLLIN) == 0) continue;
    const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    const bool full = static_cast<int>(sessions.size()) >= currentSettings().maxConnections;
    {
      std::lock_guard<std::mutex> lock(mutex);
      ++(full ? counts.turnedAway : counts.connections);
    }
    if (full) {
      ::close(fd);
      continue;
    }
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);  // dribbled bytes go at once
    sessions.emplace_back();
    Session& session = sessions.back();
    session.thread = std::thread([this, fd, &session] {
      serve(fd);
      session.finished = true;
    });
  }
  for (Session& session : sessions) session.thread.join();
  sessions.clear();
}

void FaultyBroker::Impl::serve(int fd) {
  detail::BrokerSocket socket(fd, stopRead);
  std::string head, body;
  while (socket.readRequest(head, body)) {
    const FaultSettings now = currentSettings();
    const detail::BrokerAnswer answer = detail::rightAnswer(head, body, port);
    const detail::FaultChoice choice = dice.roll(body, now);
    {
      std::lock_guard<std::mutex> lock(mutex);
      ++counts.requests;
      if (!answer.understood) ++counts.unreadable;
      ++counts.injected[static_cast<int>(choice.fault)];
    }
    if (!detail::deliver(socket, answer, choice, now)) return;
  }
}

FaultyBroker::FaultyBroker(std::uint32_t seed, FaultSettings settings)
    : fImpl(new Impl(seed, std::move(settings))) {
  fImpl->listen();
  fImpl->acceptor = std::thread([impl = fImpl.get()] { impl->acceptLoop(); });
}

FaultyBroker::~FaultyBroker() { stop(); }

void FaultyBroker::stop() {
  {
    std::lock_guard<std::mutex> lock(fImpl->mutex);
    if (fImpl->stopped) return;
    fImpl->stopped = true;
  }
  const char signal = 'x';
  (void)!::write(fImpl->stopWrite, &signal, 1);
  fImpl->acceptor.join();
  ::close(fImpl->listener);
  ::close(fImpl->stopRead);
  ::close(fImpl->stopWrite);
}

int FaultyBroker::port() const { return fImpl->port; }

std::uint32_t FaultyBroker::seed() const { return fImpl->seed; }

void FaultyBroker::setFaultRate(double rate) {
  std::lock_guard<std::mutex> lock(fImpl->mutex);
  fImpl->settings.rate = rate;
}

FaultCounts FaultyBroker::counts() const {
  std::lock_guard<std::mutex> lock(fImpl->mutex);
  return fImpl->counts;
}

std::string FaultyBroker::describe() const {
  const FaultCounts now = counts();
  std::ostringstream out;
  out << "faulty broker seed " << fImpl->seed << ", fault rate " << fImpl->currentSettings().rate
      << ": " << now.requests << " requests on " << now.connections << " connections";
  if (now.turnedAway > 0) out << " (" << now.turnedAway << " turned away)";
  if (now.unreadable > 0) out << ", " << now.unreadable << " unreadable";
  for (int kind = 0; kind < kFaultKinds; ++kind)
    out << (kind == 0 ? "; " : ", ") << faultName(static_cast<Fault>(kind)) << " " << now.injected[kind];
  return out.str();
}

}  // namespace qztest
