// Whether a value holds a Binary anywhere: such values travel with DIME attachments.
#ifndef QZSIM_BINARYVALUES_H
#define QZSIM_BINARYVALUES_H

#include "qzvalue/qzvalue.h"

namespace qzsim {

inline bool hasBinary(const QZ::QZValue& value) {
  if (value.getType() == QZ::QZValue::TypeBinary) return true;
  if (value.getType() != QZ::QZValue::TypeArray) return false;
  for (const QZ::QZValue& element : *value.arrayElements())
    if (hasBinary(element)) return true;
  return false;
}

}  // namespace qzsim

#endif
