// The argument types of the generated methods: one small struct per catalogue type,
// holding the native value that the Python argument becomes. Their pybind11 casters
// take exactly the Python types the catalogue type stands for, so that overloads of
// one name choose their form by the arguments' types:
//
//   Int32     int (not bool); on the converting pass also objects with __index__
//   Float32   float (subclasses too); on the converting pass also int and __float__
//   Bool      True or False
//   Text      str, sent as UTF-8 (lone surrogates from surrogateescape as the bytes
//             they stand for)
//   TextList  a list or tuple of str
//   FloatList a list or tuple of float and int
//   Value     anything a broker value can be (values.h); ArgumentList the same, as the
//             whole argument list of an untyped call
//
// A value of the right type that cannot travel raises instead of trying the next form:
// OverflowError for an int outside 32 bits or a float outside the 32-bit range,
// ValueError for a str holding U+0000, which the broker would cut.
#ifndef QZPY_ARGUMENTS_H
#define QZPY_ARGUMENTS_H

#include <pybind11/pybind11.h>

#include <string>
#include <vector>

#include "qzvalue/qzvalue.h"

namespace qzpy {

struct Int32 {
  using Native = int;
  Native value = 0;
};
struct Float32 {
  using Native = float;
  Native value = 0.0f;
};
struct Bool {
  using Native = bool;
  Native value = false;
};
struct Text {
  using Native = std::string;
  Native value;
};
struct TextList {
  using Native = std::vector<std::string>;
  Native value;
};
struct FloatList {
  using Native = std::vector<float>;
  Native value;
};
struct Value {
  using Native = QZ::QZValue;
  Native value;
};
// The whole argument list of an untyped call: a Value one level higher up.
struct ArgumentList {
  using Native = QZ::QZValue;
  Native value;
};

// Each returns false when `source` is not of the argument's type; `convert` is pybind11's
// second pass over the overloads, which may convert.
bool load(PyObject* source, bool convert, Int32& out);
bool load(PyObject* source, bool convert, Float32& out);
bool load(PyObject* source, bool convert, Bool& out);
bool load(PyObject* source, bool convert, Text& out);
bool load(PyObject* source, bool convert, TextList& out);
bool load(PyObject* source, bool convert, FloatList& out);
bool load(PyObject* source, bool convert, Value& out);
bool load(PyObject* source, bool convert, ArgumentList& out);

}  // namespace qzpy

namespace pybind11 {
namespace detail {

// The Python type names are those the docstrings and stubs use. The types are arguments
// only, never returned to Python, so `cast` has nothing to do.
#define QZPY_ARGUMENT_CASTER(Type, PythonName)                                                  \
  template <>                                                                                   \
  struct type_caster<qzpy::Type> {                                                              \
    PYBIND11_TYPE_CASTER(qzpy::Type, const_name(PythonName));                                   \
    bool load(handle source, bool convert) { return qzpy::load(source.ptr(), convert, value); } \
    static handle cast(const qzpy::Type&, return_value_policy, handle) {                        \
      return none().release();                                                                  \
    }                                                                                           \
  };

QZPY_ARGUMENT_CASTER(Int32, "int")
QZPY_ARGUMENT_CASTER(Float32, "float")
QZPY_ARGUMENT_CASTER(Bool, "bool")
QZPY_ARGUMENT_CASTER(Text, "str")
QZPY_ARGUMENT_CASTER(TextList, "TextList")
QZPY_ARGUMENT_CASTER(FloatList, "FloatList")
QZPY_ARGUMENT_CASTER(Value, "Value")
QZPY_ARGUMENT_CASTER(ArgumentList, "Value")

#undef QZPY_ARGUMENT_CASTER

}  // namespace detail
}  // namespace pybind11

#endif
