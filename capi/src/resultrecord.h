// What the qz_ functions leave in a qz_result: its fields, and one owner object
// (`storage`) that holds whatever `data` points into, released by qz_result_free.
#ifndef QZCAPI_RESULTRECORD_H
#define QZCAPI_RESULTRECORD_H

#include "qzcapi/qzcapi.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace QZ::capi {

// The owner of a result's bytes; qz_result_free deletes it through this base.
struct ResultStorage {
  virtual ~ResultStorage() = default;
};

// A result being built. Nothing reaches the caller's record before commit(), so a
// failure half-way leaves the record as it was (all zero) and nothing allocated.
class PendingResult {
public:
  void setNumber(std::int32_t number) { fFields.number = number; }
  void setReal(float real) { fFields.real = real; }
  // data/size over `bytes`, held as they are (no copy); `count` elements in them.
  void setBytes(std::string bytes, std::size_t count = 0);
  // data/size over the floats themselves, 4 little-endian bytes each.
  void setFloats(std::vector<float> floats);
  // Hands fields and owner over to `result`, whose fields are all zero.
  void commit(qz_result& result) noexcept;

private:
  qz_result fFields{};
  std::unique_ptr<ResultStorage> fStorage;
};

// Sets every field to zero, releasing nothing.
void clearResult(qz_result& result) noexcept;

// Puts the text of a failure into the cleared `result`; when that text cannot be
// allocated, a static text that qz_result_free leaves alone (storage stays null).
void setErrorText(qz_result& result, const char* text) noexcept;

// Releases the owner and clears the record.
void releaseResult(qz_result& result) noexcept;

}  // namespace QZ::capi

#endif
