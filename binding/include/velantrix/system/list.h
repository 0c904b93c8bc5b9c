// System::Collections::Generic::List<T>: a growable typed host list;
// List<String> and List<float> are the typed lists of the proxy methods.
#ifndef VELANTRIX_SYSTEM_LIST_H
#define VELANTRIX_SYSTEM_LIST_H

#include <velantrix/system/ilist.h>

#include <initializer_list>
#include <vector>

namespace System {

namespace Collections::Generic {
template <class T> class List;
}

namespace detail {

template <class T> struct HostTypeName<Collections::Generic::List<T>> {
  static std::string get() {
    return "System.Collections.Generic.List`1[" + HostTypeName<T>::get() + "]";
  }
};

template <class T>
class GenericListImpl final : public VectorImpl<T> {
public:
  using VectorImpl<T>::VectorImpl;
  std::string typeFullName() const override {
    return HostTypeName<Collections::Generic::List<T>>::get();
  }
};

}  // namespace detail

namespace Collections::Generic {

template <class T>
class List : public IList {
  static_assert(!std::is_same_v<T, bool>, "Boolean lists are not supported; use ArrayList");

public:
  using ImplType = System::detail::GenericListImpl<T>;

  List() : IList(std::make_shared<ImplType>()) {}  // a new empty list
  List(std::nullptr_t) noexcept : IList(nullptr) {}
  List(std::initializer_list<T> items) : List(std::vector<T>(items)) {}
  explicit List(std::vector<T> items) : IList(std::make_shared<ImplType>(std::move(items))) {}

  void Add(const T& item) { items().push_back(item); }
  // ArgumentOutOfRangeException outside the list, as the host runtime raises.
  T& operator[](int index) {
    System::detail::checkListIndex(index, items().size());
    return items()[static_cast<std::size_t>(index)];
  }
  const T& operator[](int index) const {
    System::detail::checkListIndex(index, items().size());
    return items()[static_cast<std::size_t>(index)];
  }
  typename std::vector<T>::iterator begin() { return items().begin(); }
  typename std::vector<T>::iterator end() { return items().end(); }
  typename std::vector<T>::const_iterator begin() const { return items().begin(); }
  typename std::vector<T>::const_iterator end() const { return items().end(); }

private:
  friend struct System::detail::HandleAccess;
  explicit List(std::shared_ptr<System::detail::ObjectImpl> impl) noexcept
      : IList(std::move(impl)) {}
  std::vector<T>& items() const { return referent<ImplType>().items; }
};

}  // namespace Collections::Generic
}  // namespace System

#endif
