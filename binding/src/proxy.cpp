#include <velantrix/proxies/proxy.h>

#include <qzremotecall/qzremoteproxy.h>

#include <memory>
#include <string>

namespace Velantrix::Proxies {

Proxy::Proxy(const System::String& moduleName, const System::String& ip, int port)
    : Proxy(moduleName, ip, port, 0) {}

Proxy::Proxy(const System::String& moduleName, const System::String& ip, int port, int timeoutMs)
    : fProxy("Proxy", [&] {
        // The address is converted before the module name.
        const std::string nativeIp = detail::toNative(ip);
        const std::string nativeName = detail::toNative(moduleName);
        return std::make_unique<QZ::QZProxyRemote>(nativeName, nativeIp, port, 0, 0, timeoutMs);
      }) {}

void Proxy::setTimeout(int milliseconds) {
  detail::hostCall(fProxy, VELANTRIX_NATIVE_METHOD(setTimeout), milliseconds);
}

int Proxy::getTimeout() { return detail::hostCall(fProxy, VELANTRIX_NATIVE_METHOD(getTimeout)); }

void Proxy::cancel() { detail::hostCall(fProxy, VELANTRIX_NATIVE_METHOD(cancel)); }

Proxy::~Proxy() = default;

void Proxy::Dispose() {
  Dispose(true);
  System::GC::SuppressFinalize(this);
}

void Proxy::Dispose(bool disposing) {
  if (disposing) fProxy.Dispose();
}

System::Object Proxy::genericCall(const System::String& methodName, const System::Object& args) {
  return detail::hostCall(
      fProxy,
      [](QZ::QZProxyRemote& proxy, const QZ::QZValue& params, const std::string& method) {
        QZ::QZValue result;
        proxy.genericCall(method, params, result);
        return result;
      },
      args, methodName);
}

void Proxy::genericVoidCall(const System::String& methodName, const System::Object& args) {
  detail::hostCall(
      fProxy,
      [](QZ::QZProxyRemote& proxy, const QZ::QZValue& params, const std::string& method) {
        QZ::QZValue result;
        proxy.genericCall(method, params, result);
      },
      args, methodName);
}

int Proxy::genericPost(const System::String& methodName, const System::Object& args) {
  return detail::hostCall(
      fProxy,
      [](QZ::QZProxyRemote& proxy, const QZ::QZValue& params, const std::string& method) {
        QZ::QZValue taskId;
        proxy.genericPost(method, params, taskId);
        return static_cast<int>(static_cast<int&>(taskId));
      },
      args, methodName);
}

}  // namespace Velantrix::Proxies
