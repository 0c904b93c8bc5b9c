#include "qzexactsend.h"

namespace QZ {
namespace wire {

int envelopeEndWithoutLineEnd(struct soap* soap) {
  if (soap_element_end_out(soap, "SOAP-ENV:Envelope")) return soap->error;
  soap->part = SOAP_END_ENVELOPE;
  return SOAP_OK;
}

}  // namespace wire
}  // namespace QZ
