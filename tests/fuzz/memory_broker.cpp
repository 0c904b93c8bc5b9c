#include "memory_broker.h"

#include "stdsoap2.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace qzfuzz {

// The context's transport hooks. Receiving stays the engine's own: it reads from the
// context's input stream, which is this broker, so every hook the library stacks on
// the engine's receive function still runs between the engine and the broker.
struct MemoryBrokerHooks {
  static MemoryBroker* of(struct soap* soap) { return static_cast<MemoryBroker*>(soap->user); }

  static SOAP_SOCKET open(struct soap* soap, const char*, const char*, int) {
    MemoryBroker* broker = of(soap);
    broker->openConnection();
    return broker->fSocket;
  }
  static int send(struct soap* soap, const char*, size_t) {
    of(soap)->requestSent();
    return SOAP_OK;
  }
  static int close(struct soap* soap) {
    of(soap)->closeConnection();
    soap->socket = SOAP_INVALID_SOCKET;
    return SOAP_OK;
  }
  static int closeSocket(struct soap* soap, SOAP_SOCKET) {
    of(soap)->closeConnection();
    return SOAP_OK;
  }
  static int shutdownSocket(struct soap*, SOAP_SOCKET, int) { return SOAP_OK; }
  // Above the library's receive hooks: each read starts on a stream in good state, so
  // that the engine's reading of the stream reaches the broker every time.
  static size_t receive(struct soap* soap, char* buffer, size_t size) {
    MemoryBroker* broker = of(soap);
    broker->fStream.clear();
    return broker->fEngineReceive(soap, buffer, size);
  }
  // A kept connection is usable until the broker closed its end.
  static int poll(struct soap* soap) {
    const MemoryBroker* broker = of(soap);
    return broker->fOpen && !broker->fBrokerClosed ? SOAP_OK : SOAP_EOF;
  }
};

MemoryBroker::MemoryBroker(std::vector<ScriptedAnswer> answers)
    : fAnswers(std::move(answers)), fStream(this) {
  fSocket = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  if (fSocket < 0) {
    std::perror("memory broker: /dev/null");
    std::abort();
  }
}

MemoryBroker::~MemoryBroker() { ::close(fSocket); }

void MemoryBroker::attach(struct soap* soap) {
  soap->user = this;
  soap->is = &fStream;
  soap->fopen = MemoryBrokerHooks::open;
  soap->fsend = MemoryBrokerHooks::send;
  soap->fclose = MemoryBrokerHooks::close;
  soap->fclosesocket = MemoryBrokerHooks::closeSocket;
  soap->fshutdownsocket = MemoryBrokerHooks::shutdownSocket;
  soap->fpoll = MemoryBrokerHooks::poll;
  fEngineReceive = soap->frecv;
  soap->frecv = MemoryBrokerHooks::receive;
}

std::size_t MemoryBroker::unreadBytes() const {
  return fOpen ? static_cast<std::size_t>(egptr() - gptr()) : 0;
}

void MemoryBroker::openConnection() {
  closeConnection();
  fOpen = true;
}

void MemoryBroker::closeConnection() {
  fOpen = false;
  fSending = false;
  fBrokerClosed = false;
  fCloseAfterArrived = false;
  fArrived.clear();
  setg(nullptr, nullptr, nullptr);
  fStream.clear();
}

void MemoryBroker::requestSent() {
  // A request is sent in several pieces; the first one after a read starts it.
  if (!fOpen || fSending) return;
  fSending = true;
  if (fBrokerClosed || fNextAnswer == fAnswers.size()) return;
  // The broker answers at once, behind whatever the client left unread.
  const ScriptedAnswer& answer = fAnswers[fNextAnswer++];
  fArrived = std::string(gptr(), egptr()) + answer.bytes;
  fCloseAfterArrived = answer.closeAfter;
  char* begin = &fArrived[0];
  setg(begin, begin, begin + fArrived.size());
  if (fArrived.empty() && fCloseAfterArrived) fBrokerClosed = true;
}

std::streamsize MemoryBroker::xsgetn(char* buffer, std::streamsize size) {
  fSending = false;
  const std::streamsize got = std::streambuf::xsgetn(buffer, size);
  if (got == 0 && fOpen && !fBrokerClosed) ++fStalls;
  return got;
}

MemoryBroker::int_type MemoryBroker::underflow() {
  fSending = false;
  if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
  if (fCloseAfterArrived) fBrokerClosed = true;
  return traits_type::eof();
}

}  // namespace qzfuzz
