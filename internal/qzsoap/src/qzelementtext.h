// Reads the raw text of the element whose start tag the engine has just read, straight
// from the engine's receive buffer, and leaves the engine at that element's end tag.
// The engine's own way of skipping an element decodes it byte by byte; for an answer of
// megabytes that cost as much as reading the value itself.
#ifndef QZSOAP_QZELEMENTTEXT_H
#define QZSOAP_QZELEMENTTEXT_H

#include <cstddef>
#include <string>

struct soap;

namespace QZ {
namespace valuexml {
class PlainStreamReader;
}
namespace wire {

// Finds the end tag that closes an element in its content, which arrives in pieces:
// call find() again after more text was appended. It knows just enough of XML to
// count nesting: start tags (with quoted attribute values), empty-element tags, end
// tags, comments, CDATA sections, processing instructions and declarations. Each byte
// is looked at a bounded number of times, however the text is cut into pieces.
class ElementEndFinder {
public:
  static constexpr std::size_t npos = std::string::npos;

  // The offset of the "</" closing the element whose content `text` begins, or npos
  // when `text` ends before it. `text` may only grow between calls.
  std::size_t find(const std::string& text);

private:
  // Past the terminator of the markup at pos_, whose opener is `opener` bytes long,
  // searched from searchFrom_; false when it lies beyond the text so far.
  bool skipPast(const std::string& text, std::size_t opener, const char* terminator,
                std::size_t length);
  bool skipStartTag(const std::string& text);

  std::size_t pos_ = 0;         // the first byte of the first piece of markup not yet whole
  std::size_t searchFrom_ = 0;  // where the search for that markup's end goes on
  char quote_ = 0;              // inside a start tag: the open quote, if any
  std::size_t depth_ = 0;       // elements open inside the element
};

// Sets `content` to the text between the start tag that soap_element_begin_in has
// just read and its end tag, receiving more of the answer as needed, and leaves the
// engine ready to read that end tag (soap_element_end_in). The text is what the
// engine's own reading would meet, whatever the transfer coding (chunked HTTP, DIME
// records in chunks). False, with soap->error set, when the answer ends first or the
// text would exceed the value text bound. With `plain`, the content is also read as a
// value in the plain form while it arrives; the reader then says whether it read it all.
bool readElementContent(struct soap* soap, std::string& content,
                        valuexml::PlainStreamReader* plain = nullptr);

}  // namespace wire
}  // namespace QZ

#endif
