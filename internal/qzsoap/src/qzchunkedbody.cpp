#include "qzchunkedbody.h"

#include <algorithm>
#include <cstring>

namespace QZ {
namespace wire {

namespace {

constexpr std::size_t kMaxLineBytes = 4096;
constexpr std::uint64_t kMaxChunkBytes = std::uint64_t(1) << 40;

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool ChunkedBody::endSizeLine() {
  fLineBytes = 0;
  fDigits = false;
  fState = fLeft == 0 ? State::kTrailerStart : State::kData;
  return true;
}

bool ChunkedBody::next(char c) {
  if (++fLineBytes > kMaxLineBytes) return false;
  switch (fState) {
    case State::kSize: {
      const int digit = hexValue(c);
      if (digit >= 0) {
        fLeft = fLeft * 16 + static_cast<std::uint64_t>(digit);
        fDigits = true;
        return fLeft <= kMaxChunkBytes;
      }
      if (!fDigits) return false;
      fState = State::kSizeRest;
      return c != '\n' || endSizeLine();
    }
    case State::kSizeRest:  // an extension or a CR before the line feed
      return c != '\n' || endSizeLine();
    case State::kDataEnd:  // the line end after the data
      if (c == '\r' && fLineBytes == 1) return true;
      if (c != '\n') return false;
      fLineBytes = 0;
      fState = State::kSize;
      return true;
    case State::kTrailerStart:  // a trailer line, or the empty line that ends the body
      if (c == '\r' && fLineBytes == 1) return true;
      fState = c == '\n' ? State::kFinished : State::kTrailer;
      return true;
    case State::kTrailer:
      if (c == '\n') {
        fLineBytes = 0;
        fState = State::kTrailerStart;
      }
      return true;
    default:
      return false;
  }
}

std::size_t ChunkedBody::walk(const char* in, std::size_t size, char* out, std::size_t& produced) {
  std::size_t at = 0;
  while (at < size && !finished() && !failed()) {
    if (fState == State::kData) {
      const std::size_t run = static_cast<std::size_t>(std::min<std::uint64_t>(fLeft, size - at));
      if (out != nullptr) std::memmove(out + produced, in + at, run);
      produced += run;
      at += run;
      fLeft -= run;
      if (fLeft == 0) {
        fLineBytes = 0;
        fState = State::kDataEnd;
      }
    } else if (!next(in[at++])) {
      fState = State::kFailed;
    }
  }
  return at;
}

std::size_t ChunkedBody::decode(char* data, std::size_t size) {
  std::size_t produced = 0;
  walk(data, size, data, produced);
  return produced;
}

std::size_t ChunkedBody::measure(const char* data, std::size_t size) {
  std::size_t produced = 0;
  return walk(data, size, nullptr, produced);
}

}  // namespace wire
}  // namespace QZ
