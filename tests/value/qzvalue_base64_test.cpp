// Base64 text of Binary and Object values: line breaks, padding and tolerant decoding.
#include "qzvalue/qzvalue.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using QZ::QZValue;

namespace {

QZValue bytesOf(std::size_t count, unsigned seed = 1) {
  std::mt19937 random(seed);
  std::vector<unsigned char> bytes(count);
  for (auto& byte : bytes) byte = static_cast<unsigned char>(random());
  QZValue value;
  value = bytes;
  return value;
}

std::string encoded(const QZValue& value) {
  std::string text;
  value.encodeBase64(text);
  return text;
}

std::string bytesText(const QZValue& value) {
  if (value.getSize() == 0) return "";
  return std::string(static_cast<const char*>(value.GetBinary()), value.getSize());
}

}  // namespace

TEST(QZValueBase64, KnownTexts) {
  QZValue value;
  value.SetBinary("Man", 3);
  EXPECT_EQ(encoded(value), "TWFu");
  value.SetBinary("Ma", 2);
  EXPECT_EQ(encoded(value), "TWE=");
  value.SetBinary("M", 1);
  EXPECT_EQ(encoded(value), "TQ==");
  value.SetBinary(nullptr, 0);
  EXPECT_EQ(encoded(value), "");
  value.SetBinary("\xfb\xff", 2);
  EXPECT_EQ(encoded(value), "+/8=");

  std::string text = "prefix:";  // encoding appends
  bytesOf(3).encodeBase64(text);
  EXPECT_EQ(text.size(), 11u);
  EXPECT_EQ(encoded(QZValue(5)), "");  // only byte storage has a base64 text
}

TEST(QZValueBase64, LineFeedAfterEvery72Characters) {
  const std::string at54 = encoded(bytesOf(54));
  ASSERT_EQ(at54.size(), 73u);
  EXPECT_EQ(at54.find('\n'), 72u);

  const std::string at55 = encoded(bytesOf(55));
  ASSERT_EQ(at55.size(), 77u);
  EXPECT_EQ(at55.substr(0, 73), at54);  // same first 54 bytes
  EXPECT_EQ(at55.substr(75), "==");     // no line feed after the padded group

  const std::string at108 = encoded(bytesOf(108));
  EXPECT_EQ(at108.size(), 146u);
  EXPECT_EQ(at108[72], '\n');
  EXPECT_EQ(at108[145], '\n');
  EXPECT_EQ(encoded(bytesOf(53)).find('\n'), std::string::npos);
}

TEST(QZValueBase64, RoundTripsEveryLengthUpToAFewLines) {
  for (std::size_t count = 0; count < 200; ++count) {
    const QZValue source = bytesOf(count, static_cast<unsigned>(count));
    QZValue decoded;
    decoded.decodeBase64Binary(encoded(source).c_str());
    ASSERT_EQ(decoded.getType(), QZValue::TypeBinary);
    ASSERT_TRUE(decoded == source) << "length " << count;
  }
}

TEST(QZValueBase64, DecodeSkipsJunkAndStopsAtPadding) {
  const QZValue source = bytesOf(100);
  const std::string clean = encoded(source);
  std::string noisy;
  for (char c : clean) {
    noisy += c;
    noisy += (c == '\n') ? " \t" : " \r\n*";
  }
  QZValue a, b;
  a.decodeBase64Binary(clean.c_str());
  b.decodeBase64Binary(noisy.c_str());
  EXPECT_TRUE(a == source);
  EXPECT_TRUE(b == source);

  QZValue value;
  value.decodeBase64Binary("TWE=TWFu");  // "=" ends the text
  EXPECT_EQ(bytesText(value), "Ma");
  value.decodeBase64Binary("TWFuTW");  // a group cut by the end gives nothing
  EXPECT_EQ(bytesText(value), "Man");
  value.decodeBase64Binary("TWFuT=");  // "=" in the second place: nothing from that group
  EXPECT_EQ(bytesText(value), "Man");
  value.decodeBase64Binary("=");
  EXPECT_EQ(value.getSize(), 0u);
  value.decodeBase64Binary("");
  EXPECT_EQ(value.getType(), QZValue::TypeBinary);
  EXPECT_EQ(value.getSize(), 0u);
}

TEST(QZValueBase64, DecodeReplacesAnyKindAndObjectKeepsItsKind) {
  QZValue value;
  value.arraySetSize(4);
  value.decodeBase64Binary("TWFu");
  EXPECT_EQ(value.getType(), QZValue::TypeBinary);
  EXPECT_EQ(bytesText(value), "Man");
  value.decodeBase64Object("TQ==");
  EXPECT_EQ(value.getType(), QZValue::TypeObject);
  EXPECT_EQ(value.getSize(), 1u);
  EXPECT_EQ(encoded(value), "TQ==");
  value.decodeBase64Binary("TWE=");  // from Object back to Binary
  EXPECT_EQ(value.getType(), QZValue::TypeBinary);
  EXPECT_EQ(bytesText(value), "Ma");
}
