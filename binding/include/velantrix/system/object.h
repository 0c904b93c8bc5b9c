// System::Object: the nullable reference through which every host value is seen.
//
// Host values have reference semantics: a handle holds a shared pointer to its
// referent, copying a handle copies the reference, and the referent knows its host
// type by full name ("System.Int32", "System.Byte[]", ...). A default-constructed
// handle is what `new T()` gives in the host runtime; for types without such a
// constructor (String, arrays, IList) it is null. `nullptr` always gives null.
#ifndef VELANTRIX_SYSTEM_OBJECT_H
#define VELANTRIX_SYSTEM_OBJECT_H

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>

namespace System {

class Object;
class String;

namespace detail {

// Full host names of the C++ types that stand for host types.
template <class T> struct HostTypeName;
template <> struct HostTypeName<bool> { static std::string get() { return "System.Boolean"; } };
template <> struct HostTypeName<int> { static std::string get() { return "System.Int32"; } };
template <> struct HostTypeName<float> { static std::string get() { return "System.Single"; } };
template <> struct HostTypeName<double> { static std::string get() { return "System.Double"; } };
template <> struct HostTypeName<short> { static std::string get() { return "System.Int16"; } };
template <> struct HostTypeName<unsigned char> {
  static std::string get() { return "System.Byte"; }
};
template <> struct HostTypeName<char16_t> { static std::string get() { return "System.Char"; } };
template <> struct HostTypeName<Object> { static std::string get() { return "System.Object"; } };
template <> struct HostTypeName<String> { static std::string get() { return "System.String"; } };

// The referent of a handle. An instance of this class itself is a plain System.Object.
class ObjectImpl {
public:
  ObjectImpl() = default;
  ObjectImpl(const ObjectImpl&) = delete;
  ObjectImpl& operator=(const ObjectImpl&) = delete;
  virtual ~ObjectImpl();

  virtual std::string typeFullName() const;
  virtual bool implementsList() const;
  virtual std::u16string text() const;  // what ToString() gives
};

// Texts of boxed values, written as the host runtime writes them ("True", "2.5").
std::u16string boxText(bool value);
std::u16string boxText(int value);
std::u16string boxText(float value);
std::u16string boxText(double value);
std::u16string boxText(short value);
std::u16string boxText(unsigned char value);
std::u16string boxText(char16_t value);

template <class T>
class BoxImpl final : public ObjectImpl {
public:
  explicit BoxImpl(T boxed) : value(boxed) {}
  std::string typeFullName() const override { return HostTypeName<T>::get(); }
  std::u16string text() const override { return boxText(value); }
  const T value;
};

[[noreturn]] void throwNullReference();
[[noreturn]] void throwInvalidCast();
[[noreturn]] void throwIndexOutOfRange();
[[noreturn]] void throwArgumentOutOfRange(const char* paramName, const char* message);

// Lets Object::As<H>() build any handle from a referent already known to fit.
struct HandleAccess {
  template <class H>
  static H make(std::shared_ptr<ObjectImpl> impl) noexcept {
    return H(std::move(impl));
  }
};

}  // namespace detail

// The run-time type of a host value, known by its full name.
class Type {
public:
  Type() noexcept = default;  // null
  bool IsNull() const noexcept { return fFullName.empty(); }
  const std::string& FullName() const;
  // The interface of that name when this type implements it, else a null Type.
  // The only interface a host value here can have is "System.Collections.IList".
  Type GetInterface(const std::string& name) const;

  friend bool operator==(const Type& a, const Type& b) noexcept {
    return a.fFullName == b.fFullName;
  }
  friend bool operator!=(const Type& a, const Type& b) noexcept { return !(a == b); }

private:
  friend class Object;
  Type(std::string fullName, bool implementsList) noexcept
      : fFullName(std::move(fullName)), fImplementsList(implementsList) {}
  std::string fFullName;
  bool fImplementsList = false;
};

class Object {
public:
  Object();                          // a new plain System.Object
  Object(std::nullptr_t) noexcept {}  // null
  // Boxing: each C++ scalar becomes the host value of the same width.
  Object(bool value);
  Object(int value);
  Object(float value);
  Object(double value);
  Object(short value);
  Object(unsigned char value);
  Object(char16_t value);
  // Texts become System.String; narrow texts are read as UTF-8.
  Object(const char* utf8);  // a null pointer gives a null reference
  Object(const std::string& utf8);
  Object(const char16_t* text);
  Object(const std::u16string& text);

  bool IsNull() const noexcept { return fImpl == nullptr; }
  Type GetType() const;  // NullReferenceException when null
  String ToString() const;
  static bool ReferenceEquals(const Object& a, const Object& b) noexcept {
    return a.fImpl == b.fImpl;
  }

  // True when the referent is exactly a boxed T, or a T handle's referent.
  template <class T> bool Is() const;
  // The boxed value; the box must hold exactly a T (InvalidCastException otherwise).
  template <class T> T Unbox() const;
  // The same reference seen as handle H, or a null H when it is not one (`as` in C#).
  template <class H> H As() const;

protected:
  friend struct detail::HandleAccess;
  explicit Object(std::shared_ptr<detail::ObjectImpl> impl) noexcept : fImpl(std::move(impl)) {}

  // The referent, whose class the handle's own type guarantees.
  template <class I> I& referent() const {
    if (fImpl == nullptr) detail::throwNullReference();
    return static_cast<I&>(*fImpl);
  }

  std::shared_ptr<detail::ObjectImpl> fImpl;
};

// Writes ToString() as UTF-8; a null reference writes nothing.
std::ostream& operator<<(std::ostream& out, const Object& value);

template <class T> bool Object::Is() const {
  if constexpr (std::is_same_v<T, Object>) {
    return fImpl != nullptr;
  } else if constexpr (std::is_base_of_v<Object, T>) {
    return dynamic_cast<const typename T::ImplType*>(fImpl.get()) != nullptr;
  } else {
    return dynamic_cast<const detail::BoxImpl<T>*>(fImpl.get()) != nullptr;
  }
}

template <class T> T Object::Unbox() const {
  static_assert(!std::is_base_of_v<Object, T>,
                "Unbox reads boxed values; use As<T>() for references");
  if (fImpl == nullptr) detail::throwNullReference();
  const auto* box = dynamic_cast<const detail::BoxImpl<T>*>(fImpl.get());
  if (box == nullptr) detail::throwInvalidCast();
  return box->value;
}

template <class H> H Object::As() const {
  static_assert(std::is_base_of_v<Object, H>, "As<H>() gives handles; use Unbox<T>() for values");
  if constexpr (std::is_same_v<H, Object>) {
    return *this;
  } else {
    if (!Is<H>()) return H(nullptr);
    return detail::HandleAccess::make<H>(fImpl);
  }
}

}  // namespace System

#endif
