// The pieces every host proxy is built from: the owner of its native proxy, the
// conversions of arguments and results, and the translation of native errors into
// System::Exception. A host method is one line, for example
//
//   float MotionProxy::getAngle(const System::String& name) {
//     return detail::hostCall(fMotion, VELANTRIX_NATIVE_METHOD(getAngle), name);
//   }
//   int MotionProxy::PostHelper::moveTo(float x, float y, float theta) {
//     return detail::hostCall(fMotion, VELANTRIX_NATIVE_METHOD(post.moveTo), x, y, theta);
//   }
#ifndef VELANTRIX_PROXIES_DETAIL_HOSTCALL_H
#define VELANTRIX_PROXIES_DETAIL_HOSTCALL_H

#include <qzvalue/qzvalue.h>
#include <velantrix/languagecompatibility/convert.h>
#include <velantrix/system.h>

#include <exception>
#include <memory>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

// The call of native method `member` (which may be `post.name`) with the converted
// arguments; overloads resolve on the native argument types.
#define VELANTRIX_NATIVE_METHOD(member) \
  [](auto& native_, const auto&... args_) { return native_.member(args_...); }

namespace Velantrix::Proxies::detail {

using StringList = System::Collections::Generic::List<System::String>;
using FloatList = System::Collections::Generic::List<float>;

// ---- errors ------------------------------------------------------------------------

// Host text of a native message: its bytes up to the first NUL, decoded as UTF-8
// (the host's narrow code page here).
System::String nativeText(const char* text);

// Throws a plain System::Exception carrying native.what().
[[noreturn]] void throwHostException(const std::exception& native);

// Runs body(). Host exceptions (System::Exception and its kinds) pass unchanged; any
// other std::exception becomes System::Exception; anything else passes unchanged.
template <class Body>
decltype(auto) translateNativeErrors(Body&& body) {
  try {
    return std::forward<Body>(body)();
  } catch (const System::Exception&) {
    throw;
  } catch (const std::exception& native) {
    throwHostException(native);
  }
}

// ---- host arguments to native ----------------------------------------------------

inline int toNative(int value) { return value; }
inline bool toNative(bool value) { return value; }
inline float toNative(float value) { return value; }
std::string toNative(const System::String& value);           // UTF-8; ArgumentNullException on null
std::vector<std::string> toNative(const StringList& value);  // NullReferenceException on null
std::vector<float> toNative(const FloatList& value);         // NullReferenceException on null
QZ::QZValue toNative(const System::Object& value);           // NullReferenceException on null

// ---- native results to host ------------------------------------------------------

inline int fromNative(int value) { return value; }
inline bool fromNative(bool value) { return value; }
inline float fromNative(float value) { return value; }
// A typed string result: its bytes up to the first NUL, decoded as UTF-8. Strings
// inside list and object results are read whole instead.
System::String fromNative(const std::string& value);
StringList fromNative(std::vector<std::string> value);
FloatList fromNative(std::vector<float> value);
System::Object fromNative(const QZ::QZValue& value);

// ---- the owner of a native proxy ---------------------------------------------------

[[noreturn]] void throwDisposed(const char* ownerName);

template <class T> class DisposableNative;

template <class T> struct NativeSlot {
  std::unique_ptr<T> native;  // empty once disposed
};

// A non-owning view of the native object of a DisposableNative (what a PostHelper
// holds). It sees the disposal: a use after it raises ObjectDisposedException.
template <class T>
class NativeRef {
public:
  // Implicit, so that a PostHelper is built straight from its proxy's owner.
  NativeRef(const DisposableNative<T>& owner) noexcept;
  T& get() const {
    if (IsDisposed()) throwDisposed(fOwnerName);
    return *fSlot->native;
  }
  bool IsDisposed() const noexcept { return fSlot == nullptr || fSlot->native == nullptr; }
  const char* ownerName() const noexcept { return fOwnerName; }

private:
  std::shared_ptr<NativeSlot<T>> fSlot;
  const char* fOwnerName;
};

// Owns one native object, created under the error translation, released exactly once:
// by the first Dispose() or else by the destructor. Every use after that raises
// System::ObjectDisposedException "Cannot access a disposed object: <ownerName>"
// instead of reaching freed memory. `ownerName` is the host class name, a literal.
// Not synchronised: like the proxy itself, one thread at a time.
template <class T>
class DisposableNative {
public:
  // Converts the host arguments in order and constructs T from them.
  template <class... HostArgs>
  static DisposableNative create(const char* ownerName, const HostArgs&... hostArgs) {
    return DisposableNative(ownerName, [&] {
      std::tuple<decltype(toNative(hostArgs))...> nativeArgs{toNative(hostArgs)...};
      return std::apply([](const auto&... args) { return std::make_unique<T>(args...); },
                        nativeArgs);
    });
  }

  // Owns what make() returns (a std::unique_ptr<T>); make() runs under the translation.
  template <class Make, class = std::enable_if_t<std::is_invocable_v<Make&>>>
  DisposableNative(const char* ownerName, Make&& make) : fOwnerName(ownerName) {
    fSlot = translateNativeErrors([&] {
      auto slot = std::make_shared<NativeSlot<T>>();
      slot->native = std::unique_ptr<T>(make());
      return slot;
    });
  }

  DisposableNative(const DisposableNative&) = delete;
  DisposableNative& operator=(const DisposableNative&) = delete;
  DisposableNative(DisposableNative&& other) noexcept
      : fSlot(std::move(other.fSlot)), fOwnerName(other.fOwnerName) {}
  DisposableNative& operator=(DisposableNative&& other) noexcept {
    if (this != &other) {
      Dispose();
      fSlot = std::move(other.fSlot);
      fOwnerName = other.fOwnerName;
    }
    return *this;
  }
  ~DisposableNative() { Dispose(); }

  // Releases the native object; a second call does nothing.
  void Dispose() noexcept {
    if (fSlot != nullptr) fSlot->native.reset();
  }
  bool IsDisposed() const noexcept { return fSlot == nullptr || fSlot->native == nullptr; }
  T& get() const {
    if (IsDisposed()) throwDisposed(fOwnerName);
    return *fSlot->native;
  }
  const char* ownerName() const noexcept { return fOwnerName; }

private:
  friend class NativeRef<T>;
  std::shared_ptr<NativeSlot<T>> fSlot;
  const char* fOwnerName;
};

template <class T>
NativeRef<T>::NativeRef(const DisposableNative<T>& owner) noexcept
    : fSlot(owner.fSlot), fOwnerName(owner.fOwnerName) {}

// ---- one call ----------------------------------------------------------------------

template <class Native, class Call, class... NativeArgs>
auto callAndConvert(Native& native, Call& call, const NativeArgs&... args) {
  using Result = decltype(call(native, args...));
  if constexpr (std::is_void_v<Result>) {
    call(native, args...);
  } else {
    return fromNative(call(native, args...));
  }
}

// One host method: checks that the owner is not disposed, converts the host
// arguments in declared order, runs call(native, convertedArgs...), converts the
// result, all under the error translation. `owner` is a DisposableNative<T> or a
// NativeRef<T>.
template <class Owner, class Call, class... HostArgs>
auto hostCall(const Owner& owner, Call&& call, const HostArgs&... hostArgs) {
  return translateNativeErrors([&] {
    auto& native = owner.get();
    // Braces fix the left-to-right order of the conversions.
    std::tuple<decltype(toNative(hostArgs))...> nativeArgs{toNative(hostArgs)...};
    return std::apply(
        [&](const auto&... args) { return callAndConvert(native, call, args...); }, nativeArgs);
  });
}

}  // namespace Velantrix::Proxies::detail

#endif
