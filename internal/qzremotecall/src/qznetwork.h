// QZNetwork and QZConnection: one connection to a broker endpoint, and the five
// operations a module proxy performs through it.
#ifndef QZREMOTECALL_QZNETWORK_H
#define QZREMOTECALL_QZNETWORK_H

#include "qzbrokerclient.h"
#include "qzcallcontrol.h"
#include "qzvalue/qzvalue.h"

#include <memory>
#include <string>

struct soap;

namespace QZ {

// Where a module lives, as the broker reports it: the wire layer's record, shared by
// a proxy and its connection.
struct qz__QZModuleInfoTamsa : wire::ModuleRecord {};

// One connection: the module it serves, the endpoint every request goes to, and the
// SOAP context (socket, buffers, modes) that it owns. Its QZValue part stays Invalid;
// connections travel as shared pointers to QZValue.
class QZConnection : public QZValue {
public:
  QZConnection();
  ~QZConnection() override;
  QZConnection(const QZConnection&) = delete;
  QZConnection& operator=(const QZConnection&) = delete;

  std::shared_ptr<qz__QZModuleInfoTamsa> fModuleInfo;
  std::string fEndPoint;
  struct soap* fSoap = nullptr;
  // Bounds and cancels the calls on fSoap; the one part another thread may touch.
  std::shared_ptr<wire::CallSignal> fSignal;
};

class QZNetwork {
public:
  virtual ~QZNetwork();

  std::shared_ptr<QZConnection> createConnection(
      const std::shared_ptr<qz__QZModuleInfoTamsa>& info, const std::string& endpoint,
      const int& timeout);
  int getModuleByName(const std::shared_ptr<QZValue>& handle, const std::string& name,
                      const std::shared_ptr<qz__QZModuleInfoTamsa>& info);
  void setEndPoint(const std::shared_ptr<QZValue>& handle, const std::string& ip,
                   const int& port);
  QZValue callMethod(const std::shared_ptr<QZValue>& handle, const std::string& methodName,
                     const QZValue& params);
  int postMethod(const std::shared_ptr<QZValue>& handle, const std::string& methodName,
                 const QZValue& params);
};

// The Binary values of `params`, depth first, become the outgoing attachments of
// the next request; received attachments go back into the answer's Binary values.
bool holdsBinary(const QZValue& value);
void prepareOutgoingAttachments(struct soap* soap, const QZValue& params);
void restoreIncomingAttachments(struct soap* soap, QZValue& answer);

}  // namespace QZ

#endif
