// The two fault texts the connection turns into an error.
#include "qzbrokerclient.h"

#include "soapH.h"

namespace QZ {
namespace wire {

namespace {

// The fault text an answer carried, in either SOAP version's form; null when none.
const char* receivedString(const SOAP_ENV__Fault* fault) {
  if (fault == nullptr) return nullptr;
  if (fault->faultstring != nullptr) return fault->faultstring;
  if (fault->SOAP_ENV__Reason != nullptr) return fault->SOAP_ENV__Reason->SOAP_ENV__Text;
  return nullptr;
}

const char* receivedDetail(const SOAP_ENV__Fault* fault) {
  if (fault == nullptr) return nullptr;
  if (fault->detail != nullptr && fault->detail->__any != nullptr) return fault->detail->__any;
  if (fault->SOAP_ENV__Detail != nullptr) return fault->SOAP_ENV__Detail->__any;
  return nullptr;
}

// Failures of the engine itself have no fault record until the engine writes its
// own texts into one.
void fillEngineTexts(struct soap* soap) {
  if (soap->error != SOAP_OK && receivedString(soap->fault) == nullptr) soap_set_fault(soap);
}

}  // namespace

std::string faultString(struct soap* soap) {
  fillEngineTexts(soap);
  const char* text = receivedString(soap->fault);
  return text != nullptr ? text : "";
}

std::string faultDetail(struct soap* soap) {
  fillEngineTexts(soap);
  const char* text = receivedDetail(soap->fault);
  return text != nullptr ? text : "";
}

}  // namespace wire
}  // namespace QZ
