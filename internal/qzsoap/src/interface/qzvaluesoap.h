// The XML form of a QZValue on the wire: the writer of <item> elements and the reader
// of the broker's answers. Internal header, never installed; callers reach TinyXML
// only through the reading functions below.
#ifndef QZSOAP_QZVALUESOAP_H
#define QZSOAP_QZVALUESOAP_H

#include "qzvalue/qzvalue.h"

#include <string>
#include <string_view>

class TiXmlElement;

namespace QZ {

// Deepest nesting of items the reader accepts: an Int at the top is one level, an
// Array of Ints two. Deeper answers raise QZError("QZValue", "readValueXml",
// "nesting deeper than 256 levels") instead of exhausting the stack. The text
// handed to the document parser may carry one more level, for a wrapper element.
constexpr int kMaxValueDepth = 256;

// Longest element type accepted before the "[" of a SOAP arrayType attribute; a type
// reaching this length is an "Assert failed" error.
constexpr int kMaxArrayTypeName = 511;

// Most attributes the reader lets the document parser read on one element (its cost
// grows with the square of that number). More raise QZError("QZValue", "readValueXml",
// "an element with more than 128 attributes").
constexpr int kMaxElementAttributes = 128;

// Appends the <item> text of `value`. An Invalid value writes a nil item when
// `nested`, nothing at the top. Binary bytes are not written: they travel as
// attachments and the item holds the placeholder "MQ==".
void appendValueXml(const QZValue& value, std::string& out, bool nested);

// The bytes of `text` as XML element text: the five markup characters as named
// entities, bytes of 128 and above and bytes below 33 (`escapeSpace`) or 32 as
// decimal character references, so every byte string without NUL reads back as is.
std::string escapeXmlText(const std::string& text, bool escapeSpace);

// The kind named by an xsi:type value; a null or unknown name is Invalid.
QZValue::Type itemTypeFromName(const char* typeName);
QZValue::Type itemTypeFromName(std::string_view typeName);

// Fills `value` as an item of the kind `kind`, other than Array, whose element text is
// `text` (null: the element has no text). Raises the Binary error for a Binary item
// without text.
void readItemText(int kind, const char* text, QZValue& value);

// Reads one parsed element and its subtree into `value`. `kindHint` is the kind of an
// element without xsi:type (0: none). Raises QZError on an embedded fault, a Binary
// item without text, an over-long arrayType and nesting deeper than kMaxValueDepth;
// `value` then keeps what was read before the failure.
const QZValue& readValueXml(const TiXmlElement* node, QZValue& value, int kindHint);

// The core of the answer reader. `text` holds the bytes that follow the result
// element's start tag, possibly running past the end of the answer; only its first
// element matters, and the text ends at its first NUL byte. Returns false, `value`
// untouched, when the text holds no element; otherwise clears `value`, reads the first
// element into it and returns true. A first element that the text cuts short, or that
// the parser gives up inside (malformed), raises QZError("QZValue", "readValueXml",
// "the answer is cut short or malformed inside its first element") rather than reading
// as part of a value. The text is parsed single-byte whatever it claims,
// and text nested deeper than kMaxValueDepth + 1 elements, or with more than
// kMaxElementAttributes on one element, is refused before parsing. Element text made
// only of white space written as references (a String of spaces) is kept as text.
// Text in the writer's own plain form is read in one pass without the document parser,
// to the same value.
bool readValueFromText(const std::string& text, QZValue& value);

// readValueFromText with every text going through the document parser.
bool readValueWithDocumentParser(const std::string& text, QZValue& value);

}  // namespace QZ

#endif
