// Decodes an HTTP message body in chunked transfer coding as its bytes arrive.
#ifndef QZSOAP_QZCHUNKEDBODY_H
#define QZSOAP_QZCHUNKEDBODY_H

#include <cstddef>
#include <cstdint>

namespace QZ {
namespace wire {

class ChunkedBody {
public:
  // Decodes the `size` bytes at `data` in place; the decoded bytes then start at
  // `data`, and their count is returned. Chunk extensions and trailer lines are read
  // and dropped; bytes after the body's end are dropped too.
  std::size_t decode(char* data, std::size_t size);
  // Follows the coding without decoding: how many of the `size` bytes belong to the
  // body (all of them, unless it ends among them or the coding breaks).
  std::size_t measure(const char* data, std::size_t size);
  bool finished() const { return fState == State::kFinished; }
  bool failed() const { return fState == State::kFailed; }

private:
  enum class State { kSize, kSizeRest, kData, kDataEnd, kTrailerStart, kTrailer, kFinished, kFailed };
  // Reads up to `size` bytes until the body ends; chunk data goes to `out` unless it
  // is null, `produced` counts it. Returns the bytes read.
  std::size_t walk(const char* in, std::size_t size, char* out, std::size_t& produced);
  bool next(char c);  // one byte outside chunk data; false when the coding is broken
  bool endSizeLine();

  State fState = State::kSize;
  std::uint64_t fLeft = 0;       // of the chunk size being read, or of the chunk's data
  std::size_t fLineBytes = 0;    // of the line being read, bounded
  bool fDigits = false;          // the size line has a digit
};

}  // namespace wire
}  // namespace QZ

#endif
