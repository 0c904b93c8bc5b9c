#include "qzvaluesoap_plain.h"

#include "qzvaluesoap.h"
#include "qzvaluesoap_text.h"
#include "qzvaluestorage.h"

#include <climits>
#include <cstring>
#include <string_view>

namespace QZ {
namespace valuexml {
namespace {

// Bytes that stand for themselves in plain element text: printable ASCII and DEL (which
// the writer leaves as it is), without the markup characters. Anything else (white
// space, which the parser would condense, bytes of 128 and above, control bytes)
// declines the text. In an attribute value a space stands for itself too. Neither
// holds NUL, which ends every text the reader is given: the scans stop there.
struct PlainBytes {
  bool text[256] = {};
  bool attribute[256] = {};
  PlainBytes() {
    for (int c = 32; c < 128; ++c) {
      attribute[c] = c != '<' && c != '&' && c != '"';
      text[c] = c != ' ' && c != '<' && c != '&';
    }
  }
};
const PlainBytes kPlain;

void becomeEmptyArray(QZValue& value) {
  value.clear();
  value.arrayReserve(0);  // an Array, with no capacity asked for
}

// A token cut by the end of the text so far is read again from its start once more has
// come. So that this never costs more than reading the text about twice, however small
// the pieces (a broker may send one byte at a time), the reading is left to the
// caller's other way when the bytes read in vain exceed the text's size and this slack.
constexpr std::size_t kRereadSlackBytes = 64 * 1024;

}  // namespace

// Reads one token at a time: an item with its text and end tag, an Array's start tag,
// or an Array's end tag. A token is taken whole or not at all, so that a token cut by
// the end of the text so far is read again, from its start, once more has come.
class PlainStreamReader::Cursor {
public:
  // The text ends with a NUL at `end` (as a std::string's does).
  Cursor(const char* p, const char* end) : p_(p), end_(end) {}

  const char* position() const { return p_; }
  // The text ended before the token did: it may still be plain.
  bool cut() const { return cut_; }

  // Literals are compared over their known length, never past the end of the text.
  template <std::size_t N>
  bool literal(const char (&text)[N]) {
    constexpr std::size_t length = N - 1;
    const std::size_t available = static_cast<std::size_t>(end_ - p_);
    if (available < length) {
      cut_ = std::memcmp(p_, text, available) == 0;
      return false;
    }
    if (std::memcmp(p_, text, length) != 0) return false;
    p_ += length;
    return true;
  }

  // True when the text at the cursor could only be `text` cut short, or is empty.
  template <std::size_t N>
  bool couldBecome(const char (&text)[N]) const {
    const std::size_t available = static_cast<std::size_t>(end_ - p_);
    return available < N - 1 && std::memcmp(p_, text, available) == 0;
  }

  // After the opening quote: the value up to the closing quote.
  bool attributeValue(std::string_view& value) {
    const char* const start = p_;
    while (kPlain.attribute[static_cast<unsigned char>(*p_)]) ++p_;  // stops at the NUL at end_
    if (p_ == end_) return cutShort();
    if (*p_ != '"') return false;
    value = std::string_view(start, static_cast<std::size_t>(p_ - start));
    ++p_;
    return true;
  }

  // Element text that is a number readLeadingFloat reads whole, up to the "<" after it. False,
  // with the cursor where it was, for any other text: elementText then reads it.
  bool plainFloat(float& number) {
    // The converter stops at the first byte that is not the number's, so the text is
    // looked at once; a number is all plain bytes.
    const char* const textEnd = readLeadingFloat(p_, end_, number);
    if (textEnd == nullptr || textEnd == end_ || *textEnd != '<') return false;
    p_ = textEnd;
    return true;
  }

  // Element text up to the "<" after it, decoded.
  bool elementText(std::string& out) {
    out.clear();
    for (;;) {
      const char* const start = p_;
      while (kPlain.text[static_cast<unsigned char>(*p_)]) ++p_;  // stops at the NUL at end_
      out.append(start, static_cast<std::size_t>(p_ - start));
      if (p_ == end_) return cutShort();
      if (*p_ == '<') return true;
      if (*p_ != '&' || !reference(out)) return false;
    }
  }

private:
  bool cutShort() {
    cut_ = true;
    return false;
  }

  // At "&": a named entity or a character reference of up to seven decimal or six hex
  // digits, whose low byte the parser keeps.
  bool reference(std::string& out) {
    if (end_ - p_ < 2) return cutShort();
    if (p_[1] != '#') {
      char byte = 0;
      if (literal("&amp;")) byte = '&';
      else if (literal("&lt;")) byte = '<';
      else if (literal("&gt;")) byte = '>';
      else if (literal("&quot;")) byte = '"';
      else if (literal("&apos;")) byte = '\'';
      else {
        cut_ = couldBecome("&amp;") || couldBecome("&lt;") || couldBecome("&gt;") ||
               couldBecome("&quot;") || couldBecome("&apos;");
        return false;
      }
      out += byte;
      return true;
    }
    if (end_ - p_ < 3) return cutShort();
    const bool hex = p_[2] == 'x';
    const char* q = p_ + (hex ? 3 : 2);
    const char* const digits = q;
    unsigned int code = 0;
    for (; q != end_; ++q) {
      const char c = *q;
      if (c >= '0' && c <= '9') code = code * (hex ? 16 : 10) + static_cast<unsigned int>(c - '0');
      else if (hex && c >= 'a' && c <= 'f') code = code * 16 + static_cast<unsigned int>(c - 'a' + 10);
      else if (hex && c >= 'A' && c <= 'F') code = code * 16 + static_cast<unsigned int>(c - 'A' + 10);
      else break;
    }
    const std::ptrdiff_t count = q - digits;
    if (count > (hex ? 6 : 7)) return false;
    if (q == end_) return cutShort();
    if (*q != ';' || count == 0) return false;
    out += static_cast<char>(code & 0xFFu);
    p_ = q + 1;
    return true;
  }

  const char* p_;
  const char* const end_;
  bool cut_ = false;
};

PlainStreamReader::PlainStreamReader(QZValue& value) : root_(value) {}

PlainStreamReader::TokenRead PlainStreamReader::unread(const Cursor& cursor) {
  return cursor.cut() ? TokenRead::kCut : TokenRead::kDeclined;
}

PlainStreamReader::Step PlainStreamReader::decline() {
  state_ = Step::kDeclined;
  return state_;
}

PlainStreamReader::Step PlainStreamReader::read(const std::string& text) {
  // The text so far counts up to its first NUL, as for the document parser: no literal
  // holds a NUL, and the scans of text and attribute values stop at one.
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  while (state_ == Step::kNeedMore) {
    Cursor cursor(begin + pos_, end);
    const TokenRead token = readToken(cursor);
    if (token == TokenRead::kDeclined) return decline();
    if (token == TokenRead::kCut) {
      reread_ += static_cast<std::size_t>(end - (begin + pos_));
      if (reread_ > text.size() + kRereadSlackBytes) return decline();
      return state_;
    }
    if (token == TokenRead::kEnded) {
      state_ = Step::kEnded;
      return state_;
    }
    pos_ = static_cast<std::size_t>(cursor.position() - begin);
  }
  return state_;
}

PlainStreamReader::TokenRead PlainStreamReader::readToken(Cursor& cursor) {
  if (started_ && open_.empty()) {
    // The item is whole: what follows must be the end tag of the element holding it.
    if (cursor.literal("</")) return TokenRead::kEnded;
    return unread(cursor);
  }
  if (!open_.empty() && cursor.literal("</item>")) {
    open_.pop_back();
    return TokenRead::kRead;
  }
  if (!open_.empty() && cursor.cut()) return TokenRead::kCut;  // "</item>" cut short
  const int depth = static_cast<int>(open_.size()) + 1;
  // Errors are the document parser's to raise: it first checks the whole text, so that
  // an answer cut short gives that error rather than one met on the way.
  if (depth > kMaxValueDepth) return TokenRead::kDeclined;
  // The start tags the writer gives every Float, Int and String come first.
  if (cursor.literal("<item xsi:type=\"xsd:float\">")) return readScalar(cursor, QZValue::TypeFloat);
  if (cursor.literal("<item xsi:type=\"xsd:int\">")) return readScalar(cursor, QZValue::TypeInt);
  if (cursor.literal("<item xsi:type=\"xsd:string\">")) return readScalar(cursor, QZValue::TypeString);
  if (cursor.cut()) return TokenRead::kCut;
  std::string_view typeName;
  std::string_view nil;
  if (!cursor.literal("<item xsi:")) return unread(cursor);
  if (cursor.literal("nil=\"")) {
    if (!cursor.attributeValue(nil) || !cursor.literal(" xsi:")) return unread(cursor);
  } else if (cursor.cut()) {
    return TokenRead::kCut;
  }
  if (!cursor.literal("type=\"") || !cursor.attributeValue(typeName)) return unread(cursor);

  const int kind = itemTypeFromName(typeName);
  if (cursor.literal("/>")) {  // no text
    if (kind == QZValue::TypeBinary) return TokenRead::kDeclined;  // an error
    QZValue* value = nextValue();
    if (value == nullptr) return TokenRead::kDeclined;
    if (kind == QZValue::TypeArray) becomeEmptyArray(*value);
    else readItemText(kind, nullptr, *value);
    return TokenRead::kRead;
  }
  if (cursor.cut()) return TokenRead::kCut;
  if (!cursor.literal(">")) return unread(cursor);
  if (kind == QZValue::TypeArray) {
    QZValue* value = nextValue();
    if (value == nullptr) return TokenRead::kDeclined;
    becomeEmptyArray(*value);
    open_.push_back(value);
    return TokenRead::kRead;
  }
  return readScalar(cursor, kind);
}

PlainStreamReader::TokenRead PlainStreamReader::readScalar(Cursor& cursor, int kind) {
  float number = 0.0f;
  if (kind == QZValue::TypeFloat && cursor.plainFloat(number)) {
    // The common Float, read straight from the text.
    if (!cursor.literal("</item>")) return unread(cursor);
    QZValue* value = nextValue();
    if (value == nullptr) return TokenRead::kDeclined;
    QZValueStorage::setFloat(*value, number);
    return TokenRead::kRead;
  }
  if (cursor.cut()) return TokenRead::kCut;
  if (!cursor.elementText(text_) || !cursor.literal("</item>")) return unread(cursor);
  // An element without text between its tags has no text; decoded text stops at a NUL.
  const char* itemText = text_.empty() ? nullptr : text_.c_str();
  if (itemText == nullptr && kind == QZValue::TypeBinary) return TokenRead::kDeclined;  // an error
  QZValue* value = nextValue();
  if (value == nullptr) return TokenRead::kDeclined;
  readItemText(kind, itemText, *value);
  return TokenRead::kRead;
}

QZValue* PlainStreamReader::nextValue() {
  if (open_.empty()) {
    started_ = true;
    return &root_;
  }
  TQZValueArray& elements = QZValueStorage::elements(*open_.back());
  if (elements.size() == static_cast<std::size_t>(INT_MAX)) return nullptr;  // no index for more
  elements.emplace_back();
  return &elements.back();
}

PlainRead readPlainValue(const std::string& text, QZValue& value) {
  // The whole text is here: the first item read whole is the value, whatever follows.
  PlainStreamReader reader(value);
  reader.read(text);
  return reader.itemWhole() ? PlainRead::kRead : PlainRead::kDeclined;
}

}  // namespace valuexml
}  // namespace QZ
