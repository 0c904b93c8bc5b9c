#include <velantrix/languagecompatibility/convert.h>

#include <gtest/gtest.h>

using QZ::QZValue;
using System::Array;
using System::Object;
using System::String;
using System::Collections::ArrayList;
using System::Collections::Generic::List;
using Velantrix::LanguageCompatibility::Convert;
using Velantrix::LanguageCompatibility::marshalString;

namespace {

std::string bytesOf(const QZValue& value) {
  EXPECT_EQ(value.getType(), QZValue::TypeBinary);
  const auto* data = static_cast<const char*>(value.GetBinary());
  return std::string(data, value.getSize());
}

}  // namespace

TEST(ConvertToNative, ByteAndInt16ArraysBecomeBinary) {
  EXPECT_EQ(bytesOf(Convert::ToNativeType(Array<unsigned char>{1, 2, 3})), "\x01\x02\x03");
  // Two bytes per sample, low byte first.
  EXPECT_EQ(bytesOf(Convert::ToNativeType(Array<short>{0x0102, -1})), "\x02\x01\xFF\xFF");
  // Empty blocks stay Invalid rather than becoming empty Binary values.
  EXPECT_EQ(Convert::ToNativeType(Array<unsigned char>::New(0)).getType(), QZValue::TypeInvalid);
  EXPECT_EQ(Convert::ToNativeType(Array<short>::New(0)).getType(), QZValue::TypeInvalid);
}

TEST(ConvertToNative, ScalarsAreMatchedExactly) {
  EXPECT_EQ(Convert::ToNativeType(true), QZValue(true));
  EXPECT_EQ(Convert::ToNativeType(7), QZValue(7));
  EXPECT_EQ(Convert::ToNativeType(1.5f), QZValue(1.5f));
  // No widening or narrowing: other widths and kinds travel as Invalid.
  for (const Object& other : {Object(1.5), Object(static_cast<short>(1)),
                              Object(static_cast<unsigned char>(1)), Object(u'c'), Object()}) {
    EXPECT_EQ(Convert::ToNativeType(other).getType(), QZValue::TypeInvalid)
        << other.GetType().FullName();
  }
}

TEST(ConvertToNative, ListsBecomeArraysAtEveryDepth) {
  const QZValue value =
      Convert::ToNativeType(ArrayList{"\xC3\xA9", 1, true, 2.5f, Object(ArrayList())});
  ASSERT_EQ(value.getType(), QZValue::TypeArray);
  ASSERT_EQ(value.getSize(), 5u);
  EXPECT_EQ(value[0], QZValue(std::string("\xC3\xA9")));
  EXPECT_EQ(value[1], QZValue(1));
  EXPECT_EQ(value[2], QZValue(true));
  EXPECT_EQ(value[3], QZValue(2.5f));
  EXPECT_EQ(value[4].getType(), QZValue::TypeArray);
  EXPECT_EQ(value[4].getSize(), 0u);

  // Other host arrays are lists: int[] gives Ints, double[] Invalid elements,
  // and a Byte[] inside a list still becomes Binary.
  const QZValue ints = Convert::ToNativeType(Array<int>{4, 5});
  EXPECT_EQ(ints[1], QZValue(5));
  const QZValue doubles = Convert::ToNativeType(Array<double>{0.5});
  EXPECT_EQ(doubles[0].getType(), QZValue::TypeInvalid);
  const QZValue nested =
      Convert::ToNativeType(Array<Object>{Array<unsigned char>{9}, List<float>{}});
  EXPECT_EQ(bytesOf(nested[0]), "\x09");
  EXPECT_EQ(nested[1].getSize(), 0u);
}

TEST(ConvertToNative, NullsAreHostErrors) {
  EXPECT_THROW(Convert::ToNativeType(Object(nullptr)), System::NullReferenceException);
  EXPECT_THROW(Convert::ToNativeType(ArrayList{1, nullptr}), System::NullReferenceException);
  EXPECT_THROW(Convert::ToNativeType(String()), System::ArgumentNullException);
  EXPECT_THROW(Convert::ToNativeType(List<String>{"a", String()}), System::ArgumentNullException);
  EXPECT_THROW(Convert::ToNativeType(List<String>(nullptr)), System::NullReferenceException);
  EXPECT_THROW(Convert::ToNativeType(List<float>(nullptr)), System::NullReferenceException);
}

TEST(ConvertToNative, AListThatContainsItselfIsRefusedInsteadOfOverflowingTheStack) {
  ArrayList loop;
  loop.Add(loop);
  EXPECT_THROW(Convert::ToNativeType(loop), System::ArgumentException);
  loop[0] = 1;  // break the cycle so that the list can be released
}

TEST(ConvertToNative, StringsAreUtf8WithExplicitLengths) {
  EXPECT_EQ(marshalString(String(u"\u00e9")), "\xC3\xA9");
  EXPECT_EQ(Convert::ToNativeType(String(std::u16string(u"a\0b", 3))), std::string("a\0b", 3));
  EXPECT_EQ(Convert::ToNativeType(String("")), "");
  EXPECT_EQ(Convert::ToNativeType(String(std::u16string{0xD800})), "\xEF\xBF\xBD");
  EXPECT_EQ(Convert::ToNativeType(List<String>{"x", "", u"\u00e9"}),
            (std::vector<std::string>{"x", "", "\xC3\xA9"}));
  EXPECT_EQ(Convert::ToNativeType(List<float>{1.5f, -2.0f}), (std::vector<float>{1.5f, -2.0f}));
  EXPECT_TRUE(Convert::ToNativeType(List<String>()).empty());
}
