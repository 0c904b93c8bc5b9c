// QZValue: kind names, the text form, and the three checks every typed access runs.
#include "qzvalue/qzerror.h"
#include "qzvalue/qzvalue.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace QZ {
namespace {

const char* const kModule = "QZValue";

// Indexed by the kind code; every message takes its kind names from here.
const char* const kKindNames[] = {"Invalid", "Array",  "Bool",   "Int",
                                  "Float",   "String", "Object", "Binary"};

std::string decimal(long long number) { return std::to_string(number); }

std::string hexInt(int number) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned int>(number));
  return text;
}

// "0x%p": the prefix, then the word in upper-case hex, padded to the pointer width.
std::string pointerText(std::uintptr_t word) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%0*" PRIXPTR, static_cast<int>(sizeof(void*) * 2), word);
  return text;
}

std::string floatText(float number) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", static_cast<double>(number));
  return text;
}

}  // namespace

std::string QZValue::TypeToString(Type type) {
  const int code = static_cast<int>(type);
  if (code < 0 || code > 7)
    throw QZError(kModule, "TypeToString", "Unknown type: " + decimal(code), __FILE__, __LINE__);
  return kKindNames[code];
}

std::string QZValue::toString(int verbosity) const {
  std::string out;
  if (verbosity <= 0) return out;
  out.reserve(1024);
  if (verbosity >= 3) out += "\n<QzValue>";
  if (verbosity >= 2) {
    out += "QzValue at 0x" + pointerText(reinterpret_cast<std::uintptr_t>(this)) + ", ";
    out += "Type: " + TypeToString(fType) + ", ";
    out += "Value: " + pointerText(fValue.word) + ", ";
  }
  appendText(out, verbosity);
  if (verbosity >= 3) out += "\n</QzValue>\n";
  return out;
}

void QZValue::appendText(std::string& out, int verbosity) const {
  switch (fType) {
    case TypeArray: {
      out += verbosity >= 3 ? "\n<Vector>" : "[";
      const TQZValueArray* elements = fValue.asArray;
      const std::size_t count = elements ? elements->size() : 0;
      if (verbosity >= 2) out += "Vector of " + decimal(static_cast<long long>(count)) + " elem(s):";
      for (std::size_t i = 0; i < count; ++i) {
        if (verbosity < 3 && i > 0) out += ", ";
        if (verbosity >= 3) out += "\n<elem>\n";
        out += (*elements)[i].toString(verbosity);
        if (verbosity >= 3) out += "\n</elem>";
      }
      out += verbosity >= 3 ? "\n</Vector>" : "]";
      break;
    }
    case TypeBool:
      if (verbosity >= 2) out += "Bool:";
      out += fValue.asBool ? "true" : "false";
      break;
    case TypeInt:
      if (verbosity >= 2) out += "Int: " + hexInt(fValue.asInt) + " (";
      out += decimal(fValue.asInt);
      if (verbosity >= 2) out += ")";
      if (verbosity >= 3) out += "\n";
      break;
    case TypeFloat:
      if (verbosity >= 2) out += "Float: ";
      out += floatText(fValue.asFloat);
      if (verbosity >= 3) out += "\n";
      break;
    case TypeString: {
      const std::size_t length = fValue.asString ? fValue.asString->size() : 0;
      if (verbosity >= 2) out += "String of size " + decimal(static_cast<long long>(length)) + ": ";
      out += '"';
      if (fValue.asString) out += *fValue.asString;
      out += '"';
      if (verbosity >= 3) out += "\n";
      break;
    }
    case TypeObject:
      if (fValue.asBinary) out.append(fValue.asBinary->begin(), fValue.asBinary->end());
      break;
    case TypeBinary: {
      const std::size_t count = fValue.asBinary ? fValue.asBinary->size() : 0;
      if (verbosity >= 3)
        out += "\n<Binary>Binary: " + decimal(static_cast<long long>(count)) + " bytes(s):\n";
      for (std::size_t i = 0; i < count; ++i) {
        out += '\\';
        out += decimal((*fValue.asBinary)[i]);
      }
      if (verbosity >= 2) out += "</Binary>\n";  // verbosity 2 closes a tag it never opened
      break;
    }
    default: break;  // Invalid prints nothing
  }
}

std::string QZValue::kindMismatchText(Type expected) const {
  return "Expected a " + TypeToString(expected) + " but received a " + TypeToString(fType) +
         " (qzvalue contents: " + toString(1) + " )";
}

void QZValue::xAssertType(Type expected) const {
  if (fType == expected) return;
  const std::string message = kindMismatchText(expected);
  // Where an Int is expected any kind passes (operator int() then reads 0). Unlike
  // the looser historic rule, a Float is never let through where a String or an
  // Array is expected, so a number is never read as string or array storage.
  if (expected == TypeInt) return;
  throw QZError(kModule, "xAssertType: type error", message, __FILE__, __LINE__);
}

void QZValue::xAssertCompatibleType(Type expected) {
  if (fType == TypeInvalid) {
    becomeKind(expected);
    return;
  }
  if (fType == expected) return;
  throw QZError(kModule, "xAssertCompatibleType: type error", kindMismatchText(expected),
                __FILE__, __LINE__);
}

void QZValue::xAssertArraySize(int size) const {
  if (fType != TypeArray)
    throw QZError(kModule, "xAssertArraySize", "try to use a " + TypeToString(fType) + " like an array",
                  __FILE__, __LINE__);
  const long long count = static_cast<long long>(fValue.asArray ? fValue.asArray->size() : 0);
  if (count < size)
    throw QZError(kModule, "xAssertArraySize",
                  "The array has a size of " + decimal(count) + " and you want it to be of size " +
                      decimal(size),
                  __FILE__, __LINE__);
}

}  // namespace QZ
