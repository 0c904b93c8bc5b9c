// An answer with a Content-Length ends there. The engine reads on from the connection
// until its parser is satisfied, so an answer whose declared bytes hold an incomplete
// envelope would keep the call waiting for bytes that never come (forever, without a
// time-out) instead of failing. These hooks make the connection look closed once the
// declared body has arrived, and never let a read take bytes beyond it.
#include "qzwirecontext.h"

#include "qzpluginstate.h"
#include "stdsoap2.h"

#include <algorithm>

namespace QZ {
namespace wire {

namespace {

const char kFramingId[] = "qz-framing";

struct Framing {
  size_t (*nextRecv)(struct soap*, char*, size_t) = nullptr;
  int (*nextParse)(struct soap*) = nullptr;
  int (*nextPrepareInitRecv)(struct soap*) = nullptr;
  bool bodyDeclared = false;  // the message being read has a Content-Length body
  ULONG64 bodyStart = 0;      // soap->count where that body began
};

Framing* framingOf(struct soap* soap) {
  return static_cast<Framing*>(soap_lookup_plugin(soap, kFramingId));
}

int framedPrepareInitRecv(struct soap* soap) {
  Framing* framing = framingOf(soap);
  framing->bodyDeclared = false;  // a new message: its header decides
  return framing->nextPrepareInitRecv != nullptr ? framing->nextPrepareInitRecv(soap) : SOAP_OK;
}

int framedParse(struct soap* soap) {
  Framing* framing = framingOf(soap);
  const int status = framing->nextParse(soap);
  framing->bodyDeclared = status == SOAP_OK && soap->length > 0 &&
                          (soap->imode & SOAP_IO) != SOAP_IO_CHUNK;
  // The body begins at the read position, after the header bytes received so far.
  if (framing->bodyDeclared) framing->bodyStart = soap->count - (soap->buflen - soap->bufidx);
  return status;
}

size_t framedRecv(struct soap* soap, char* buffer, size_t size) {
  Framing* framing = framingOf(soap);
  if (framing->bodyDeclared && soap->count >= framing->bodyStart) {
    const ULONG64 received = soap->count - framing->bodyStart;
    if (received >= soap->length) return 0;  // the body is whole: the answer ends here
    size = static_cast<size_t>(std::min<ULONG64>(size, soap->length - received));
  }
  return framing->nextRecv(soap, buffer, size);
}

int framingInit(struct soap* soap, struct soap_plugin* plugin, void*) {
  Framing* framing = new Framing();
  framing->nextRecv = soap->frecv;
  framing->nextParse = soap->fparse;
  framing->nextPrepareInitRecv = soap->fprepareinitrecv;
  holdPluginState(plugin, kFramingId, framing);
  soap->frecv = framedRecv;
  soap->fparse = framedParse;
  soap->fprepareinitrecv = framedPrepareInitRecv;
  return SOAP_OK;
}

}  // namespace

bool useFramedReceive(struct soap* soap) {
  return framingOf(soap) != nullptr || soap_register_plugin(soap, framingInit) == SOAP_OK;
}

}  // namespace wire
}  // namespace QZ
