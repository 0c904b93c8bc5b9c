#include "qzrawtee.h"

#include "qzwirelimits.h"

#include "stdsoap2.h"

namespace QZ {
namespace wire {

namespace {

const char kTeeId[] = "qz-rawtee";

// The engine decodes the transfer coding into windows of soap->buf and announces
// each new window through fpreparerecv; the tee appends every window while it is on.
struct RawTee {
  int (*nextPrepareRecv)(struct soap*, const char*, size_t) = nullptr;
  bool on = false;
  std::string text;
  size_t windowInBuf = 0;   // where the latest window starts in soap->buf
  size_t windowInText = 0;  // and where it starts in text
};

RawTee* teeOf(struct soap* soap) {
  return static_cast<RawTee*>(soap_lookup_plugin(soap, kTeeId));
}

int teePrepareRecv(struct soap* soap, const char* window, size_t size) {
  RawTee* tee = teeOf(soap);
  if (tee == nullptr) return SOAP_OK;
  if (tee->on) {
    if (size > kMaxValueTextBytes - tee->text.size()) return SOAP_EOM;  // too large to parse
    if (window >= soap->buf && window + size <= soap->buf + sizeof soap->buf) {
      tee->windowInBuf = static_cast<size_t>(window - soap->buf);
      tee->windowInText = tee->text.size();
      tee->text.append(window, size);
    } else {
      return SOAP_PLUGIN_ERROR;  // a window outside the buffer cannot be kept: refuse
    }
  }
  return tee->nextPrepareRecv ? tee->nextPrepareRecv(soap, window, size) : SOAP_OK;
}

int teeCopy(struct soap*, struct soap_plugin* dst, struct soap_plugin* src) {
  RawTee* copy = new RawTee();
  copy->nextPrepareRecv = static_cast<RawTee*>(src->data)->nextPrepareRecv;
  dst->data = copy;
  return SOAP_OK;
}

void teeDelete(struct soap*, struct soap_plugin* plugin) {
  delete static_cast<RawTee*>(plugin->data);
}

int teeInit(struct soap* soap, struct soap_plugin* plugin, void*) {
  RawTee* tee = new RawTee();
  tee->nextPrepareRecv = soap->fpreparerecv;
  plugin->id = kTeeId;
  plugin->data = tee;
  plugin->fcopy = teeCopy;
  plugin->fdelete = teeDelete;
  soap->fpreparerecv = teePrepareRecv;
  return SOAP_OK;
}

}  // namespace

bool rawTeeBegin(struct soap* soap) {
  if ((soap->mode & SOAP_ENC_DIME) != 0 && (soap->dime.flags & SOAP_DIME_CF) != 0) {
    soap->error = SOAP_DIME_ERROR;  // refused rather than read with chunk headers inside
    return false;
  }
  // Registered on first use, so that every context reading values has it (the broker
  // side's contexts included).
  RawTee* tee = teeOf(soap);
  if (tee == nullptr && soap_register_plugin(soap, teeInit) == SOAP_OK) tee = teeOf(soap);
  if (tee == nullptr) {
    soap->error = SOAP_PLUGIN_ERROR;
    return false;
  }
  tee->on = true;
  tee->text.assign(soap->buf + soap->bufidx, soap->buflen - soap->bufidx);
  tee->windowInBuf = soap->bufidx;
  tee->windowInText = 0;
  return true;
}

std::string rawTeeEnd(struct soap* soap) {
  RawTee* tee = teeOf(soap);
  if (tee == nullptr) return std::string();
  tee->on = false;
  std::string text;
  text.swap(tee->text);
  if (soap->bufidx >= tee->windowInBuf) {
    const size_t kept = tee->windowInText + (soap->bufidx - tee->windowInBuf);
    if (kept < text.size()) text.resize(kept);
  }
  return text;
}

}  // namespace wire
}  // namespace QZ
