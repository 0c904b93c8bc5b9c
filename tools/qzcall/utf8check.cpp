#include "utf8check.h"

namespace qzcall {

bool isValidUtf8(const std::string& bytes) {
  const std::size_t size = bytes.size();
  for (std::size_t i = 0; i < size;) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    int follow;
    unsigned char low = 0x80, high = 0xBF;  // range of the first continuation byte
    if (lead < 0x80) {
      ++i;
      continue;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      follow = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      follow = 2;
      if (lead == 0xE0) low = 0xA0;   // overlong
      if (lead == 0xED) high = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      follow = 3;
      if (lead == 0xF0) low = 0x90;   // overlong
      if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
    } else {
      return false;
    }
    if (size - i <= static_cast<std::size_t>(follow)) return false;
    for (int k = 1; k <= follow; ++k) {
      const auto c = static_cast<unsigned char>(bytes[i + k]);
      if (c < (k == 1 ? low : 0x80) || c > (k == 1 ? high : 0xBF)) return false;
    }
    i += static_cast<std::size_t>(follow) + 1;
  }
  return true;
}

}  // namespace qzcall
