// Python values and broker values, both ways.
//
//   None <-> Invalid        bool <-> Bool            int <-> Int (32 bits)
//   float <-> Float (32)    str <-> String (UTF-8)   bytes-likes -> Binary -> bytes
//   list, tuple -> Array -> list                     ObjectValue <-> Object
//
// Strings travel as UTF-8; bytes that are not UTF-8 come back as lone surrogates
// (the surrogateescape handler) and travel back as the same bytes. A dict, a set or any
// other type has no broker form: TypeError, nothing is sent.
#ifndef QZPY_VALUES_H
#define QZPY_VALUES_H

#include <pybind11/pybind11.h>

#include <string>
#include <vector>

#include "qzvalue/qzvalue.h"

namespace qzpy {

// The broker reads a request's values 256 levels deep: the argument list is the first
// level, the elements of a list are one level below the list, and a list's scalars
// count as a level of their own. An argument of a typed method sits on level 2.
constexpr int kMaxLevels = 256;
constexpr int kArgumentListLevel = 1;
constexpr int kArgumentLevel = 2;

// A Python value as a broker value that sits on `level`; raises TypeError, ValueError
// or OverflowError (with a text that names what is wrong) when it has no broker form or
// would nest deeper than the broker reads.
QZ::QZValue toValue(PyObject* object, int level);

// The parts of toValue that the typed arguments share.
int toInt32(PyObject* integer);      // an int: OverflowError outside 32 bits
float toFloat32(double number);      // OverflowError outside the 32-bit range
std::string toText(PyObject* text);  // a str: UTF-8, ValueError for U+0000

// Broker values and typed results as Python values.
pybind11::object toPython(const QZ::QZValue& value);
pybind11::object toPython(int value);
pybind11::object toPython(bool value);
pybind11::object toPython(float value);
pybind11::object toPython(const std::string& text);
pybind11::object toPython(const std::vector<std::string>& texts);
pybind11::object toPython(const std::vector<float>& numbers);

// Raises the Python exception `type` with `text` from C++ code.
[[noreturn]] void raisePython(PyObject* type, const std::string& text);

}  // namespace qzpy

#endif
