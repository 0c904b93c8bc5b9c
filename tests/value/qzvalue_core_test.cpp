// Construction, copies, equality and the array operations of QZValue.
#include "qzvalue/qzerror.h"
#include "qzvalue/qzvalue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using QZ::QZError;
using QZ::QZValue;
using testing::StrEq;
using testing::ThrowsMessage;

namespace {

QZValue intArray(std::initializer_list<int> numbers) {
  QZValue array;
  array.arraySetSize(static_cast<int>(numbers.size()));
  int i = 0;
  for (int number : numbers) array[i++] = number;
  return array;
}

}  // namespace

TEST(QZValueConstruction, EachConstructorGivesItsKindAndSize) {
  EXPECT_EQ(QZValue().getType(), QZValue::TypeInvalid);
  EXPECT_FALSE(QZValue().isValid());
  EXPECT_EQ(QZValue(true).getType(), QZValue::TypeBool);
  EXPECT_EQ(QZValue(7).getType(), QZValue::TypeInt);
  EXPECT_EQ(QZValue(1.5f).getType(), QZValue::TypeFloat);
  EXPECT_EQ(QZValue(std::string("abc")).getSize(), 3u);
  for (const QZValue& scalar : {QZValue(), QZValue(true), QZValue(1), QZValue(1.0f)})
    EXPECT_EQ(scalar.getSize(), 0u);

  // Strings keep embedded NUL bytes: the length is explicit.
  const std::string withNul("a\0b", 3);
  EXPECT_EQ(static_cast<const std::string&>(QZValue(withNul)), withNul);

  const QZValue names(std::vector<std::string>{"HeadYaw", "HeadPitch"});
  ASSERT_EQ(names.getType(), QZValue::TypeArray);
  ASSERT_EQ(names.getSize(), 2u);
  EXPECT_EQ(static_cast<const std::string&>(names[1]), "HeadPitch");

  const QZValue floats(std::vector<float>{0.5f, -1.0f});
  EXPECT_EQ(floats[0].getType(), QZValue::TypeFloat);
  EXPECT_EQ(static_cast<float>(floats[1]), -1.0f);
  EXPECT_EQ(QZValue(std::vector<float>{}).getType(), QZValue::TypeArray);
}

TEST(QZValueConstruction, AssignmentChangesKindAndReusesStorage) {
  QZValue value(std::string("text"));
  value = 5;
  EXPECT_EQ(value.getType(), QZValue::TypeInt);
  value = true;
  EXPECT_EQ(value.getType(), QZValue::TypeBool);
  value = "from a C string";
  EXPECT_EQ(static_cast<const std::string&>(value), "from a C string");
  value = "second";  // an existing String is overwritten, not appended to
  EXPECT_EQ(static_cast<const std::string&>(value), "second");
  value = std::vector<unsigned char>{1, 2, 3};
  EXPECT_EQ(value.getType(), QZValue::TypeBinary);
  EXPECT_EQ(value.getSize(), 3u);
  value.clear();
  EXPECT_EQ(value.getType(), QZValue::TypeInvalid);
}

TEST(QZValueConstruction, NullCStringIsAnAssertionAndLeavesTheValue) {
  QZValue value(3);
  const char* nothing = nullptr;
  try {
    value = nothing;
    FAIL() << "no error";
  } catch (const QZError& error) {
    // The description is the repository-relative source path and a line number.
    EXPECT_THAT(error.what(),
                testing::MatchesRegex("\tQZValue::Assert failed\n\tlibqzvalue/src/qzvalue\\.cpp:[0-9]+"));
  }
  EXPECT_EQ(static_cast<int>(value), 3);
}

TEST(QZValueCopy, DeepCopiesAreIndependent) {
  QZValue inner = intArray({1, 2});
  QZValue outer;
  outer.arraySetSize(2);
  outer[0] = inner;
  outer[1] = std::string("s");

  QZValue copy(outer);
  ASSERT_TRUE(copy == outer);
  copy[0][1] = 99;
  copy[1] = "changed";
  EXPECT_EQ(static_cast<int>(outer[0][1]), 2);
  EXPECT_EQ(static_cast<const std::string&>(outer[1]), "s");
  EXPECT_FALSE(copy == outer);

  QZValue bytes;
  bytes.SetBinary("xyz", 3);
  QZValue bytesCopy;
  bytesCopy = bytes;
  bytesCopy.SetBinary("abc", 3);
  EXPECT_EQ(std::string(static_cast<const char*>(bytes.GetBinary()), 3), "xyz");

  QZValue& self = copy;
  copy = self;  // self-assignment keeps the value
  EXPECT_EQ(static_cast<int>(copy[0][1]), 99);
}

TEST(QZValueCopy, MovingLeavesTheSourceInvalid) {
  QZValue source = intArray({4, 5, 6});
  QZValue target(std::move(source));
  EXPECT_EQ(target.getSize(), 3u);
  EXPECT_EQ(source.getType(), QZValue::TypeInvalid);  // NOLINT(bugprone-use-after-move)
  QZValue other(std::string("x"));
  other = std::move(target);
  EXPECT_EQ(other.getSize(), 3u);
}

TEST(QZValueEquality, KindsAndContents) {
  EXPECT_TRUE(QZValue() == QZValue());
  EXPECT_FALSE(QZValue(0) == QZValue(0.0f));
  EXPECT_FALSE(QZValue(5) == QZValue(5.0f));
  EXPECT_TRUE(QZValue(true) == QZValue(true));
  EXPECT_FALSE(QZValue(true) == QZValue(false));
  EXPECT_TRUE(QZValue(std::string("a\0b", 3)) == QZValue(std::string("a\0b", 3)));
  EXPECT_FALSE(QZValue(std::string("a\0b", 3)) == QZValue(std::string("a\0c", 3)));
  EXPECT_FALSE(intArray({1, 2}) == intArray({1, 2, 3}));
  EXPECT_FALSE(intArray({1, 2}) == intArray({1, 3}));

  QZValue shortBytes, longBytes;
  shortBytes.SetBinary("ab", 2);
  longBytes.SetBinary("abc", 3);
  EXPECT_FALSE(shortBytes == longBytes);

  // Two Object values compare equal whatever their bytes.
  QZValue objectA, objectB;
  objectA.decodeBase64Object("AAEC");
  objectB.decodeBase64Object("/////w==");
  EXPECT_TRUE(objectA == objectB);
}

TEST(QZValueEquality, FloatThresholds) {
  EXPECT_TRUE(QZValue(1.0f) == QZValue(1.00005f));  // relative difference 5e-5
  EXPECT_FALSE(QZValue(1.0f) == QZValue(1.0002f));
  EXPECT_TRUE(QZValue(1e-13f) == QZValue(1e-13f));  // absolute test below 1e-12
  EXPECT_FALSE(QZValue(1e-13f) == QZValue(2e-13f));
  EXPECT_TRUE(QZValue(0.0f) == QZValue(0.0f));
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_FALSE(QZValue(nan) == QZValue(nan));
  // An infinity matches itself (the relative test alone would make it NaN) and nothing else.
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_TRUE(QZValue(inf) == QZValue(inf));
  EXPECT_TRUE(QZValue(-inf) == QZValue(-inf));
  EXPECT_FALSE(QZValue(inf) == QZValue(-inf));
  EXPECT_FALSE(QZValue(inf) == QZValue(3.4e38f));
  EXPECT_FALSE(QZValue(3.4e38f) == QZValue(inf));
  EXPECT_FALSE(QZValue(inf) == QZValue(nan));
  // The test is relative to the left value only.
  EXPECT_TRUE(QZValue(10000.0f) == QZValue(10000.9f));
  EXPECT_FALSE(QZValue(1e-13f) == QZValue(1.0f));
  EXPECT_FALSE(QZValue(1.0f) == QZValue(1e-13f));
}

TEST(QZValueArray, ResizingRules) {
  QZValue value;
  value.arraySetSize(0);
  EXPECT_EQ(value.getType(), QZValue::TypeArray);
  EXPECT_EQ(value.getSize(), 0u);
  value.arraySetSize(3);
  ASSERT_EQ(value.getSize(), 3u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(value[i].getType(), QZValue::TypeInvalid);
  value[2] = 7;
  value.arraySetSize(1);  // elements past the new size are destroyed
  value.arraySetSize(3);
  EXPECT_EQ(value[2].getType(), QZValue::TypeInvalid);
  value.arrayReserve(100);
  EXPECT_EQ(value.getSize(), 3u);

  QZValue number(5);
  EXPECT_THAT([&] { number.arraySetSize(2); },
              ThrowsMessage<QZError>(StrEq("\tQZValue::xAssertCompatibleType: type error\n"
                                           "\tExpected a Array but received a Int (qzvalue contents: 5 )")));
  EXPECT_THROW(value.arraySetSize(-1), QZError);
}

TEST(QZValueArray, IndexingNeverGrows) {
  QZValue value;
  EXPECT_THAT([&] { value[0] = 1; },
              ThrowsMessage<QZError>(StrEq("\tQZValue::xAssertArraySize\n"
                                           "\tThe array has a size of 0 and you want it to be of size 1")));
  EXPECT_EQ(value.getType(), QZValue::TypeArray);  // the failed access left an empty Array
  EXPECT_EQ(value.getSize(), 0u);

  const QZValue array = intArray({1, 2});
  EXPECT_THROW(array[2], QZError);
  EXPECT_THROW(array[-1], std::out_of_range);
  EXPECT_THROW(array[std::numeric_limits<int>::max()], QZError);
  const QZValue number(1.5f);
  EXPECT_THAT([&] { number[0]; },
              ThrowsMessage<QZError>(StrEq("\tQZValue::xAssertType: type error\n"
                                           "\tExpected a Array but received a Float (qzvalue contents: 1.5 )")));
}

TEST(QZValueBytes, SetAndGetBinary) {
  QZValue value;
  value.SetBinary("\x00\x01\x02", 3);
  ASSERT_EQ(value.getType(), QZValue::TypeBinary);
  EXPECT_EQ(std::string(static_cast<const char*>(value.GetBinary()), 3), std::string("\0\1\2", 3));
  value.SetBinary(nullptr, 0);  // an empty block: no byte is touched
  EXPECT_EQ(value.getType(), QZValue::TypeBinary);
  EXPECT_EQ(value.getSize(), 0u);
  EXPECT_THROW(value.GetBinary(), std::out_of_range);
  QZValue fresh;
  fresh.SetBinary(nullptr, 0);
  EXPECT_EQ(fresh.getType(), QZValue::TypeBinary);
  EXPECT_THROW(fresh.SetBinary("x", -1), QZError);
  EXPECT_THROW(fresh.SetBinary(nullptr, 4), QZError);
}
