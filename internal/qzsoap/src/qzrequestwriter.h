// The operation elements of the three requests.
#ifndef QZSOAP_QZREQUESTWRITER_H
#define QZSOAP_QZREQUESTWRITER_H

#include "qzvalue/qzvalue.h"

#include <string>

struct soap;

namespace QZ {
namespace wire {

// <operation><qzbroker:mod>..</qzbroker:mod><qzbroker:meth>..</qzbroker:meth>
// <qzbroker:p>..</qzbroker:p></operation>, for callTamsa and callTamsa2.
int putCallRequest(struct soap* soap, const char* operation, const std::string& module,
                   const std::string& method, const QZValue& params);
// <qzbroker:getModuleByName><qzbroker:pModuleName>..</qzbroker:pModuleName></..>
int putLookupRequest(struct soap* soap, const std::string& moduleName);

}  // namespace wire
}  // namespace QZ

#endif
