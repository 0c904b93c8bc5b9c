// What every Python proxy is made of. A proxy and its post helper share one ProxySlot,
// which holds the native proxy until close(). A call copies the native proxy's shared
// pointer while it holds the GIL and then releases the GIL for the whole network call,
// so close() from another thread never frees a native proxy under a running call: that
// call finishes, and the native proxy goes with its last copy.
#ifndef QZPY_PROXIES_H
#define QZPY_PROXIES_H

#include <pybind11/pybind11.h>

#include <memory>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <utility>

#include "qzpy/values.h"
#include "qzremotecall/qzremoteproxy.h"

namespace qzpy {

struct ProxySlot {
  // Touched only while the GIL is held. Both are empty once the proxy is closed; `post`
  // shares ownership with `proxy` and is empty for the untyped Proxy.
  std::shared_ptr<QZ::QZProxyRemote> proxy;
  std::shared_ptr<QZ::QZProxyRemote> post;
  // The native classes, so that a method of one class refuses a proxy of another.
  const std::type_info* proxyType = nullptr;
  const std::type_info* postType = nullptr;
  std::string where;  // "QZMotion at 127.0.0.1:4700", for messages and repr()
};

// The base class of every proxy: timeout_ms, cancel(), close(), with-statements.
class ProxyBase {
public:
  explicit ProxyBase(std::shared_ptr<ProxySlot> slot) : fSlot(std::move(slot)) {}

  // The native proxy, checked to be of class `native`; ValueError once closed.
  std::shared_ptr<QZ::QZProxyRemote> target(const std::type_info& native) const;
  const std::shared_ptr<ProxySlot>& slot() const { return fSlot; }

  int timeoutMs() const;
  void setTimeoutMs(int milliseconds);
  void cancel();
  void close();
  bool closed() const { return !fSlot->proxy; }

private:
  std::shared_ptr<ProxySlot> fSlot;
};

// The base class of every PostHelper: it posts through the post handler of the slot.
class PostBase {
public:
  explicit PostBase(std::shared_ptr<ProxySlot> slot) : fSlot(std::move(slot)) {}
  std::shared_ptr<QZ::QZProxyRemote> target(const std::type_info& post) const;

private:
  std::shared_ptr<ProxySlot> fSlot;
};

// Binds ProxyBase and the hidden base of the post helpers.
void bindProxyBases(pybind11::module_& m);

// ValueError for a negative time-out, before anything is built.
int checkedTimeout(int milliseconds);

// The address a proxy asks: "localhost" (in any case) is 127.0.0.1, as for qzcall; the
// library looks any other name without a leading digit up as "<name>.local.".
std::string brokerAddress(const std::string& ip);

// Opens a native proxy with the GIL released: the lookup is a network call.
template <class Native, class... Args>
std::shared_ptr<Native> openNative(Args&&... args) {
  pybind11::gil_scoped_release unlocked;
  return std::make_shared<Native>(std::forward<Args>(args)...);
}

// Runs `call(native)` with the GIL released and returns its result as a Python value.
// A native error leaves as its Python twin (errors.h).
template <class R, class Call>
pybind11::object invoke(const std::shared_ptr<QZ::QZProxyRemote>& native, Call&& call) {
  if constexpr (std::is_void_v<R>) {
    {
      pybind11::gil_scoped_release unlocked;
      call(*native);
    }
    return pybind11::none();
  } else {
    R result = [&] {
      pybind11::gil_scoped_release unlocked;
      return call(*native);
    }();
    return toPython(result);
  }
}

}  // namespace qzpy

#endif
