// The exception type thrown by every native layer of the library.
#ifndef QZVALUE_QZERROR_H
#define QZVALUE_QZERROR_H

#include <stdexcept>
#include <string>

namespace QZ {

// One finished text, built once: "\t<module>::<method>\n\t<description>".
// The file and line given to the constructor are not kept.
class QZError : public std::runtime_error {
public:
  QZError(const std::string& module, const std::string& method,
          const std::string& description, const char* file, unsigned int line);
  QZError(const QZError& other);
  ~QZError() override;
};

// Raised when a module cannot be found on the broker; caught by QZError handlers too.
class QZNetworkError : public QZError {
public:
  QZNetworkError(std::string module, std::string method, std::string description,
                 const char* file, unsigned int line);
  QZNetworkError(const QZNetworkError& other);
  ~QZNetworkError() override;
};

// Raised when a call, or the lookup of a module, runs out of the time its proxy allows
// (QZProxyRemote::setTimeout); its description says "timed out after N ms".
class QZTimeoutError : public QZNetworkError {
public:
  QZTimeoutError(std::string module, std::string method, std::string description,
                 const char* file, unsigned int line);
  QZTimeoutError(const QZTimeoutError& other);
  ~QZTimeoutError() override;
};

}  // namespace QZ

#endif
