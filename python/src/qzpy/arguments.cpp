#include "qzpy/arguments.h"

#include "qzpy/values.h"

namespace qzpy {

namespace {

bool isListOrTuple(PyObject* source) { return PyList_Check(source) || PyTuple_Check(source); }

}  // namespace

bool load(PyObject* source, bool convert, Int32& out) {
  if (PyBool_Check(source)) return false;
  if (PyLong_Check(source)) {
    out.value = toInt32(source);
    return true;
  }
  // Integers of other libraries (numpy's, for example) give their value through
  // __index__; a float never does, so 2.5 is not truncated.
  if (!convert || !PyIndex_Check(source)) return false;
  pybind11::object index = pybind11::reinterpret_steal<pybind11::object>(PyNumber_Index(source));
  if (!index) throw pybind11::error_already_set();
  out.value = toInt32(index.ptr());
  return true;
}

bool load(PyObject* source, bool convert, Float32& out) {
  double number = 0.0;
  if (PyFloat_Check(source)) {
    number = PyFloat_AS_DOUBLE(source);
  } else if (!convert || PyBool_Check(source) || PyUnicode_Check(source)) {
    return false;
  } else if (PyLong_Check(source) || PyIndex_Check(source) ||
             (Py_TYPE(source)->tp_as_number != nullptr &&
              Py_TYPE(source)->tp_as_number->nb_float != nullptr)) {
    number = PyFloat_AsDouble(source);  // OverflowError for an int beyond a double
    if (number == -1.0 && PyErr_Occurred()) throw pybind11::error_already_set();
  } else {
    return false;
  }
  out.value = toFloat32(number);
  return true;
}

bool load(PyObject* source, bool /*convert*/, Bool& out) {
  if (!PyBool_Check(source)) return false;
  out.value = source == Py_True;
  return true;
}

bool load(PyObject* source, bool /*convert*/, Text& out) {
  if (!PyUnicode_Check(source)) return false;
  out.value = toText(source);
  return true;
}

bool load(PyObject* source, bool /*convert*/, TextList& out) {
  if (!isListOrTuple(source)) return false;
  const Py_ssize_t size = PySequence_Fast_GET_SIZE(source);
  PyObject** items = PySequence_Fast_ITEMS(source);
  for (Py_ssize_t i = 0; i < size; ++i)
    if (!PyUnicode_Check(items[i])) return false;
  out.value.clear();
  out.value.reserve(static_cast<std::size_t>(size));
  for (Py_ssize_t i = 0; i < size; ++i) out.value.push_back(toText(items[i]));
  return true;
}

bool load(PyObject* source, bool /*convert*/, FloatList& out) {
  if (!isListOrTuple(source)) return false;
  const Py_ssize_t size = PySequence_Fast_GET_SIZE(source);
  PyObject** items = PySequence_Fast_ITEMS(source);
  out.value.clear();
  out.value.reserve(static_cast<std::size_t>(size));
  for (Py_ssize_t i = 0; i < size; ++i) {
    PyObject* item = items[i];
    double number = 0.0;
    if (PyFloat_Check(item)) {
      number = PyFloat_AS_DOUBLE(item);
    } else if (PyLong_Check(item) && !PyBool_Check(item)) {
      number = PyLong_AsDouble(item);
      if (number == -1.0 && PyErr_Occurred()) throw pybind11::error_already_set();
    } else {
      return false;
    }
    out.value.push_back(toFloat32(number));
  }
  return true;
}

bool load(PyObject* source, bool /*convert*/, Value& out) {
  out.value = toValue(source, kArgumentLevel);
  return true;
}

bool load(PyObject* source, bool /*convert*/, ArgumentList& out) {
  out.value = toValue(source, kArgumentListLevel);
  return true;
}

}  // namespace qzpy
