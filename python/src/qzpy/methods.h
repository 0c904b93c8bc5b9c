// The pieces the generated bindings are made of (tools/qzgen_python.py):
//
//   ModuleClasses<N> classes = moduleClasses<N>(m, "MotionProxy", "QZMotion");
//   classes.proxy.def("getAngles", method<N, std::vector<float>, Value, Bool>(&N::getAngles),
//                     arg("names"), arg("useSensors"), doc("..."));
//   classes.post.def("say", posted<P, Text>(&P::say), arg("stringToSay"), doc("..."));
//
// method<N, R, A...> turns a native method with result R and parameters A::Native into a
// Python method: the arguments arrive converted by their casters (arguments.h), the call
// runs with the GIL released (proxies.h), the result comes back as a Python value. The
// returned callable depends on R and A... only, not on the method or its class: the
// member pointer is kept as data, so the 1,683 methods of the catalogue share a few
// hundred instantiations of pybind11's function machinery. For the same reason the
// docstrings are given as pybind11::doc, whose type does not depend on their length.
#ifndef QZPY_METHODS_H
#define QZPY_METHODS_H

#include <pybind11/pybind11.h>

#include <string>
#include <typeinfo>

#include "qzpy/arguments.h"
#include "qzpy/proxies.h"

namespace qzpy {

// Distinct C++ types for pybind11, one pair per module.
template <class Native>
class TypedProxy : public ProxyBase {
public:
  using ProxyBase::ProxyBase;
};
template <class Native>
class TypedPost : public PostBase {
public:
  using PostBase::PostBase;
};

template <class Native>
struct ModuleClasses {
  pybind11::class_<TypedProxy<Native>, ProxyBase> proxy;
  pybind11::class_<TypedPost<Native>, PostBase> post;
};

// The docstrings of a module's classes.
inline std::string proxyClassDoc(const char* className, const char* moduleName) {
  return std::string(className) + "(pIP, pPort, timeout_ms=0)\n\n" +
         "Calls the methods of the broker module " + moduleName +
         "; each call waits for the broker's answer.\n\n"
         "The constructor asks the broker at pIP:pPort where the module lives and connects "
         "there\n(QZNetworkError when the broker cannot be reached or does not know the "
         "module).\npIP is an IP address or localhost; any other host name is looked up with "
         "'.local.'\nappended. timeout_ms bounds every call, the lookup included; 0 waits as "
         "long as the\nbroker takes. Methods without result are also in `post`, which returns "
         "a task id.";
}

inline std::string postClassDoc(const char* moduleName) {
  return std::string("The methods of ") + moduleName +
         " without result, posted: each starts its method as a task\non the broker and "
         "returns the task id at once.";
}

// The class `className` of the broker module `moduleName` with its constructor
// (pIP, pPort, timeout_ms=0) and `post`, and its nested class PostHelper.
template <class Native>
ModuleClasses<Native> moduleClasses(pybind11::module_& m, const char* className,
                                    const char* moduleName) {
  namespace py = pybind11;
  using Post = decltype(Native::post);
  py::class_<TypedProxy<Native>, ProxyBase> proxy(m, className,
                                                  proxyClassDoc(className, moduleName).c_str());
  py::class_<TypedPost<Native>, PostBase> post(proxy, "PostHelper",
                                               postClassDoc(moduleName).c_str());
  ModuleClasses<Native> classes{proxy, post};
  classes.proxy.attr("__module__") = "qzremote";
  classes.post.attr("__module__") = "qzremote";
  classes.proxy.def(
      py::init([moduleName](const Text& pIP, const Int32& pPort, const Int32& timeoutMs) {
        const std::string ip = brokerAddress(pIP.value);
        auto slot = std::make_shared<ProxySlot>();
        slot->where = std::string(moduleName) + " at " + ip + ":" + std::to_string(pPort.value);
        const std::shared_ptr<Native> native =
            openNative<Native>(ip, pPort.value, checkedTimeout(timeoutMs.value));
        slot->proxy = native;
        slot->post = std::shared_ptr<QZ::QZProxyRemote>(native, &native->post);
        slot->proxyType = &typeid(Native);
        slot->postType = &typeid(Post);
        return TypedProxy<Native>(std::move(slot));
      }),
      py::arg("pIP"), py::arg("pPort"), py::arg("timeout_ms") = 0);
  classes.proxy.def_property_readonly(
      "post", [](const TypedProxy<Native>& self) { return TypedPost<Native>(self.slot()); },
      "The methods without result, posted: each starts its method as a task on the broker\n"
      "and returns the task id, which wait, isRunning and stop take.");
  return classes;
}

// The member pointer type of a native method; a nested name, so that the overload of
// &Owner::name is chosen by the explicit template arguments, not deduced.
template <class Owner, class R, class... A>
struct NativeMethod {
  static_assert(std::is_base_of_v<QZ::QZProxyRemote, Owner>, "a native proxy's method");
  using Pointer = R (Owner::*)(const typename A::Native&...);
};

// The Python callables of every native method with result R and parameters A: the
// member pointer, cast to the common base, is applied to objects of `owner` only.
template <class R, class... A>
struct Callables {
  using Pointer = R (QZ::QZProxyRemote::*)(const typename A::Native&...);

  static auto method(Pointer call, const std::type_info* owner) {
    return [call, owner](ProxyBase& self, const A&... args) -> pybind11::object {
      return invoke<R>(self.target(*owner),
                       [&](QZ::QZProxyRemote& native) { return (native.*call)(args.value...); });
    };
  }
  static auto posted(Pointer call, const std::type_info* owner) {
    return [call, owner](PostBase& self, const A&... args) -> pybind11::object {
      return invoke<R>(self.target(*owner),
                       [&](QZ::QZProxyRemote& native) { return (native.*call)(args.value...); });
    };
  }
};

// A method of the native proxy class Owner as a Python method of its class.
template <class Owner, class R, class... A>
auto method(typename NativeMethod<Owner, R, A...>::Pointer function) {
  using Shared = Callables<R, A...>;
  return Shared::method(static_cast<typename Shared::Pointer>(function), &typeid(Owner));
}

// A method of the native post handler class Owner as a Python method of its PostHelper.
template <class Owner, class... A>
auto posted(typename NativeMethod<Owner, int, A...>::Pointer function) {
  using Shared = Callables<int, A...>;
  return Shared::posted(static_cast<typename Shared::Pointer>(function), &typeid(Owner));
}

}  // namespace qzpy

#endif
