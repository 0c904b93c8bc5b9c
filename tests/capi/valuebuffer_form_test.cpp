// The value buffer byte for byte for every kind and nesting, and values that come back
// from it unchanged: random nested values, every byte value, big values, the deepest.
#include "capitest.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

namespace capitest {
namespace {

using QZ::QZValue;

TEST(ValueBufferForm, EveryKindByteForByte) {
  EXPECT_EQ(encode(QZValue()), item(0, 0));
  EXPECT_EQ(encode(QZValue(true)), item(2, 1, "\x01"));
  EXPECT_EQ(encode(QZValue(false)), item(2, 1, std::string(1, '\0')));
  EXPECT_EQ(encode(QZValue(-2)), item(3, 4, "\xFE\xFF\xFF\xFF"));
  EXPECT_EQ(encode(QZValue(0x01020304)), item(3, 4, "\x04\x03\x02\x01"));
  EXPECT_EQ(encode(QZValue(1.0f)), item(4, 4, std::string("\x00\x00\x80\x3F", 4)));
  EXPECT_EQ(encode(QZValue(-0.0f)), item(4, 4, std::string("\x00\x00\x00\x80", 4)));
  EXPECT_EQ(encode(QZValue(std::string("a\0b", 3))), item(5, 3, std::string("a\0b", 3)));
  EXPECT_EQ(encode(QZValue(std::string())), item(5, 0));
  EXPECT_EQ(encode(object("AAEC")), item(6, 3, std::string("\x00\x01\x02", 3)));
  EXPECT_EQ(encode(binary(std::string("\xFF\x00", 2))), item(7, 2, std::string("\xFF\x00", 2)));
  EXPECT_EQ(encode(binary("")), item(7, 0));
}

TEST(ValueBufferForm, ArraysCountElementsWhichFollowInOrder) {
  EXPECT_EQ(encode(list({})), item(1, 0));
  // [[Int 1, []], "x", Invalid]
  const QZValue nested = list({list({QZValue(1), list({})}), QZValue(std::string("x")), QZValue()});
  const std::string expected = item(1, 3) + item(1, 2) + item(3, 4, std::string("\x01\0\0\0", 4)) +
                               item(1, 0) + item(5, 1, "x") + item(0, 0);
  EXPECT_EQ(encode(nested), expected);
  // The reader builds the same value, Objects and empty Binary included.
  const QZValue withBytes = list({object("AAEC"), binary(""), object("")});
  const QZValue back = decode(encode(withBytes));
  EXPECT_EQ(encode(back), encode(withBytes));
  EXPECT_EQ(back[0].getType(), QZValue::TypeObject);
  EXPECT_EQ(back[1].getType(), QZValue::TypeBinary);
  EXPECT_EQ(back[2].getType(), QZValue::TypeObject);
  EXPECT_EQ(decode(expected), nested);
}

QZValue randomValue(std::mt19937& random, int depth) {
  const int kind = std::uniform_int_distribution<int>(depth > 4 ? 2 : 0, 8)(random);
  auto randomBytes = [&random](int most) {
    std::string bytes(std::uniform_int_distribution<int>(0, most)(random), '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
  };
  QZValue value;
  switch (kind) {
    case 0:
    case 1: {
      const int size = std::uniform_int_distribution<int>(0, 6)(random);
      value.arraySetSize(size);
      for (int i = 0; i < size; ++i) value[i] = randomValue(random, depth + 1);
      break;
    }
    case 2: value = std::bernoulli_distribution()(random); break;
    case 3: value = static_cast<int>(random()); break;
    case 4: {
      const std::uint32_t bits = random();  // any bit pattern, NaNs included
      float number;
      std::memcpy(&number, &bits, sizeof number);
      value = number;
      break;
    }
    case 5: value = QZValue(randomBytes(40)); break;
    case 6: value = binary(randomBytes(300)); break;
    case 7: {
      QZValue bytes = binary(randomBytes(30));
      std::string text;
      bytes.encodeBase64(text);
      value = object(text);
      break;
    }
    default: break;  // Invalid
  }
  return value;
}

TEST(ValueBufferRoundTrip, RandomNestedValuesComeBackBitForBit) {
  std::mt19937 random(20240917);
  for (int i = 0; i < 300; ++i) {
    const QZValue value = randomValue(random, 0);
    const std::string buffer = encode(value);
    const QZValue back = decode(buffer);
    ASSERT_EQ(encode(back), buffer) << "value " << i << ": " << value.toString(1);
  }
}

TEST(ValueBufferRoundTrip, EveryByteValueInStringsAndBytes) {
  std::string every;
  for (int b = 0; b < 256; ++b) every += static_cast<char>(b);
  for (const QZValue& value : {QZValue(every), binary(every), list({QZValue(every), binary(every)})}) {
    const QZValue back = decode(encode(value));
    EXPECT_EQ(back, value);
  }
  EXPECT_EQ(static_cast<const std::string&>(decode(item(5, 256, every))), every);
}

TEST(ValueBufferRoundTrip, BigValues) {
  std::vector<float> floats(100000);
  for (std::size_t i = 0; i < floats.size(); ++i) floats[i] = static_cast<float>(i) * 0.5f - 7.0f;
  const QZValue manyFloats(floats);
  const std::string floatBuffer = encode(manyFloats);
  EXPECT_EQ(floatBuffer.size(), 5 + 100000 * 9u);
  EXPECT_EQ(decode(floatBuffer), manyFloats);

  std::string mebibyte(1 << 20, '\0');
  for (std::size_t i = 0; i < mebibyte.size(); ++i) mebibyte[i] = static_cast<char>(i * 7 + (i >> 9));
  const std::string binaryBuffer = encode(binary(mebibyte));
  EXPECT_EQ(binaryBuffer, item(7, 1 << 20, mebibyte));
  const QZValue back = decode(binaryBuffer);
  ASSERT_EQ(back.getSize(), mebibyte.size());
  EXPECT_EQ(std::memcmp(back.GetBinary(), mebibyte.data(), mebibyte.size()), 0);
}

// An Int inside `arrays` nested one-element Arrays: arrays + 1 levels.
std::string nestedInt(int arrays) {
  std::string buffer;
  for (int i = 0; i < arrays; ++i) buffer += item(1, 1);
  return buffer + item(3, 4, std::string(4, '\0'));
}

TEST(ValueBufferRoundTrip, TheDeepestValueThatTheWireCarries) {
  const std::string deepest = nestedInt(QZ_MAX_VALUE_DEPTH - 1);
  const QZValue value = decode(deepest);
  EXPECT_EQ(encode(value), deepest);
  EXPECT_EQ(refusal(nestedInt(QZ_MAX_VALUE_DEPTH)),
            "the value at offset 1280 is nested deeper than 256 levels");
}

}  // namespace
}  // namespace capitest
