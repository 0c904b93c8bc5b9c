// System::Collections::IList: what every host array and list is seen as.
#ifndef VELANTRIX_SYSTEM_ILIST_H
#define VELANTRIX_SYSTEM_ILIST_H

#include <velantrix/system/object.h>

#include <vector>

namespace System {

namespace detail {

class ListImpl : public ObjectImpl {
public:
  bool implementsList() const override { return true; }
  virtual int count() const = 0;
  virtual Object item(int index) const = 0;  // index already checked; values come boxed
};

// Arrays and lists keep their elements in one vector.
template <class T>
class VectorImpl : public ListImpl {
public:
  VectorImpl() = default;
  explicit VectorImpl(std::vector<T> elements) : items(std::move(elements)) {}
  int count() const override { return static_cast<int>(items.size()); }
  Object item(int index) const override { return Object(items[static_cast<std::size_t>(index)]); }
  std::vector<T> items;
};

inline void checkArrayIndex(int index, std::size_t size) {
  if (index < 0 || static_cast<std::size_t>(index) >= size) throwIndexOutOfRange();
}
inline void checkListIndex(int index, std::size_t size) {
  if (index < 0 || static_cast<std::size_t>(index) >= size) {
    throwArgumentOutOfRange("index",
                            "Index was out of range. Must be non-negative and less than the "
                            "size of the collection.");
  }
}

}  // namespace detail

namespace Collections {

class IList : public Object {
public:
  using ImplType = System::detail::ListImpl;

  IList() noexcept : Object(nullptr) {}
  IList(std::nullptr_t) noexcept : Object(nullptr) {}

  int Count() const { return referent<ImplType>().count(); }
  // Element `index`, boxed when the list holds values (ArgumentOutOfRangeException outside).
  Object operator[](int index) const {
    const ImplType& list = referent<ImplType>();
    System::detail::checkListIndex(index, static_cast<std::size_t>(list.count()));
    return list.item(index);
  }

protected:
  friend struct System::detail::HandleAccess;
  explicit IList(std::shared_ptr<System::detail::ObjectImpl> impl) noexcept
      : Object(std::move(impl)) {}
};

}  // namespace Collections
}  // namespace System

#endif
