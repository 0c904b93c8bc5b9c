#include <velantrix/system/string.h>
#include <velantrix/system/encoding.h>

#include <cstring>
#include <ostream>

namespace System {

std::string detail::StringImpl::typeFullName() const { return HostTypeName<String>::get(); }

namespace {

std::shared_ptr<detail::ObjectImpl> textImpl(std::u16string text) {
  return std::make_shared<detail::StringImpl>(std::move(text));
}

}  // namespace

String::String(const char* utf8)
    : Object(utf8 == nullptr ? nullptr : textImpl(detail::utf8Decode(utf8, std::strlen(utf8)))) {}

String::String(const std::string& utf8)
    : Object(textImpl(detail::utf8Decode(utf8.data(), utf8.size()))) {}

String::String(const char16_t* text)
    : Object(text == nullptr ? nullptr : textImpl(std::u16string(text))) {}

String::String(std::u16string text) : Object(textImpl(std::move(text))) {}

const std::u16string& String::Chars() const { return referent<detail::StringImpl>().chars; }

int String::Length() const { return static_cast<int>(Chars().size()); }

char16_t String::operator[](int index) const {
  const std::u16string& chars = Chars();
  if (index < 0 || static_cast<std::size_t>(index) >= chars.size()) detail::throwIndexOutOfRange();
  return chars[static_cast<std::size_t>(index)];
}

std::string String::ToStdString() const { return detail::utf8Encode(Chars()); }

bool String::IsNullOrEmpty(const String& value) noexcept {
  return value.IsNull() || static_cast<const detail::StringImpl&>(*value.fImpl).chars.empty();
}

bool operator==(const String& a, const String& b) noexcept {
  if (a.IsNull() || b.IsNull()) return a.IsNull() == b.IsNull();
  return static_cast<const detail::StringImpl&>(*a.fImpl).chars ==
         static_cast<const detail::StringImpl&>(*b.fImpl).chars;
}

std::ostream& operator<<(std::ostream& out, const String& value) {
  if (!value.IsNull()) out << value.ToStdString();
  return out;
}

}  // namespace System
