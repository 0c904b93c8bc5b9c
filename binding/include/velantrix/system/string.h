// System::String: a nullable, immutable UTF-16 text.
#ifndef VELANTRIX_SYSTEM_STRING_H
#define VELANTRIX_SYSTEM_STRING_H

#include <velantrix/system/object.h>

#include <iosfwd>
#include <string>

namespace System {

namespace detail {

class StringImpl final : public ObjectImpl {
public:
  explicit StringImpl(std::u16string text) : chars(std::move(text)) {}
  std::string typeFullName() const override;
  std::u16string text() const override { return chars; }
  const std::u16string chars;
};

}  // namespace detail

class String : public Object {
public:
  using ImplType = detail::StringImpl;

  String() noexcept : Object(nullptr) {}  // null, like an unassigned host string
  String(std::nullptr_t) noexcept : Object(nullptr) {}
  // Narrow texts are read as UTF-8 (invalid sequences become U+FFFD);
  // a null pointer gives a null String.
  String(const char* utf8);
  String(const std::string& utf8);  // every byte, embedded NULs included
  String(const char16_t* text);     // a null pointer gives a null String
  String(std::u16string text);

  int Length() const;
  char16_t operator[](int index) const;  // IndexOutOfRangeException outside the text
  const std::u16string& Chars() const;   // NullReferenceException when null
  std::string ToStdString() const;       // the text as UTF-8
  static bool IsNullOrEmpty(const String& value) noexcept;

  // Texts compare by value, as host strings do; two null Strings are equal.
  friend bool operator==(const String& a, const String& b) noexcept;
  friend bool operator!=(const String& a, const String& b) noexcept { return !(a == b); }
  friend std::ostream& operator<<(std::ostream& out, const String& value);

private:
  friend struct detail::HandleAccess;
  explicit String(std::shared_ptr<detail::ObjectImpl> impl) noexcept : Object(std::move(impl)) {}
};

}  // namespace System

#endif
