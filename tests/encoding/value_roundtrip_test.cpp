// What the writer produces, the reader gives back: every byte of a String, numbers and
// nested values; and the text properties of the parse the reader relies on.
#include "qzvaluesoap.h"
#include "qzvaluesoap_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>
#include <utility>

namespace {

using QZ::QZValue;

QZValue roundTrip(const QZValue& value) {
  std::string text;
  QZ::appendValueXml(value, text, false);
  QZValue back;
  EXPECT_TRUE(QZ::readValueFromText(text + "</qzbroker:return>", back)) << text;
  return back;
}

std::string stringOf(const QZValue& value) { return static_cast<const std::string&>(value); }

std::string stringOfText(const std::string& itemText) {
  QZValue value;
  EXPECT_TRUE(QZ::readValueFromText("<item xsi:type=\"xsd:string\">" + itemText + "</item>", value));
  return stringOf(value);
}

TEST(ValueRoundTrip, KeepsEveryNonNulByte) {
  std::string all;
  for (int byte = 1; byte < 256; ++byte) {
    const std::string one(1, static_cast<char>(byte));
    EXPECT_EQ(stringOf(roundTrip(QZValue(one))), one) << byte;
    all += one;
  }
  EXPECT_EQ(stringOf(roundTrip(QZValue(all))), all);
  for (const char* white : {" ", "\t", "  ", " \t\n", " \t\nx \r\n "})
    EXPECT_EQ(stringOf(roundTrip(QZValue(std::string(white)))), white);
  // NUL is written, but the String read back ends there.
  EXPECT_EQ(stringOf(roundTrip(QZValue(std::string("a\0b", 3)))), "a");
}

TEST(ValueRoundTrip, DecodesReferencesToSingleBytes) {
  EXPECT_EQ(stringOfText("&#233;&#xE9;&#195;&#169;"), "\xE9\xE9\xC3\xA9");
  EXPECT_EQ(stringOfText("&lt;&amp;&gt;&quot;&apos;"), "<&>\"'");
  // Raw white space is condensed, white space written as references is text.
  EXPECT_EQ(stringOfText("  a \n\t b  "), "a b");
  EXPECT_EQ(stringOfText("&#32;a&#32;&#32;b&#10;"), " a  b\n");
  // Single-byte whatever the text claims in front of the item.
  QZValue value;
  ASSERT_TRUE(QZ::readValueFromText(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><item xsi:type=\"xsd:string\">&#233;</item>", value));
  EXPECT_EQ(stringOf(value), "\xE9");
}

TEST(ValueRoundTrip, KeepsNestedValues) {
  QZValue inner;
  inner.arraySetSize(2);
  inner[0] = std::string("x y");
  inner[1] = -0.25f;
  QZValue outer;
  outer.arraySetSize(5);
  outer[0] = inner;
  outer[1] = true;
  outer[2] = 2147483647;
  outer[4].arraySetSize(0);
  const QZValue back = roundTrip(outer);
  EXPECT_EQ(back, outer);
  EXPECT_EQ(back[3].getType(), QZValue::TypeInvalid);
  const QZValue largest = roundTrip(QZValue(3.4028235e38f));
  EXPECT_EQ(static_cast<float>(largest), 3.4028235e38f);
}

// The reader converts numbers without atoi or a stream; its results must be theirs,
// but for not-a-number and the infinities, which a stream reads as 0.
TEST(ValueRoundTrip, ReadsNumbersAsAtoiAndStreamsDo) {
  for (const char* text : {"0", "-0", "7x", "+7", " 12", "-", "123456789", "1234567890",
                           "2147483647", "-2147483648", "2147483648", "99999999999",
                           "-99999999999999999999", "000000000012"})
    EXPECT_EQ(QZ::valuexml::readInt(text), std::atoi(text)) << text;

  std::vector<std::string> texts = {"", " ", "-", "+", ".", "-.", "+-1", "-+1", "1e", "1e+",
                                    "1e-x", "1.5e", "e5", ".e5", "0x10", "1..2",
                                    "  \t12.5abc", "1e5e3", "00012", "-0", "3.4028236e38",
                                    "1e39", "-1e39", "1e-39", "1e-46", "1e-50",
                                    "123456789012345678901234567890", "1e99999999999999999",
                                    "0.000000000000000000000000000000000000000000001"};
  std::mt19937 random(11);
  const std::string alphabet = "0123456789.+-eE x";
  std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1), length(0, 9);
  for (int i = 0; i < 50000; ++i) {
    std::string text;
    for (std::size_t n = length(random); n > 0; --n) text += alphabet[pick(random)];
    texts.push_back(text);
  }
  std::uniform_real_distribution<float> number(-1e4f, 1e4f);
  std::uniform_int_distribution<int> digits(1, 10), exponent(-12, 12);
  for (int i = 0; i < 50000; ++i) {
    char text[64];
    const double value = static_cast<double>(number(random)) * std::pow(10.0, exponent(random));
    std::snprintf(text, sizeof text, i % 2 ? "%.*g" : "%.*f", digits(random), value);
    texts.push_back(text);
  }
  for (const std::string& text : texts) {
    std::istringstream stream(text);
    float expected = 0.0f;
    stream >> expected;
    const float got = QZ::valuexml::readFloat(text.c_str());
    ASSERT_EQ(std::memcmp(&got, &expected, sizeof got), 0)
        << "'" << text << "': " << got << " != " << expected;
  }
}

// What the writer prints for not-a-number and the infinities ("%.8g" gives nan, inf,
// -inf) and what XML Schema spells (NaN, INF, -INF) come back as those values, not as 0.
TEST(ValueRoundTrip, KeepsNotANumberAndTheInfinities) {
  const float inf = std::numeric_limits<float>::infinity();
  for (const float special : {std::numeric_limits<float>::quiet_NaN(), inf, -inf}) {
    std::string text;
    QZ::appendValueXml(QZValue(special), text, false);
    QZValue back;
    ASSERT_TRUE(QZ::readValueFromText(text, back)) << text;
    ASSERT_EQ(back.getType(), QZValue::TypeFloat) << text;
    const float got = static_cast<float>(static_cast<const QZValue&>(back));
    if (std::isnan(special)) EXPECT_TRUE(std::isnan(got)) << text;
    else EXPECT_EQ(got, special) << text;
  }
  const std::pair<const char*, float> spellings[] = {
      {"nan", NAN}, {"NaN", NAN}, {"-nan", NAN}, {"+NAN", NAN}, {"inf", inf}, {"INF", inf},
      {"-INF", -inf}, {"-inf", -inf}, {"+inf", inf}, {"Infinity", inf}, {"-infinity", -inf},
      {" \tnan", NAN}, {"inf ", inf}, {"inf\n", inf}};
  for (const auto& [text, expected] : spellings) {
    const float got = QZ::valuexml::readFloat(text);
    if (std::isnan(expected)) EXPECT_TRUE(std::isnan(got)) << text;
    else EXPECT_EQ(got, expected) << text;
  }
  // Anything else that is not a number still reads as a stream reads it: 0.
  for (const char* text : {"nanx", "in", "infinit", "infinityy", "n an", "-", "na", "x"})
    EXPECT_EQ(QZ::valuexml::readFloat(text), 0.0f) << text;
  EXPECT_EQ(QZ::valuexml::readFloat("1inf"), 1.0f);
  EXPECT_EQ(QZ::valuexml::readFloat("1nan"), 1.0f);
}

}  // namespace
