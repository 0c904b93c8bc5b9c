#include "qzpy/objectvalue.h"

#include "qzpy/values.h"

namespace qzpy {

namespace py = pybind11;

bool bytesOf(PyObject* object, std::string& out) {
  if (PyBytes_Check(object)) {
    out.assign(PyBytes_AS_STRING(object), static_cast<std::size_t>(PyBytes_GET_SIZE(object)));
    return true;
  }
  if (PyByteArray_Check(object)) {
    out.assign(PyByteArray_AS_STRING(object),
               static_cast<std::size_t>(PyByteArray_GET_SIZE(object)));
    return true;
  }
  if (!PyMemoryView_Check(object)) return false;
  // Any memoryview, strided or of wider items, travels as its bytes in C order.
  Py_buffer view;
  if (PyObject_GetBuffer(object, &view, PyBUF_FULL_RO) != 0) throw py::error_already_set();
  out.resize(static_cast<std::size_t>(view.len));
  const int copied = PyBuffer_ToContiguous(out.data(), &view, view.len, 'C');
  PyBuffer_Release(&view);
  if (copied != 0) throw py::error_already_set();
  return true;
}

const std::string* objectValueBytes(PyObject* object) {
  if (!py::isinstance<ObjectValue>(object)) return nullptr;
  return &py::handle(object).cast<const ObjectValue&>().bytes;
}

py::object makeObjectValue(std::string bytes) { return py::cast(ObjectValue{std::move(bytes)}); }

void bindObjectValue(py::module_& m) {
  py::class_<ObjectValue> cls(m, "ObjectValue",
                              "ObjectValue(data=b'')\n\n"
                              "A broker value of the Object kind: a block of bytes that "
                              "travels as base64 text\n(bytes travel as a Binary value). "
                              "Immutable; equal when the bytes are.");
  cls.attr("__module__") = "qzremote";
  cls.def(py::init([](py::handle data) {
            ObjectValue value;
            if (!bytesOf(data.ptr(), value.bytes))
              raisePython(PyExc_TypeError,
                          std::string("ObjectValue takes bytes, bytearray or memoryview, not ") +
                              Py_TYPE(data.ptr())->tp_name);
            return value;
          }),
          py::arg("data") = py::bytes())
      .def_property_readonly(
          "data", [](const ObjectValue& self) { return py::bytes(self.bytes); },
          "The bytes of the value.")
      .def("__bytes__", [](const ObjectValue& self) { return py::bytes(self.bytes); })
      .def("__len__", [](const ObjectValue& self) { return self.bytes.size(); })
      .def("__eq__",
           [](const ObjectValue& self, py::handle other) -> py::object {
             const std::string* bytes = objectValueBytes(other.ptr());
             if (bytes == nullptr) return py::reinterpret_borrow<py::object>(Py_NotImplemented);
             return py::bool_(*bytes == self.bytes);
           })
      .def("__hash__", [](const ObjectValue& self) { return py::hash(py::bytes(self.bytes)); })
      .def("__repr__", [](const ObjectValue& self) {
        return "ObjectValue(" + py::repr(py::bytes(self.bytes)).cast<std::string>() + ")";
      });
}

}  // namespace qzpy
