#include "qzpy/untyped.h"

#include "qzpy/arguments.h"
#include "qzpy/proxies.h"

namespace qzpy {

namespace py = pybind11;

namespace {

class UntypedProxy : public ProxyBase {
public:
  using ProxyBase::ProxyBase;
};

std::shared_ptr<QZ::QZProxyRemote> targetOf(const UntypedProxy& self) {
  return self.target(typeid(QZ::QZProxyRemote));
}

}  // namespace

void bindUntypedProxy(py::module_& m) {
  py::class_<UntypedProxy, ProxyBase> cls(
      m, "Proxy",
      "Proxy(moduleName, ip, port, timeout_ms=0)\n\n"
      "Calls any method of the broker module moduleName by its name. `args` is converted\n"
      "whole: a list travels as one Array holding the method's arguments, None as no\n"
      "arguments at all, any other value as that one value.");
  cls.attr("__module__") = "qzremote";
  cls.def(py::init([](const Text& moduleName, const Text& ip, const Int32& port,
                      const Int32& timeoutMs) {
            const std::string address = brokerAddress(ip.value);
            auto slot = std::make_shared<ProxySlot>();
            slot->where = moduleName.value + " at " + address + ":" + std::to_string(port.value);
            slot->proxy = openNative<QZ::QZProxyRemote>(moduleName.value, address, port.value, 0,
                                                        0, checkedTimeout(timeoutMs.value));
            slot->proxyType = &typeid(QZ::QZProxyRemote);
            return UntypedProxy(std::move(slot));
          }),
          py::arg("moduleName"), py::arg("ip"), py::arg("port"), py::arg("timeout_ms") = 0)
      .def(
          "genericCall",
          [](const UntypedProxy& self, const Text& methodName, const ArgumentList& args) {
            return invoke<QZ::QZValue>(targetOf(self), [&](QZ::QZProxyRemote& native) {
              QZ::QZValue result;
              native.genericCall(methodName.value, args.value, result);
              return result;
            });
          },
          py::arg("methodName"), py::arg("args") = py::none(),
          "genericCall(methodName: str, args: Value = None) -> Any\n\n"
          "Calls the method and returns its answer as a Python value.")
      .def(
          "genericVoidCall",
          [](const UntypedProxy& self, const Text& methodName, const ArgumentList& args) {
            return invoke<void>(targetOf(self), [&](QZ::QZProxyRemote& native) {
              QZ::QZValue result;
              native.genericCall(methodName.value, args.value, result);
            });
          },
          py::arg("methodName"), py::arg("args") = py::none(),
          "genericVoidCall(methodName: str, args: Value = None) -> None\n\n"
          "Calls the method, waits for its answer and drops it.")
      .def(
          "genericPost",
          [](const UntypedProxy& self, const Text& methodName, const ArgumentList& args) {
            return invoke<int>(targetOf(self), [&](QZ::QZProxyRemote& native) {
              QZ::QZValue taskId;
              native.genericPost(methodName.value, args.value, taskId);
              return static_cast<int&>(taskId);
            });
          },
          py::arg("methodName"), py::arg("args") = py::none(),
          "genericPost(methodName: str, args: Value = None) -> int\n\n"
          "Starts the method as a task on the broker and returns the task id.");
}

}  // namespace qzpy
