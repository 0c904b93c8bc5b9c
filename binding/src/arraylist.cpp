#include <velantrix/system/arraylist.h>

namespace System {

std::string detail::ArrayListImpl::typeFullName() const { return "System.Collections.ArrayList"; }

namespace Collections {

ArrayList::ArrayList() : IList(std::make_shared<ImplType>()) {}

ArrayList::ArrayList(std::initializer_list<Object> items)
    : IList(std::make_shared<ImplType>(std::vector<Object>(items))) {}

ArrayList ArrayList::WithCapacity(int capacity) {
  if (capacity < 0) {
    System::detail::throwArgumentOutOfRange("capacity", "Non-negative number required.");
  }
  ArrayList list;
  list.items().reserve(static_cast<std::size_t>(capacity));
  return list;
}

int ArrayList::Add(const Object& value) {
  std::vector<Object>& elements = items();
  elements.push_back(value);
  return static_cast<int>(elements.size() - 1);
}

int ArrayList::Capacity() const { return static_cast<int>(items().capacity()); }

Object& ArrayList::operator[](int index) {
  System::detail::checkListIndex(index, items().size());
  return items()[static_cast<std::size_t>(index)];
}

const Object& ArrayList::operator[](int index) const {
  System::detail::checkListIndex(index, items().size());
  return items()[static_cast<std::size_t>(index)];
}

}  // namespace Collections
}  // namespace System
