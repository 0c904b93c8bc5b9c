#include "qzpy/proxies.h"

#include "qzpy/arguments.h"

#include <cctype>

namespace qzpy {

namespace py = pybind11;

namespace {

[[noreturn]] void refuseClosed(const ProxySlot& slot) {
  raisePython(PyExc_ValueError, "the proxy of " + slot.where + " is closed");
}

// Calling MotionProxy.ping(memory) hands a MemoryProxy to a method of another class.
[[noreturn]] void refuseClass() {
  raisePython(PyExc_TypeError, "the method belongs to another proxy class than this proxy's");
}

std::string describe(py::handle self, const ProxySlot& slot, bool closed) {
  const std::string cls = py::str(py::type::of(self).attr("__qualname__"));
  return "<qzremote." + cls + " " + slot.where + (closed ? " (closed)>" : ">");
}

}  // namespace

std::shared_ptr<QZ::QZProxyRemote> ProxyBase::target(const std::type_info& native) const {
  if (!fSlot->proxy) refuseClosed(*fSlot);
  if (*fSlot->proxyType != native) refuseClass();
  return fSlot->proxy;
}

int ProxyBase::timeoutMs() const {
  if (!fSlot->proxy) refuseClosed(*fSlot);
  return fSlot->proxy->getTimeout();
}

void ProxyBase::setTimeoutMs(int milliseconds) {
  if (!fSlot->proxy) refuseClosed(*fSlot);
  fSlot->proxy->setTimeout(checkedTimeout(milliseconds));
}

void ProxyBase::cancel() {
  // Nothing runs on a closed proxy, so there is nothing to end.
  if (std::shared_ptr<QZ::QZProxyRemote> native = fSlot->proxy) native->cancel();
}

void ProxyBase::close() {
  std::shared_ptr<QZ::QZProxyRemote> proxy = std::move(fSlot->proxy);
  std::shared_ptr<QZ::QZProxyRemote> post = std::move(fSlot->post);
  fSlot->proxy.reset();
  fSlot->post.reset();
  // Closing the connection may wait on the socket: not while holding the GIL. A call
  // still running on another thread keeps its own copy and releases it when it ends.
  py::gil_scoped_release unlocked;
  post.reset();
  proxy.reset();
}

std::shared_ptr<QZ::QZProxyRemote> PostBase::target(const std::type_info& post) const {
  if (!fSlot->post) refuseClosed(*fSlot);
  if (*fSlot->postType != post) refuseClass();
  return fSlot->post;
}

int checkedTimeout(int milliseconds) {
  if (milliseconds < 0)
    raisePython(PyExc_ValueError, "timeout_ms is " + std::to_string(milliseconds) +
                                      ": give 0 to wait as long as the broker takes, or a positive "
                                      "number of milliseconds");
  return milliseconds;
}

std::string brokerAddress(const std::string& ip) {
  std::string lower = ip;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower == "localhost" ? "127.0.0.1" : ip;
}

void bindProxyBases(py::module_& m) {
  py::class_<ProxyBase> base(m, "ProxyBase",
                             "What every proxy has: timeout_ms, cancel(), close() and the "
                             "with statement.\n\nA proxy makes one call at a time; distinct "
                             "proxies may call from distinct threads at once,\nas each call "
                             "releases the GIL while it waits for the broker.");
  base.attr("__module__") = "qzremote";
  base.def_property(
          "timeout_ms", &ProxyBase::timeoutMs,
          [](ProxyBase& self, const Int32& milliseconds) { self.setTimeoutMs(milliseconds.value); },
          "How long each later call may take as a whole, in milliseconds (connecting, sending,\n"
          "receiving the whole answer); 0, the default, waits as long as the broker takes.\n"
          "A call that runs out raises QZTimeoutError and the proxy stays usable. Set it\n"
          "between calls.")
      .def_property_readonly("closed", &ProxyBase::closed, "True once close() has been called.")
      .def("cancel", &ProxyBase::cancel,
           "cancel() -> None\n\nEnds the call in progress on this proxy or its post helper at "
           "once with a QZError\nsaying it was cancelled; does nothing without one, or on a "
           "closed proxy. The one\nmember another thread may use while a call is in progress.")
      .def("close", &ProxyBase::close,
           "close() -> None\n\nCloses the connection to the broker; a second close does "
           "nothing. Every later call\nraises ValueError. A call in progress on another "
           "thread finishes first.")
      .def("__enter__", [](py::object self) { return self; })
      .def("__exit__", [](ProxyBase& self, const py::args&) { self.close(); })
      .def("__repr__", [](py::handle self) {
        const ProxyBase& proxy = self.cast<const ProxyBase&>();
        return describe(self, *proxy.slot(), proxy.closed());
      });

  py::class_<PostBase> post(m, "_PostHelperBase", "The base of every PostHelper.");
  post.attr("__module__") = "qzremote";
}

}  // namespace qzpy
