// Byte-level pieces of the value XML: escaping of String bytes, the number texts the
// writer prints and the number readings of item text. Internal to the value encoding.
#ifndef QZSOAP_QZVALUESOAP_TEXT_H
#define QZSOAP_QZVALUESOAP_TEXT_H

#include <cstddef>
#include <string>

namespace QZ {
namespace valuexml {

// Appends `size` bytes escaped as element text (the rules of escapeXmlText).
void appendEscaped(std::string& out, const char* data, std::size_t size, bool escapeSpace);

// Appends the "%d" text of `value`.
void appendInt(std::string& out, int value);

// Appends the "%.8g" text of `value` widened to double, in the C locale whatever the
// process locale is.
void appendFloat(std::string& out, float value);

// The Int of an item text: the leading decimal number as atoi reads it (leading white
// space, optional sign; anything after the digits ignored; no digits give 0).
int readInt(const char* text);

// The Float of an item text, exactly as `std::istringstream(text) >> f` in the classic
// locale leaves a float that starts at 0.0: leading white space skipped, the longest
// prefix of the form [sign] digits [. digits] [e [sign] digits] converted, 0.0 when that
// prefix is not a complete number ("", "-", ".", "1e"), and +-FLT_MAX for a number
// beyond the float range. Not-a-number and the infinities, which the writer prints as
// "nan", "inf" and "-inf" and XML Schema spells "NaN", "INF" and "-INF", read back as
// themselves rather than as 0: an optional sign, then "nan", "inf" or "infinity" in any
// case, then the end of the text or white space.
float readFloat(const char* text);

// The quick case of readFloat: the number at `begin` when it starts with a digit (after
// an optional minus sign) and is within the float range. Where it ends, or null for any
// other text, which readFloat then reads. For the text [begin, returned end) readFloat
// gives the same value.
const char* readLeadingFloat(const char* begin, const char* end, float& value);

}  // namespace valuexml
}  // namespace QZ

#endif
