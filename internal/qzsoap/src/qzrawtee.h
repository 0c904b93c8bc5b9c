// Keeps the raw text that the engine reads while it skips an element, so that the
// value reader sees the element's text whole, whatever its size and whatever the
// transfer coding of the answer (Content-Length, chunked, closed by the broker, DIME).
#ifndef QZSOAP_QZRAWTEE_H
#define QZSOAP_QZRAWTEE_H

#include <string>

struct soap;

namespace QZ {
namespace wire {

// Starts keeping text from the engine's read position on. False, with soap->error
// set, when the text cannot be kept faithfully: the context cannot take the tee, or
// the envelope is a chunked DIME record whose later chunk headers the engine skips
// without a new window.
bool rawTeeBegin(struct soap* soap);
// Stops and returns the text read since rawTeeBegin, up to the engine's read position.
std::string rawTeeEnd(struct soap* soap);

}  // namespace wire
}  // namespace QZ

#endif
