#include "resultrecord.h"

#include <cstring>
#include <utility>

namespace QZ::capi {
namespace {

template <typename T>
struct Held final : ResultStorage {
  explicit Held(T held) : value(std::move(held)) {}
  T value;
};

// The text of a failure whose own text could not be allocated.
const char kNoMemoryText[] = "\tqzcapi::error text\n\tout of memory while reporting a failure";

}  // namespace

void PendingResult::setBytes(std::string bytes, std::size_t count) {
  auto held = std::make_unique<Held<std::string>>(std::move(bytes));
  // Pointed at only once the string sits in its owner: a move may relocate short ones.
  fFields.data = reinterpret_cast<const std::uint8_t*>(held->value.data());
  fFields.size = held->value.size();
  fFields.count = count;
  fStorage = std::move(held);
}

void PendingResult::setFloats(std::vector<float> floats) {
  auto held = std::make_unique<Held<std::vector<float>>>(std::move(floats));
  std::vector<float>& list = held->value;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  for (float& number : list) {  // the buffer's byte order is little-endian everywhere
    unsigned char bytes[4];
    std::memcpy(bytes, &number, 4);
    std::swap(bytes[0], bytes[3]);
    std::swap(bytes[1], bytes[2]);
    std::memcpy(&number, bytes, 4);
  }
#endif
  fFields.data = reinterpret_cast<const std::uint8_t*>(list.data());
  fFields.size = list.size() * sizeof(float);
  fFields.count = list.size();
  fStorage = std::move(held);
}

void PendingResult::commit(qz_result& result) noexcept {
  result = fFields;
  result.storage = fStorage.release();
}

void clearResult(qz_result& result) noexcept { result = qz_result{}; }

void setErrorText(qz_result& result, const char* text) noexcept {
  clearResult(result);
  try {
    PendingResult failure;
    failure.setBytes(text);
    failure.commit(result);
  } catch (...) {
    result.data = reinterpret_cast<const std::uint8_t*>(kNoMemoryText);
    result.size = sizeof kNoMemoryText - 1;
  }
}

void releaseResult(qz_result& result) noexcept {
  delete static_cast<ResultStorage*>(result.storage);
  clearResult(result);
}

}  // namespace QZ::capi
