// Decodes a chunked request body as its bytes arrive, and finds where it ends: after
// the last (empty) chunk and the trailer fields, which are dropped.
#ifndef QZSIM_CHUNKEDBODY_H
#define QZSIM_CHUNKEDBODY_H

#include <cstddef>
#include <cstdint>

namespace qzsim {

class ChunkedDecoder {
public:
  // Decodes from `in` into `out` until the body ends, `out` is full or `in` is used up.
  // Returns the bytes written; `consumed` is set to the bytes of `in` used.
  std::size_t decode(const char* in, std::size_t inSize, std::size_t& consumed, char* out,
                     std::size_t outSize);
  bool done() const { return fPhase == Phase::Done; }
  bool failed() const { return fPhase == Phase::Failed; }

private:
  enum class Phase {
    SizeStart, Size, Extension, SizeLf, Data, DataCr, DataLf,
    TrailerStart, Trailer, TrailerLf, FinalLf, Done, Failed
  };
  // Moves on by one byte of framing; false when the byte breaks the framing.
  bool step(unsigned char c);

  Phase fPhase = Phase::SizeStart;
  std::uint64_t fLeft = 0;        // bytes of the present chunk's data still to come
  int fSizeDigits = 0;
  std::size_t fLineBytes = 0;     // of the present extension or trailer line
  std::size_t fTrailerBytes = 0;  // of all trailer lines
};

}  // namespace qzsim

#endif
