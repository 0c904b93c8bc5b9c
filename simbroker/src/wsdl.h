// The WSDL of the broker's three operations, for generic SOAP clients.
#ifndef QZSIM_WSDL_H
#define QZSIM_WSDL_H

#include <string>

namespace qzsim {

// As soapcpp2 writes it for the service header (generated at build time).
extern const char* const kWsdlText;

// The WSDL with the service address set to http://address:port/.
std::string wsdlFor(const std::string& address, int port);

}  // namespace qzsim

#endif
