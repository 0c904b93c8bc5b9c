#include <velantrix/system.h>

#include <gtest/gtest.h>

using System::String;
using System::Text::Encoding;

namespace {

std::u16string decode(const std::string& bytes) {
  return Encoding::UTF8.GetString(bytes.data(), bytes.size()).Chars();
}

}  // namespace

TEST(Utf8, EncodesEveryPlane) {
  EXPECT_EQ(Encoding::UTF8.GetStdString(String(u"A\u00e9\u20ac\U0001F600")),
            "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(Encoding::UTF8.GetStdString(String(std::u16string(u"a\0b", 3))),
            std::string("a\0b", 3));
}

TEST(Utf8, UnpairedSurrogatesEncodeAsReplacement) {
  EXPECT_EQ(Encoding::UTF8.GetStdString(String(std::u16string{0xD800, u'x'})), "\xEF\xBF\xBDx");
  EXPECT_EQ(Encoding::UTF8.GetStdString(String(std::u16string{u'x', 0xDC00})), "x\xEF\xBF\xBD");
}

TEST(Utf8, DecodesWellFormedText) {
  EXPECT_EQ(decode("A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"), u"A\u00e9\u20ac\U0001F600");
  EXPECT_EQ(decode(std::string("\0\x7F", 2)), std::u16string(u"\0\x7F", 2));
}

TEST(Utf8, IllFormedSubpartsBecomeOneReplacementEach) {
  EXPECT_EQ(decode("\x80"), u"\uFFFD");                       // lone continuation
  EXPECT_EQ(decode("\xC0\xAF"), u"\uFFFD\uFFFD");             // overlong lead
  EXPECT_EQ(decode("\xE0\x80\x80"), u"\uFFFD\uFFFD\uFFFD");   // overlong three-byte form
  EXPECT_EQ(decode("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");   // encoded surrogate
  EXPECT_EQ(decode("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");  // above U+10FFFF
  EXPECT_EQ(decode("\xF5"), u"\uFFFD");
  EXPECT_EQ(decode("\xE2\x82"), u"\uFFFD");                   // truncated at the end
  EXPECT_EQ(decode("\xE2\x82x"), u"\uFFFDx");                 // the next character survives
  EXPECT_EQ(decode("\xF0\x9F\x98\xC3\xA9"), u"\uFFFD\u00e9");
}

TEST(Utf8, HostByteArraysAndNulls) {
  const auto bytes = Encoding::UTF8.GetBytes(String(u"\u00e9"));
  ASSERT_EQ(bytes.Length(), 2);
  EXPECT_EQ(bytes[0], 0xC3);
  EXPECT_EQ(Encoding::UTF8.GetString(bytes), u"\u00e9");
  EXPECT_THROW(Encoding::UTF8.GetBytes(String()), System::ArgumentNullException);
  EXPECT_THROW(Encoding::UTF8.GetString(System::Array<unsigned char>()),
               System::ArgumentNullException);
}
