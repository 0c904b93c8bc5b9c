// Sends one request exactly as the broker expects it: gSOAP 2.8 would add CR LF after
// </SOAP-ENV:Envelope>, which the broker's messages do not have.
#ifndef QZSOAP_QZEXACTSEND_H
#define QZSOAP_QZEXACTSEND_H

#include "stdsoap2.h"

namespace QZ {
namespace wire {

// Ends the envelope without the engine's trailing CR LF.
int envelopeEndWithoutLineEnd(struct soap* soap);

// The generated send with its last step replaced. `put` writes the operation element;
// it runs for the counting pass and the sending pass, so Content-Length and DIME
// sizes stay exact. The SOAP action is always empty (SOAPAction: "").
template <class Put>
int sendExact(struct soap* soap, const char* endpoint, Put put) {
  soap_begin(soap);
  soap_set_version(soap, 1);
  soap->encodingStyle = nullptr;  // literal
  if (soap_begin_count(soap)) return soap->error;
  if ((soap->mode & SOAP_IO_LENGTH) != 0) {
    if (soap_envelope_begin_out(soap) || soap_putheader(soap) || soap_body_begin_out(soap) ||
        put() || soap_body_end_out(soap) || envelopeEndWithoutLineEnd(soap))
      return soap->error;
  }
  if (soap_end_count(soap)) return soap->error;
  if (soap_connect(soap, endpoint, "") || soap_envelope_begin_out(soap) || soap_putheader(soap) ||
      soap_body_begin_out(soap) || put() || soap_body_end_out(soap) ||
      envelopeEndWithoutLineEnd(soap) || soap_end_send(soap))
    return soap_closesock(soap);
  return SOAP_OK;
}

}  // namespace wire
}  // namespace QZ

#endif
