// Helpers of the C ABI suite: value buffers written by hand, the decoder's refusal
// texts, and a qz_result that frees itself.
#ifndef CAPITEST_CAPITEST_H
#define CAPITEST_CAPITEST_H

#include "qzcapi/qzcapi.h"
#include "qzvalue/qzerror.h"
#include "qzvalue/qzvalue.h"
#include "valuebuffer.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace capitest {

inline std::string le32(std::uint32_t word) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((word >> (8 * i)) & 0xFF);
  return bytes;
}

// One value as the buffer holds it: kind byte, little-endian length, payload.
inline std::string item(int kind, std::uint32_t length, const std::string& payload = "") {
  return std::string(1, static_cast<char>(kind)) + le32(length) + payload;
}

inline const std::uint8_t* bytesOf(const std::string& buffer) {
  return reinterpret_cast<const std::uint8_t*>(buffer.data());
}

inline std::string encode(const QZ::QZValue& value) {
  std::string buffer;
  QZ::capi::encodeValue(value, buffer);
  return buffer;
}

inline QZ::QZValue decode(const std::string& buffer) {
  return QZ::capi::decodeValue(bytesOf(buffer), buffer.size());
}

// The description the decoder refuses `buffer` with; "" when it accepts it.
inline std::string refusal(const std::string& buffer) {
  try {
    decode(buffer);
    return "";
  } catch (const QZ::QZError& refused) {
    const std::string text = refused.what();
    const std::string prefix = "\tqz_call::value buffer\n\t";
    return text.compare(0, prefix.size(), prefix) == 0 ? text.substr(prefix.size())
                                                       : "unexpected form: " + text;
  }
}

// An Array of the given values.
inline QZ::QZValue list(const std::vector<QZ::QZValue>& values) {
  QZ::QZValue out;
  out.arraySetSize(static_cast<int>(values.size()));
  for (std::size_t i = 0; i < values.size(); ++i) out[static_cast<int>(i)] = values[i];
  return out;
}

inline QZ::QZValue binary(const std::string& bytes) {
  QZ::QZValue out;
  out.SetBinary(bytes.data(), static_cast<int>(bytes.size()));
  return out;
}

inline QZ::QZValue object(const std::string& base64) {
  QZ::QZValue out;
  out.decodeBase64Object(base64.c_str());
  return out;
}

// A qz_result released when it leaves scope.
struct Result : qz_result {
  Result() : qz_result{} {}
  ~Result() { qz_result_free(this); }
  Result(const Result&) = delete;
  Result& operator=(const Result&) = delete;

  std::string bytes() const { return std::string(reinterpret_cast<const char*>(data), size); }
  bool isEmpty() const {
    return number == 0 && real == 0.0f && data == nullptr && size == 0 && count == 0 && storage == nullptr;
  }
};

}  // namespace capitest

#endif
