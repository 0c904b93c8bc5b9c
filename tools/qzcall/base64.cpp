#include "base64.h"

namespace qzcall {
namespace {

int sextet(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

bool decodeBase64(const std::string& text, std::string& bytes) {
  if (text.size() % 4 != 0) return false;
  bytes.clear();
  bytes.reserve(text.size() / 4 * 3);
  for (std::size_t group = 0; group < text.size(); group += 4) {
    const bool last = group + 4 == text.size();
    // Padding may only close the last group: "xx==" or "xxx=".
    const int padding = last ? (text[group + 3] == '=') + (text[group + 2] == '=') : 0;
    if (padding == 1 && text[group + 2] == '=') return false;
    unsigned int triple = 0;
    for (int i = 0; i < 4; ++i) {
      const int bits = i >= 4 - padding ? 0 : sextet(text[group + i]);
      if (bits < 0) return false;
      triple = (triple << 6) | static_cast<unsigned int>(bits);
    }
    bytes += static_cast<char>(triple >> 16);
    if (padding < 2) bytes += static_cast<char>((triple >> 8) & 0xFF);
    if (padding < 1) bytes += static_cast<char>(triple & 0xFF);
  }
  return true;
}

}  // namespace qzcall
