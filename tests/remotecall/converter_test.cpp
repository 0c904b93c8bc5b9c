// Result converters of the typed call layer: accepted kinds, exact error texts,
// and the argument values they pack.
#include "qzvalue/detail/qzfunctorconvert.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using QZ::QZError;
using QZ::QZValue;
using QZ::detail::converter;
using testing::StrEq;
using testing::ThrowsMessage;

namespace {

std::string kindError(const char* kind, const char* suffix) {
  return std::string("\tconvertFromQZValue::convertFromQZValue\n\tParameter type is ") + kind + suffix;
}

QZValue mixedStrings() {  // [String a, Int 1, String b]
  QZValue array;
  array.arraySetSize(3);
  array[0] = "a";
  array[1] = 1;
  array[2] = "b";
  return array;
}

}  // namespace

TEST(Converters, IntAcceptsOnlyInt) {
  EXPECT_EQ(converter<int>().convertFromQZValue(QZValue(-7)), -7);
  EXPECT_THAT([] { converter<int>().convertFromQZValue(QZValue(3.0f)); },
              ThrowsMessage<QZError>(StrEq(kindError("Float", " instead of int"))));
  EXPECT_THAT([] { converter<int>().convertFromQZValue(QZValue(true)); },
              ThrowsMessage<QZError>(StrEq(kindError("Bool", " instead of int"))));
}

TEST(Converters, BoolAcceptsBoolAndInt) {
  EXPECT_FALSE(converter<bool>().convertFromQZValue(QZValue(0)));
  EXPECT_TRUE(converter<bool>().convertFromQZValue(QZValue(5)));
  EXPECT_TRUE(converter<bool>().convertFromQZValue(QZValue(true)));
  EXPECT_THAT([] { converter<bool>().convertFromQZValue(QZValue(std::string("x"))); },
              ThrowsMessage<QZError>(StrEq(kindError("String", " instead of bool"))));
}

TEST(Converters, FloatAcceptsFloatAndInt) {
  EXPECT_EQ(converter<float>().convertFromQZValue(QZValue(3)), 3.0f);
  EXPECT_EQ(converter<float>().convertFromQZValue(QZValue(0.25f)), 0.25f);
  EXPECT_THAT([] { converter<float>().convertFromQZValue(QZValue()); },
              ThrowsMessage<QZError>(StrEq(kindError("Invalid", " instead of float"))));
}

TEST(Converters, StringAndSequences) {
  EXPECT_EQ(converter<std::string>().convertFromQZValue(QZValue(std::string("a\0b", 3))),
            std::string("a\0b", 3));
  EXPECT_THAT([] { converter<std::string>().convertFromQZValue(QZValue(1)); },
              ThrowsMessage<QZError>(StrEq(kindError("Int", " instead of string"))));

  testing::internal::CaptureStdout();
  const auto strings = converter<std::vector<std::string>>().convertFromQZValue(mixedStrings());
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "WARNING: QZValue::ToStringArray: elem 1 is not a string...\n");
  EXPECT_EQ(strings, (std::vector<std::string>{"a", "b"}));

  testing::internal::CaptureStdout();
  const auto floats = converter<std::vector<float>>().convertFromQZValue(mixedStrings());
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(floats, (std::vector<float>{1.0f}));
  EXPECT_THAT([] { converter<std::vector<float>>().convertFromQZValue(QZValue(1.5f)); },
              ThrowsMessage<QZError>(StrEq(kindError("Float", " instead of vector"))));
  EXPECT_THAT([] { converter<std::vector<std::string>>().convertFromQZValue(QZValue(std::string("s"))); },
              ThrowsMessage<QZError>(StrEq(kindError("String", " instead of vector"))));
}

TEST(Converters, ValueTakesEveryKindAndPacksCopies) {
  EXPECT_EQ(converter<QZValue>().convertFromQZValue(QZValue()).getType(), QZValue::TypeInvalid);
  const QZValue array = mixedStrings();
  QZValue packed = converter<QZValue>().convertToQZValue(array);
  EXPECT_TRUE(packed == array);  // an Array argument stays one value, copied
  packed[0] = 9;
  EXPECT_EQ(static_cast<const std::string&>(array[0]), "a");

  const QZValue floats = converter<std::vector<float>>().convertToQZValue({1.0f, 2.0f});
  EXPECT_EQ(floats.getType(), QZValue::TypeArray);
  EXPECT_EQ(floats[1].getType(), QZValue::TypeFloat);
  EXPECT_EQ(converter<std::vector<std::string>>().convertToQZValue({"x"})[0].getType(),
            QZValue::TypeString);
}
