// The three broker calls: exact request, then the answer read by hand so that the
// result is the first element of the answer whatever its name.
#include "qzbrokerclient.h"

#include "qzdimeanswer.h"
#include "qzexactsend.h"
#include "qzrequestwriter.h"
#include "qzvaluewire.h"
#include "soapH.h"

namespace QZ {
namespace wire {

namespace {

// Receives up to the body; the engine's status (the socket closed on failure).
int beginAnswer(struct soap* soap) {
  if (soap_begin_recv(soap) || soap_envelope_begin_in(soap) || soap_recv_header(soap) ||
      soap_body_begin_in(soap))
    return soap_closesock(soap);
  return SOAP_OK;
}

// Reads the rest of the answer; the engine's status. The socket stays open while the
// broker keeps the connection alive.
int endAnswer(struct soap* soap) {
  (void)(soap_body_end_in(soap) || soap_envelope_end_in(soap) ||
         finishDimeAnswer(soap) != SOAP_OK || soap_end_recv(soap));
  return soap_closesock(soap);
}

// Reads <answerTag>: its first element with readResult, every later one skipped.
// False on failure (soap->error says why); a missing result is `found` false.
template <class ReadResult>
bool readAnswerElement(struct soap* soap, const char* answerTag, ReadResult readResult,
                       bool& found) {
  found = false;
  if (soap_element_begin_in(soap, answerTag, 0, nullptr)) return false;
  if (soap->body) {
    for (;;) {
      soap->error = SOAP_TAG_MISMATCH;
      if (!found && readResult()) {
        found = true;
        continue;
      }
      if (soap->error == SOAP_TAG_MISMATCH) soap->error = soap_ignore_element(soap);
      if (soap->error == SOAP_NO_TAG) break;
      if (soap->error) return false;
    }
    if (soap_element_end_in(soap, answerTag)) return false;
  }
  soap->error = SOAP_OK;
  return true;
}

// After a failed exchange part of the answer may still be on the connection, and the
// engine would reuse it for the next request: close it, keep the status and fault.
int dropConnection(struct soap* soap) {
  const int status = soap->error;
  soap_force_closesock(soap);
  soap->error = status;
  return status;
}

// A kept-alive connection that the broker closed right after its last answer is only
// noticed when the next request fails before a single byte of answer arrives: that
// request never reached the broker's service, so it is sent once more on a new
// connection. Every receive fills the engine's buffer from its start, and an answer
// starts with "HTTP", so a first byte still zero after the failure means nothing came.
void markNothingReceived(struct soap* soap) { soap->buf[0] = '\0'; }

bool failedOnStaleConnection(struct soap* soap, bool reused) {
  return reused && (soap->error == SOAP_EOF || soap->error == SOAP_TCP_ERROR) &&
         soap->buf[0] == '\0';
}

int exchangeValue(struct soap* soap, const std::string& endpoint, const std::string& module,
                  const std::string& method, const QZValue& params, QZValue& result,
                  bool posted) {
  const char* operation = posted ? "qzbroker:callTamsa2" : "qzbroker:callTamsa";
  const char* answer = posted ? "qzbroker:callTamsa2Response" : "qzbroker:callTamsaResponse";
  if (sendExact(soap, endpoint.c_str(),
                [&] { return putCallRequest(soap, operation, module, method, params); })) {
    markNothingReceived(soap);
    return soap->error;
  }
  markNothingReceived(soap);
  if (beginAnswer(soap)) return soap->error;
  // The result is read straight into the caller's value, so a value read before a
  // later failure stays there.
  bool found = false;
  if (!readAnswerElement(soap, answer,
                         [&] { return soap_in_QZValue(soap, nullptr, &result, nullptr) != nullptr; },
                         found))
    return soap_recv_fault(soap, 0);
  return endAnswer(soap);
}

int callValue(struct soap* soap, const std::string& endpoint, const std::string& module,
              const std::string& method, const QZValue& params, QZValue& result,
              bool posted) {
  int status;
  try {
    const bool reused = soap_valid_socket(soap->socket);
    // The engine empties its queue of outgoing attachments as it sends them, but the
    // queued records live until the call is finished: a request sent again queues
    // them again, or it would reach the broker without its bytes.
    soap_multipart* const queuedFirst = soap->dime.first;
    soap_multipart* const queuedLast = soap->dime.last;
    markNothingReceived(soap);
    status = exchangeValue(soap, endpoint, module, method, params, result, posted);
    if (status != SOAP_OK && failedOnStaleConnection(soap, reused)) {
      soap_force_closesock(soap);
      soap->dime.first = queuedFirst;
      soap->dime.last = queuedLast;
      status = exchangeValue(soap, endpoint, module, method, params, result, posted);
    }
  } catch (...) {
    dropConnection(soap);  // the value reader refused the answer midway
    throw;
  }
  return status == SOAP_OK ? SOAP_OK : dropConnection(soap);
}

int exchangeRecord(struct soap* soap, const std::string& endpoint,
                   const std::string& moduleName, qz__QZModuleInfo& info) {
  if (sendExact(soap, endpoint.c_str(), [&] { return putLookupRequest(soap, moduleName); })) {
    markNothingReceived(soap);
    return soap->error;
  }
  markNothingReceived(soap);
  if (beginAnswer(soap)) return soap->error;
  bool found = false;
  if (!readAnswerElement(soap, "qzbroker:getModuleByNameResponse",
                         [&] { return soap_in_qz__QZModuleInfo(soap, nullptr, &info, "qz:QZModuleInfo") != nullptr; },
                         found))
    return soap_recv_fault(soap, 0);
  if (!found) return soap->error = SOAP_OCCURS;  // no record says nothing about the module
  return endAnswer(soap);
}

}  // namespace

int callTamsa(struct soap* soap, const std::string& endpoint, const std::string& module,
              const std::string& method, const QZValue& params, QZValue& result) {
  return callValue(soap, endpoint, module, method, params, result, false);
}

int callTamsa2(struct soap* soap, const std::string& endpoint, const std::string& module,
               const std::string& method, const QZValue& params, QZValue& result) {
  return callValue(soap, endpoint, module, method, params, result, true);
}

int getModuleByName(struct soap* soap, const std::string& endpoint,
                    const std::string& moduleName, ModuleRecord& out) {
  qz__QZModuleInfo info;  // the defaults for missing children
  const bool reused = soap_valid_socket(soap->socket);
  markNothingReceived(soap);
  int status = exchangeRecord(soap, endpoint, moduleName, info);
  if (status != SOAP_OK && failedOnStaleConnection(soap, reused)) {
    soap_force_closesock(soap);
    status = exchangeRecord(soap, endpoint, moduleName, info);
  }
  if (status != SOAP_OK) return dropConnection(soap);
  out.name = info.name;
  out.architecture = info.architecture;
  out.ip = info.ip;
  out.port = info.port;
  out.processId = info.processId;
  out.modulePointer = info.modulePointer;
  out.isABroker = info.isABroker;
  out.keepAlive = info.keepAlive;
  return SOAP_OK;
}

}  // namespace wire
}  // namespace QZ
