// The exceptions of qzremote: QZError (a RuntimeError) with the native error's module,
// method and description; QZNetworkError derives from it; QZTimeoutError derives from
// QZNetworkError and from TimeoutError. str() of each is the native text.
#ifndef QZPY_ERRORS_H
#define QZPY_ERRORS_H

#include <pybind11/pybind11.h>

#include <string>

namespace qzpy {

// Creates the three classes in `m` and turns QZ::QZError and its subclasses, wherever a
// binding raises them, into their Python twins.
void bindErrors(pybind11::module_& m);

// The parts of a native text "\t<module>::<method>\n\t<description>".
struct ErrorParts {
  std::string module, method, description;
};
ErrorParts splitErrorText(const std::string& text);

}  // namespace qzpy

#endif
