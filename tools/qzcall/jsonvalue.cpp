#include "jsonvalue.h"

#include "base64.h"
#include "utf8check.h"

#include <cctype>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace qzcall {
namespace {

using nlohmann::json;

QZ::QZValue fromBase64(const json& text, const char* what) {
  if (!text.is_string()) throw JsonValueError(std::string("\"") + what + "\" takes a string");
  std::string bytes;
  if (!decodeBase64(text.get_ref<const std::string&>(), bytes))
    throw JsonValueError(std::string("the \"") + what + "\" text is not base64");
  QZ::QZValue value;
  value.SetBinary(bytes.data(), static_cast<int>(bytes.size()));
  return value;
}

// The broker reads a string only up to its first NUL byte; refusing such a string
// beats sending one that arrives cut short.
QZ::QZValue stringValue(const std::string& bytes) {
  if (bytes.find('\0') != std::string::npos)
    throw JsonValueError("a string cannot carry a NUL byte (\\u0000): the broker would cut "
                         "it there; send bytes as {\"base64\": ...}");
  return QZ::QZValue(bytes);
}

float toFloat(double number) {
  // Below this bound a double rounds to a finite float (FLT_MAX plus half its ulp).
  static const double kLimit = static_cast<double>(FLT_MAX) + std::ldexp(1.0, 103);
  if (!std::isfinite(number) || std::fabs(number) >= kLimit)
    throw JsonValueError("the number " + json(number).dump() + " is out of the range of a "
                         "32-bit float");
  return static_cast<float>(number);
}

QZ::QZValue fromTagged(const json& object) {
  if (object.size() != 1)
    throw JsonValueError("a JSON object must have exactly one member: \"base64\", "
                         "\"object\", \"string_base64\" or \"float\"");
  const std::string& tag = object.begin().key();
  const json& content = object.begin().value();
  if (tag == "base64") return fromBase64(content, "base64");
  if (tag == "object") {
    fromBase64(content, "object");  // checks the text strictly
    QZ::QZValue value;              // Object values are only built from base64 text
    value.decodeBase64Object(content.get_ref<const std::string&>().c_str());
    return value;
  }
  if (tag == "string_base64") {
    QZ::QZValue bytes = fromBase64(content, "string_base64");
    const auto* data = static_cast<const char*>(bytes.getSize() ? bytes.GetBinary() : "");
    return stringValue(std::string(data, bytes.getSize()));
  }
  if (tag == "float") {
    if (content.is_number()) return QZ::QZValue(toFloat(content.get<double>()));
    if (content == "nan") return QZ::QZValue(NAN);
    if (content == "inf") return QZ::QZValue(INFINITY);
    if (content == "-inf") return QZ::QZValue(-INFINITY);
    throw JsonValueError("\"float\" takes a number, \"nan\", \"inf\" or \"-inf\"");
  }
  throw JsonValueError("unknown JSON object member \"" + tag + "\" (known: \"base64\", "
                       "\"object\", \"string_base64\", \"float\")");
}

// The double whose shortest decimal form is the float's shortest decimal form, so
// that 0.1f prints as 0.1 rather than 0.10000000149011612.
double shortestDouble(float number) {
  char text[32];
  for (int digits = 1; digits <= 9; ++digits) {
    std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(number));
    if (std::strtof(text, nullptr) == number) break;
  }
  return std::strtod(text, nullptr);
}

json base64Tagged(const char* tag, const QZ::QZValue& value) {
  std::string text;
  value.encodeBase64(text);
  std::string compact;
  compact.reserve(text.size());
  for (char c : text)
    if (c != '\n') compact += c;  // the value encoder breaks lines for XML
  return json{{tag, compact}};
}

json toJsonAt(const QZ::QZValue& value, int depth) {
  switch (value.getType()) {
    case QZ::QZValue::TypeInvalid:
      return nullptr;
    case QZ::QZValue::TypeBool:
      return static_cast<bool>(value);
    case QZ::QZValue::TypeInt:
      return static_cast<int>(value);
    case QZ::QZValue::TypeFloat: {
      const float number = static_cast<float>(value);
      if (std::isnan(number)) return json{{"float", "nan"}};
      if (std::isinf(number)) return json{{"float", number > 0 ? "inf" : "-inf"}};
      return shortestDouble(number);
    }
    case QZ::QZValue::TypeString: {
      const QZ::TQZValueString& bytes = value;
      if (isValidUtf8(bytes)) return bytes;
      QZ::QZValue binary;
      binary.SetBinary(bytes.data(), static_cast<int>(bytes.size()));
      return base64Tagged("string_base64", binary);
    }
    case QZ::QZValue::TypeBinary:
      return base64Tagged("base64", value);
    case QZ::QZValue::TypeObject:
      return base64Tagged("object", value);
    case QZ::QZValue::TypeArray: {
      if (depth >= kMaxJsonDepth)
        throw std::runtime_error("the result is nested deeper than " +
                                 std::to_string(kMaxJsonDepth) + " levels");
      json array = json::array();
      for (const QZ::QZValue& element : *value.arrayElements())
        array.push_back(toJsonAt(element, depth + 1));
      return array;
    }
  }
  throw std::runtime_error("a value of unknown kind " + std::to_string(value.getType()));
}

}  // namespace

QZ::QZValue toValue(const json& value) {
  switch (value.type()) {
    case json::value_t::null:
      return QZ::QZValue();
    case json::value_t::boolean:
      return QZ::QZValue(value.get<bool>());
    case json::value_t::number_integer:
    case json::value_t::number_unsigned: {
      // nlohmann keeps non-negative literals unsigned and negative ones signed.
      const bool negative = value.type() == json::value_t::number_integer &&
                            value.get<std::int64_t>() < 0;
      if (negative ? value.get<std::int64_t>() < INT_MIN : value.get<std::uint64_t>() > INT_MAX)
        throw JsonValueError("the integer " + value.dump() + " does not fit in 32 bits");
      return QZ::QZValue(static_cast<int>(value.get<std::int64_t>()));
    }
    case json::value_t::number_float:
      return QZ::QZValue(toFloat(value.get<double>()));
    case json::value_t::string:
      return stringValue(value.get_ref<const std::string&>());
    case json::value_t::array: {
      QZ::QZValue array;
      array.arraySetSize(static_cast<int>(value.size()));
      int index = 0;
      for (const json& element : value) array[index++] = toValue(element);
      return array;
    }
    case json::value_t::object:
      return fromTagged(value);
    default:
      break;
  }
  throw JsonValueError("JSON value of type " + std::string(value.type_name()) +
                       " has no value form");
}

json toJson(const QZ::QZValue& value) { return toJsonAt(value, 0); }

QZ::QZValue packArguments(const std::vector<std::string>& texts) {
  QZ::QZValue arguments;
  if (texts.empty()) return arguments;
  arguments.arraySetSize(static_cast<int>(texts.size()));
  for (std::size_t i = 0; i < texts.size(); ++i) {
    try {
      arguments[static_cast<int>(i)] = toValue(parseJson(texts[i]));
    } catch (const JsonValueError& e) {
      const std::string& text = texts[i];
      const std::string shown = text.size() <= 40 ? text : text.substr(0, 37) + "...";
      // A bare word is most often a string whose quotes the shell took away.
      const bool bareWord = !text.empty() && std::isalpha(static_cast<unsigned char>(text[0]));
      throw JsonValueError("argument " + std::to_string(i + 1) + " (" + shown + "): " +
                           e.what() +
                           (bareWord ? "\nA string is written in JSON quotes: '\"" + shown + "\"'"
                                     : ""));
    }
  }
  return arguments;
}

}  // namespace qzcall
