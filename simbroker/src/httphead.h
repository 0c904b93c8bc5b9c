// The head of one HTTP request as the broker reads it: the request line and the header
// fields, checked strictly enough that the body's end is never in doubt. A request
// whose framing is unclear (two different lengths, a length beside chunks, a transfer
// coding the broker does not decode) is refused rather than guessed at.
#ifndef QZSIM_HTTPHEAD_H
#define QZSIM_HTTPHEAD_H

#include <cstddef>
#include <string>

namespace qzsim {

// Why a request is refused: the HTTP status to answer and the reason to give.
struct Refusal {
  int status = 0;  // 0: not refused
  std::string reason;
  explicit operator bool() const { return status != 0; }
};

// Bounds on a request head.
constexpr std::size_t kMaxHeadBytes = 64 * 1024;
constexpr std::size_t kMaxHeadLineBytes = 8 * 1024;  // the engine's own bound on a header line
constexpr std::size_t kMaxHeadFields = 100;

struct RequestHead {
  std::string method;
  int minorVersion = 1;              // HTTP/1.x
  bool chunked = false;              // the body comes in chunks
  unsigned long long contentLength = 0;  // the body's length when not chunked
};

// Finds where a head ends as its bytes arrive: the offset just past its empty line.
// Empty lines before the request line belong to the head. A line feed without its
// carriage return, or a head beyond the bounds, is refused as soon as it is seen.
class HeadScanner {
public:
  // `text` holds the head's bytes so far, from its first; it only grows between calls.
  // 0 while the head is incomplete (or refused: see `refusal`).
  std::size_t scan(const char* text, std::size_t size, Refusal& refusal);

private:
  std::size_t fScanned = 0;    // bytes looked at so far
  std::size_t fLineStart = 0;  // where the line being read began
  std::size_t fLines = 0;      // lines of the head proper (the request line on)
};

// Reads a whole head (as HeadScanner delimits it) into `head`; the refusal when the
// head is malformed or its framing unclear.
Refusal parseRequestHead(const char* text, std::size_t size, RequestHead& head);

// The head as the engine gets it: unchanged, except that a chunked request's
// Transfer-Encoding field is left out, as the engine gets its body decoded.
std::string headForEngine(const char* text, std::size_t size, const RequestHead& head);

}  // namespace qzsim

#endif
