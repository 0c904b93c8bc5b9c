// The client side of the broker protocol, for the connection layer: one gSOAP context
// per connection, the three broker calls, DIME attachments and fault texts.
// No gSOAP type is visible here beyond the context pointer.
#ifndef QZSOAP_QZBROKERCLIENT_H
#define QZSOAP_QZBROKERCLIENT_H

#include "qzvalue/qzvalue.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

struct soap;

namespace QZ {
namespace wire {

// Where a module lives, as the broker reports it.
struct ModuleRecord {
  std::string name;
  int architecture = 0;
  std::string ip;
  int port = 0;
  int processId = 0;
  int modulePointer = 0;
  bool isABroker = false;
  bool keepAlive = false;
};

// A context kept alive in both directions, address reuse in the bind flags, unlimited
// kept-alive exchanges, the four time-outs set to timeoutSeconds when it is not 0, and
// call control (qzcallcontrol.h: callSignal(soap) bounds and cancels its calls).
// Null when the engine cannot allocate it.
struct soap* newClientContext(int timeoutSeconds);
// Frees everything the context holds and closes its socket.
void freeClientContext(struct soap* soap);
// Frees what one call left in the context; the TCP connection stays open.
void finishCall(struct soap* soap);

// Switches the context's output to DIME for good and empties its outgoing attachments.
void beginDimeRequest(struct soap* soap);
// Adds one outgoing attachment (type application/octet-stream, ID "image"); the bytes
// are copied into memory the context owns until finishCall.
void addAttachment(struct soap* soap, const void* bytes, std::size_t size);
// The same without the copy, for bytes that stay where they are until the request is
// sent: the arguments of a call, which outlive it.
void addBorrowedAttachment(struct soap* soap, const void* bytes, std::size_t size);
// The attachments of the last answer, in arrival order; valid until finishCall.
std::vector<std::pair<const void*, std::size_t>> receivedAttachments(struct soap* soap);

// The three broker calls; 0 on success, else the engine's status. A value reader
// error raises QZError out of the call; the connection is then closed, the context
// stays usable.
int callTamsa(struct soap* soap, const std::string& endpoint, const std::string& module,
              const std::string& method, const QZValue& params, QZValue& result);
int callTamsa2(struct soap* soap, const std::string& endpoint, const std::string& module,
               const std::string& method, const QZValue& params, QZValue& result);
int getModuleByName(struct soap* soap, const std::string& endpoint,
                    const std::string& moduleName, ModuleRecord& out);

// The fault texts of the last failed call ("" when absent). Failures of the engine
// itself (refused connection, HTTP status, closed connection) give its own texts.
std::string faultString(struct soap* soap);
std::string faultDetail(struct soap* soap);

}  // namespace wire
}  // namespace QZ

#endif
