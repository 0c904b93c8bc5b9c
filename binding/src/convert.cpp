#include <velantrix/languagecompatibility/convert.h>

#include <qzvalue/qzerror.h>

#include <climits>
#include <cstring>
#include <stdexcept>

namespace Velantrix::LanguageCompatibility {

using System::Object;
using System::String;

namespace {

// A host list that contains itself would otherwise recurse until the stack runs out.
[[noreturn]] void throwTooDeep() {
  throw System::ArgumentException(
      String("The list is nested more than " + std::to_string(Convert::kMaxNesting) +
             " levels deep, or contains itself."),
      String("param"));
}

QZ::QZValue shortsAsBinary(const System::Array<short>& samples) {
  QZ::QZValue result;
  const int count = samples.Length();
  if (count == 0) return result;
  if (count > INT_MAX / 2) throw std::length_error("Int16[] too long for one Binary value");
  std::vector<unsigned char> bytes(static_cast<std::size_t>(count) * 2);
  for (int i = 0; i < count; ++i) {
    const auto sample = static_cast<unsigned short>(samples[i]);
    bytes[2 * static_cast<std::size_t>(i)] = static_cast<unsigned char>(sample & 0xFF);
    bytes[2 * static_cast<std::size_t>(i) + 1] = static_cast<unsigned char>(sample >> 8);
  }
  result.SetBinary(bytes.data(), count * 2);
  return result;
}

QZ::QZValue toNative(const Object& param, int depth) {
  QZ::QZValue result;
  const System::Type type = param.GetType();  // a null reference fails here
  const bool isList = !type.GetInterface("System.Collections.IList").IsNull();
  const std::string& name = type.FullName();
  if (name == "System.Byte[]") {
    const auto bytes = param.As<System::Array<unsigned char>>();
    if (bytes.Length() > 0) result.SetBinary(bytes.data(), bytes.Length());
  } else if (name == "System.Int16[]") {
    result = shortsAsBinary(param.As<System::Array<short>>());
  } else if (isList) {
    if (depth >= Convert::kMaxNesting) throwTooDeep();
    const auto list = param.As<System::Collections::IList>();
    const int count = list.Count();
    result.arraySetSize(count);
    for (int i = 0; i < count; ++i) result[i] = toNative(list[i], depth + 1);
  } else if (name == "System.Boolean") {
    result = param.Unbox<bool>();
  } else if (name == "System.Single") {
    result = param.Unbox<float>();
  } else if (name == "System.Int32") {
    result = param.Unbox<int>();
  } else if (name == "System.String") {
    result = QZ::QZValue(Convert::ToNativeType(param.As<String>()));
  }
  return result;  // any other host type travels as Invalid
}

Object toHost(const QZ::QZValue& value, int depth) {
  switch (value.getType()) {
    case QZ::QZValue::TypeArray: {
      if (depth >= Convert::kMaxNesting) {
        throw QZ::QZError("Convert", "ToDotNetType",
                          "value nested more than " + std::to_string(Convert::kMaxNesting) +
                              " levels deep",
                          __FILE__, __LINE__);
      }
      const int size = static_cast<int>(value.getSize());
      auto list = System::Collections::ArrayList::WithCapacity(size);
      for (int i = 0; i < size; ++i) list.Add(toHost(value[i], depth + 1));
      return list;
    }
    case QZ::QZValue::TypeBool: return Object(static_cast<bool>(value));
    case QZ::QZValue::TypeInt: return Object(static_cast<int>(value));
    case QZ::QZValue::TypeFloat: return Object(static_cast<float>(value));
    case QZ::QZValue::TypeString: return marshalString(value);
    case QZ::QZValue::TypeBinary: {
      const std::size_t size = value.getSize();
      auto bytes = System::Array<unsigned char>::New(static_cast<int>(size));
      // An empty block has no first byte to address: it gives an empty Byte[].
      if (size > 0) std::memcpy(bytes.data(), value.GetBinary(), size);
      return bytes;
    }
    default: return Object();  // Invalid and Object: a new plain System.Object
  }
}

}  // namespace

Convert::~Convert() = default;
void Convert::Dispose() {}

QZ::QZValue Convert::ToNativeType(const Object& param) { return toNative(param, 0); }

std::string Convert::ToNativeType(const String& s) { return marshalString(s); }

std::vector<std::string> Convert::ToNativeType(const StringList& pParam) {
  if (pParam.IsNull()) System::detail::throwNullReference();
  std::vector<std::string> result;
  result.reserve(static_cast<std::size_t>(pParam.Count()));
  for (const String& element : pParam) result.push_back(ToNativeType(element));
  return result;
}

std::vector<float> Convert::ToNativeType(const FloatList& pParam) {
  if (pParam.IsNull()) System::detail::throwNullReference();
  return std::vector<float>(pParam.begin(), pParam.end());
}

Object Convert::ToDotNetType(const QZ::QZValue& value) { return toHost(value, 0); }

Convert::StringList Convert::ToDotNetType(std::vector<std::string> pParam) {
  StringList result;
  for (const std::string& element : pParam) result.Add(marshalString(QZ::QZValue(element)));
  return result;
}

Convert::FloatList Convert::ToDotNetType(std::vector<float> pParam) {
  return FloatList(std::move(pParam));
}

}  // namespace Velantrix::LanguageCompatibility
