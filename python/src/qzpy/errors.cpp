#include "qzpy/errors.h"

#include "qzvalue/qzerror.h"

namespace qzpy {

namespace py = pybind11;

namespace {

// Created once by bindErrors and kept for the life of the process, like the module.
PyObject* gError = nullptr;
PyObject* gNetworkError = nullptr;
PyObject* gTimeoutError = nullptr;

PyObject* newErrorClass(const char* name, const char* doc, PyObject* bases) {
  // The fields read None on an instance made in Python rather than by the library.
  py::dict fields;
  fields["module"] = py::none();
  fields["method"] = py::none();
  fields["description"] = py::none();
  PyObject* cls = PyErr_NewExceptionWithDoc(name, doc, bases, fields.ptr());
  if (cls == nullptr) throw py::error_already_set();
  return cls;
}

// Error texts are for people: bytes that are not UTF-8 show as \xNN escapes.
py::object readableText(const std::string& text) {
  PyObject* decoded =
      PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "backslashreplace");
  if (decoded == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::object>(decoded);
}

void raiseTwin(PyObject* cls, const QZ::QZError& error) {
  const std::string text = error.what();
  const ErrorParts parts = splitErrorText(text);
  py::object instance = py::reinterpret_borrow<py::object>(cls)(readableText(text));
  instance.attr("module") = readableText(parts.module);
  instance.attr("method") = readableText(parts.method);
  instance.attr("description") = readableText(parts.description);
  PyErr_SetObject(cls, instance.ptr());
}

}  // namespace

ErrorParts splitErrorText(const std::string& text) {
  ErrorParts parts;
  std::string head = text;
  const std::size_t cut = text.find("\n\t");
  if (cut != std::string::npos) {
    head = text.substr(0, cut);
    parts.description = text.substr(cut + 2);
  }
  if (!head.empty() && head[0] == '\t') head.erase(0, 1);
  const std::size_t colons = head.find("::");
  parts.module = head.substr(0, colons);
  if (colons != std::string::npos) parts.method = head.substr(colons + 2);
  return parts;
}

void bindErrors(py::module_& m) {
  gError = newErrorClass("qzremote.QZError",
                         "A failure of the library or of the broker. str() is the native text "
                         "'\\t<module>::<method>\\n\\t<description>'; the attributes module, "
                         "method and description hold its parts.",
                         PyExc_RuntimeError);
  gNetworkError =
      newErrorClass("qzremote.QZNetworkError",
                    "The broker cannot be reached, or does not know the module.", gError);
  py::tuple timeoutBases =
      py::make_tuple(py::handle(gNetworkError), py::handle(PyExc_TimeoutError));
  gTimeoutError = newErrorClass("qzremote.QZTimeoutError",
                                "A call, or the lookup of a module, ran out of its proxy's "
                                "timeout_ms.",
                                timeoutBases.ptr());
  m.add_object("QZError", py::handle(gError));
  m.add_object("QZNetworkError", py::handle(gNetworkError));
  m.add_object("QZTimeoutError", py::handle(gTimeoutError));

  py::register_exception_translator([](std::exception_ptr thrown) {
    try {
      if (thrown) std::rethrow_exception(thrown);
    } catch (const QZ::QZTimeoutError& error) {
      raiseTwin(gTimeoutError, error);
    } catch (const QZ::QZNetworkError& error) {
      raiseTwin(gNetworkError, error);
    } catch (const QZ::QZError& error) {
      raiseTwin(gError, error);
    }
  });
}

}  // namespace qzpy
