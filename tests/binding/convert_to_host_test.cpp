#include <velantrix/languagecompatibility/convert.h>

#include <qzvalue/qzerror.h>

#include <gtest/gtest.h>

using QZ::QZValue;
using System::Array;
using System::Object;
using System::String;
using System::Collections::ArrayList;
using Velantrix::LanguageCompatibility::Convert;
using Velantrix::LanguageCompatibility::marshalString;

TEST(ConvertToHost, ScalarsBoxAndInvalidGivesAPlainObject) {
  EXPECT_EQ(Convert::ToDotNetType(QZValue(true)).Unbox<bool>(), true);
  EXPECT_EQ(Convert::ToDotNetType(QZValue(-4)).Unbox<int>(), -4);
  EXPECT_EQ(Convert::ToDotNetType(QZValue(0.25f)).Unbox<float>(), 0.25f);
  const Object invalid = Convert::ToDotNetType(QZValue());
  ASSERT_FALSE(invalid.IsNull());
  EXPECT_EQ(invalid.GetType().FullName(), "System.Object");
  QZValue object;
  object.decodeBase64Object("AAEC");
  ASSERT_EQ(object.getType(), QZValue::TypeObject);
  EXPECT_EQ(Convert::ToDotNetType(object).GetType().FullName(), "System.Object");
}

TEST(ConvertToHost, BinaryComesBackAsByteArray) {
  // Int16[] samples go out as bytes and come back as bytes, not as 16-bit samples.
  const QZValue binary = Convert::ToNativeType(Array<short>{0x0102, -1});
  const auto bytes = Convert::ToDotNetType(binary).As<Array<unsigned char>>();
  ASSERT_FALSE(bytes.IsNull());
  EXPECT_EQ(std::vector<unsigned char>(bytes.begin(), bytes.end()),
            (std::vector<unsigned char>{0x02, 0x01, 0xFF, 0xFF}));
  // An empty block has no first byte; it still converts, to an empty Byte[].
  QZValue empty;
  empty.SetBinary(nullptr, 0);
  const auto none = Convert::ToDotNetType(empty).As<Array<unsigned char>>();
  ASSERT_FALSE(none.IsNull());
  EXPECT_EQ(none.Length(), 0);
}

TEST(ConvertToHost, ArraysBecomeArrayListsAtEveryDepth) {
  QZValue value;
  value.arraySetSize(3);
  value[0] = QZValue(std::string("a\0b", 3));
  value[1].arraySetSize(0);
  value[2].arraySetSize(1);
  value[2][0] = 5;
  const auto list = Convert::ToDotNetType(value).As<ArrayList>();
  ASSERT_FALSE(list.IsNull());
  ASSERT_EQ(list.Count(), 3);
  EXPECT_GE(list.Capacity(), 3);
  EXPECT_EQ(list[0].As<String>(), String(std::u16string(u"a\0b", 3)));  // whole, NUL included
  EXPECT_EQ(list[1].As<ArrayList>().Count(), 0);
  EXPECT_EQ(list[2].As<ArrayList>()[0].Unbox<int>(), 5);
}

TEST(ConvertToHost, StringsDecodeAsUtf8ReadWhole) {
  EXPECT_EQ(marshalString(QZValue(std::string("\xC3\xA9"))), u"\u00e9");
  EXPECT_EQ(marshalString(QZValue(std::string("a\xFF"))), u"a\uFFFD");
  EXPECT_EQ(Convert::ToDotNetType(QZValue(std::string())).As<String>(), "");
  // A value of another kind is a native error, left for the proxy to translate.
  EXPECT_THROW(marshalString(QZValue(3)), QZ::QZError);
}

TEST(ConvertToHost, TypedListsKeepOrderCountAndWholeStrings) {
  const auto strings =
      Convert::ToDotNetType(std::vector<std::string>{"x", std::string("\0y", 2), "\xC3\xA9"});
  ASSERT_EQ(strings.Count(), 3);
  EXPECT_EQ(strings[1].Length(), 2);
  EXPECT_EQ(strings[2], u"\u00e9");
  const auto floats = Convert::ToDotNetType(std::vector<float>{3.0f, -1.0f});
  ASSERT_EQ(floats.Count(), 2);
  EXPECT_EQ(floats[1], -1.0f);
  EXPECT_EQ(Convert::ToDotNetType(std::vector<std::string>{}).Count(), 0);
  EXPECT_EQ(Convert::ToDotNetType(std::vector<float>{}).Count(), 0);
}

TEST(ConvertToHost, RoundTripsThroughBothDirections) {
  const Object host = ArrayList{"t", 1, false, 0.5f, Array<unsigned char>{1, 2, 3}};
  const Object back = Convert::ToDotNetType(Convert::ToNativeType(host));
  EXPECT_EQ(Convert::ToNativeType(back), Convert::ToNativeType(host));
}

TEST(ConvertToHost, RefusesValuesNestedBeyondTheLimitWithANativeError) {
  QZValue value;
  for (int depth = 0; depth <= Convert::kMaxNesting; ++depth) {
    QZValue outer;
    outer.arraySetSize(1);
    outer[0] = std::move(value);
    value = std::move(outer);
  }
  EXPECT_THROW(Convert::ToDotNetType(value), QZ::QZError);
  EXPECT_NO_THROW(Convert::ToDotNetType(value[0]));
}
