#include "qzvaluesoap_plain.h"

#include "qzvaluesoap.h"

#include <climits>
#include <cstring>
#include <string_view>

namespace QZ {
namespace valuexml {
namespace {

// Bytes that stand for themselves in plain element text: printable ASCII and DEL (which
// the writer leaves as it is), without the markup characters. Anything else (white
// space, which the parser would condense, bytes of 128 and above, control bytes)
// declines the text.
bool isPlainTextByte(unsigned char c) { return c > 32 && c < 128 && c != '<' && c != '&'; }
// In an attribute value a space stands for itself too.
bool isPlainAttributeByte(unsigned char c) {
  return c >= 32 && c < 128 && c != '<' && c != '&' && c != '"';
}

void becomeEmptyArray(QZValue& value) {
  value.clear();
  value.arrayReserve(0);  // an Array, with no capacity asked for
}

class PlainReader {
public:
  explicit PlainReader(const std::string& text) : p_(text.c_str()) {}

  bool item(QZValue& value, int depth);

private:
  bool literal(const char* text, std::size_t length) {
    if (std::strncmp(p_, text, length) != 0) return false;
    p_ += length;
    return true;
  }
  bool attributeValue(std::string_view& value);
  bool reference(std::string& out);
  bool elementText(std::string& out);
  bool arrayBody(QZValue& value, int depth);

  const char* p_;
  std::string text_;  // the decoded text of the current item, reused
};

// After the opening quote: the value up to the closing quote.
bool PlainReader::attributeValue(std::string_view& value) {
  const char* const start = p_;
  while (isPlainAttributeByte(static_cast<unsigned char>(*p_))) ++p_;
  if (*p_ != '"') return false;
  value = std::string_view(start, static_cast<std::size_t>(p_ - start));
  ++p_;
  return true;
}

// At "&": a named entity or a character reference of up to seven decimal or six hex
// digits, whose low byte the parser keeps.
bool PlainReader::reference(std::string& out) {
  static const struct {
    const char* text;
    std::size_t length;
    char byte;
  } kNamed[] = {{"&amp;", 5, '&'}, {"&lt;", 4, '<'}, {"&gt;", 4, '>'}, {"&quot;", 6, '"'},
                {"&apos;", 6, '\''}};
  if (p_[1] != '#') {
    for (const auto& entity : kNamed) {
      if (literal(entity.text, entity.length)) {
        out += entity.byte;
        return true;
      }
    }
    return false;
  }
  const bool hex = p_[2] == 'x';
  const char* q = p_ + (hex ? 3 : 2);
  const char* const digits = q;
  unsigned int code = 0;
  for (;; ++q) {
    const char c = *q;
    if (c >= '0' && c <= '9') code = code * (hex ? 16 : 10) + static_cast<unsigned int>(c - '0');
    else if (hex && c >= 'a' && c <= 'f') code = code * 16 + static_cast<unsigned int>(c - 'a' + 10);
    else if (hex && c >= 'A' && c <= 'F') code = code * 16 + static_cast<unsigned int>(c - 'A' + 10);
    else break;
  }
  const std::ptrdiff_t count = q - digits;
  if (*q != ';' || count == 0 || count > (hex ? 6 : 7)) return false;
  out += static_cast<char>(code & 0xFFu);
  p_ = q + 1;
  return true;
}

// Element text up to the "<" after it, decoded.
bool PlainReader::elementText(std::string& out) {
  out.clear();
  for (;;) {
    const char* const start = p_;
    while (isPlainTextByte(static_cast<unsigned char>(*p_))) ++p_;
    out.append(start, static_cast<std::size_t>(p_ - start));
    if (*p_ == '<') return true;
    if (*p_ != '&' || !reference(out)) return false;
  }
}

// The items of an Array up to its end tag.
bool PlainReader::arrayBody(QZValue& value, int depth) {
  becomeEmptyArray(value);
  for (int index = 0; !literal("</item>", 7); ++index) {
    if (index == INT_MAX) return false;
    value.arraySetSize(index + 1);
    if (!item(value[index], depth + 1)) return false;
  }
  return true;
}

bool PlainReader::item(QZValue& value, int depth) {
  // Errors are the document parser's to raise: it first checks the whole text, so that
  // an answer cut short gives that error rather than one met on the way.
  if (depth > kMaxValueDepth) return false;
  std::string_view typeName;
  std::string_view nil;
  if (!literal("<item xsi:", 10)) return false;
  if (literal("nil=\"", 5) && (!attributeValue(nil) || !literal(" xsi:", 5))) return false;
  if (!literal("type=\"", 6) || !attributeValue(typeName)) return false;

  const int kind = itemTypeFromName(typeName);
  if (literal("/>", 2)) {  // no text
    if (kind == QZValue::TypeBinary) return false;  // an error
    if (kind == QZValue::TypeArray) becomeEmptyArray(value);
    else readItemText(kind, nullptr, value);
    return true;
  }
  if (!literal(">", 1)) return false;
  if (kind == QZValue::TypeArray) return arrayBody(value, depth);
  if (!elementText(text_) || !literal("</item>", 7)) return false;
  // An element without text between its tags has no text; decoded text stops at a NUL.
  const char* text = text_.empty() ? nullptr : text_.c_str();
  if (text == nullptr && kind == QZValue::TypeBinary) return false;  // an error
  readItemText(kind, text, value);
  return true;
}

}  // namespace

PlainRead readPlainValue(const std::string& text, QZValue& value) {
  PlainReader reader(text);
  return reader.item(value, 1) ? PlainRead::kRead : PlainRead::kDeclined;
}

}  // namespace valuexml
}  // namespace QZ
