#include "chunkedbody.h"

#include <algorithm>
#include <cstring>

namespace qzsim {

namespace {

// Bounds on the framing around the data, which is read and dropped.
constexpr int kMaxSizeDigits = 15;  // below 2^60: no overflow
constexpr std::size_t kMaxExtensionBytes = 4096;
constexpr std::size_t kMaxTrailerBytes = 8192;

int hexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') return (c | 0x20) - 'a' + 10;
  return -1;
}

// A byte a chunk extension or a trailer field may hold.
bool isLineChar(unsigned char c) { return c == '\t' || (c >= 0x20 && c != 0x7f); }

}  // namespace

bool ChunkedDecoder::step(unsigned char c) {
  switch (fPhase) {
    case Phase::SizeStart:
    case Phase::Size: {
      const int digit = hexValue(c);
      if (digit >= 0) {
        if (++fSizeDigits > kMaxSizeDigits) return false;
        fLeft = fLeft * 16 + static_cast<unsigned>(digit);
        fPhase = Phase::Size;
        return true;
      }
      if (fPhase == Phase::SizeStart) return false;
      fLineBytes = 0;
      if (c == '\r') {
        fPhase = Phase::SizeLf;
        return true;
      }
      if (c != ';' && c != ' ' && c != '\t') return false;
      fPhase = Phase::Extension;
      return true;
    }
    case Phase::Extension:
      if (c == '\r') {
        fPhase = Phase::SizeLf;
        return true;
      }
      return isLineChar(c) && ++fLineBytes <= kMaxExtensionBytes;
    case Phase::SizeLf:
      if (c != '\n') return false;
      fPhase = fLeft == 0 ? Phase::TrailerStart : Phase::Data;
      fSizeDigits = 0;
      return true;
    case Phase::DataCr:
      fPhase = Phase::DataLf;
      return c == '\r';
    case Phase::DataLf:
      fPhase = Phase::SizeStart;
      return c == '\n';
    case Phase::TrailerStart:
      if (c == '\r') {
        fPhase = Phase::FinalLf;
        return true;
      }
      fPhase = Phase::Trailer;
      return isLineChar(c) && ++fTrailerBytes <= kMaxTrailerBytes;
    case Phase::Trailer:
      if (c == '\r') {
        fPhase = Phase::TrailerLf;
        return true;
      }
      return isLineChar(c) && ++fTrailerBytes <= kMaxTrailerBytes;
    case Phase::TrailerLf:
      fPhase = Phase::TrailerStart;
      return c == '\n';
    case Phase::FinalLf:
      fPhase = Phase::Done;
      return c == '\n';
    case Phase::Data:
    case Phase::Done:
    case Phase::Failed:
      break;
  }
  return false;
}

std::size_t ChunkedDecoder::decode(const char* in, std::size_t inSize, std::size_t& consumed, char* out,
                                   std::size_t outSize) {
  std::size_t used = 0;
  std::size_t written = 0;
  while (used < inSize && fPhase != Phase::Done && fPhase != Phase::Failed) {
    if (fPhase == Phase::Data) {
      const std::size_t n = static_cast<std::size_t>(
          std::min<std::uint64_t>(fLeft, std::min(inSize - used, outSize - written)));
      if (n == 0) break;  // `out` is full
      std::memcpy(out + written, in + used, n);
      used += n;
      written += n;
      fLeft -= n;
      if (fLeft == 0) fPhase = Phase::DataCr;
      continue;
    }
    if (!step(static_cast<unsigned char>(in[used]))) {
      fPhase = Phase::Failed;
      break;
    }
    ++used;
  }
  consumed = used;
  return written;
}

}  // namespace qzsim
