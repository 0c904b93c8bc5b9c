// The value buffer of the C ABI: one QZValue as kind, length and payload (qzcapi.h).
#ifndef QZCAPI_VALUEBUFFER_H
#define QZCAPI_VALUEBUFFER_H

#include "qzvalue/qzvalue.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace QZ::capi {

// Appends the buffer form of `value` to `out`.
void encodeValue(const QZValue& value, std::string& out);

// Reads the one value that `data` holds; raises QZError when the buffer breaks the form.
QZValue decodeValue(const std::uint8_t* data, std::size_t size);

}  // namespace QZ::capi

#endif
