#include "qzdimeanswer.h"

#include "qzchunkedbody.h"
#include "qzdimemessage.h"
#include "qzpluginstate.h"
#include "stdsoap2.h"

#include <algorithm>
#include <cstdint>

namespace QZ {
namespace wire {

namespace {

const char kDimeAnswerId[] = "qz-dime-answer";

struct DimeAnswer {
  size_t (*nextRecv)(struct soap*, char*, size_t) = nullptr;
  int (*nextParse)(struct soap*) = nullptr;
  int (*nextPrepareInitRecv)(struct soap*) = nullptr;
  bool active = false;   // the answer being read is DIME and decoded here
  bool chunked = false;  // ... in HTTP chunks, decoded here too
  ChunkedBody body;
  DimeMessage message;
  std::vector<DimeBytes> attachments;
};

DimeAnswer* dimeAnswerOf(struct soap* soap) {
  return static_cast<DimeAnswer*>(soap_lookup_plugin(soap, kDimeAnswerId));
}

// Decodes received body bytes in place: what remains of them is envelope text.
std::size_t decodeBody(DimeAnswer& answer, char* data, std::size_t size) {
  if (answer.chunked) size = answer.body.decode(data, size);
  return answer.message.decode(data, size, answer.attachments);
}

int dimePrepareInitRecv(struct soap* soap) {
  DimeAnswer* answer = dimeAnswerOf(soap);
  answer->active = false;  // a new message: its header decides
  answer->attachments.clear();
  return answer->nextPrepareInitRecv != nullptr ? answer->nextPrepareInitRecv(soap) : SOAP_OK;
}

int dimeParse(struct soap* soap) {
  DimeAnswer* answer = dimeAnswerOf(soap);
  const int status = answer->nextParse(soap);
  answer->active = status == SOAP_OK && (soap->imode & SOAP_ENC_DIME) != 0;
  if (!answer->active) return status;
  answer->chunked = (soap->imode & SOAP_IO) == SOAP_IO_CHUNK;
  answer->body = ChunkedBody();
  answer->message = DimeMessage();
  // The engine reads on as from a plain body; the bytes that came with the header
  // are the body's first, up to its declared length.
  soap->imode &= ~SOAP_ENC_DIME;
  if (answer->chunked) soap->imode &= ~SOAP_IO;
  std::size_t received = soap->buflen - soap->bufidx;
  if (!answer->chunked && soap->length > 0 && soap->length < received)
    received = static_cast<std::size_t>(soap->length);
  soap->buflen = soap->bufidx + decodeBody(*answer, soap->buf + soap->bufidx, received);
  return status;
}

// A long run of an attachment's data is received straight into the attachment's own
// storage rather than through the engine's buffer: one copy less, and fewer receives.
// Only where the body has no HTTP chunks to take out of it. 1: bytes came; 0: none
// came (the answer ends); -1: what comes next is no such run.
int receiveIntoAttachment(struct soap* soap, DimeAnswer& answer) {
  constexpr std::uint64_t kLeastBytes = 4096;               // smaller runs go the usual way
  constexpr std::uint64_t kMostBytes = std::uint64_t(1) << 20;  // at most this per receive
  std::uint64_t left = 0;
  DimeBytes* sink = answer.chunked ? nullptr : answer.message.dataSink(answer.attachments, left);
  if (sink == nullptr || left < kLeastBytes) return -1;
  const std::size_t want = static_cast<std::size_t>(std::min(left, kMostBytes));
  const std::size_t before = sink->size();
  sink->resize(before + want);
  const std::size_t got = answer.nextRecv(soap, reinterpret_cast<char*>(sink->data() + before), want);
  sink->resize(before + got);
  answer.message.tookData(got);
  return got > 0 ? 1 : 0;
}

size_t dimeRecv(struct soap* soap, char* buffer, size_t size) {
  DimeAnswer* answer = dimeAnswerOf(soap);
  if (!answer->active) return answer->nextRecv(soap, buffer, size);
  for (;;) {
    // Past the body's end come the next message's bytes, and a broken form ends here.
    if (answer->body.finished() || answer->body.failed() || answer->message.failed()) return 0;
    const int direct = receiveIntoAttachment(soap, *answer);
    if (direct == 0) return 0;
    if (direct > 0) continue;
    const size_t received = answer->nextRecv(soap, buffer, size);
    if (received == 0) return 0;
    const size_t decoded = decodeBody(*answer, buffer, received);
    if (decoded > 0) return decoded;
  }
}

int dimeAnswerInit(struct soap* soap, struct soap_plugin* plugin, void*) {
  DimeAnswer* answer = new DimeAnswer();
  answer->nextRecv = soap->frecv;
  answer->nextParse = soap->fparse;
  answer->nextPrepareInitRecv = soap->fprepareinitrecv;
  holdPluginState(plugin, kDimeAnswerId, answer);
  soap->frecv = dimeRecv;
  soap->fparse = dimeParse;
  soap->fprepareinitrecv = dimePrepareInitRecv;
  return SOAP_OK;
}

}  // namespace

bool useDimeAnswerReader(struct soap* soap) {
  return dimeAnswerOf(soap) != nullptr || soap_register_plugin(soap, dimeAnswerInit) == SOAP_OK;
}

int finishDimeAnswer(struct soap* soap) {
  DimeAnswer* answer = dimeAnswerOf(soap);
  if (answer == nullptr || !answer->active) return SOAP_OK;
  // The rest of the envelope record is dropped; reading on to the body's end decodes
  // the records after it.
  do soap->bufidx = soap->buflen;
  while (soap_recv(soap) == SOAP_OK);
  if (answer->message.failed() || answer->body.failed()) return soap->error = SOAP_DIME_ERROR;
  if (!answer->message.finished()) return soap->error = SOAP_EOF;
  return soap->error = SOAP_OK;
}

std::vector<DimeBytes>* dimeAttachments(struct soap* soap) {
  DimeAnswer* answer = dimeAnswerOf(soap);
  return answer != nullptr ? &answer->attachments : nullptr;
}

void clearDimeAttachments(struct soap* soap) {
  if (DimeAnswer* answer = dimeAnswerOf(soap)) answer->attachments.clear();
}

}  // namespace wire
}  // namespace QZ
