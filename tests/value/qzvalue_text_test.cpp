// Kind names, the text form at each verbosity, and the texts of the three checks.
#include "qzvalue/qzerror.h"
#include "qzvalue/qzvalue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using QZ::QZError;
using QZ::QZValue;
using testing::StrEq;
using testing::ThrowsMessage;

TEST(QZValueKindNames, TableAndUnknownCodes) {
  const char* names[] = {"Invalid", "Array", "Bool", "Int", "Float", "String", "Object", "Binary"};
  for (int code = 0; code < 8; ++code)
    EXPECT_EQ(QZValue::TypeToString(static_cast<QZValue::Type>(code)), names[code]);
  EXPECT_THAT([] { QZValue::TypeToString(static_cast<QZValue::Type>(8)); },
              ThrowsMessage<QZError>(StrEq("\tQZValue::TypeToString\n\tUnknown type: 8")));
  EXPECT_THAT([] { QZValue::TypeToString(static_cast<QZValue::Type>(-1)); },
              ThrowsMessage<QZError>(StrEq("\tQZValue::TypeToString\n\tUnknown type: -1")));
}

TEST(QZValueText, VerbosityOneShowsBareContents) {
  QZValue array;
  array.arraySetSize(3);
  array[0] = 1;
  array[1] = "ab";
  array[2] = true;
  EXPECT_EQ(array.toString(1), "[1, \"ab\", true]");
  EXPECT_EQ(QZValue(0.1f).toString(1), "0.1");
  EXPECT_EQ(QZValue(2.5f).toString(1), "2.5");
  EXPECT_EQ(QZValue(1234567.0f).toString(1), "1.23457e+06");
  QZValue bytes;
  bytes.SetBinary("\x00\x0a\xff", 3);
  EXPECT_EQ(bytes.toString(1), "\\0\\10\\255");
  EXPECT_EQ(QZValue().toString(1), "");
  EXPECT_EQ(array.toString(0), "");
  EXPECT_EQ(array.toString(-5), "");

  QZValue nested;
  nested.arraySetSize(2);
  nested[0] = array;
  nested[1] = std::string("q\"uote");  // no escaping
  EXPECT_EQ(nested.toString(1), "[[1, \"ab\", true], \"q\"uote\"]");
}

TEST(QZValueText, VerbosityTwoAndThreeAddHeaders) {
  EXPECT_THAT(QZValue(42).toString(2), testing::EndsWith("Int: 0x0000002A (42)"));
  EXPECT_THAT(QZValue(-1).toString(2), testing::EndsWith("Int: 0xFFFFFFFF (-1)"));
  // The address carries the "0x" prefix twice; the raw word of an Int is its bits.
  EXPECT_THAT(QZValue(42).toString(2),
              testing::MatchesRegex("QzValue at 0x0x[0-9A-F]{16}, Type: Int, "
                                    "Value: 0x000000000000002A, Int: 0x0000002A \\(42\\)"));
  EXPECT_THAT(QZValue(true).toString(2), testing::EndsWith("Type: Bool, Value: 0x0000000000000001, Bool:true"));
  EXPECT_THAT(QZValue(std::string("hi")).toString(2), testing::EndsWith("String of size 2: \"hi\""));
  EXPECT_THAT(QZValue(1.5f).toString(3), testing::EndsWith("Float: 1.5\n\n</QzValue>\n"));

  QZValue bytes;
  bytes.SetBinary("\x01\x02", 2);
  EXPECT_THAT(bytes.toString(2), testing::EndsWith("\\1\\2</Binary>\n"));
  EXPECT_THAT(bytes.toString(3),
              testing::EndsWith("\n<Binary>Binary: 2 bytes(s):\n\\1\\2</Binary>\n\n</QzValue>\n"));

  QZValue array;
  array.arraySetSize(1);
  array[0] = 7;
  const std::string verbose = array.toString(3);
  EXPECT_THAT(verbose, testing::StartsWith("\n<QzValue>QzValue at 0x0x"));
  EXPECT_THAT(verbose, testing::HasSubstr("\n<Vector>Vector of 1 elem(s):\n<elem>\n\n<QzValue>"));
  EXPECT_THAT(verbose, testing::EndsWith("Int: 0x00000007 (7)\n\n</QzValue>\n\n</elem>\n</Vector>\n</QzValue>\n"));
  EXPECT_THAT(array.toString(2), testing::HasSubstr("[Vector of 1 elem(s):QzValue at 0x0x"));

  QZValue object;
  object.decodeBase64Object("aGk=");  // "hi", shown as raw characters at any verbosity
  EXPECT_EQ(object.toString(1), "hi");
}

TEST(QZValueChecks, CompatibleType) {
  QZValue value;
  value.xAssertCompatibleType(QZValue::TypeArray);
  EXPECT_EQ(value.getType(), QZValue::TypeArray);
  EXPECT_EQ(value.getSize(), 0u);
  QZValue number(5);
  EXPECT_THAT([&] { number.xAssertCompatibleType(QZValue::TypeArray); },
              ThrowsMessage<QZError>(StrEq("\tQZValue::xAssertCompatibleType: type error\n"
                                           "\tExpected a Array but received a Int (qzvalue contents: 5 )")));
  // No exemption here: an Int is not compatible with a Float.
  EXPECT_THROW(number.xAssertCompatibleType(QZValue::TypeFloat), QZError);
  EXPECT_EQ(static_cast<int>(number), 5);
}

TEST(QZValueChecks, TypeAndArraySize) {
  QZValue array;
  array.arraySetSize(1);
  array[0] = "s";
  EXPECT_THAT([&] { array.xAssertType(QZValue::TypeString); },
              ThrowsMessage<QZError>(StrEq("\tQZValue::xAssertType: type error\n"
                                           "\tExpected a String but received a Array (qzvalue contents: [\"s\"] )")));
  EXPECT_NO_THROW(array.xAssertType(QZValue::TypeArray));
  EXPECT_NO_THROW(QZValue(std::string("x")).xAssertType(QZValue::TypeInt));  // Int expected: passes

  array.arraySetSize(2);
  EXPECT_THAT([&] { array.xAssertArraySize(3); },
              ThrowsMessage<QZError>(StrEq("\tQZValue::xAssertArraySize\n"
                                           "\tThe array has a size of 2 and you want it to be of size 3")));
  EXPECT_NO_THROW(array.xAssertArraySize(0));
  EXPECT_NO_THROW(array.xAssertArraySize(-4));
  EXPECT_THAT([] { QZValue(std::string("x")).xAssertArraySize(1); },
              ThrowsMessage<QZError>(StrEq("\tQZValue::xAssertArraySize\n\ttry to use a String like an array")));
}
