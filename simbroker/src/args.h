// The arguments of one call, read through the form the call was dispatched to: the
// dispatcher has checked every argument against its declared type, so the typed
// readers here only convert. Free-form (object) arguments are checked by the
// behaviours themselves, and fail() turns what they find into a clear fault.
#ifndef QZSIM_ARGS_H
#define QZSIM_ARGS_H

#include "catalogue_table.h"

#include "qzvalue/qzvalue.h"

#include <string>
#include <vector>

namespace qzsim {

class Args {
public:
  // `list` is the argument Array (an empty one for a call without arguments).
  Args(const std::string& module, const MethodForm& form, const QZ::QZValue& list);

  const std::string& module() const { return fModule; }
  const MethodForm& form() const { return fForm; }
  int size() const { return fForm.arity; }
  const QZ::QZValue& value(int index) const;

  std::string text(int index) const;                 // string
  int integer(int index) const;                      // int
  float number(int index) const;                     // float (an Int is taken too)
  bool flag(int index) const;                        // bool (an Int is taken too)
  std::vector<std::string> texts(int index) const;   // list of strings
  std::vector<float> numbers(int index) const;       // list of floats

  // "QZMotion.setAngles", the start of every fault text of this call.
  std::string where() const;
  // Refuses the call: "QZMotion.setAngles: <what>", with the form as the detail.
  [[noreturn]] void fail(const std::string& what) const;
  // The same, about one argument: "QZMotion.setAngles: argument 2 (angles) <what>".
  [[noreturn]] void failArgument(int index, const std::string& what) const;

private:
  const std::string& fModule;
  const MethodForm& fForm;
  const QZ::QZValue& fList;
};

// Reads a Float or an Int as a float; false for any other kind.
bool readNumber(const QZ::QZValue& value, float& out);

}  // namespace qzsim

#endif
