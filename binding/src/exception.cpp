#include <velantrix/system/exception.h>

namespace System {

struct Exception::Text {
  String message;
  std::string utf8;
};

Exception::Exception() : Exception(String("Exception of type 'System.Exception' was thrown.")) {}

Exception::Exception(const String& message)
    : fText(std::make_shared<const Text>(
          Text{message, message.IsNull() ? std::string() : message.ToStdString()})) {}

Exception::~Exception() = default;

String Exception::Message() const { return fText->message; }

const char* Exception::what() const noexcept { return fText->utf8.c_str(); }

NullReferenceException::NullReferenceException()
    : SystemException(String("Object reference not set to an instance of an object.")) {}

InvalidCastException::InvalidCastException()
    : SystemException(String("Specified cast is not valid.")) {}

IndexOutOfRangeException::IndexOutOfRangeException()
    : SystemException(String("Index was outside the bounds of the array.")) {}

namespace {

String withParamName(const String& message, const String& paramName) {
  if (String::IsNullOrEmpty(paramName)) return message;
  return String(message.Chars() + u"\nParameter name: " + paramName.Chars());
}

}  // namespace

ArgumentException::ArgumentException(const String& message, const String& paramName)
    : SystemException(withParamName(message, paramName)), fParamName(paramName) {}

ArgumentNullException::ArgumentNullException(const String& paramName)
    : ArgumentException(String("Value cannot be null."), paramName) {}

ArgumentOutOfRangeException::ArgumentOutOfRangeException(const String& paramName,
                                                         const String& message)
    : ArgumentException(message, paramName) {}

ObjectDisposedException::ObjectDisposedException(const String& objectName)
    : InvalidOperationException(
          String(u"Cannot access a disposed object: " +
                 (objectName.IsNull() ? std::u16string() : objectName.Chars()))),
      fObjectName(objectName) {}

namespace detail {

void throwNullReference() { throw NullReferenceException(); }
void throwInvalidCast() { throw InvalidCastException(); }
void throwIndexOutOfRange() { throw IndexOutOfRangeException(); }
void throwArgumentOutOfRange(const char* paramName, const char* message) {
  throw ArgumentOutOfRangeException(String(paramName), String(message));
}

}  // namespace detail
}  // namespace System
