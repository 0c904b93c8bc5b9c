// The namespace table of every broker message, in the order the envelope declares it.
// The first entry makes the messages SOAP 1.1; the third column is what an answer may
// use instead (any year of the XML Schema namespaces).
#include "stdsoap2.h"

SOAP_NMAC struct Namespace namespaces[] = {
    {"SOAP-ENV", "http://schemas.xmlsoap.org/soap/envelope/", nullptr, nullptr},
    {"SOAP-ENC", "http://schemas.xmlsoap.org/soap/encoding/", nullptr, nullptr},
    {"xsi", "http://www.w3.org/2001/XMLSchema-instance", "http://www.w3.org/*/XMLSchema-instance", nullptr},
    {"xsd", "http://www.w3.org/2001/XMLSchema", "http://www.w3.org/*/XMLSchema", nullptr},
    {"qzbroker", "urn:qzbroker", nullptr, nullptr},
    {"qz", "urn:velantrix", nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr}};
