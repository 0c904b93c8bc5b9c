// Exact equality of two values for the fuzz targets' invariants: QZValue's own
// comparison lets floats differ slightly and calls every pair of Objects equal.
#ifndef QZFUZZ_SAME_VALUE_H
#define QZFUZZ_SAME_VALUE_H

#include "qzvalue/qzvalue.h"

#include <cmath>
#include <cstring>
#include <string>

namespace qzfuzz {

inline bool sameBytes(const QZ::QZValue& a, const QZ::QZValue& b) {
  std::string left, right;
  a.encodeBase64(left);
  b.encodeBase64(right);
  return left == right;
}

// Same kind and same content: floats bit for bit (any NaN matches any NaN).
inline bool sameValue(const QZ::QZValue& a, const QZ::QZValue& b) {
  if (a.getType() != b.getType()) return false;
  switch (a.getType()) {
    case QZ::QZValue::TypeArray:
      if (a.getSize() != b.getSize()) return false;
      for (unsigned int i = 0; i < a.getSize(); ++i)
        if (!sameValue(a[static_cast<int>(i)], b[static_cast<int>(i)])) return false;
      return true;
    case QZ::QZValue::TypeFloat: {
      const float x = static_cast<float>(a);
      const float y = static_cast<float>(b);
      if (std::isnan(x) || std::isnan(y)) return std::isnan(x) && std::isnan(y);
      return std::memcmp(&x, &y, sizeof x) == 0;
    }
    case QZ::QZValue::TypeString:
      return static_cast<const QZ::TQZValueString&>(a) == static_cast<const QZ::TQZValueString&>(b);
    case QZ::QZValue::TypeBinary:
    case QZ::QZValue::TypeObject:
      return sameBytes(a, b);
    default:
      return a == b;
  }
}

}  // namespace qzfuzz

#endif
