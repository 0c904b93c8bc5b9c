// A one-pass reader for answers in the plain form this library's own writer produces:
// <item xsi:type="..."> elements, optionally with xsi:nil first, nested directly in
// one another, with text of printable ASCII and the five named entities or numeric
// character references, and no white space anywhere. Such text gives the document
// parser nothing to decide, so reading it directly gives the very value the parser's
// reading would, at several times the speed. Text in any other form is declined, and
// the caller hands the whole text to the document parser instead.
#ifndef QZSOAP_QZVALUESOAP_PLAIN_H
#define QZSOAP_QZVALUESOAP_PLAIN_H

#include "qzvalue/qzvalue.h"

#include <string>

namespace QZ {
namespace valuexml {

enum class PlainRead { kRead, kDeclined };

// Reads the first element of `text` (up to its first NUL) into `value` when that element
// is in the plain form; what follows it is not looked at. Declined: `value` is left
// untouched, or partly filled when the form broke off inside an Array (the caller reads
// the text again into a cleared value). Never raises the reader's errors: text that
// would raise one (nesting deeper than kMaxValueDepth, a Binary item without text) is
// declined, and the document parser's reading raises it.
PlainRead readPlainValue(const std::string& text, QZValue& value);

}  // namespace valuexml
}  // namespace QZ

#endif
