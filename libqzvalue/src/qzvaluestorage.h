// Direct access to a value's storage for the library's own readers, which build large
// answers in place: elements are appended to an Array without a checked resize each,
// and received bytes become a Binary's storage without being copied. Not installed.
#ifndef QZVALUE_QZVALUESTORAGE_H
#define QZVALUE_QZVALUESTORAGE_H

#include "qzvalue/qzvalue.h"

#include <utility>

namespace QZ {

class QZValueStorage {
public:
  // The elements of a value that is an Array (callers test getType() first).
  static TQZValueArray& elements(QZValue& array) { return *array.fValue.asArray; }

  // value = number, without the calls.
  static void setFloat(QZValue& value, float number) {
    if (value.fType != QZValue::TypeInvalid) value.clear();
    value.fType = QZValue::TypeFloat;
    value.fValue.word = 0;
    value.fValue.asFloat = number;
  }

  // Makes `value` a Binary whose storage is `bytes`, moved in.
  static void adoptBinary(QZValue& value, TQZValueBinary&& bytes) {
    TQZValueBinary* storage = new TQZValueBinary(std::move(bytes));
    value.clear();
    value.fValue.asBinary = storage;
    value.fType = QZValue::TypeBinary;
  }
};

}  // namespace QZ

#endif
