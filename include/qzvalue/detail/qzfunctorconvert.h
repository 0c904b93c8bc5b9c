// Conversions between the native types of typed calls and QZValue.
// convertToQZValue packs one argument; convertFromQZValue checks the kind of an
// answer and turns it into the declared result type.
#ifndef QZVALUE_DETAIL_QZFUNCTORCONVERT_H
#define QZVALUE_DETAIL_QZFUNCTORCONVERT_H

#include "qzvalue/qzerror.h"
#include "qzvalue/qzvalue.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace QZ {
namespace detail {

// Raises the kind error of a result converter, e.g. "Parameter type is String instead of int".
[[noreturn]] inline void throwConvertError(const QZValue& answer, const char* suffix,
                                           unsigned int line) {
  throw QZError("convertFromQZValue", "convertFromQZValue",
                "Parameter type is " + QZValue::TypeToString(answer.getType()) + suffix,
                "qzvalue/detail/qzfunctorconvert", line);
}

template <typename T>
class converter;

template <>
class converter<int> {
public:
  int convertFromQZValue(const QZValue& pVariant) {
    if (pVariant.getType() != QZValue::TypeInt) throwConvertError(pVariant, " instead of int", 45);
    return static_cast<int>(pVariant);
  }
  QZValue convertToQZValue(int val) { return QZValue(val); }
};

template <>
class converter<std::string> {
public:
  std::string convertFromQZValue(const QZValue& pVariant) {
    if (pVariant.getType() != QZValue::TypeString)
      throwConvertError(pVariant, " instead of string", 88);
    return static_cast<const std::string&>(pVariant);
  }
  QZValue convertToQZValue(const std::string& val) { return QZValue(val); }
};

template <>
class converter<bool> {
public:
  // An Int answer reads true when it is not 0.
  bool convertFromQZValue(const QZValue& pVariant) {
    if (pVariant.getType() == QZValue::TypeBool) return static_cast<bool>(pVariant);
    if (pVariant.getType() == QZValue::TypeInt) return static_cast<int>(pVariant) != 0;
    throwConvertError(pVariant, " instead of bool", 137);
  }
  QZValue convertToQZValue(bool val) { return QZValue(val); }
};

template <>
class converter<float> {
public:
  // An Int answer is converted to the nearest float.
  float convertFromQZValue(const QZValue& pVariant) {
    if (pVariant.getType() != QZValue::TypeFloat && pVariant.getType() != QZValue::TypeInt)
      throwConvertError(pVariant, " instead of float", 162);
    return static_cast<float>(pVariant);
  }
  QZValue convertToQZValue(float val) { return QZValue(val); }
};

template <>
class converter<std::vector<std::string>> {
public:
  // Elements that are not strings are skipped with a warning line.
  std::vector<std::string> convertFromQZValue(const QZValue& pVariant) {
    if (pVariant.getType() != QZValue::TypeArray)
      throwConvertError(pVariant, " instead of vector", 184);
    std::vector<std::string> sequence;
    pVariant.ToStringArray(sequence, false);
    return sequence;
  }
  QZValue convertToQZValue(const std::vector<std::string>& val) { return QZValue(val); }
};

template <>
class converter<std::vector<float>> {
public:
  // Int and Float elements are taken; others are skipped with a warning line.
  std::vector<float> convertFromQZValue(const QZValue& pVariant) {
    if (pVariant.getType() != QZValue::TypeArray)
      throwConvertError(pVariant, " instead of vector", 207);
    std::vector<float> sequence;
    pVariant.ToFloatArray(sequence, false);
    return sequence;
  }
  QZValue convertToQZValue(const std::vector<float>& val) { return QZValue(val); }
};

template <>
class converter<QZValue> {
public:
  QZValue convertFromQZValue(const QZValue& pVariant) { return pVariant; }
  QZValue convertToQZValue(const QZValue& val) {
    std::fflush(nullptr);
    std::cout.flush();
    return val;
  }
};

}  // namespace detail
}  // namespace QZ

#endif
