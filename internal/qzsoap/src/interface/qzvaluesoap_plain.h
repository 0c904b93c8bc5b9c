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
#include <vector>

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

// The same reading while the text still arrives, for the content of an answer's result
// element: call read() again each time more text was appended to the same string. It
// reads every token (an item with its text, an Array's start or end tag) that has come
// whole, so that each byte is read about once, and says where the content ends as soon
// as the "</" after the item has come: the engine can then go on from there, with no
// other pass over the content to find its end.
class PlainStreamReader {
public:
  enum class Step {
    kNeedMore,  // plain so far; the item or the "</" after it is still to come
    kEnded,     // the item is whole, and the content ends at end()
    kDeclined   // not the plain form (or an error): read the content otherwise
  };

  // The value is built in `value`; after kDeclined it may be partly built.
  explicit PlainStreamReader(QZValue& value);

  Step read(const std::string& text);
  bool ended() const { return state_ == Step::kEnded; }
  // The offset of the "</" after the item, once read() said kEnded.
  std::size_t end() const { return pos_; }
  // The first item of the text has been read whole into the value.
  bool itemWhole() const { return started_ && open_.empty(); }

private:
  class Cursor;
  enum class TokenRead { kRead, kCut, kEnded, kDeclined };

  // A token not read: cut by the end of the text so far, or not plain.
  static TokenRead unread(const Cursor& cursor);
  TokenRead readToken(Cursor& cursor);
  // The text and end tag of an item of `kind` other than Array, after its start tag.
  TokenRead readScalar(Cursor& cursor, int kind);
  // The value the next item fills: the first item's, or a new last element of the
  // innermost open Array (null when the Array cannot take one more).
  QZValue* nextValue();
  Step decline();

  QZValue& root_;
  Step state_ = Step::kNeedMore;
  std::size_t pos_ = 0;          // where the first token not yet read begins
  std::size_t reread_ = 0;       // bytes of cut tokens read so far, to be read again
  bool started_ = false;         // the first item has begun
  std::vector<QZValue*> open_;   // the Arrays whose end tag is still to come, innermost last
  std::string text_;             // the decoded text of the current item, reused
};

}  // namespace valuexml
}  // namespace QZ

#endif
