// The value buffer: every value as a 5-byte header (kind, little-endian length) and its
// payload, the elements of an Array following it in order. Both directions walk the
// value with a stack of their own, so no nesting reaches the machine stack; the reader
// takes its input as hostile and checks every length against the bytes left.
#include "valuebuffer.h"

#include "argumenterror.h"
#include "qzcapi/qzcapi.h"
#include "qzvalue/qzerror.h"

#include <climits>
#include <cstring>
#include <vector>

namespace QZ::capi {
namespace {

constexpr std::size_t kHeaderSize = QZ_VALUE_HEADER_SIZE;
static_assert(kHeaderSize == 5, "kind byte and 4-byte length");
static_assert(QZ_KIND_ARRAY == QZValue::TypeArray && QZ_KIND_BINARY == QZValue::TypeBinary &&
                  QZ_KIND_OBJECT == QZValue::TypeObject && QZ_KIND_INVALID == QZValue::TypeInvalid,
              "the buffer numbers kinds as QZValue does");

// ---- little-endian words ------------------------------------------------------

void putWord(char* at, std::uint32_t word) {
  at[0] = static_cast<char>(word & 0xFF);
  at[1] = static_cast<char>((word >> 8) & 0xFF);
  at[2] = static_cast<char>((word >> 16) & 0xFF);
  at[3] = static_cast<char>((word >> 24) & 0xFF);
}

std::uint32_t getWord(const std::uint8_t* at) {
  return static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8) |
         (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

std::uint32_t floatBits(float number) {
  std::uint32_t bits;
  std::memcpy(&bits, &number, sizeof bits);
  return bits;
}

float bitsFloat(std::uint32_t bits) {
  float number;
  std::memcpy(&number, &bits, sizeof number);
  return number;
}

// ---- writer -------------------------------------------------------------------

// Calls visit(v) for `root` and then every value inside it, in buffer order.
template <typename Visit>
void walk(const QZValue& root, Visit visit) {
  struct Level {
    const QZValue* next;
    const QZValue* end;
  };
  std::vector<Level> open;
  auto enter = [&open](const QZValue& value) {
    if (value.getType() != QZValue::TypeArray || value.arrayElements() == nullptr) return;
    const TQZValueArray& elements = *value.arrayElements();
    if (!elements.empty()) open.push_back({elements.data(), elements.data() + elements.size()});
  };
  visit(root);
  enter(root);
  while (!open.empty()) {
    Level& top = open.back();
    if (top.next == top.end) {
      open.pop_back();
      continue;
    }
    const QZValue& value = *top.next++;
    visit(value);
    enter(value);  // may move `top`; it is not used again
  }
}

// The bytes of a String, Object or Binary value, or of nothing.
struct Bytes {
  const void* data = nullptr;
  std::size_t size = 0;
};

Bytes bytesOf(const QZValue& value) {
  switch (value.getType()) {
    case QZValue::TypeString: {
      const TQZValueString& text = value;  // a String is read as it is, never converted
      return {text.data(), text.size()};
    }
    case QZValue::TypeObject:
    case QZValue::TypeBinary: {
      const std::size_t size = value.getSize();
      return {size != 0 ? value.GetBinary() : nullptr, size};
    }
    default: return {};
  }
}

// The length field of `value`: its element count for an Array, else its payload size.
std::uint32_t lengthField(const QZValue& value) {
  std::size_t length = 0;
  switch (value.getType()) {
    case QZValue::TypeArray:
      length = value.arrayElements() != nullptr ? value.arrayElements()->size() : 0;
      break;
    case QZValue::TypeBool: length = 1; break;
    case QZValue::TypeInt:
    case QZValue::TypeFloat: length = 4; break;
    default: length = bytesOf(value).size; break;
  }
  if (length > UINT32_MAX)
    throw QZError("qz_call", "value buffer",
                  QZValue::TypeToString(value.getType()) + " length " + std::to_string(length) +
                      " does not fit a 4-byte length",
                  __FILE__, __LINE__);
  return static_cast<std::uint32_t>(length);
}

std::size_t payloadSize(const QZValue& value) {
  switch (value.getType()) {
    case QZValue::TypeInvalid:
    case QZValue::TypeArray: return 0;  // elements are values of their own
    case QZValue::TypeBool: return 1;
    case QZValue::TypeInt:
    case QZValue::TypeFloat: return 4;
    default: return bytesOf(value).size;
  }
}

char* writeValue(const QZValue& value, char* at) {
  at[0] = static_cast<char>(value.getType());
  putWord(at + 1, lengthField(value));
  at += kHeaderSize;
  switch (value.getType()) {
    case QZValue::TypeInvalid:
    case QZValue::TypeArray: return at;
    case QZValue::TypeBool: *at = static_cast<bool>(value) ? 1 : 0; return at + 1;
    case QZValue::TypeInt:
      putWord(at, static_cast<std::uint32_t>(static_cast<int>(value)));
      return at + 4;
    case QZValue::TypeFloat: putWord(at, floatBits(static_cast<float>(value))); return at + 4;
    default: {
      const Bytes bytes = bytesOf(value);
      if (bytes.size != 0) std::memcpy(at, bytes.data, bytes.size);
      return at + bytes.size;
    }
  }
}

// ---- reader -------------------------------------------------------------------

class Reader {
public:
  Reader(const std::uint8_t* data, std::size_t size, const char* function)
      : fData(data), fSize(size), fFunction(function) {}

  QZValue readAll() {
    // The Arrays whose elements are still to come, each with its next index.
    // Arrays are sized once, before their elements are read, so element addresses hold.
    struct Open {
      QZValue* elements;
      std::uint32_t next;
      std::uint32_t count;
    };
    std::vector<Open> open;
    QZValue root;
    const std::uint32_t count = readOne(root, 1);
    if (count != 0) open.push_back({&root[0], 0, count});
    while (!open.empty()) {
      Open& top = open.back();
      if (top.next == top.count) {
        open.pop_back();
        continue;
      }
      QZValue& element = top.elements[top.next++];
      --fPromised;
      const std::uint32_t elements = readOne(element, static_cast<int>(open.size()) + 1);
      if (elements != 0) open.push_back({&element[0], 0, elements});
    }
    if (fPos != fSize)
      fail("extra bytes" + where(fPos) + " after the value (" + total() + ")");
    return root;
  }

private:
  [[noreturn]] void fail(const std::string& description) const {
    throw ArgumentError(fFunction, "value buffer", description, __FILE__, __LINE__);
  }

  std::string total() const { return std::to_string(fSize) + " bytes"; }
  std::size_t left() const { return fSize - fPos; }

  // Reads the value at fPos, at nesting level `depth`, into the Invalid `value`: its
  // header and payload, not the elements of an Array. Returns the element count.
  std::uint32_t readOne(QZValue& value, int depth) {
    const std::size_t at = fPos;
    if (depth > QZ_MAX_VALUE_DEPTH)
      fail("the value" + where(at) + " is nested deeper than " +
           std::to_string(QZ_MAX_VALUE_DEPTH) + " levels");
    if (left() < kHeaderSize) fail("the header" + where(at) + " runs past the end (" + total() + ")");
    const int kind = fData[at];
    const std::uint32_t length = getWord(fData + at + 1);
    fPos += kHeaderSize;

    switch (kind) {
      case QZValue::TypeInvalid: expectLength(kind, length, 0, at); return 0;
      case QZValue::TypeArray:
        // Every element takes a header at least, and so does every element that open
        // Arrays still promise: refuse before allocating, so that nested Arrays cannot
        // each claim the whole rest of the buffer.
        if (length + fPromised > left() / kHeaderSize)
          fail("count " + std::to_string(length) + where(at) + " is more elements than the " +
               std::to_string(left()) + " bytes left can hold" +
               (fPromised == 0 ? std::string()
                               : " beside " + std::to_string(fPromised) + " elements still to come"));
        value.arraySetSize(static_cast<int>(length));
        fPromised += length;
        return length;
      case QZValue::TypeBool: {
        expectLength(kind, length, 1, at);
        const std::uint8_t byte = fData[fPos];
        if (byte > 1) fail("Bool byte " + std::to_string(byte) + where(at) + " is neither 0 nor 1");
        value = byte == 1;
        break;
      }
      case QZValue::TypeInt:
        expectLength(kind, length, 4, at);
        value = static_cast<int>(getWord(fData + fPos));
        break;
      case QZValue::TypeFloat:
        expectLength(kind, length, 4, at);
        value = bitsFloat(getWord(fData + fPos));
        break;
      case QZValue::TypeString:
        expectRoom(length, at);
        value = QZValue(std::string(reinterpret_cast<const char*>(fData + fPos), length));
        break;
      case QZValue::TypeObject:
      case QZValue::TypeBinary:
        expectRoom(length, at);
        if (length > static_cast<std::uint32_t>(INT_MAX))
          fail("length " + std::to_string(length) + where(at) + " is more than " +
               kindName(kind) + " can hold (" + std::to_string(INT_MAX) + " bytes)");
        readBytes(value, kind, length);
        break;
      default: fail("unknown kind " + std::to_string(kind) + where(at));
    }
    fPos += length;
    return 0;
  }

  // A fixed-size kind: the length must be its size, and the bytes must be there.
  void expectLength(int kind, std::uint32_t length, std::uint32_t wanted, std::size_t at) const {
    if (length != wanted)
      fail("length " + std::to_string(length) + where(at) + " does not fit " + kindName(kind) +
           " (" + std::to_string(wanted) + (wanted == 1 ? " byte)" : " bytes)"));
    expectRoom(length, at);
  }

  void expectRoom(std::uint32_t length, std::size_t at) const {
    if (length > left())
      fail("length " + std::to_string(length) + where(at) + " runs past the end (" + total() + ")");
  }

  static std::string where(std::size_t at) { return " at offset " + std::to_string(at); }
  static std::string kindName(int kind) {
    const std::string name = QZValue::TypeToString(static_cast<QZValue::Type>(kind));
    return (std::strchr("AEIOU", name[0]) != nullptr ? "an " : "a ") + name;
  }

  void readBytes(QZValue& value, int kind, std::uint32_t length) const {
    value.SetBinary(fData + fPos, static_cast<int>(length));
    if (kind == QZValue::TypeBinary) return;
    // QZValue builds an Object only from base64 text: the bytes go there and back.
    std::string text;
    value.encodeBase64(text);
    value.decodeBase64Object(text.c_str());
  }

  const std::uint8_t* fData;
  std::size_t fSize;
  const char* fFunction;
  std::size_t fPos = 0;
  std::uint64_t fPromised = 0;  // elements of open Arrays not yet begun
};

}  // namespace

void encodeValue(const QZValue& value, std::string& out) {
  // One pass sizes the buffer (and checks every length), the second fills it.
  std::size_t total = 0;
  walk(value, [&total](const QZValue& v) {
    lengthField(v);
    total += kHeaderSize + payloadSize(v);
  });
  const std::size_t start = out.size();
  out.resize(start + total);
  char* at = &out[start];
  walk(value, [&at](const QZValue& v) { at = writeValue(v, at); });
}

QZValue decodeValue(const std::uint8_t* data, std::size_t size, const char* function) {
  if (data == nullptr && size != 0)
    throw ArgumentError(function, "value buffer", "the buffer is null", __FILE__, __LINE__);
  return Reader(data, size, function).readAll();
}

}  // namespace QZ::capi
