#include <velantrix/system/object.h>
#include <velantrix/system/encoding.h>
#include <velantrix/system/exception.h>
#include <velantrix/system/string.h>

#include <charconv>
#include <ostream>

namespace System {
namespace detail {

ObjectImpl::~ObjectImpl() = default;
std::string ObjectImpl::typeFullName() const { return "System.Object"; }
bool ObjectImpl::implementsList() const { return false; }
// The host runtime's default ToString() is the type's full name.
std::u16string ObjectImpl::text() const {
  const std::string name = typeFullName();
  return std::u16string(name.begin(), name.end());
}

namespace {

std::u16string ascii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// Shortest text that reads back to the same number.
template <class F> std::u16string floatText(F value) {
  char buffer[64];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  return ascii(std::string(buffer, end));
}

}  // namespace

std::u16string boxText(bool value) { return value ? u"True" : u"False"; }
std::u16string boxText(int value) { return ascii(std::to_string(value)); }
std::u16string boxText(float value) { return floatText(value); }
std::u16string boxText(double value) { return floatText(value); }
std::u16string boxText(short value) { return ascii(std::to_string(value)); }
std::u16string boxText(unsigned char value) { return ascii(std::to_string(value)); }
std::u16string boxText(char16_t value) { return std::u16string(1, value); }

}  // namespace detail

// ---- Type ---------------------------------------------------------------------

const std::string& Type::FullName() const {
  if (IsNull()) detail::throwNullReference();
  return fFullName;
}

Type Type::GetInterface(const std::string& name) const {
  if (IsNull()) detail::throwNullReference();
  if (fImplementsList && name == "System.Collections.IList") return Type(name, true);
  return Type();
}

// ---- Object ---------------------------------------------------------------------

Object::Object() : fImpl(std::make_shared<detail::ObjectImpl>()) {}
Object::Object(bool value) : fImpl(std::make_shared<detail::BoxImpl<bool>>(value)) {}
Object::Object(int value) : fImpl(std::make_shared<detail::BoxImpl<int>>(value)) {}
Object::Object(float value) : fImpl(std::make_shared<detail::BoxImpl<float>>(value)) {}
Object::Object(double value) : fImpl(std::make_shared<detail::BoxImpl<double>>(value)) {}
Object::Object(short value) : fImpl(std::make_shared<detail::BoxImpl<short>>(value)) {}
Object::Object(unsigned char value)
    : fImpl(std::make_shared<detail::BoxImpl<unsigned char>>(value)) {}
Object::Object(char16_t value) : fImpl(std::make_shared<detail::BoxImpl<char16_t>>(value)) {}
Object::Object(const char* utf8) : Object(String(utf8)) {}
Object::Object(const std::string& utf8) : Object(String(utf8)) {}
Object::Object(const char16_t* text) : Object(String(text)) {}
Object::Object(const std::u16string& text) : Object(String(text)) {}

Type Object::GetType() const {
  if (fImpl == nullptr) detail::throwNullReference();
  return Type(fImpl->typeFullName(), fImpl->implementsList());
}

String Object::ToString() const {
  if (fImpl == nullptr) detail::throwNullReference();
  return String(fImpl->text());
}

std::ostream& operator<<(std::ostream& out, const Object& value) {
  if (!value.IsNull()) out << value.ToString().ToStdString();
  return out;
}

}  // namespace System
