// The JSON form of QZValue used on qzcall's command line and output:
//   null <-> Invalid, true/false <-> Bool, integers <-> Int (32-bit), other numbers
//   <-> Float, strings <-> String (UTF-8 bytes, no NUL), arrays <-> Array.
// Kinds that plain JSON cannot carry are objects with a single member:
//   {"base64": "..."}         Binary, its bytes in base64
//   {"object": "..."}         Object, its bytes in base64
//   {"string_base64": "..."}  a String whose bytes are not UTF-8
//   {"float": "nan"|"inf"|"-inf"|number}  a Float JSON cannot write, or forced
#ifndef QZCALL_JSONVALUE_H
#define QZCALL_JSONVALUE_H

#include <qzvalue/qzvalue.h>

#include <nlohmann/json.hpp>

#include <stdexcept>
#include <string>
#include <vector>

namespace qzcall {

// Input that has no QZValue form; qzcall reports it as a usage error.
class JsonValueError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Deepest nesting of arrays accepted in either direction; keeps recursion bounded.
constexpr int kMaxJsonDepth = 512;

// Parses one JSON text. An integer literal too large for any machine integer is
// refused rather than read as a float.
nlohmann::json parseJson(const std::string& text);

// The value a JSON value stands for; JsonValueError when there is none.
QZ::QZValue toValue(const nlohmann::json& json);

// The JSON form of a value; std::runtime_error when it is nested too deeply.
nlohmann::json toJson(const QZ::QZValue& value);

// The argument value of one call: one Array element per JSON text, Invalid when
// there is none. JsonValueError names the argument at fault (counted from 1).
QZ::QZValue packArguments(const std::vector<std::string>& texts);

}  // namespace qzcall

#endif
