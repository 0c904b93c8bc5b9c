// QZProxyRemote: construction (address normalisation, lookup, re-pointing), the two
// untyped operations every typed call ends in, and their deadline and cancellation.
#include "qzremotecall/qzremoteproxy.h"

#include "qzcallscope.h"
#include "qznetwork.h"

namespace QZ {

struct QZProxyRemote::State {
  std::shared_ptr<QZValue> connection;
  std::shared_ptr<qz__QZModuleInfoTamsa> moduleInfo;
  std::shared_ptr<QZNetwork> network;
  CallState calls;  // points into `connection`, which lives as long as this
};

namespace {

// A host name without a leading digit and without ".local" is looked up as
// "<name>.local." (an empty name becomes ".local.").
std::string normaliseAddress(const std::string& ip) {
  const bool startsWithDigit = !ip.empty() && ip[0] >= '0' && ip[0] <= '9';
  if (startsWithDigit || ip.find(".local") != std::string::npos) return ip;
  return ip + ".local.";
}

int checkedTimeout(const char* operation, int milliseconds) {
  if (milliseconds < 0)
    throw QZError("QZProxy", operation,
                  "a time-out of " + std::to_string(milliseconds) +
                      " ms: give 0 to wait indefinitely, or a positive number of milliseconds",
                  __FILE__, __LINE__);
  return milliseconds;
}

}  // namespace

QZProxyRemote::QZProxyRemote() : fState(new State()) {}

QZProxyRemote::QZProxyRemote(const std::string& moduleName, const std::string& ip, int port,
                             int reserved, int timeout)
    : QZProxyRemote(moduleName, ip, port, reserved, timeout, 0) {}

QZProxyRemote::QZProxyRemote(const std::string& moduleName, const std::string& ip, int port,
                             int /*reserved*/, int timeout, int timeoutMs)
    : fState(new State()) {
  // Everything built here is owned by fState, so a failed lookup releases it all.
  State& state = *fState;
  state.calls.module = moduleName;
  state.calls.timeoutMs = checkedTimeout("QZProxyRemote", timeoutMs);
  state.network = std::make_shared<QZNetwork>();
  const std::string address = normaliseAddress(ip);

  state.moduleInfo = std::make_shared<qz__QZModuleInfoTamsa>();
  state.moduleInfo->name = moduleName;
  state.moduleInfo->architecture = 3;
  state.moduleInfo->ip = address;
  state.moduleInfo->port = port;
  state.moduleInfo->processId = -1;
  state.moduleInfo->modulePointer = -1;
  state.moduleInfo->isABroker = false;

  const std::string endpoint = "http://" + address + ":" + std::to_string(port);
  const std::shared_ptr<QZConnection> connection =
      state.network->createConnection(state.moduleInfo, endpoint, timeout);
  state.connection = connection;
  state.calls.connection = connection.get();
  {
    CallScope lookup(state.calls, "getModuleByName");
    try {
      state.network->getModuleByName(state.connection, moduleName, state.moduleInfo);
    } catch (const QZError&) {
      lookup.throwIfStopped("looking the module up at");
      throw;
    }
  }

  // The broker may report "0.0.0.0" (any of its addresses): use the one we reached.
  // An explicit loopback address always wins.
  if (state.moduleInfo->ip == "0.0.0.0") state.moduleInfo->ip = address;
  if (ip == "127.0.0.1") state.moduleInfo->ip = "127.0.0.1";
  state.network->setEndPoint(state.connection, state.moduleInfo->ip, state.moduleInfo->port);
}

QZProxyRemote::~QZProxyRemote() {
  if (!fState) return;
  // Released in this order: network, module info, connection (closing its socket).
  fState->network.reset();
  fState->moduleInfo.reset();
  fState->connection.reset();
}

void QZProxyRemote::setTimeout(int milliseconds) {
  fState->calls.timeoutMs = checkedTimeout("setTimeout", milliseconds);
}

int QZProxyRemote::getTimeout() const { return fState->calls.timeoutMs; }

void QZProxyRemote::cancel() {
  if (fState->calls.connection != nullptr && fState->calls.connection->fSignal)
    fState->calls.connection->fSignal->cancel();
}

void QZProxyRemote::genericCall(const std::string& methodName, const QZValue& params,
                                QZValue& result) {
  CallScope call(fState->calls, methodName);
  QZValue answer;
  try {
    answer = fState->network ? fState->network->callMethod(fState->connection, methodName, params)
                             : QZNetwork().callMethod(fState->connection, methodName, params);
  } catch (const QZError&) {
    call.throwIfStopped("waiting for");
    throw;
  }
  // A status pair [Int 1 or Int 0, x, ...] is unwrapped to x.
  if (answer.getType() == QZValue::TypeArray && answer.getSize() >= 2) {
    const QZValue& status = (*answer.arrayElements())[0];
    if (status == QZValue(1) || status == QZValue(0)) {
      result = std::move(answer[1]);
      return;
    }
  }
  result = std::move(answer);
}

void QZProxyRemote::genericPost(const std::string& methodName, const QZValue& params,
                                QZValue& result) {
  CallScope call(fState->calls, methodName);
  int taskId = 0;
  try {
    taskId = fState->network ? fState->network->postMethod(fState->connection, methodName, params)
                             : QZNetwork().postMethod(fState->connection, methodName, params);
  } catch (const QZError&) {
    call.throwIfStopped("waiting for");
    throw;
  }
  result = taskId;
}

}  // namespace QZ
