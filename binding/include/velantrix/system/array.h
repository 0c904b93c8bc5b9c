// System::Array<T>: a fixed-length host array, "System.Byte[]" for Array<unsigned char>,
// "System.Int16[]" for Array<short>, "System.Object[]" for Array<Object>, and so on.
#ifndef VELANTRIX_SYSTEM_ARRAY_H
#define VELANTRIX_SYSTEM_ARRAY_H

#include <velantrix/system/ilist.h>

#include <initializer_list>
#include <vector>

namespace System {

template <class T> class Array;

namespace detail {

template <class T> struct HostTypeName<Array<T>> {
  static std::string get() { return HostTypeName<T>::get() + "[]"; }
};

template <class T>
class ArrayImpl final : public VectorImpl<T> {
public:
  using VectorImpl<T>::VectorImpl;
  std::string typeFullName() const override { return HostTypeName<Array<T>>::get(); }
};

}  // namespace detail

template <class T>
class Array : public Collections::IList {
  static_assert(!std::is_same_v<T, bool>, "Boolean arrays are not supported; use Array<Object>");

public:
  using ImplType = detail::ArrayImpl<T>;

  Array() noexcept : IList(nullptr) {}  // null: a host array always has a length
  Array(std::nullptr_t) noexcept : IList(nullptr) {}
  Array(std::initializer_list<T> items) : Array(std::vector<T>(items)) {}
  explicit Array(std::vector<T> items) : IList(std::make_shared<ImplType>(std::move(items))) {}
  // `new T[length]`: every element default-valued.
  static Array New(int length) {
    if (length < 0) detail::throwArgumentOutOfRange("length", "Non-negative number required.");
    return Array(std::vector<T>(static_cast<std::size_t>(length)));
  }

  int Length() const { return static_cast<int>(items().size()); }
  // IndexOutOfRangeException outside the array, as the host runtime raises.
  T& operator[](int index) {
    detail::checkArrayIndex(index, items().size());
    return items()[static_cast<std::size_t>(index)];
  }
  const T& operator[](int index) const {
    detail::checkArrayIndex(index, items().size());
    return items()[static_cast<std::size_t>(index)];
  }
  T* data() { return items().data(); }
  const T* data() const { return items().data(); }
  typename std::vector<T>::iterator begin() { return items().begin(); }
  typename std::vector<T>::iterator end() { return items().end(); }
  typename std::vector<T>::const_iterator begin() const { return items().begin(); }
  typename std::vector<T>::const_iterator end() const { return items().end(); }

private:
  friend struct detail::HandleAccess;
  explicit Array(std::shared_ptr<detail::ObjectImpl> impl) noexcept : IList(std::move(impl)) {}
  std::vector<T>& items() const { return referent<ImplType>().items; }
};

}  // namespace System

#endif
