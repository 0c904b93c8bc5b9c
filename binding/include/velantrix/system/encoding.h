// System::Text::Encoding::UTF8: the host runtime's UTF-8 encoder and decoder.
// Unpaired surrogates encode as U+FFFD; ill-formed byte sequences decode as U+FFFD,
// one per maximal ill-formed subpart.
#ifndef VELANTRIX_SYSTEM_ENCODING_H
#define VELANTRIX_SYSTEM_ENCODING_H

#include <velantrix/system/array.h>
#include <velantrix/system/string.h>

#include <cstddef>
#include <string>

namespace System {

namespace detail {
std::string utf8Encode(const std::u16string& text);
std::u16string utf8Decode(const char* bytes, std::size_t count);
}  // namespace detail

namespace Text {

class UTF8Encoding {
public:
  constexpr UTF8Encoding() = default;

  // A null String or array raises ArgumentNullException.
  Array<unsigned char> GetBytes(const String& s) const;
  String GetString(const Array<unsigned char>& bytes) const;
  // The same two conversions between host texts and native byte strings, with no
  // host byte array in between.
  std::string GetStdString(const String& s) const;
  String GetString(const char* bytes, std::size_t count) const;
};

class Encoding {
public:
  static constexpr UTF8Encoding UTF8{};
};

}  // namespace Text
}  // namespace System

#endif
