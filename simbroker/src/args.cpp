#include "args.h"

#include "callfault.h"

namespace qzsim {

Args::Args(const std::string& module, const MethodForm& form, const QZ::QZValue& list)
    : fModule(module), fForm(form), fList(list) {}

const QZ::QZValue& Args::value(int index) const { return fList[index]; }

std::string Args::text(int index) const {
  const QZ::QZValue& v = value(index);
  return v.getType() == QZ::QZValue::TypeString ? static_cast<const std::string&>(v)
                                                : std::string();
}

int Args::integer(int index) const {
  const QZ::QZValue& v = value(index);
  return v.getType() == QZ::QZValue::TypeInt ? static_cast<int>(v) : 0;
}

float Args::number(int index) const {
  float out = 0.0f;
  readNumber(value(index), out);
  return out;
}

bool Args::flag(int index) const {
  const QZ::QZValue& v = value(index);
  if (v.getType() == QZ::QZValue::TypeBool || v.getType() == QZ::QZValue::TypeInt)
    return static_cast<bool>(v);
  return false;
}

std::vector<std::string> Args::texts(int index) const {
  std::vector<std::string> out;
  const QZ::QZValue& v = value(index);
  if (v.getType() != QZ::QZValue::TypeArray) return out;
  for (const QZ::QZValue& element : *v.arrayElements())
    if (element.getType() == QZ::QZValue::TypeString)
      out.push_back(static_cast<const std::string&>(element));
  return out;
}

std::vector<float> Args::numbers(int index) const {
  std::vector<float> out;
  const QZ::QZValue& v = value(index);
  if (v.getType() != QZ::QZValue::TypeArray) return out;
  for (const QZ::QZValue& element : *v.arrayElements()) {
    float number = 0.0f;
    if (readNumber(element, number)) out.push_back(number);
  }
  return out;
}

std::string Args::where() const { return fModule + "." + fForm.name; }

void Args::fail(const std::string& what) const {
  throw CallFault(where() + ": " + what, fForm.signature);
}

void Args::failArgument(int index, const std::string& what) const {
  fail("argument " + std::to_string(index + 1) + " (" + fForm.params[index].name + ") " + what);
}

bool readNumber(const QZ::QZValue& value, float& out) {
  if (value.getType() == QZ::QZValue::TypeFloat || value.getType() == QZ::QZValue::TypeInt) {
    out = static_cast<float>(value);
    return true;
  }
  return false;
}

}  // namespace qzsim
