// qzremote.Proxy: any method of any broker module, by name, with one value as arguments.
#ifndef QZPY_UNTYPED_H
#define QZPY_UNTYPED_H

#include <pybind11/pybind11.h>

namespace qzpy {

void bindUntypedProxy(pybind11::module_& m);

}  // namespace qzpy

#endif
