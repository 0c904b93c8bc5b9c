// Escaping and number texts of the value XML. The writer runs over every argument list
// and the reader over every answer, so both avoid locale-dependent and allocating
// library calls (printf, string streams) on their common paths.
#include "qzvaluesoap_text.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale>
#include <sstream>
#include <string_view>
#include <system_error>

namespace QZ {
namespace valuexml {
namespace {

// The escaped text of each byte value; a length of 1 means the byte is copied.
struct EscapeTable {
  char text[256][8];
  unsigned char length[256];

  explicit EscapeTable(unsigned int threshold) {
    for (unsigned int byte = 0; byte < 256; ++byte) {
      const char* named = nullptr;
      switch (byte) {
        case '&': named = "&amp;"; break;
        case '<': named = "&lt;"; break;
        case '>': named = "&gt;"; break;
        case '"': named = "&quot;"; break;
        case '\'': named = "&apos;"; break;
        default: break;
      }
      char* slot = text[byte];
      if (named != nullptr) {
        length[byte] = static_cast<unsigned char>(std::strlen(named));
        std::memcpy(slot, named, length[byte]);
      } else if (byte >= 128 || byte < threshold) {
        slot[0] = '&';
        slot[1] = '#';
        char* end = std::to_chars(slot + 2, slot + 5, byte).ptr;
        *end++ = ';';
        length[byte] = static_cast<unsigned char>(end - slot);
      } else {
        slot[0] = static_cast<char>(byte);
        length[byte] = 1;
      }
    }
  }
};

const EscapeTable kEscapeSpace(33);
const EscapeTable kKeepSpace(32);

bool isStreamSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The rare numbers outside the float range go through the stream itself, so that its
// saturation and underflow results are reproduced exactly.
float readFloatByStream(const char* begin, const char* end) {
  std::istringstream stream(std::string(begin, end));
  stream.imbue(std::locale::classic());
  float value = 0.0f;
  stream >> value;
  return value;
}

// The special value that `text` (after white space) names, if it is one.
bool readSpecialFloat(const char* text, float& value) {
  const char* p = text;
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  // ASCII letters only, folded to lower case without the locale.
  std::size_t length = 0;
  char lower[9];
  for (; length < sizeof lower; ++length) {
    const char folded = static_cast<char>(p[length] | 0x20);
    if (folded < 'a' || folded > 'z') break;
    lower[length] = folded;
  }
  const char after = p[length];
  if (length == 0 || (after != '\0' && !isStreamSpace(after))) return false;
  const std::string_view word(lower, length);
  if (word == "nan") {
    value = negative ? -std::numeric_limits<float>::quiet_NaN() : std::numeric_limits<float>::quiet_NaN();
  } else if (word == "inf" || word == "infinity") {
    value = negative ? -std::numeric_limits<float>::infinity() : std::numeric_limits<float>::infinity();
  } else {
    return false;
  }
  return true;
}

}  // namespace

void appendEscaped(std::string& out, const char* data, std::size_t size, bool escapeSpace) {
  const EscapeTable& table = escapeSpace ? kEscapeSpace : kKeepSpace;
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data);
  std::size_t total = 0;
  for (std::size_t i = 0; i < size; ++i) total += table.length[bytes[i]];
  const std::size_t start = out.size();
  out.resize(start + total);
  char* write = &out[start];
  for (std::size_t i = 0; i < size; ++i) {
    const unsigned char byte = bytes[i];
    if (table.length[byte] == 1) {
      *write++ = static_cast<char>(byte);
    } else {
      std::memcpy(write, table.text[byte], table.length[byte]);
      write += table.length[byte];
    }
  }
}

void appendInt(std::string& out, int value) {
  char buffer[16];
  const char* end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  out.append(buffer, static_cast<std::size_t>(end - buffer));
}

void appendFloat(std::string& out, float value) {
  // The standard library formats with a precision exactly as printf's "%.*g" does in the C locale.
  char buffer[64];
  const std::to_chars_result result = std::to_chars(
      buffer, buffer + sizeof buffer, static_cast<double>(value), std::chars_format::general, 8);
  out.append(buffer, static_cast<std::size_t>(result.ptr - buffer));
}

int readInt(const char* text) {
  // Up to nine digits after an optional minus cannot overflow: read them here.
  const char* p = text[0] == '-' ? text + 1 : text;
  int value = 0;
  int digits = 0;
  for (; digits < 9 && isDigit(p[digits]); ++digits) value = value * 10 + (p[digits] - '0');
  if (digits > 0 && !isDigit(p[digits])) return text[0] == '-' ? -value : value;
  // atoi is strtol narrowed to int; doing the same keeps out-of-range texts defined.
  return static_cast<int>(std::strtol(text, nullptr, 10));
}

float readFloat(const char* text) {
  const char* p = text;
  while (isStreamSpace(*p)) ++p;
  if (float special = 0.0f; !isDigit(*p) && readSpecialFloat(p, special)) return special;
  // One sign. The stream takes a plus sign, the converter below does not.
  const bool plus = *p == '+';
  if (plus) ++p;
  const char* const start = p;
  if (!plus && *p == '-') ++p;
  bool mantissa = false;
  bool point = false;
  bool exponent = false;
  bool exponentDigits = false;
  for (;; ++p) {
    if (isDigit(*p)) {
      (exponent ? exponentDigits : mantissa) = true;
    } else if (*p == '.' && !point && !exponent) {
      point = true;
    } else if ((*p == 'e' || *p == 'E') && !exponent && mantissa) {
      exponent = true;
      if (p[1] == '+' || p[1] == '-') ++p;
    } else {
      break;
    }
  }
  // The stream hands its whole scanned text to the converter and gives 0 when the
  // converter does not take all of it ("1e", "1e+", "-", ".").
  if (!mantissa || (exponent && !exponentDigits)) return 0.0f;
  float value = 0.0f;
  const std::from_chars_result result = std::from_chars(start, p, value);
  if (result.ec != std::errc() || result.ptr != p) return readFloatByStream(start, p);
  return value;
}

const char* readLeadingFloat(const char* begin, const char* end, float& value) {
  const char* digits = begin != end && *begin == '-' ? begin + 1 : begin;
  if (digits == end || !isDigit(*digits)) return nullptr;
  // The converter reads the form of readFloat's scan, and stops where that scan does.
  const std::from_chars_result result = std::from_chars(begin, end, value);
  return result.ec == std::errc() ? result.ptr : nullptr;
}

}  // namespace valuexml
}  // namespace QZ
