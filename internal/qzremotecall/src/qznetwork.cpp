// The operations of QZNetwork on one connection: lookup, re-pointing, calls and posts.
#include "qznetwork.h"

#include "qzbrokerclient.h"
#include "qzvalue/qzerror.h"

#include <cstdio>

namespace QZ {
namespace {

std::shared_ptr<QZConnection> asConnection(const std::shared_ptr<QZValue>& handle) {
  return std::dynamic_pointer_cast<QZConnection>(handle);
}

// Finishes the call on the context whatever happens: frees its per-call memory
// and keeps the TCP connection for the next request.
struct CallCleanup {
  struct soap* soap;
  ~CallCleanup() { wire::finishCall(soap); }
};

// A failed exchange becomes a QZError carrying the broker's fault texts, unless
// the reply still produced a value: that one is reported and kept. A value holding
// Binary values is not whole then: their bytes travel as attachments after the
// envelope, in the part of the answer that failed, so it is not kept either.
void checkExchange(int status, struct soap* soap, const QZConnection& connection,
                   const QZValue& answer) {
  if (status == 0) return;
  if (!answer.isValid() || holdsBinary(answer)) {
    throw QZError(connection.fModuleInfo->name, "SOAP error:" + wire::faultString(soap),
                  "SOAP detail: " + wire::faultDetail(soap), __FILE__, __LINE__);
  }
  std::printf("\nThe return value mismatch with communication protocol, check your return value\n");
  std::fflush(stdout);
}

}  // namespace

int QZNetwork::getModuleByName(const std::shared_ptr<QZValue>& handle, const std::string& name,
                               const std::shared_ptr<qz__QZModuleInfoTamsa>& info) {
  const std::shared_ptr<QZConnection> connection = asConnection(handle);
  if (!connection || connection->fSoap == nullptr)
    throw QZNetworkError("QZNetwork", "getModuleByName", "connection not initialized", __FILE__,
                         __LINE__);
  CallCleanup cleanup{connection->fSoap};
  wire::ModuleRecord record;
  if (wire::getModuleByName(connection->fSoap, connection->fEndPoint, name, record) != 0)
    throw QZNetworkError("QZNetwork", "getModuleByName",
                         "failed to get module " + name + " " + connection->fEndPoint, __FILE__,
                         __LINE__);
  static_cast<wire::ModuleRecord&>(*info) = record;
  return 0;
}

void QZNetwork::setEndPoint(const std::shared_ptr<QZValue>& handle, const std::string& ip,
                            const int& port) {
  const std::shared_ptr<QZConnection> connection = asConnection(handle);
  if (!connection)
    throw QZError("QZNetwork", "setEndPoint", "connection not initialized", __FILE__, __LINE__);
  connection->fEndPoint = "http://" + ip + ":" + std::to_string(port);
}

QZValue QZNetwork::callMethod(const std::shared_ptr<QZValue>& handle,
                              const std::string& methodName, const QZValue& params) {
  const std::shared_ptr<QZConnection> connection = asConnection(handle);
  if (!connection || connection->fSoap == nullptr)
    throw QZError("QZNetwork", "callMethod" + methodName, "connection not initialized", __FILE__,
                  __LINE__);
  struct soap* soap = connection->fSoap;
  CallCleanup cleanup{soap};
  prepareOutgoingAttachments(soap, params);
  QZValue answer;
  const int status = wire::callTamsa(soap, connection->fEndPoint, connection->fModuleInfo->name,
                                     methodName, params, answer);
  checkExchange(status, soap, *connection, answer);
  restoreIncomingAttachments(soap, answer);
  return answer;
}

int QZNetwork::postMethod(const std::shared_ptr<QZValue>& handle, const std::string& methodName,
                          const QZValue& params) {
  const std::shared_ptr<QZConnection> connection = asConnection(handle);
  if (!connection || connection->fSoap == nullptr)
    throw QZError("QZProxy", "null copy in CALL_METHODS", "", __FILE__, __LINE__);
  struct soap* soap = connection->fSoap;
  CallCleanup cleanup{soap};
  // A posted call carrying bytes sends them exactly as a call does; without any
  // Binary value the request stays as it always was (no attachments prepared).
  if (holdsBinary(params)) prepareOutgoingAttachments(soap, params);
  QZValue answer;
  const int status = wire::callTamsa2(soap, connection->fEndPoint, connection->fModuleInfo->name,
                                      methodName, params, answer);
  checkExchange(status, soap, *connection, answer);
  return static_cast<int&>(answer);
}

}  // namespace QZ
