// Written by hand rather than through the generated request structures: an empty
// string is still written with a start and an end tag (gSOAP 2.8 would write <tag/>),
// and the arguments are written from the caller's value without copying it.
#include "qzrequestwriter.h"

#include "qzvaluewire.h"
#include "stdsoap2.h"

namespace QZ {
namespace wire {

namespace {

int putText(struct soap* soap, const char* tag, const std::string& text) {
  if (soap_element_begin_out(soap, tag, 0, nullptr) || soap_string_out(soap, text.c_str(), 0))
    return soap->error;
  return soap_element_end_out(soap, tag);
}

}  // namespace

int putCallRequest(struct soap* soap, const char* operation, const std::string& module,
                   const std::string& method, const QZValue& params) {
  if (soap_element_begin_out(soap, operation, 0, nullptr) || putText(soap, "qzbroker:mod", module) ||
      putText(soap, "qzbroker:meth", method) || soap_out_QZValue(soap, "qzbroker:p", -1, &params, ""))
    return soap->error;
  return soap_element_end_out(soap, operation);
}

int putLookupRequest(struct soap* soap, const std::string& moduleName) {
  if (soap_element_begin_out(soap, "qzbroker:getModuleByName", 0, nullptr) ||
      putText(soap, "qzbroker:pModuleName", moduleName))
    return soap->error;
  return soap_element_end_out(soap, "qzbroker:getModuleByName");
}

}  // namespace wire
}  // namespace QZ
