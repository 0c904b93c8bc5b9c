// The UTF-8 codec of the host runtime. Decoding follows the Unicode practice of
// one U+FFFD per maximal ill-formed subpart, so no byte is ever skipped silently
// and no well-formed character after a bad sequence is lost.
#include <velantrix/system/encoding.h>
#include <velantrix/system/exception.h>

namespace System {
namespace detail {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

void appendUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out.push_back(static_cast<char16_t>(c));
  } else {
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  }
}

bool isHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

std::string utf8Encode(const std::u16string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (isHighSurrogate(c) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (isHighSurrogate(c) || isLowSurrogate(c)) {
      c = kReplacement;  // an unpaired surrogate has no UTF-8 form
    }
    appendUtf8(out, c);
  }
  return out;
}

std::u16string utf8Decode(const char* bytes, std::size_t count) {
  const auto* in = reinterpret_cast<const unsigned char*>(bytes);
  std::u16string out;
  out.reserve(count);
  std::size_t i = 0;
  while (i < count) {
    const unsigned char lead = in[i];
    if (lead < 0x80) {
      out.push_back(lead);
      ++i;
      continue;
    }
    // Well-formed sequences: the lead fixes the length and the range of the
    // second byte, which excludes overlong forms, surrogates and values above U+10FFFF.
    int continuations = 0;
    char32_t c = 0;
    unsigned char secondLow = 0x80, secondHigh = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      continuations = 1;
      c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      continuations = 2;
      c = lead & 0x0F;
      if (lead == 0xE0) secondLow = 0xA0;
      if (lead == 0xED) secondHigh = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      continuations = 3;
      c = lead & 0x07;
      if (lead == 0xF0) secondLow = 0x90;
      if (lead == 0xF4) secondHigh = 0x8F;
    } else {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    std::size_t next = i + 1;
    bool wellFormed = true;
    for (int k = 0; k < continuations; ++k, ++next) {
      const unsigned char low = k == 0 ? secondLow : 0x80;
      const unsigned char high = k == 0 ? secondHigh : 0xBF;
      if (next >= count || in[next] < low || in[next] > high) {
        wellFormed = false;
        break;
      }
      c = (c << 6) | (in[next] & 0x3F);
    }
    // On failure `next` is the first byte not part of the subpart: decoding resumes there.
    if (wellFormed) {
      appendUtf16(out, c);
    } else {
      out.push_back(kReplacement);
    }
    i = next;
  }
  return out;
}

}  // namespace detail

namespace Text {

Array<unsigned char> UTF8Encoding::GetBytes(const String& s) const {
  const std::string bytes = GetStdString(s);
  return Array<unsigned char>(std::vector<unsigned char>(bytes.begin(), bytes.end()));
}

String UTF8Encoding::GetString(const Array<unsigned char>& bytes) const {
  if (bytes.IsNull()) throw ArgumentNullException(String("bytes"));
  return GetString(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::size_t>(bytes.Length()));
}

std::string UTF8Encoding::GetStdString(const String& s) const {
  if (s.IsNull()) throw ArgumentNullException(String("s"));
  return detail::utf8Encode(s.Chars());
}

String UTF8Encoding::GetString(const char* bytes, std::size_t count) const {
  if (bytes == nullptr && count != 0) throw ArgumentNullException(String("bytes"));
  return String(detail::utf8Decode(bytes, count));
}

}  // namespace Text
}  // namespace System
