// A cheap look at answer text before the document parser sees it, for three faults of
// the parser that the reader must not pass on:
// - it descends recursively into nested elements, so a hostile answer of deep nesting
//   could exhaust the stack inside it;
// - it compares every attribute of an element with all earlier ones, so thousands of
//   attributes on one element could keep it busy for minutes;
// - it drops a text made only of white space even when that white space was written as
//   character references (`&#32;`), so a String of spaces would read back empty.
// The scan follows the parser's own reading of the text in single-byte mode, so that
// what it finds is what the parser would meet.
#ifndef QZSOAP_QZVALUESOAP_PRESCAN_H
#define QZSOAP_QZVALUESOAP_PRESCAN_H

#include <cstddef>
#include <string>
#include <vector>

namespace QZ {
namespace valuexml {

// Element text that the parser would drop as blank although it holds white space
// written as references: bytes [begin, end) of the text, and the bytes the parser would
// have made of them.
struct WhiteSpaceText {
  std::size_t begin;
  std::size_t end;
  std::string bytes;
};

struct MarkupFacts {
  std::size_t depth = 0;       // deepest nesting of elements the parser would open
  std::size_t attributes = 0;  // most attributes the parser would read on one element
  bool hasElement = false;     // the parser would meet an element
  // Just past the end of the first element, when the parser would read it to its end;
  // 0 when it would stop inside it (text cut short or malformed).
  std::size_t firstElementEnd = 0;
  std::vector<WhiteSpaceText> whiteSpaceTexts;
};

// Scans `text` up to `length` bytes (or its first NUL). Stops, with the figure just past
// the limit, as soon as `maxDepth` or `maxAttributes` is exceeded, and stops where the
// parser would give up on the text.
MarkupFacts scanMarkup(const char* text, std::size_t length, std::size_t maxDepth,
                       std::size_t maxAttributes);

// `text` with each of `texts` written as a CDATA section holding its bytes, which the
// parser keeps as the same text.
std::string keepWhiteSpaceTexts(const std::string& text, const std::vector<WhiteSpaceText>& texts);

}  // namespace valuexml
}  // namespace QZ

#endif
