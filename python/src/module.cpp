// The extension module qzremote._qzremote, which the package qzremote re-exports: the
// errors, ObjectValue, the proxies' bases, the untyped Proxy and the 45 module classes
// generated from the catalogue.
#include <pybind11/pybind11.h>

#include "qzpy/errors.h"
#include "qzpy/objectvalue.h"
#include "qzpy/proxies.h"
#include "qzpy/untyped.h"
#include "qzpy_catalogue.h"

PYBIND11_MODULE(_qzremote, m) {
  // Every docstring starts with the signature it documents, in the stubs' own terms.
  pybind11::options options;
  options.disable_function_signatures();

  m.doc() = "The proxies of the robot's broker modules; see the package qzremote.";
  qzpy::bindErrors(m);
  qzpy::bindObjectValue(m);
  qzpy::bindProxyBases(m);
  qzpy::bindUntypedProxy(m);
  qzpy::bindCatalogue(m);
  m.attr("__version__") = QZPY_VERSION;
}
