#include "qzpy/values.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "qzpy/objectvalue.h"

namespace qzpy {

namespace py = pybind11;

namespace {

// The smallest magnitude that rounds to infinity as a 32-bit float: FLT_MAX plus half
// of its last step.
constexpr double kFloatOverflow = 0x1.ffffffp127;

int checkedSize(Py_ssize_t size, const char* what) {
  if (size > INT_MAX)
    raisePython(PyExc_OverflowError, std::string(what) + " of " + std::to_string(size) +
                                         " items cannot travel: a broker value holds at most " +
                                         std::to_string(INT_MAX));
  return static_cast<int>(size);
}

// Builds one broker value from a Python value, refusing what cannot travel before
// anything is sent: values nested deeper than the broker reads, and lists inside
// themselves, which would never end.
class ValueBuilder {
public:
  void fill(PyObject* object, QZ::QZValue& out, int level);

private:
  void fillArray(PyObject* sequence, QZ::QZValue& out, int level);
  [[noreturn]] static void refuseType(PyObject* object);

  std::vector<PyObject*> fOpenLists;  // the lists being filled, outermost first
};

void ValueBuilder::fill(PyObject* object, QZ::QZValue& out, int level) {
  if (level > kMaxLevels)
    raisePython(PyExc_ValueError, "lists nested this deep cannot travel: the broker reads " +
                                      std::to_string(kMaxLevels) +
                                      " levels of values, the argument list and the values inside "
                                      "the innermost lists included");
  if (object == Py_None) {
    out.clear();
  } else if (PyBool_Check(object)) {  // before int: bool is an int subclass
    out = QZ::QZValue(object == Py_True);
  } else if (PyLong_Check(object)) {
    out = QZ::QZValue(toInt32(object));
  } else if (PyFloat_Check(object)) {
    out = QZ::QZValue(toFloat32(PyFloat_AS_DOUBLE(object)));
  } else if (PyUnicode_Check(object)) {
    out = QZ::QZValue(toText(object));
  } else if (PyList_Check(object) || PyTuple_Check(object)) {
    fillArray(object, out, level);
  } else if (const std::string* bytes = objectValueBytes(object)) {
    // The value's own base64 codec gives the Object kind its bytes.
    QZ::QZValue block;
    block.SetBinary(bytes->data(),
                    checkedSize(static_cast<Py_ssize_t>(bytes->size()), "an ObjectValue"));
    std::string text;
    block.encodeBase64(text);
    out.decodeBase64Object(text.c_str());
  } else {
    std::string block;
    if (!bytesOf(object, block)) refuseType(object);
    out.SetBinary(block.data(), checkedSize(static_cast<Py_ssize_t>(block.size()), "a bytes-like"));
  }
}

void ValueBuilder::fillArray(PyObject* sequence, QZ::QZValue& out, int level) {
  for (PyObject* open : fOpenLists) {
    if (open == sequence)
      raisePython(PyExc_ValueError, "a list that contains itself cannot travel to the broker");
  }
  const int size = checkedSize(PySequence_Fast_GET_SIZE(sequence), "a list");
  PyObject** items = PySequence_Fast_ITEMS(sequence);
  fOpenLists.push_back(sequence);
  out.clear();
  out.arraySetSize(size);
  for (int i = 0; i < size; ++i) fill(items[i], out[i], level + 1);
  fOpenLists.pop_back();
}

void ValueBuilder::refuseType(PyObject* object) {
  std::string text = std::string("a value of type ") + Py_TYPE(object)->tp_name +
                     " cannot travel to the broker: it takes None, bool, int, float, str, "
                     "bytes, bytearray, memoryview, ObjectValue, and lists or tuples of them";
  if (PyDict_Check(object))
    text += " (a dict has no broker form: send a list of [key, value] pairs)";
  raisePython(PyExc_TypeError, text);
}

// The bytes of a Binary or Object value; GetBinary() refuses an empty one.
std::string bytesOf(const QZ::QZValue& value) {
  if (value.getSize() == 0) return std::string();
  return std::string(static_cast<const char*>(value.GetBinary()), value.getSize());
}

}  // namespace

void raisePython(PyObject* type, const std::string& text) {
  PyErr_SetString(type, text.c_str());
  throw py::error_already_set();
}

QZ::QZValue toValue(PyObject* object, int level) {
  QZ::QZValue value;
  ValueBuilder().fill(object, value, level);
  return value;
}

int toInt32(PyObject* integer) {
  int overflow = 0;
  const long long number = PyLong_AsLongLongAndOverflow(integer, &overflow);
  if (number == -1 && PyErr_Occurred()) throw py::error_already_set();
  if (overflow != 0 || number < INT_MIN || number > INT_MAX) {
    const std::string shown =
        overflow != 0 ? "an int of more than 64 bits" : std::to_string(number);
    raisePython(PyExc_OverflowError, shown + " does not fit the broker's Int, which holds " +
                                         std::to_string(INT_MIN) + " to " +
                                         std::to_string(INT_MAX) + " (32 bits)");
  }
  return static_cast<int>(number);
}

float toFloat32(double number) {
  if (std::isfinite(number) && std::fabs(number) >= kFloatOverflow) {
    char shown[32];
    std::snprintf(shown, sizeof shown, "%g", number);
    raisePython(PyExc_OverflowError, std::string(shown) +
                                         " is outside the range of the broker's "
                                         "Float (32 bits, at most 3.40282e+38)");
  }
  return static_cast<float>(number);
}

std::string toText(PyObject* text) {
  Py_ssize_t size = 0;
  std::string bytes;
  if (const char* utf8 = PyUnicode_AsUTF8AndSize(text, &size)) {
    bytes.assign(utf8, static_cast<std::size_t>(size));
  } else {
    // Lone surrogates: those of surrogateescape stand for the bytes the broker sent.
    PyErr_Clear();
    py::object encoded = py::reinterpret_steal<py::object>(
        PyUnicode_AsEncodedString(text, "utf-8", "surrogateescape"));
    if (!encoded) throw py::error_already_set();
    bytes.assign(PyBytes_AS_STRING(encoded.ptr()),
                 static_cast<std::size_t>(PyBytes_GET_SIZE(encoded.ptr())));
  }
  if (bytes.find('\0') != std::string::npos)
    raisePython(PyExc_ValueError,
                "a str holding the character U+0000 cannot travel: the broker "
                "would cut it there");
  return bytes;
}

py::object toPython(const QZ::QZValue& value) {
  switch (value.getType()) {
    case QZ::QZValue::TypeArray: {
      const QZ::TQZValueArray& elements = *value.arrayElements();
      py::list list(elements.size());
      for (std::size_t i = 0; i < elements.size(); ++i)
        PyList_SET_ITEM(list.ptr(), static_cast<Py_ssize_t>(i),
                        toPython(elements[i]).release().ptr());
      return std::move(list);
    }
    case QZ::QZValue::TypeBool:
      return toPython(static_cast<bool>(value));
    case QZ::QZValue::TypeInt:
      return toPython(static_cast<int>(value));
    case QZ::QZValue::TypeFloat:
      return toPython(static_cast<float>(value));
    case QZ::QZValue::TypeString:
      return toPython(static_cast<const std::string&>(value));
    case QZ::QZValue::TypeBinary:
      return py::bytes(bytesOf(value));
    case QZ::QZValue::TypeObject:
      return makeObjectValue(bytesOf(value));
    default:
      return py::none();
  }
}

py::object toPython(int value) { return py::int_(value); }

py::object toPython(bool value) { return py::bool_(value); }

py::object toPython(float value) { return py::float_(static_cast<double>(value)); }

py::object toPython(const std::string& text) {
  PyObject* decoded =
      PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "surrogateescape");
  if (decoded == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::object>(decoded);
}

py::object toPython(const std::vector<std::string>& texts) {
  py::list list(texts.size());
  for (std::size_t i = 0; i < texts.size(); ++i)
    PyList_SET_ITEM(list.ptr(), static_cast<Py_ssize_t>(i), toPython(texts[i]).release().ptr());
  return std::move(list);
}

py::object toPython(const std::vector<float>& numbers) {
  py::list list(numbers.size());
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    PyObject* number = PyFloat_FromDouble(static_cast<double>(numbers[i]));
    if (number == nullptr) throw py::error_already_set();
    PyList_SET_ITEM(list.ptr(), static_cast<Py_ssize_t>(i), number);
  }
  return std::move(list);
}

}  // namespace qzpy
