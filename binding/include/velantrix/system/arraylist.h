// System::Collections::ArrayList: a growable list of any host values.
#ifndef VELANTRIX_SYSTEM_ARRAYLIST_H
#define VELANTRIX_SYSTEM_ARRAYLIST_H

#include <velantrix/system/ilist.h>

#include <initializer_list>
#include <vector>

namespace System {

namespace detail {

class ArrayListImpl final : public VectorImpl<Object> {
public:
  using VectorImpl<Object>::VectorImpl;
  std::string typeFullName() const override;
};

}  // namespace detail

namespace Collections {

class ArrayList : public IList {
public:
  using ImplType = System::detail::ArrayListImpl;

  ArrayList();  // a new empty list
  ArrayList(std::nullptr_t) noexcept : IList(nullptr) {}
  // `ArrayList{"a", 1, true, 2.5f}`. A single element that is itself an ArrayList is
  // copied by C++ rather than nested: write `ArrayList{Object(inner)}` to nest it.
  ArrayList(std::initializer_list<Object> items);
  static ArrayList WithCapacity(int capacity);

  int Add(const Object& value);  // the index of the new element
  int Capacity() const;
  // ArgumentOutOfRangeException outside the list, as the host runtime raises.
  Object& operator[](int index);
  const Object& operator[](int index) const;
  std::vector<Object>::iterator begin() { return items().begin(); }
  std::vector<Object>::iterator end() { return items().end(); }
  std::vector<Object>::const_iterator begin() const { return items().begin(); }
  std::vector<Object>::const_iterator end() const { return items().end(); }

private:
  friend struct System::detail::HandleAccess;
  explicit ArrayList(std::shared_ptr<System::detail::ObjectImpl> impl) noexcept
      : IList(std::move(impl)) {}
  std::vector<Object>& items() const { return referent<ImplType>().items; }
};

}  // namespace Collections
}  // namespace System

#endif
