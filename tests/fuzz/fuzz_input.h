// Reads a fuzz input as a sequence of choices and byte strings, so that one input
// describes a structured case. Once the bytes run out every choice is 0 and every
// string empty: each input describes exactly one case.
#ifndef QZFUZZ_FUZZ_INPUT_H
#define QZFUZZ_FUZZ_INPUT_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace qzfuzz {

class FuzzInput {
public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : fData(data), fSize(size) {}

  std::size_t remaining() const { return fSize - fAt; }

  std::uint8_t byte() { return fAt < fSize ? fData[fAt++] : 0; }
  bool flag() { return (byte() & 1) != 0; }
  // A choice in [0, count), count between 1 and 256.
  std::size_t choice(std::size_t count) { return byte() % count; }
  // A 16-bit number, high byte first.
  std::size_t number16() {
    const std::size_t high = byte();
    return high << 8 | byte();
  }
  // A string of at most `limit` bytes, its length given by the next two bytes.
  std::string text(std::size_t limit = 0xFFFF) {
    std::size_t length = number16();
    if (length > limit) length = limit;
    return take(length);
  }
  // Everything not read yet.
  std::string rest() { return take(remaining()); }

private:
  std::string take(std::size_t length) {
    if (length > remaining()) length = remaining();
    std::string out(reinterpret_cast<const char*>(fData + fAt), length);
    fAt += length;
    return out;
  }

  const std::uint8_t* fData;
  std::size_t fSize;
  std::size_t fAt = 0;
};

}  // namespace qzfuzz

#endif
