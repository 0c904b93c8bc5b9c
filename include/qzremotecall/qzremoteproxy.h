// QZProxyRemote: the untyped proxy of one module on a broker, and the typed call
// templates through which every native module proxy calls it.
#ifndef QZREMOTECALL_QZREMOTEPROXY_H
#define QZREMOTECALL_QZREMOTEPROXY_H

#include "qzvalue/detail/qzfunctorconvert.h"
#include "qzvalue/qzerror.h"
#include "qzvalue/qzexport.h"
#include "qzvalue/qzvalue.h"

#include <memory>
#include <string>

namespace QZ {

class QZ_API QZProxyRemote {
public:
  // Empty state: the base of post handlers, through which no call is made.
  QZProxyRemote();
  // Looks `moduleName` up on the broker at ip:port and points the connection at the
  // address the broker reports. `reserved` is unused; `timeout` (seconds) bounds
  // receive, send, connect and accept when it is not 0.
  QZProxyRemote(const std::string& moduleName, const std::string& ip, int port, int reserved,
                int timeout);
  // The same, with every call, the lookup included, bounded as a whole by timeoutMs
  // (see setTimeout).
  QZProxyRemote(const std::string& moduleName, const std::string& ip, int port, int reserved,
                int timeout, int timeoutMs);
  virtual ~QZProxyRemote();
  QZProxyRemote(const QZProxyRemote&) = delete;
  QZProxyRemote& operator=(const QZProxyRemote&) = delete;

  // Bounds every later call as a whole (connecting, sending and receiving the whole
  // answer) to `milliseconds`; 0, the default, waits indefinitely. A call that runs
  // out raises QZTimeoutError ("... timed out after N ms ..."); its connection is
  // dropped, and the next call opens a new one.
  void setTimeout(int milliseconds);
  int getTimeout() const;
  // The one member another thread may call: the call in progress on this proxy (or its
  // post handler) ends at once with a QZError saying it was cancelled; without a call
  // in progress it does nothing. The proxy stays usable.
  void cancel();

  // Every call below raises QZError at once, without disturbing anything, when another
  // thread is in a call on this proxy: a proxy makes one call at a time.

  // Sends the call and waits; an answer [Int 0 or 1, x, ...] is unwrapped to x.
  void genericCall(const std::string& methodName, const QZValue& params, QZValue& result);
  // Starts the call on the broker; `result` becomes the Int task id.
  void genericPost(const std::string& methodName, const QZValue& params, QZValue& result);

  // Sends the call and returns the answer converted to R.
  template <typename R, typename... P>
  R callRemote(const std::string& pName, const P&... p) {
    QZValue params;
    QZValue result;
    packArguments(params, p...);
    genericCall(pName, params, result);
    if (!result.isValid())
      throw QZError("QZProxy", "call", "Waiting for the result of a void function",
                    "qzremotecall/qzremoteproxy", __LINE__);
    return detail::converter<R>().convertFromQZValue(result);
  }

  // Sends the call and waits; the answer is dropped, whatever it is.
  template <typename... P>
  void callVoidRemote(const std::string& pName, const P&... p) {
    QZValue params;
    QZValue result;
    packArguments(params, p...);
    genericCall(pName, params, result);
  }

  // Posts the call and returns the broker's task id.
  template <typename... P>
  int pCall(const std::string& pName, const P&... p) {
    QZValue params;
    QZValue result;
    packArguments(params, p...);
    genericPost(pName, params, result);
    return static_cast<int&>(result);
  }

private:
  // One Array element per argument; without arguments the list stays Invalid.
  template <typename... P>
  static void packArguments(QZValue& params, const P&... p) {
    if constexpr (sizeof...(P) > 0) {
      params.arraySetSize(static_cast<int>(sizeof...(P)));
      int index = 0;
      ((params[index++] = detail::converter<P>().convertToQZValue(p)), ...);
    }
  }

  struct State;
  std::unique_ptr<State> fState;
};

}  // namespace QZ

#endif
