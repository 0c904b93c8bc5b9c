// QZValue: the one dynamic value that carries every argument and result.
#ifndef QZVALUE_QZVALUE_H
#define QZVALUE_QZVALUE_H

#include <cstdint>
#include <string>
#include <vector>

namespace QZ {

class QZValue;
class QZValueStorage;  // the library's own readers build values in place through it

// Storage of the kinds that do not fit in one word.
typedef std::string TQZValueString;          // bytes with an explicit length
typedef std::vector<QZValue> TQZValueArray;  // ordered, growable, indexed from 0
typedef std::vector<unsigned char> TQZValueBinary;  // Binary and Object bytes

class QZValue {
public:
  // The codes are part of the interface: other layers compare getType() to them.
  enum Type {
    TypeInvalid = 0,
    TypeArray = 1,
    TypeBool = 2,
    TypeInt = 3,
    TypeFloat = 4,
    TypeString = 5,
    TypeObject = 6,
    TypeBinary = 7
  };

  // One word: the number itself, or the pointer to the value's own storage.
  union unionValue {
    std::uintptr_t word;
    bool asBool;
    int asInt;
    float asFloat;
    TQZValueArray* asArray;
    TQZValueString* asString;
    TQZValueBinary* asBinary;  // Binary and Object
  };

  QZValue();
  QZValue(const bool& value);
  QZValue(const int& value);
  QZValue(const float& value);
  QZValue(const std::string& value);
  QZValue(const std::vector<std::string>& values);
  QZValue(const std::vector<float>& values);
  QZValue(const QZValue& source);
  // Moves keep sequences of values from copying deeply when they grow;
  // the source is left Invalid.
  QZValue(QZValue&& source) noexcept;
  virtual ~QZValue();

  QZValue& operator=(const QZValue& source);
  QZValue& operator=(QZValue&& source) noexcept;
  QZValue& operator=(const bool& value);
  QZValue& operator=(const int& value);
  QZValue& operator=(const float& value);
  QZValue& operator=(const char* text);
  QZValue& operator=(const std::vector<unsigned char>& bytes);

  Type getType() const { return fType; }
  bool isValid() const { return fType != TypeInvalid; }
  unsigned int getSize() const;
  bool operator==(const QZValue& other) const;
  bool operator!=(const QZValue& other) const { return !(*this == other); }

  operator bool() const;
  operator int() const;
  operator float() const;
  operator int&();
  // A reading access that may change the value: a small Binary becomes a String.
  operator const TQZValueString&() const;
  void ToStringArray(std::vector<std::string>& out, bool insertEmpty) const;
  void ToFloatArray(std::vector<float>& out, bool insertZero) const;

  const QZValue& operator[](int index) const;
  QZValue& operator[](int index);
  void arraySetSize(int size);
  void arrayReserve(int capacity);
  // Unchecked: callers test getType() first.
  const TQZValueArray* arrayElements() const { return fValue.asArray; }

  void SetBinary(const void* data, int size);
  // Unchecked: callers test getType() first.
  const void* GetBinary() const;
  void encodeBase64(std::string& out) const;
  void decodeBase64Binary(const char* text);
  void decodeBase64Object(const char* text);

  void clear();

  static std::string TypeToString(Type type);
  std::string toString(int verbosity) const;
  void xAssertType(Type expected) const;
  void xAssertCompatibleType(Type expected);
  void xAssertArraySize(int size) const;

private:
  friend class QZValueStorage;

  void becomeKind(Type type);  // clear, then the new kind with its fresh storage
  void decodeBase64Into(const char* text);
  void appendText(std::string& out, int verbosity) const;
  std::string kindMismatchText(Type expected) const;
  const TQZValueBinary& bytes() const;

  // Mutable because the string view of a small Binary converts the value in place.
  mutable Type fType;
  mutable unionValue fValue;
};

}  // namespace QZ

#endif
