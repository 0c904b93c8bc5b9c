// Fuzz entry of the C ABI's value buffer reader: arbitrary bytes as a buffer. Besides
// surviving every input (no read past its end, no recursion along its nesting), the
// reader must keep two promises:
// - a buffer it accepts, written again, gives exactly the same bytes;
// - a buffer it refuses is refused with a QZError of the value buffer naming an offset.
#include "valuebuffer.h"

#include "qzvalue/qzerror.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void fail(const char* what, const std::uint8_t* data, std::size_t size, const std::string& detail) {
  std::fprintf(stderr, "invariant broken: %s (%zu bytes)\n%s\n", what, size, detail.c_str());
  for (std::size_t i = 0; i < size && i < 256; ++i) std::fprintf(stderr, "%02X ", data[i]);
  std::fprintf(stderr, "\n");
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  QZ::QZValue value;
  try {
    value = QZ::capi::decodeValue(data, size);
  } catch (const QZ::QZError& refused) {
    const std::string text = refused.what();
    if (text.rfind("\tqz_call::value buffer\n\t", 0) != 0 || text.find(" at offset ") == std::string::npos)
      fail("a refusal that does not name the buffer and an offset", data, size, text);
    return 0;
  }
  std::string again;
  QZ::capi::encodeValue(value, again);
  if (again.size() != size || (size != 0 && std::memcmp(again.data(), data, size) != 0))
    fail("an accepted buffer is written again differently", data, size, value.toString(1));
  return 0;
}
