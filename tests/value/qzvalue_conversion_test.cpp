// Reading values as numbers, strings and native sequences, with their warnings.
#include "qzvalue/qzerror.h"
#include "qzvalue/qzvalue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <limits>

using QZ::QZError;
using QZ::QZValue;
using testing::StrEq;
using testing::ThrowsMessage;

namespace {

QZValue mixedArray() {  // String a, Int 1, String b
  QZValue array;
  array.arraySetSize(3);
  array[0] = "a";
  array[1] = 1;
  array[2] = "b";
  return array;
}

// Reads through the const conversions: on a non-const value the compiler prefers
// the in-place operator int&(), which turns the value into an Int.
template <typename T>
T read(const QZValue& value) {
  return static_cast<T>(value);
}

}  // namespace

TEST(QZValueNumbers, BoolConversion) {
  EXPECT_FALSE(read<bool>(QZValue(std::string())));
  EXPECT_TRUE(read<bool>(QZValue(std::numeric_limits<float>::quiet_NaN())));
  EXPECT_FALSE(read<bool>(QZValue(0)));
  EXPECT_TRUE(read<bool>(mixedArray()));
  QZValue empty;
  empty.arraySetSize(0);
  EXPECT_FALSE(read<bool>(empty));
  EXPECT_THAT([] { static_cast<void>(read<bool>(QZValue())); },
              ThrowsMessage<QZError>(StrEq("\tQZValue::const bool() const\n"
                                           "\tCannot cast to bool an QZValue of invalid type.")));
}

TEST(QZValueNumbers, IntConversion) {
  EXPECT_EQ(read<int>(QZValue(-2.7f)), -2);
  EXPECT_EQ(read<int>(QZValue(true)), 1);
  // Where an Int is expected, every other kind reads 0 without an error.
  EXPECT_EQ(read<int>(QZValue(std::string("12"))), 0);
  EXPECT_EQ(read<int>(QZValue()), 0);
  EXPECT_EQ(read<int>(mixedArray()), 0);
  // Floats outside the 32-bit range saturate; NaN reads 0.
  EXPECT_EQ(read<int>(QZValue(3e9f)), INT_MAX);
  EXPECT_EQ(read<int>(QZValue(-3e9f)), INT_MIN);
  EXPECT_EQ(read<int>(QZValue(std::numeric_limits<float>::infinity())), INT_MAX);
  EXPECT_EQ(read<int>(QZValue(std::numeric_limits<float>::quiet_NaN())), 0);
  EXPECT_EQ(read<int>(QZValue(2147483520.0f)), 2147483520);

  QZValue invalid;
  static_cast<int&>(invalid) = 42;  // the in-place reference turns Invalid into Int 0 first
  EXPECT_EQ(invalid.getType(), QZValue::TypeInt);
  EXPECT_EQ(read<int>(invalid), 42);
  QZValue text(std::string("x"));
  EXPECT_THROW(static_cast<void>(static_cast<int&>(text)), QZError);
}

TEST(QZValueNumbers, FloatConversion) {
  EXPECT_EQ(read<float>(QZValue(3)), 3.0f);
  EXPECT_EQ(read<float>(QZValue(0.25f)), 0.25f);
  EXPECT_THAT([] { static_cast<void>(read<float>(QZValue(true))); },
              ThrowsMessage<QZError>(StrEq("\tQZValue::xAssertType: type error\n"
                                           "\tExpected a Float but received a Bool (qzvalue contents: true )")));
  EXPECT_THROW(static_cast<void>(read<float>(QZValue())), QZError);
}

TEST(QZValueStrings, SmallBinaryBecomesAStringForGood) {
  QZValue value;
  value.SetBinary("abc", 3);
  testing::internal::CaptureStdout();
  const std::string& text = value;
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(printed,
            "WARNING: QZValue::operator const TQZValueString&: creating a string on the fly to "
            "patch possible ruby encoding problem (size of binary: 3)\n");
  EXPECT_EQ(text, std::string("abc\0", 4));
  EXPECT_EQ(value.getType(), QZValue::TypeString);
  EXPECT_EQ(value.getSize(), 4u);

  QZValue emptyBytes;
  emptyBytes.SetBinary(nullptr, 0);
  testing::internal::CaptureStdout();
  EXPECT_EQ(static_cast<const std::string&>(emptyBytes), std::string("\0", 1));
  testing::internal::GetCapturedStdout();
}

TEST(QZValueStrings, LargeBinaryAndFloatAreNeverReadAsStrings) {
  QZValue big;
  const std::vector<unsigned char> bytes(100000, 'x');
  big = bytes;
  testing::internal::CaptureStdout();
  EXPECT_THROW(static_cast<void>(static_cast<const std::string&>(big)), QZError);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(big.getType(), QZValue::TypeBinary);

  const QZValue number(2.5f);
  EXPECT_THAT([&] { static_cast<void>(static_cast<const std::string&>(number)); },
              ThrowsMessage<QZError>(StrEq("\tQZValue::xAssertType: type error\n"
                                           "\tExpected a String but received a Float (qzvalue contents: 2.5 )")));
}

TEST(QZValueSequences, ToStringArray) {
  std::vector<std::string> out{"stale"};
  testing::internal::CaptureStdout();
  mixedArray().ToStringArray(out, true);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "WARNING: QZValue::ToStringArray: elem 1 is not a string...\n"
            "...inserting an empty string.\n");
  EXPECT_EQ(out, (std::vector<std::string>{"a", "", "b"}));

  testing::internal::CaptureStdout();
  mixedArray().ToStringArray(out, false);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "WARNING: QZValue::ToStringArray: elem 1 is not a string...\n");
  EXPECT_EQ(out, (std::vector<std::string>{"a", "b"}));

  testing::internal::CaptureStdout();
  QZValue(5).ToStringArray(out, true);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_TRUE(out.empty());

  EXPECT_THROW(QZValue(std::string("abc")).ToStringArray(out, false), QZError);
}

TEST(QZValueSequences, ToFloatArray) {
  QZValue array;
  array.arraySetSize(3);
  array[0] = 1;
  array[1] = 2.5f;
  array[2] = "x";
  std::vector<float> out;
  testing::internal::CaptureStdout();
  array.ToFloatArray(out, true);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "WARNING: QZValue::ToFloatArray: elem 2 is not a float...\n"
            "...inserting an empty float.\n");
  EXPECT_EQ(out, (std::vector<float>{1.0f, 2.5f, 0.0f}));

  testing::internal::CaptureStdout();
  array.ToFloatArray(out, false);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, (std::vector<float>{1.0f, 2.5f}));
  QZValue(1.5f).ToFloatArray(out, false);  // a scalar yields nothing, without error
  EXPECT_TRUE(out.empty());
}
