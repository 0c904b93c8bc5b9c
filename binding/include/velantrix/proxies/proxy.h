// Velantrix::Proxies::Proxy: the untyped proxy that reaches any module of the broker
// by name; arguments and results travel as host values converted whole.
#ifndef VELANTRIX_PROXIES_PROXY_H
#define VELANTRIX_PROXIES_PROXY_H

#include <velantrix/proxies/detail/hostcall.h>
#include <velantrix/system.h>

namespace QZ {
class QZProxyRemote;
}

namespace Velantrix::Proxies {

// Native errors arrive as System::Exception; after Dispose every use raises
// System::ObjectDisposedException. A host list given as `args`, for example an
// ArrayList of the remote method's arguments, travels as one Array value.
class Proxy : public System::IDisposable {
public:
  // Looks moduleName up on the broker at ip:port; nothing native is left if that fails.
  Proxy(const System::String& moduleName, const System::String& ip, int port);
  // The same, with every call, the lookup included, bounded by timeoutMs (setTimeout).
  Proxy(const System::String& moduleName, const System::String& ip, int port, int timeoutMs);
  ~Proxy() override;
  Proxy(const Proxy&) = delete;
  Proxy& operator=(const Proxy&) = delete;

  // Releases the native proxy and closes its connection; a second call does nothing.
  void Dispose() override;

  // Bounds every later call as a whole to `milliseconds` (0, the default: no bound); a
  // call that runs out raises System::Exception saying "timed out after N ms".
  void setTimeout(int milliseconds);
  int getTimeout();
  // The one member another thread may call: the call in progress ends at once with a
  // System::Exception saying it was cancelled.
  void cancel();

  // Calls methodName and waits for its answer, converted to a host value.
  System::Object genericCall(const System::String& methodName, const System::Object& args);
  // The same call; the answer is dropped once it has arrived.
  void genericVoidCall(const System::String& methodName, const System::Object& args);
  // Starts methodName on the broker and returns its task id at once.
  int genericPost(const System::String& methodName, const System::Object& args);

protected:
  virtual void Dispose(bool disposing);

private:
  detail::DisposableNative<QZ::QZProxyRemote> fProxy;
};

}  // namespace Velantrix::Proxies

#endif
