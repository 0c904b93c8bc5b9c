// qzremote.ObjectValue: the Python form of a broker value of the Object kind, a block of
// bytes that travels as base64 text (unlike bytes, which travel as a Binary attachment).
#ifndef QZPY_OBJECTVALUE_H
#define QZPY_OBJECTVALUE_H

#include <pybind11/pybind11.h>

#include <string>

namespace qzpy {

struct ObjectValue {
  std::string bytes;
};

void bindObjectValue(pybind11::module_& m);

// The bytes of `object` when it is an ObjectValue, else null.
const std::string* objectValueBytes(PyObject* object);
pybind11::object makeObjectValue(std::string bytes);

// The bytes of a bytes, bytearray or memoryview (any layout); false for other types.
bool bytesOf(PyObject* object, std::string& out);

}  // namespace qzpy

#endif
