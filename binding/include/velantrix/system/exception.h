// The host runtime's exceptions. They derive from std::exception so that C++ code
// can catch them too; what() is the message as UTF-8.
#ifndef VELANTRIX_SYSTEM_EXCEPTION_H
#define VELANTRIX_SYSTEM_EXCEPTION_H

#include <velantrix/system/string.h>

#include <exception>
#include <memory>
#include <string>

namespace System {

class Exception : public std::exception {
public:
  Exception();  // "Exception of type 'System.Exception' was thrown."
  explicit Exception(const String& message);
  ~Exception() override;

  String Message() const;
  const char* what() const noexcept override;

private:
  struct Text;
  std::shared_ptr<const Text> fText;  // shared so that copies never throw
};

class SystemException : public Exception {
public:
  using Exception::Exception;
};

class NullReferenceException : public SystemException {
public:
  NullReferenceException();  // "Object reference not set to an instance of an object."
};

class InvalidCastException : public SystemException {
public:
  InvalidCastException();  // "Specified cast is not valid."
};

class IndexOutOfRangeException : public SystemException {
public:
  IndexOutOfRangeException();  // "Index was outside the bounds of the array."
};

class InvalidOperationException : public SystemException {
public:
  using SystemException::SystemException;
};

// The message is "<message>\nParameter name: <paramName>", as the host runtime writes it.
class ArgumentException : public SystemException {
public:
  ArgumentException(const String& message, const String& paramName);
  String ParamName() const { return fParamName; }

private:
  String fParamName;
};

class ArgumentNullException : public ArgumentException {
public:
  explicit ArgumentNullException(const String& paramName);  // "Value cannot be null."
};

class ArgumentOutOfRangeException : public ArgumentException {
public:
  ArgumentOutOfRangeException(const String& paramName, const String& message);
};

// Raised by every use of an object after its Dispose:
// "Cannot access a disposed object: <objectName>".
class ObjectDisposedException : public InvalidOperationException {
public:
  explicit ObjectDisposedException(const String& objectName);
  String ObjectName() const { return fObjectName; }

private:
  String fObjectName;
};

}  // namespace System

#endif
