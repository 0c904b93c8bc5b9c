// Test stand-in for the out-of-line members of QZ::QZProxyRemote (see fake_proxy_base.h).
#include "fake_proxy_base.h"

#include "qzremotecall/qzremoteproxy.h"

namespace fakebase {

Log& log() {
  static Log theLog;
  return theLog;
}

void reset() { log() = Log(); }

}  // namespace fakebase

namespace QZ {

struct QZProxyRemote::State {
  std::string module;
};

QZProxyRemote::QZProxyRemote() : fState(new State) {}

QZProxyRemote::QZProxyRemote(const std::string& moduleName, const std::string& ip, int port,
                             int reserved, int timeout)
    : fState(new State{moduleName}) {
  fakebase::log().constructions.push_back({moduleName, ip, port, reserved, timeout, 0});
}

QZProxyRemote::QZProxyRemote(const std::string& moduleName, const std::string& ip, int port,
                             int reserved, int timeout, int timeoutMs)
    : fState(new State{moduleName}) {
  fakebase::log().constructions.push_back({moduleName, ip, port, reserved, timeout, timeoutMs});
}

QZProxyRemote::~QZProxyRemote() = default;

void QZProxyRemote::genericCall(const std::string& methodName, const QZValue& params,
                                QZValue& result) {
  fakebase::log().calls.push_back({fState->module, methodName, params, false});
  result = fakebase::log().answer;
}

void QZProxyRemote::genericPost(const std::string& methodName, const QZValue& params,
                                QZValue& result) {
  fakebase::log().calls.push_back({fState->module, methodName, params, true});
  result = QZValue(fakebase::log().nextTaskId++);
}

}  // namespace QZ
