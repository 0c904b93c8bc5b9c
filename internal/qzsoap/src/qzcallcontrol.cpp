// Deadlines and cancellation through the engine's socket hooks. Without a deadline the
// engine's own blocking send and receive run unchanged (cancel() wakes them by shutting
// the connection down); with one, every wait is a poll() bounded by the time left.
// Connecting is always done here, in slices, so that it too honours both.
#include "qzcallcontrol.h"

#include "qzpluginstate.h"
#include "stdsoap2.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace QZ {
namespace wire {

// ---- the signal ------------------------------------------------------------------------

void CallSignal::begin(struct soap* soap, int timeoutMs) {
  fHasDeadline = timeoutMs > 0;
  fTimedOut = false;
  if (fHasDeadline) fDeadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::lock_guard<std::mutex> lock(fMutex);
  fActive = true;
  fCancelled = false;
  fSocket = soap_valid_socket(soap->socket) ? soap->socket : -1;
}

void CallSignal::end() {
  std::lock_guard<std::mutex> lock(fMutex);
  fActive = false;
}

void CallSignal::cancel() {
  std::lock_guard<std::mutex> lock(fMutex);
  if (!fActive) return;
  fCancelled = true;
  // The socket cannot be closed and reused meanwhile: closing it takes this lock.
  if (fSocket >= 0) ::shutdown(fSocket, SHUT_RDWR);
}

CallStop CallSignal::stop() {
  if (cancelled()) return CallStop::Cancelled;
  return fTimedOut ? CallStop::TimedOut : CallStop::None;
}

bool CallSignal::cancelled() {
  std::lock_guard<std::mutex> lock(fMutex);
  return fCancelled;
}

int CallSignal::millisecondsLeft() {
  if (!fHasDeadline) return -1;
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(fDeadline - Clock::now()).count();
  if (left <= 0) {
    fTimedOut = true;
    return 0;
  }
  return static_cast<int>(std::min<decltype(left)>(left, 1 << 30));
}

void CallSignal::socketOpened(int socket) {
  std::lock_guard<std::mutex> lock(fMutex);
  fSocket = socket;
  // A cancel() that came while the connection was being made ends it at once.
  if (fActive && fCancelled) ::shutdown(socket, SHUT_RDWR);
}

void CallSignal::socketClosing(int socket) {
  std::lock_guard<std::mutex> lock(fMutex);
  if (fSocket == socket) fSocket = -1;
}

// ---- the hooks -------------------------------------------------------------------------

namespace {

const char kControlId[] = "qz-callcontrol";
// How long one wait for a connection lasts at most, so that a cancel() is seen soon.
constexpr int kConnectSliceMs = 50;

struct Control {
  std::shared_ptr<CallSignal> signal;
  size_t (*nextRecv)(struct soap*, char*, size_t) = nullptr;
  int (*nextSend)(struct soap*, const char*, size_t) = nullptr;
  int (*nextCloseSocket)(struct soap*, SOAP_SOCKET) = nullptr;
};

Control* controlOf(struct soap* soap) {
  return static_cast<Control*>(soap_lookup_plugin(soap, kControlId));
}

// An engine time-out in milliseconds (> 0 seconds, < 0 microseconds); -1 for none.
int engineTimeoutMs(int timeout) {
  if (timeout > 0) return timeout * 1000;
  if (timeout < 0) return std::max(1, -timeout / 1000);
  return -1;
}

enum class Wait { Ready, Expired, Failed };

// Waits until `socket` is ready for `events`, at most until the deadline or the
// engine's own time-out of one operation (-1: none), whichever comes first.
Wait waitFor(struct soap* soap, CallSignal& signal, short events, int operationMs) {
  for (;;) {
    const int left = signal.millisecondsLeft();
    if (left == 0) return Wait::Expired;
    int waitMs = left;
    if (operationMs >= 0 && (waitMs < 0 || operationMs < waitMs)) waitMs = operationMs;
    pollfd fd{soap->socket, events, 0};
    const int ready = ::poll(&fd, 1, waitMs);
    if (ready > 0) return Wait::Ready;
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) {
      soap->errnum = errno;
      return Wait::Failed;
    }
    if (waitMs == operationMs) return Wait::Expired;  // the engine's time-out, not ours
  }
}

size_t controlledRecv(struct soap* soap, char* buffer, size_t size) {
  Control* control = controlOf(soap);
  CallSignal& signal = *control->signal;
  if (!signal.hasDeadline()) return control->nextRecv(soap, buffer, size);
  soap->errnum = 0;
  for (;;) {
    if (waitFor(soap, signal, POLLIN, engineTimeoutMs(soap->recv_timeout)) != Wait::Ready) return 0;
    const ssize_t got = ::recv(soap->socket, buffer, size, MSG_DONTWAIT | MSG_NOSIGNAL);
    if (got >= 0) return static_cast<size_t>(got);
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
    soap->errnum = errno;
    return 0;
  }
}

int controlledSend(struct soap* soap, const char* data, size_t size) {
  Control* control = controlOf(soap);
  CallSignal& signal = *control->signal;
  if (!signal.hasDeadline()) return control->nextSend(soap, data, size);
  soap->errnum = 0;
  while (size > 0) {
    const ssize_t sent = ::send(soap->socket, data, size, MSG_DONTWAIT | MSG_NOSIGNAL);
    if (sent > 0) {
      data += sent;
      size -= static_cast<size_t>(sent);
      continue;
    }
    if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
      soap->errnum = errno;
      return SOAP_EOF;
    }
    if (waitFor(soap, signal, POLLOUT, engineTimeoutMs(soap->send_timeout)) != Wait::Ready)
      return SOAP_EOF;
  }
  return SOAP_OK;
}

int controlledCloseSocket(struct soap* soap, SOAP_SOCKET socket) {
  Control* control = controlOf(soap);
  control->signal->socketClosing(socket);
  return control->nextCloseSocket(soap, socket);
}

// One attempt at `address`; the connected socket, or -1 with `error` set (0 when the
// call was cancelled or ran out of time).
int connectTo(struct soap* soap, CallSignal& signal, const addrinfo& address, int& error) {
  const int socket = ::socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC,
                              address.ai_protocol);
  if (socket < 0) {
    error = errno;
    return -1;
  }
  signal.socketOpened(socket);
  // As the engine sets up its own connections: its buffer sizes, and no Nagle delay.
  if (soap->sndbuf > 0) setsockopt(socket, SOL_SOCKET, SO_SNDBUF, &soap->sndbuf, sizeof soap->sndbuf);
  if (soap->rcvbuf > 0) setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &soap->rcvbuf, sizeof soap->rcvbuf);
  const int on = 1;
  setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);

  const int flags = ::fcntl(socket, F_GETFL);
  ::fcntl(socket, F_SETFL, flags | O_NONBLOCK);
  error = 0;
  if (::connect(socket, address.ai_addr, address.ai_addrlen) != 0) error = errno;
  const int engineMs = engineTimeoutMs(soap->connect_timeout);
  int waitedMs = 0;
  while (error == EINPROGRESS || error == EINTR) {
    if (signal.cancelled()) {
      error = 0;
      break;
    }
    const int left = signal.millisecondsLeft();
    if (left == 0) {
      error = 0;
      break;
    }
    if (engineMs >= 0 && waitedMs >= engineMs) {
      error = ETIMEDOUT;
      break;
    }
    int sliceMs = kConnectSliceMs;
    if (left > 0) sliceMs = std::min(sliceMs, left);
    if (engineMs >= 0) sliceMs = std::min(sliceMs, engineMs - waitedMs);
    pollfd fd{socket, POLLOUT, 0};
    const int ready = ::poll(&fd, 1, sliceMs);
    waitedMs += sliceMs;
    if (ready < 0 && errno != EINTR) {
      error = errno;
    } else if (ready > 0) {
      socklen_t length = sizeof error;
      if (getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
      if (error == 0) break;
    }
  }
  if (error == 0 && !signal.cancelled() && signal.millisecondsLeft() != 0) {
    ::fcntl(socket, F_SETFL, flags);
    return socket;
  }
  signal.socketClosing(socket);
  ::close(socket);
  return -1;
}

SOAP_SOCKET controlledOpen(struct soap* soap, const char* /*endpoint*/, const char* host, int port) {
  CallSignal& signal = *controlOf(soap)->signal;
  soap->errnum = 0;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  char service[16];
  std::snprintf(service, sizeof service, "%d", port);
  addrinfo* found = nullptr;
  const int status = ::getaddrinfo(host, service, &hints, &found);
  if (status != 0 || found == nullptr) {
    soap_set_receiver_error(soap, gai_strerror(status), "getaddrinfo failed in tcp_connect()",
                            SOAP_TCP_ERROR);
    return SOAP_INVALID_SOCKET;
  }
  int error = 0;
  int socket = -1;
  for (const addrinfo* address = found; address != nullptr && socket < 0; address = address->ai_next) {
    socket = connectTo(soap, signal, *address, error);
    if (error == 0) break;  // connected, or stopped: no other address is tried
  }
  ::freeaddrinfo(found);
  if (socket >= 0) return socket;
  soap->errnum = error;
  const char* reason = error == ETIMEDOUT ? "Timeout"
                       : error != 0       ? std::strerror(error)
                       : signal.cancelled() ? "Cancelled"
                                            : "Timeout";
  soap_set_receiver_error(soap, reason, "connect failed in tcp_connect()", SOAP_TCP_ERROR);
  return SOAP_INVALID_SOCKET;
}

int controlInit(struct soap* soap, struct soap_plugin* plugin, void*) {
  Control* control = new Control();
  control->signal = std::make_shared<CallSignal>();
  control->nextRecv = soap->frecv;
  control->nextSend = soap->fsend;
  control->nextCloseSocket = soap->fclosesocket;
  holdPluginState(plugin, kControlId, control);
  soap->frecv = controlledRecv;
  soap->fsend = controlledSend;
  soap->fopen = controlledOpen;
  soap->fclosesocket = controlledCloseSocket;
  return SOAP_OK;
}

}  // namespace

bool useCallControl(struct soap* soap) {
  return controlOf(soap) != nullptr || soap_register_plugin(soap, controlInit) == SOAP_OK;
}

std::shared_ptr<CallSignal> callSignal(struct soap* soap) {
  const Control* control = controlOf(soap);
  return control != nullptr ? control->signal : nullptr;
}

}  // namespace wire
}  // namespace QZ
