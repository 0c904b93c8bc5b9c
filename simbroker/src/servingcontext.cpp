#include "servingcontext.h"

#include "connection.h"
#include "listener.h"

#include "qzwirecontext.h"
#include "stdsoap2.h"

#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <new>

extern SOAP_NMAC struct Namespace namespaces[];

namespace qzsim {

namespace {

// The engine's own hooks, which every context shares.
std::atomic<int (*)(struct soap*)> gEngineClose{nullptr};
std::atomic<int (*)(struct soap*, int, ULONG64)> gEngineRespond{nullptr};

Connection* connectionOf(struct soap* soap) { return static_cast<Connection*>(soap->user); }

size_t receiveRequest(struct soap* soap, char* bytes, size_t size) {
  Connection* connection = connectionOf(soap);
  return connection != nullptr ? connection->reader.read(bytes, size) : 0;
}

int noteAnswer(struct soap* soap, int status, ULONG64 count) {
  if (Connection* connection = connectionOf(soap)) connection->answered = true;
  return gEngineRespond.load()(soap, status, count);
}

// The engine closes a connection after a fault, or after a request that asks for it.
// The serving loop does it instead, once the request is done: it may still have to
// answer it, and reads what the client sent after it before closing.
int closeLater(struct soap* soap) {
  Connection* connection = connectionOf(soap);
  if (connection == nullptr) return gEngineClose.load()(soap);
  connection->closeRequested = true;
  soap->keep_alive = 0;
  return SOAP_OK;
}

// The connection's own socket stays open while the serving loop reads from it: the
// engine's closing it is taken as a request to close once the request is done.
int closeSocket(struct soap* soap, SOAP_SOCKET socket) {
  Connection* connection = connectionOf(soap);
  if (connection != nullptr && socket == connection->reader.socket()) {
    connection->closeRequested = true;
    return SOAP_OK;
  }
  return ::close(socket) == 0 ? SOAP_OK : SOAP_EOF;
}

}  // namespace

struct soap* newServingContext(const BrokerLimits& limits) {
  struct soap* soap = soap_new1(SOAP_IO_KEEPALIVE);
  if (soap == nullptr) throw std::bad_alloc();
  soap->bind_flags = SO_REUSEADDR;
  soap->max_keep_alive = 0;  // any number of requests on one connection
  soap->recv_timeout = limits.idleSeconds;
  soap->send_timeout = limits.idleSeconds;
  soap->socket_flags = MSG_NOSIGNAL;  // a client that went away must not kill the broker
  soap_set_namespaces(soap, namespaces);
  // The request reader frames every request itself: the attachments' bounds only.
  QZ::wire::useBoundedAttachments(soap);
  // The reader bounds the body; the engine counts the head too.
  soap->recv_maxlength = limits.maxMessageBytes + kMaxHeadBytes;
  gEngineClose.store(soap->fclose);
  gEngineRespond.store(soap->fresponse);
  soap->frecv = receiveRequest;
  soap->fclose = closeLater;
  soap->fresponse = noteAnswer;
  soap->fclosesocket = closeSocket;
  return soap;
}

void closeConnectionSocket(Connection& connection) {
  // Marked closed under the listener's lock first, so that a stop never shuts down a
  // descriptor some other connection has been given meanwhile.
  if (connection.listener != nullptr) connection.listener->socketClosing(connection, connection.reader.socket());
  ::close(connection.reader.socket());
  connection.soap->socket = SOAP_INVALID_SOCKET;
}

}  // namespace qzsim
