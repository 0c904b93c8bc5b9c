// An answer with a Content-Length ends there. The engine reads on from the connection
// until its parser is satisfied, so an answer whose declared bytes hold an incomplete
// envelope would keep the call waiting for bytes that never come (forever, without a
// time-out) instead of failing. These hooks make the connection look closed once the
// declared body has arrived, and never let a read take bytes beyond it into an answer;
// a chunked body likewise ends with its last chunk. An answer read whole before its
// declared body has all arrived leaves the rest to come on the connection, where it
// would be read as the start of the next answer: the connection is then closed after
// the answer instead of kept alive.
#include "qzwirecontext.h"

#include "qzchunkedbody.h"
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
  int (*nextPrepareFinalRecv)(struct soap*) = nullptr;
  bool bodyDeclared = false;  // the message being read has a Content-Length body
  // Body bytes received so far. Counted here: the engine's own count starts again at
  // the first record of a DIME message.
  ULONG64 bodyReceived = 0;
  // The message being read has a chunked body, followed here to see where it ends:
  // the engine's chunk reader, asked again after the last chunk, reads on from the
  // connection (a body ending in "<" does that), waiting for bytes that never come.
  bool bodyChunked = false;
  ChunkedBody chunks;
  bool answer = false;  // the message is an answer: its header has a status code
};

Framing* framingOf(struct soap* soap) {
  return static_cast<Framing*>(soap_lookup_plugin(soap, kFramingId));
}

int framedPrepareInitRecv(struct soap* soap) {
  Framing* framing = framingOf(soap);
  framing->bodyDeclared = false;  // a new message: its header decides
  framing->bodyChunked = false;
  return framing->nextPrepareInitRecv != nullptr ? framing->nextPrepareInitRecv(soap) : SOAP_OK;
}

int framedPrepareFinalRecv(struct soap* soap) {
  Framing* framing = framingOf(soap);
  if (framing->bodyDeclared && framing->bodyReceived < soap->length) soap->keep_alive = 0;
  return framing->nextPrepareFinalRecv != nullptr ? framing->nextPrepareFinalRecv(soap) : SOAP_OK;
}

int framedParse(struct soap* soap) {
  Framing* framing = framingOf(soap);
  const int status = framing->nextParse(soap);
  framing->answer = soap->status >= 100 && soap->status < 600;
  framing->bodyChunked = status == SOAP_OK && (soap->imode & SOAP_IO) == SOAP_IO_CHUNK;
  if (framing->bodyChunked) {
    framing->chunks = ChunkedBody();
    const size_t inBody = framing->chunks.measure(soap->buf + soap->bufidx, soap->buflen - soap->bufidx);
    if (framing->answer && framing->chunks.finished()) soap->buflen = soap->bufidx + inBody;
    return status;
  }
  framing->bodyDeclared = status == SOAP_OK && soap->length > 0;
  if (!framing->bodyDeclared) return status;
  // The body begins at the read position: what the buffer holds after it came with
  // the header. An answer (its header has a status code, a request's has none) ends
  // there even when more came with it: a broker sends nothing unasked, so those bytes
  // belong to no answer. A request keeps them, as they may be the next request.
  framing->bodyReceived = soap->buflen - soap->bufidx;
  if (framing->answer && framing->bodyReceived > soap->length) {
    soap->buflen = soap->bufidx + static_cast<size_t>(soap->length);
    framing->bodyReceived = soap->length;
  }
  return status;
}

// After its last chunk a chunked body gives end of file; an answer takes no byte
// after it either. A coding this reading does not follow is left to the engine.
size_t chunkedRecv(struct soap* soap, Framing& framing, char* buffer, size_t size) {
  if (framing.chunks.finished()) return 0;
  const size_t received = framing.nextRecv(soap, buffer, size);
  if (framing.chunks.failed()) return received;
  const size_t inBody = framing.chunks.measure(buffer, received);
  return framing.answer && framing.chunks.finished() ? inBody : received;
}

size_t framedRecv(struct soap* soap, char* buffer, size_t size) {
  Framing* framing = framingOf(soap);
  if (framing->bodyChunked) return chunkedRecv(soap, *framing, buffer, size);
  if (!framing->bodyDeclared) return framing->nextRecv(soap, buffer, size);
  if (framing->bodyReceived >= soap->length) return 0;  // the body is whole: the answer ends here
  size = static_cast<size_t>(std::min<ULONG64>(size, soap->length - framing->bodyReceived));
  const size_t received = framing->nextRecv(soap, buffer, size);
  framing->bodyReceived += received;
  return received;
}

int framingInit(struct soap* soap, struct soap_plugin* plugin, void*) {
  Framing* framing = new Framing();
  framing->nextRecv = soap->frecv;
  framing->nextParse = soap->fparse;
  framing->nextPrepareInitRecv = soap->fprepareinitrecv;
  framing->nextPrepareFinalRecv = soap->fpreparefinalrecv;
  holdPluginState(plugin, kFramingId, framing);
  soap->frecv = framedRecv;
  soap->fparse = framedParse;
  soap->fprepareinitrecv = framedPrepareInitRecv;
  soap->fpreparefinalrecv = framedPrepareFinalRecv;
  return SOAP_OK;
}

}  // namespace

bool useFramedReceive(struct soap* soap) {
  return framingOf(soap) != nullptr || soap_register_plugin(soap, framingInit) == SOAP_OK;
}

}  // namespace wire
}  // namespace QZ
