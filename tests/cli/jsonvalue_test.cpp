// The JSON forms of values on qzcall's command line and output.
#include "jsonvalue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

using qzcall::JsonValueError;
using QZ::QZValue;
using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

std::string roundTrip(const std::string& text) {
  return qzcall::toJson(qzcall::toValue(qzcall::parseJson(text))).dump();
}

QZValue valueOf(const std::string& text) { return qzcall::toValue(qzcall::parseJson(text)); }

QZValue stringOfBytes(const std::string& bytes) { return QZValue(bytes); }

TEST(JsonValue, EveryKindRoundTripsInItsWrittenForm) {
  for (const char* text : {
           R"(null)", R"(true)", R"(false)", R"(0)", R"(-2147483648)", R"(2147483647)",
           R"(0.1)", R"(2.0)", R"(-1.5e-07)", R"(3.4028235e+38)",
           R"("")", R"("plain")", R"("é 日本 🎉 \"quoted\" \\ \n\t\u0001")",
           R"([])", R"([[], [[]], [1, [2.5, ["deep", null]], true]])",
           R"({"base64":"AAEC/w=="})", R"({"base64":""})", R"({"base64":"QQ=="})",
           R"({"object":"AQID"})", R"({"float":"nan"})", R"({"float":"-inf"})",
           R"({"string_base64":"/w=="})"}) {
    EXPECT_EQ(roundTrip(text), nlohmann::json::parse(text).dump()) << text;
  }
}

TEST(JsonValue, NumbersAndTagsChooseTheKind) {
  EXPECT_EQ(valueOf("1").getType(), QZValue::TypeInt);
  EXPECT_EQ(valueOf("1.0").getType(), QZValue::TypeFloat);
  EXPECT_EQ(valueOf(R"({"float": 3})").getType(), QZValue::TypeFloat);
  EXPECT_EQ(roundTrip(R"({"float": 3})"), "3.0");
  EXPECT_EQ(valueOf(R"({"object":"AQID"})").getType(), QZValue::TypeObject);
  const QZValue infinite = valueOf(R"({"float":"inf"})");
  EXPECT_TRUE(std::isinf(static_cast<float>(infinite)));

  const QZValue binary = valueOf(R"({"base64":"AAEC/w=="})");
  ASSERT_EQ(binary.getType(), QZValue::TypeBinary);
  ASSERT_EQ(binary.getSize(), 4u);
  EXPECT_EQ(std::string(static_cast<const char*>(binary.GetBinary()), 4), std::string("\0\1\2\377", 4));

}

TEST(JsonValue, FloatsPrintTheirShortestForm) {
  EXPECT_EQ(qzcall::toJson(QZValue(0.1f)).dump(), "0.1");
  EXPECT_EQ(qzcall::toJson(QZValue(16777216.0f)).dump(), "16777216.0");
  EXPECT_EQ(qzcall::toJson(QZValue(1.0f / 3.0f)).dump(), "0.33333334");
  EXPECT_EQ(qzcall::toJson(QZValue(-0.0f)).dump(), "-0.0");
}

TEST(JsonValue, StringsThatAreNotUtf8ComeOutAsBase64AndBackWhole) {
  for (const std::string& bytes : {std::string("\xC0\x80", 2), std::string("\xED\xA0\x80"),
                                   std::string("caf\xE9"), std::string("\xE2\x82"),
                                   std::string("\xF4\x90\x80\x80")}) {
    const nlohmann::json json = qzcall::toJson(stringOfBytes(bytes));
    ASSERT_TRUE(json.is_object()) << json.dump();
    ASSERT_TRUE(json.contains("string_base64"));
    EXPECT_EQ(static_cast<const QZ::TQZValueString&>(qzcall::toValue(json)), bytes);
  }
  EXPECT_EQ(qzcall::toJson(stringOfBytes("\xF0\x9F\x8E\x89")), "\xF0\x9F\x8E\x89");
}

TEST(JsonValue, InputWithoutAValueFormIsRefusedWithTheReason) {
  const std::pair<const char*, const char*> cases[] = {
      {"2147483648", "the integer 2147483648 does not fit in 32 bits"},
      {"-2147483649", "the integer -2147483649 does not fit in 32 bits"},
      {"123456789012345678901234567890", "does not fit in 32 bits"},
      {"1e39", "out of the range of a 32-bit float"},
      {"3.4028236e+38", "out of the range of a 32-bit float"},
      {R"({"base64":"AAE"})", "is not base64"},
      {R"({"base64":"A=AA"})", "is not base64"},
      {R"({"base64":"AA=A"})", "is not base64"},
      {R"({"base64":"AA AA="})", "is not base64"},
      {R"({"base64":5})", "takes a string"},
      {R"({"float":"big"})", "\"float\" takes a number"},
      {R"({"colour":"red"})", "unknown JSON object member \"colour\""},
      {R"({"base64":"","float":1})", "exactly one member"},
      {"{}", "exactly one member"},
      {R"("a\u0000b")", "cannot carry a NUL byte"},
      {R"({"string_base64":"YQBi"})", "cannot carry a NUL byte"},
      {"Hello", "syntax error"},
      {"[1, 2", "syntax error"},
      {"1 2", "syntax error"},
  };
  for (const auto& [text, message] : cases) {
    EXPECT_THAT([&] { valueOf(text); }, ThrowsMessage<JsonValueError>(HasSubstr(message)))
        << text;
  }
}

TEST(JsonValue, NestingIsBoundedBothWays) {
  const int limit = qzcall::kMaxJsonDepth;
  EXPECT_NO_THROW(valueOf(std::string(limit, '[') + std::string(limit, ']')));
  EXPECT_THAT([&] { valueOf(std::string(limit + 1, '[') + std::string(limit + 1, ']')); },
              ThrowsMessage<JsonValueError>(HasSubstr("nested deeper than")));
  EXPECT_THAT([&] { valueOf(std::string(100000, '[')); },
              ThrowsMessage<JsonValueError>(HasSubstr("nested deeper than")));

  QZValue deep;
  for (int i = 0; i <= limit; ++i) {
    QZValue outer;
    outer.arraySetSize(1);
    outer[0] = std::move(deep);
    deep = std::move(outer);
  }
  EXPECT_THROW(qzcall::toJson(deep), std::runtime_error);
}

TEST(JsonValue, ArgumentsPackAsOneArrayAndErrorsNameTheArgument) {
  EXPECT_FALSE(qzcall::packArguments({}).isValid());
  const QZValue packed = qzcall::packArguments({R"("HeadYaw")", "[0.5, -1]"});
  ASSERT_EQ(packed.getType(), QZValue::TypeArray);
  ASSERT_EQ(packed.getSize(), 2u);
  EXPECT_EQ(qzcall::toJson(packed).dump(), R"(["HeadYaw",[0.5,-1]])");
  EXPECT_THAT([] { qzcall::packArguments({"1", "Hello"}); },
              ThrowsMessage<JsonValueError>(AllOf(HasSubstr("argument 2 (Hello)"),
                                                  HasSubstr("'\"Hello\"'"))));
}

}  // namespace
