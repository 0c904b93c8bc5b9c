// The value buffer of the C ABI: one QZValue as kind, length and payload (qzcapi.h).
#ifndef QZCAPI_VALUEBUFFER_H
#define QZCAPI_VALUEBUFFER_H

#include "qzvalue/qzvalue.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace QZ::capi {

// Appends the buffer form of `value` to `out`. Raises QZError for a value the form
// cannot carry (a length beyond 4 bytes) or an Object without storage.
void encodeValue(const QZValue& value, std::string& out);

// Reads the one value that `data` holds; raises ArgumentError (a QZError with module
// `function`, method "value buffer" and a description naming the offset of the fault)
// when the buffer breaks the form. Never reads outside data[0, size).
QZValue decodeValue(const std::uint8_t* data, std::size_t size, const char* function = "qz_call");

}  // namespace QZ::capi

#endif
