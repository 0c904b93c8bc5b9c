#include "listener.h"

#include "serveloop.h"
#include "servingcontext.h"

#include "stdsoap2.h"

#include "qzvalue/qzerror.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qzsim {

namespace {

// A stop is noticed within this time by the accepting thread (microseconds).
constexpr int kAcceptSliceMicros = 100000;

int boundPort(SOAP_SOCKET socket) {
  sockaddr_storage address;
  socklen_t length = sizeof address;
  if (getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  if (address.ss_family == AF_INET) return ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);
  if (address.ss_family == AF_INET6) return ntohs(reinterpret_cast<sockaddr_in6*>(&address)->sin6_port);
  return 0;
}

}  // namespace

Listener::Listener(Service& service, const std::string& address, int port, const BrokerLimits& limits)
    : fService(service), fLimits(limits) {
  fMaster = newServingContext(limits);
  fMaster->accept_timeout = -kAcceptSliceMicros;
  if (!soap_valid_socket(soap_bind(fMaster, address.c_str(), port, 64))) {
    char text[512] = "";
    soap_sprint_fault(fMaster, text, sizeof text);
    soap_free(fMaster);
    fMaster = nullptr;
    throw QZ::QZError("qzsim::Broker", "Broker",
                      "cannot listen on " + address + ":" + std::to_string(port) + ": " + text,
                      __FILE__, __LINE__);
  }
  fPort = boundPort(fMaster->master);
}

void Listener::start() { fAcceptor = std::thread([this] { acceptLoop(); }); }

Listener::~Listener() { stop(); }

void Listener::acceptLoop() {
  while (!fStopping) {
    reapFinished();
    if (!soap_valid_socket(soap_accept(fMaster))) {
      // The time-out (errnum 0), or a failed accept: then let the cause pass first.
      if (fMaster->errnum != 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
      continue;
    }
    const SOAP_SOCKET socket = fMaster->socket;
    fMaster->socket = SOAP_INVALID_SOCKET;
    std::lock_guard<std::mutex> lock(fMutex);
    std::size_t live = 0;
    for (const auto& c : fConnections) live += c->finished ? 0 : 1;
    struct soap* context = nullptr;
    if (!fStopping && live < static_cast<std::size_t>(fLimits.maxConnections))
      context = soap_copy(fMaster);
    if (context == nullptr) {
      ::close(socket);  // at the bound, or stopping: refused by closing
      continue;
    }
    fConnections.push_back(std::make_unique<Connection>(fService, this, socket, fLimits.idleSeconds,
                                                        fLimits.maxMessageBytes));
    Connection& connection = *fConnections.back();
    connection.soap = context;
    context->socket = socket;
    context->master = SOAP_INVALID_SOCKET;  // the listening socket stays the acceptor's
    context->user = &connection;
    connection.thread = std::thread([this, &connection] { serve(connection); });
  }
}

void Listener::serve(Connection& connection) {
  struct soap* soap = connection.soap;
  serveConnection(connection);
  soap_destroy(soap);
  soap_end(soap);
  soap_free(soap);
  std::lock_guard<std::mutex> lock(fMutex);
  connection.socket = -1;
  connection.finished = true;
}

void Listener::socketClosing(Connection& connection, int socket) {
  std::lock_guard<std::mutex> lock(fMutex);
  if (connection.socket == socket) connection.socket = -1;
}

void Listener::reapFinished() {
  std::list<std::unique_ptr<Connection>> done;
  {
    std::lock_guard<std::mutex> lock(fMutex);
    for (auto it = fConnections.begin(); it != fConnections.end();) {
      auto next = std::next(it);
      if ((*it)->finished) done.splice(done.end(), fConnections, it);
      it = next;
    }
  }
  for (auto& connection : done) connection->thread.join();
}

void Listener::stop() {
  if (fStopping.exchange(true)) {
    if (fAcceptor.joinable()) fAcceptor.join();
    return;
  }
  // Wakes the acceptor out of its wait at once.
  ::shutdown(fMaster->master, SHUT_RDWR);
  if (fAcceptor.joinable()) fAcceptor.join();
  {
    // Wakes every connection thread out of its blocking receive or send.
    std::lock_guard<std::mutex> lock(fMutex);
    for (auto& connection : fConnections)
      if (connection->socket >= 0) ::shutdown(connection->socket, SHUT_RDWR);
  }
  for (auto& connection : fConnections) connection->thread.join();
  fConnections.clear();
  if (fMaster != nullptr) {
    // The accept time-outs left a fault record in the context's own memory.
    soap_destroy(fMaster);
    soap_end(fMaster);
    soap_free(fMaster);  // closes the listening socket
    fMaster = nullptr;
  }
}

}  // namespace qzsim
