#include "qzvalue/qzerror.h"

#include <sstream>
#include <utility>

namespace QZ {
namespace {

std::string composeMessage(const std::string& module, const std::string& method,
                           const std::string& description) {
  std::ostringstream text;
  if (!module.empty()) text << '\t' << module;
  if (!method.empty()) text << "::" << method;
  text << '\n' << '\t' << description;
  return text.str();
}

}  // namespace

QZError::QZError(const std::string& module, const std::string& method,
                 const std::string& description, const char* /*file*/,
                 unsigned int /*line*/)
    : std::runtime_error(composeMessage(module, method, description)) {}

QZError::QZError(const QZError& other) : std::runtime_error(other.what()) {}

QZError::~QZError() = default;

QZNetworkError::QZNetworkError(std::string module, std::string method,
                               std::string description, const char* file,
                               unsigned int line)
    : QZError(module, method, description, file, line) {}

QZNetworkError::QZNetworkError(const QZNetworkError& other) : QZError(other) {}

QZNetworkError::~QZNetworkError() = default;

QZTimeoutError::QZTimeoutError(std::string module, std::string method, std::string description,
                               const char* file, unsigned int line)
    : QZNetworkError(std::move(module), std::move(method), std::move(description), file, line) {}

QZTimeoutError::QZTimeoutError(const QZTimeoutError& other) : QZNetworkError(other) {}

QZTimeoutError::~QZTimeoutError() = default;

}  // namespace QZ
