// QZValue: construction, assignment, conversions, arrays and bytes.
// The kind checks and the text form live in qzvalue_checks.cpp, base64 in
// qzvalue_base64.cpp.
#include "qzvalue/qzvalue.h"

#include "qzassert.h"
#include "qzvalue/qzerror.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

namespace QZ {
namespace {

const char* const kModule = "QZValue";

// Initial capacities of storage created by a kind change.
const std::size_t kStringCapacity = 64;
const std::size_t kArrayCapacity = 32;
const std::size_t kBinaryCapacity = 1024;

bool needsStorage(QZValue::Type type) {
  return type == QZValue::TypeArray || type == QZValue::TypeString ||
         type == QZValue::TypeObject || type == QZValue::TypeBinary;
}

}  // namespace

// ---- construction -----------------------------------------------------------

QZValue::QZValue() : fType(TypeInvalid) { fValue.word = 0; }

QZValue::QZValue(const bool& value) : QZValue() { *this = value; }

QZValue::QZValue(const int& value) : QZValue() { *this = value; }

QZValue::QZValue(const float& value) : QZValue() { *this = value; }

QZValue::QZValue(const std::string& value) : QZValue() {
  becomeKind(TypeString);
  fValue.asString->assign(value);
}

QZValue::QZValue(const std::vector<std::string>& values) : QZValue() {
  arraySetSize(static_cast<int>(values.size()));
  for (std::size_t i = 0; i < values.size(); ++i) (*this)[static_cast<int>(i)] = QZValue(values[i]);
}

QZValue::QZValue(const std::vector<float>& values) : QZValue() {
  arraySetSize(static_cast<int>(values.size()));
  for (std::size_t i = 0; i < values.size(); ++i) (*this)[static_cast<int>(i)] = values[i];
}

QZValue::QZValue(const QZValue& source) : QZValue() { *this = source; }

QZValue::QZValue(QZValue&& source) noexcept : fType(source.fType), fValue(source.fValue) {
  source.fType = TypeInvalid;
  source.fValue.word = 0;
}

QZValue::~QZValue() { clear(); }

void QZValue::clear() {
  switch (fType) {
    case TypeArray: delete fValue.asArray; break;
    case TypeString: delete fValue.asString; break;
    // Object bytes are owned exactly like Binary bytes, so they are released too.
    case TypeObject:
    case TypeBinary: delete fValue.asBinary; break;
    default: break;
  }
  fValue.word = 0;
  fType = TypeInvalid;
}

void QZValue::becomeKind(Type type) {
  clear();
  switch (type) {
    case TypeArray:
      fValue.asArray = new TQZValueArray();
      fValue.asArray->reserve(kArrayCapacity);
      break;
    case TypeString:
      fValue.asString = new TQZValueString();
      fValue.asString->reserve(kStringCapacity);
      break;
    case TypeBinary:
      fValue.asBinary = new TQZValueBinary();
      fValue.asBinary->reserve(kBinaryCapacity);
      break;
    default: break;  // scalars, and Object, keep the word 0
  }
  fType = type;
}

// ---- assignment -------------------------------------------------------------

QZValue& QZValue::operator=(const QZValue& source) {
  if (&source == this) return *this;
  clear();
  fType = source.fType;
  if (!needsStorage(source.fType)) {
    fValue.word = source.fValue.word;
    return *this;
  }
  // A storage kind without storage is a broken invariant; this value keeps the
  // source's kind and no storage, as the source had.
  QZ_ASSERT(kModule, source.fValue.word != 0);
  switch (source.fType) {
    case TypeArray: fValue.asArray = new TQZValueArray(*source.fValue.asArray); break;
    case TypeString: fValue.asString = new TQZValueString(*source.fValue.asString); break;
    default: fValue.asBinary = new TQZValueBinary(*source.fValue.asBinary); break;
  }
  return *this;
}

QZValue& QZValue::operator=(QZValue&& source) noexcept {
  if (&source == this) return *this;
  clear();
  fType = source.fType;
  fValue = source.fValue;
  source.fType = TypeInvalid;
  source.fValue.word = 0;
  return *this;
}

QZValue& QZValue::operator=(const bool& value) {
  if (fType != TypeBool) becomeKind(TypeBool);
  fValue.word = value ? 1 : 0;
  return *this;
}

QZValue& QZValue::operator=(const int& value) {
  if (fType != TypeInt) becomeKind(TypeInt);
  fValue.word = 0;
  fValue.asInt = value;
  return *this;
}

QZValue& QZValue::operator=(const float& value) {
  if (fType != TypeFloat) becomeKind(TypeFloat);
  fValue.word = 0;
  fValue.asFloat = value;
  return *this;
}

QZValue& QZValue::operator=(const char* text) {
  QZ_ASSERT(kModule, text != nullptr);
  if (fType != TypeString) becomeKind(TypeString);
  fValue.asString->assign(text);
  return *this;
}

QZValue& QZValue::operator=(const std::vector<unsigned char>& bytes) {
  if (fType != TypeBinary) becomeKind(TypeBinary);
  fValue.asBinary->assign(bytes.begin(), bytes.end());
  return *this;
}

// ---- queries ----------------------------------------------------------------

unsigned int QZValue::getSize() const {
  switch (fType) {
    case TypeArray:
      QZ_ASSERT(kModule, fValue.asArray != nullptr);
      return static_cast<unsigned int>(fValue.asArray->size());
    case TypeString:
      QZ_ASSERT(kModule, fValue.asString != nullptr);
      return static_cast<unsigned int>(fValue.asString->size());
    case TypeObject:
    case TypeBinary:
      QZ_ASSERT(kModule, fValue.asBinary != nullptr);
      return static_cast<unsigned int>(fValue.asBinary->size());
    default: return 0;
  }
}

bool QZValue::operator==(const QZValue& other) const {
  if (fType != other.fType) return false;
  switch (fType) {
    case TypeArray: {
      const TQZValueArray& mine = *fValue.asArray;
      const TQZValueArray& theirs = *other.fValue.asArray;
      if (mine.size() != theirs.size()) return false;
      for (std::size_t i = 0; i < mine.size(); ++i)
        if (!(mine[i] == theirs[i])) return false;
      return true;
    }
    case TypeBool: return fValue.asBool == other.fValue.asBool;
    case TypeInt: return fValue.asInt == other.fValue.asInt;
    case TypeFloat: {
      // Relative to this value's float above the single-precision 1e-12, absolute
      // below it; so the test is not symmetric near the tolerance, and NaN never matches.
      const float x = fValue.asFloat;
      const float y = other.fValue.asFloat;
      // An infinity matches only itself; the relative test would give NaN for it.
      if (std::isinf(x) || std::isinf(y)) return x == y;
      if (x > 1e-12f || x < -1e-12f)
        return static_cast<float>(std::fabs((x - y) / x)) < 0.0001f;
      return static_cast<double>(static_cast<float>(std::fabs(x - y))) < 1e-16;
    }
    case TypeString: return *fValue.asString == *other.fValue.asString;
    case TypeBinary: return *fValue.asBinary == *other.fValue.asBinary;
    default: return true;  // Object and Invalid always compare equal
  }
}

// ---- conversions ------------------------------------------------------------

QZValue::operator bool() const {
  switch (fType) {
    case TypeArray:
    case TypeString:
    case TypeObject:
    case TypeBinary: return getSize() != 0;
    case TypeBool: return fValue.asBool;
    case TypeInt: return fValue.asInt != 0;
    case TypeFloat: return fValue.asFloat != 0.0f;  // NaN reads true
    default:
      throw QZError(kModule, "const bool() const",
                    "Cannot cast to bool an QZValue of invalid type.", __FILE__, __LINE__);
  }
}

QZValue::operator int() const {
  switch (fType) {
    case TypeInt: return fValue.asInt;
    case TypeBool: return fValue.asBool ? 1 : 0;
    case TypeFloat: {
      // Truncation toward zero; out-of-range floats saturate and NaN reads 0,
      // so no float ever makes the conversion undefined.
      const float f = fValue.asFloat;
      if (std::isnan(f)) return 0;
      if (f >= 2147483648.0f) return INT_MAX;
      if (f <= -2147483648.0f) return INT_MIN;
      return static_cast<int>(f);
    }
    default:
      xAssertType(TypeInt);  // lets every kind through when an Int is expected
      return 0;
  }
}

QZValue::operator float() const {
  switch (fType) {
    case TypeFloat: return fValue.asFloat;
    case TypeInt: return static_cast<float>(fValue.asInt);
    default:
      xAssertType(TypeFloat);
      return 0.0f;  // not reached: no other kind passes the check
  }
}

QZValue::operator int&() {
  xAssertCompatibleType(TypeInt);
  return fValue.asInt;
}

QZValue::operator const TQZValueString&() const {
  if (fType == TypeBinary && getSize() < 100000) {
    // A small Binary becomes, for good, a String of its bytes followed by one NUL.
    const unsigned int count = getSize();
    std::printf(
        "WARNING: QZValue::operator const TQZValueString&: creating a string on the fly to "
        "patch possible ruby encoding problem (size of binary: %d)\n",
        static_cast<int>(count));
    std::fflush(stdout);
    const TQZValueBinary bytesAside(*fValue.asBinary);
    QZValue* self = const_cast<QZValue*>(this);
    *self = QZValue(std::string("force un changement de type du binaire vers du string"));
    TQZValueString& text = *fValue.asString;
    text.resize(count + 1);
    if (count != 0) std::memcpy(&text[0], bytesAside.data(), count);
    text[count] = '\0';
  }
  xAssertType(TypeString);
  return *fValue.asString;
}

void QZValue::ToStringArray(std::vector<std::string>& out, bool insertEmpty) const {
  out.clear();
  const unsigned int size = getSize();
  // Only an Array has elements: anything else of a size fails here, before its first.
  if (size > 0) xAssertType(TypeArray);
  out.reserve(size);
  for (unsigned int i = 0; i < size; ++i) {
    const int index = static_cast<int>(i);
    const QZValue& element = (*fValue.asArray)[i];
    if (element.fType == TypeString) {
      out.push_back(*element.fValue.asString);
      continue;
    }
    std::printf("WARNING: QZValue::ToStringArray: elem %d is not a string...\n", index);
    if (insertEmpty) {
      std::printf("...inserting an empty string.\n");
      out.emplace_back();
    }
    std::fflush(stdout);
  }
}

void QZValue::ToFloatArray(std::vector<float>& out, bool insertZero) const {
  out.clear();
  const unsigned int size = getSize();
  // Only an Array has elements: anything else of a size fails here, before its first.
  if (size > 0) xAssertType(TypeArray);
  out.reserve(size);
  for (unsigned int i = 0; i < size; ++i) {
    const int index = static_cast<int>(i);
    const QZValue& element = (*fValue.asArray)[i];
    if (element.fType == TypeInt) {
      out.push_back(static_cast<float>(element.fValue.asInt));
    } else if (element.fType == TypeFloat) {
      out.push_back(element.fValue.asFloat);
    } else {
      std::printf("WARNING: QZValue::ToFloatArray: elem %d is not a float...\n", index);
      if (insertZero) {
        std::printf("...inserting an empty float.\n");
        out.push_back(0.0f);
      }
      std::fflush(stdout);
    }
  }
}

// ---- arrays -----------------------------------------------------------------

namespace {
// index + 1 without overflow for the largest index.
int sizeNeededFor(int index) { return index == INT_MAX ? INT_MAX : index + 1; }
}  // namespace

const QZValue& QZValue::operator[](int index) const {
  xAssertType(TypeArray);
  xAssertArraySize(sizeNeededFor(index));
  return fValue.asArray->at(static_cast<std::size_t>(index));  // a negative index fails here
}

QZValue& QZValue::operator[](int index) {
  xAssertCompatibleType(TypeArray);
  xAssertArraySize(sizeNeededFor(index));
  return fValue.asArray->at(static_cast<std::size_t>(index));
}

void QZValue::arraySetSize(int size) {
  xAssertCompatibleType(TypeArray);
  QZ_ASSERT(kModule, size >= 0);
  fValue.asArray->resize(static_cast<std::size_t>(size));
}

void QZValue::arrayReserve(int capacity) {
  xAssertCompatibleType(TypeArray);
  QZ_ASSERT(kModule, capacity >= 0);
  fValue.asArray->reserve(static_cast<std::size_t>(capacity));
}

// ---- bytes ------------------------------------------------------------------

void QZValue::SetBinary(const void* data, int size) {
  QZ_ASSERT(kModule, size >= 0);
  QZ_ASSERT(kModule, data != nullptr || size == 0);
  if (fType != TypeBinary) {
    becomeKind(TypeInvalid);
    fValue.asBinary = new TQZValueBinary();
    fValue.asBinary->reserve(static_cast<std::size_t>(size) + kBinaryCapacity);
    fType = TypeBinary;
  }
  // Copies straight in (no zero-filling first); an empty block touches no byte.
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  if (size > 0)
    fValue.asBinary->assign(bytes, bytes + size);
  else
    fValue.asBinary->clear();
}

const TQZValueBinary& QZValue::bytes() const {
  QZ_ASSERT(kModule, fValue.asBinary != nullptr);
  return *fValue.asBinary;
}

const void* QZValue::GetBinary() const {
  return &bytes().at(0);  // an empty block raises the standard out-of-range error
}

}  // namespace QZ
