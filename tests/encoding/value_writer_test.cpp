// The <item> texts the writer produces for every kind.
#include "qzvaluesoap.h"
#include "qzvaluesoap_text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <cstdio>
#include <limits>
#include <random>

namespace {

using QZ::QZValue;

std::string itemOf(const QZValue& value, bool nested = false) {
  std::string out;
  QZ::appendValueXml(value, out, nested);
  return out;
}

TEST(ValueWriter, WritesEveryKind) {
  EXPECT_EQ(itemOf(QZValue()), "");
  EXPECT_EQ(itemOf(QZValue(), true), "<item xsi:nil=\"true\" xsi:type=\"nil\">nil</item>");
  EXPECT_EQ(itemOf(QZValue(true)), "<item xsi:type=\"xsd:boolean\">true</item>");
  EXPECT_EQ(itemOf(QZValue(false)), "<item xsi:type=\"xsd:boolean\">false</item>");
  EXPECT_EQ(itemOf(QZValue(-2147483647 - 1)), "<item xsi:type=\"xsd:int\">-2147483648</item>");
  EXPECT_EQ(itemOf(QZValue(0.5f)), "<item xsi:type=\"xsd:float\">0.5</item>");
  EXPECT_EQ(itemOf(QZValue(1234567.0f)), "<item xsi:type=\"xsd:float\">1234567</item>");
  EXPECT_EQ(itemOf(QZValue(123456789.0f)), "<item xsi:type=\"xsd:float\">1.2345679e+08</item>");
  EXPECT_EQ(itemOf(QZValue(std::string("<&>"))), "<item xsi:type=\"xsd:string\">&lt;&amp;&gt;</item>");
  EXPECT_EQ(itemOf(QZValue(std::string("a b"))), "<item xsi:type=\"xsd:string\">a&#32;b</item>");
  EXPECT_EQ(itemOf(QZValue(std::string("\xC3\xA9"))),
            "<item xsi:type=\"xsd:string\">&#195;&#169;</item>");

  QZValue object;
  object.decodeBase64Object("AAEC");
  EXPECT_EQ(itemOf(object), "<item xsi:type=\"xsd:base64Object\">AAEC</item>");
  QZValue binary;
  const unsigned char bytes[] = {0x00, 0xFF};
  binary.SetBinary(bytes, 2);
  EXPECT_EQ(itemOf(binary), "<item xsi:type=\"xsd:base64Binary\">MQ==</item>");
}

TEST(ValueWriter, WritesArraysWithoutSeparators) {
  QZValue list;
  list.arraySetSize(3);
  for (int i = 0; i < 3; ++i) list[i] = i + 1;
  EXPECT_EQ(itemOf(list),
            "<item xsi:type=\"Array\"><item xsi:type=\"xsd:int\">1</item><item "
            "xsi:type=\"xsd:int\">2</item><item xsi:type=\"xsd:int\">3</item></item>");
  QZValue empty;
  empty.arraySetSize(0);
  EXPECT_EQ(itemOf(empty), "<item xsi:type=\"Array\"></item>");
  QZValue holdsInvalid;
  holdsInvalid.arraySetSize(1);
  EXPECT_EQ(itemOf(holdsInvalid),
            "<item xsi:type=\"Array\"><item xsi:nil=\"true\" xsi:type=\"nil\">nil</item></item>");
}

TEST(ValueWriter, EscapesEveryByteValue) {
  EXPECT_EQ(QZ::escapeXmlText(std::string("\"'\t\n", 4), true), "&quot;&apos;&#9;&#10;");
  EXPECT_EQ(QZ::escapeXmlText(std::string("a b\0", 4), true), "a&#32;b&#0;");
  EXPECT_EQ(QZ::escapeXmlText("a b", false), "a b");
  for (int byte = 0; byte < 256; ++byte) {
    const std::string one(1, static_cast<char>(byte));
    std::string expected = one;
    if (byte >= 128 || byte < 33) expected = "&#" + std::to_string(byte) + ";";
    if (byte == '&') expected = "&amp;";
    if (byte == '<') expected = "&lt;";
    if (byte == '>') expected = "&gt;";
    if (byte == '"') expected = "&quot;";
    if (byte == '\'') expected = "&apos;";
    EXPECT_EQ(QZ::escapeXmlText(one, true), expected) << byte;
  }
}

// The writer formats numbers without printf; its texts must be printf's, byte for byte.
TEST(ValueWriter, NumberTextsMatchPrintf) {
  std::mt19937 random(7);
  std::vector<float> samples = {0.0f, -0.0f, 1.0f, -1.5f, FLT_MAX, -FLT_MAX, FLT_MIN,
                                FLT_TRUE_MIN, 1e-5f, 1e16f, 99999999.0f, 0.1f,
                                std::numeric_limits<float>::infinity(),
                                -std::numeric_limits<float>::infinity(),
                                std::numeric_limits<float>::quiet_NaN(),
                                -std::numeric_limits<float>::quiet_NaN()};
  std::uniform_int_distribution<std::uint32_t> bits;
  for (int i = 0; i < 20000; ++i) {
    const std::uint32_t word = bits(random);
    float f;
    std::memcpy(&f, &word, sizeof f);
    samples.push_back(f);
  }
  for (float f : samples) {
    char expected[128];
    std::snprintf(expected, sizeof expected, "%.8g", static_cast<double>(f));
    std::string text;
    QZ::valuexml::appendFloat(text, f);
    ASSERT_EQ(text, expected);
  }
  for (int i : {0, -1, 7, 2147483647, -2147483647 - 1}) {
    std::string text;
    QZ::valuexml::appendInt(text, i);
    EXPECT_EQ(text, std::to_string(i));
  }
}

}  // namespace
