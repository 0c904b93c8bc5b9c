// Hostile answer text: nesting, attribute floods, huge declared counts.
#include "qzvaluesoap.h"
#include "qzvaluesoap_prescan.h"

#include "qzvalue/qzerror.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <algorithm>
#include <cstring>

namespace {

using QZ::QZValue;
using testing::StrEq;
using testing::ThrowsMessage;

std::string nested(int levels, const std::string& leaf) {
  std::string text;
  for (int i = 1; i < levels; ++i) text += "<item xsi:type=\"Array\">";
  text += leaf;
  for (int i = 1; i < levels; ++i) text += "</item>";
  return text;
}

const char* const kTooDeep = "\tQZValue::readValueXml\n\tnesting deeper than 256 levels";

TEST(ValueHostile, LimitsNesting) {
  const std::string leaf = "<item xsi:type=\"xsd:int\">1</item>";
  QZValue value;
  ASSERT_TRUE(QZ::readValueFromText("<qzbroker:return>" + nested(256, leaf) + "</qzbroker:return>", value));
  const QZValue* inner = &value;
  for (int level = 1; level < 256; ++level) inner = &(*inner)[0];
  EXPECT_EQ(static_cast<int>(*inner), 1);

  EXPECT_THAT([&] { QZ::readValueFromText(nested(257, leaf), value); },
              ThrowsMessage<QZ::QZError>(StrEq(kTooDeep)));
  // Far too deep for the parser's own recursion: refused before it runs.
  std::string flood;
  for (int i = 0; i < 100000; ++i) flood += "<a>";
  EXPECT_THAT([&] { QZ::readValueFromText(flood, value); },
              ThrowsMessage<QZ::QZError>(StrEq(kTooDeep)));
  // Direct callers of the element reader meet the same limit.
  TiXmlDocument document;
  document.Parse(nested(300, leaf).c_str(), nullptr, TIXML_ENCODING_LEGACY);
  EXPECT_THAT([&] { QZ::readValueXml(document.FirstChildElement(), value, 0); },
              ThrowsMessage<QZ::QZError>(StrEq(kTooDeep)));
}

// Only the first element is read, so only it has to keep within the bounds.
TEST(ValueHostile, BoundsApplyToTheFirstElementOnly) {
  std::string attributes = "<x";
  for (int i = 0; i < 200; ++i) attributes += " a" + std::to_string(i) + "=\"\"";
  attributes += "/>";
  const std::string trailers[] = {std::string(100000, '<'), nested(5000, ""), attributes};
  for (const std::string& trailer : trailers) {
    for (const char* first : {"<item xsi:type=\"xsd:int\">1</item>", "<item xsi:type=\"xsd:int\" >1</item>"}) {
      QZValue value;
      ASSERT_TRUE(QZ::readValueFromText(first + trailer, value)) << first;
      EXPECT_EQ(value, QZValue(1));
      value.clear();
      ASSERT_TRUE(QZ::readValueWithDocumentParser(first + trailer, value)) << first;
      EXPECT_EQ(value, QZValue(1));
    }
  }
}

TEST(ValueHostile, LimitsAttributesPerElement) {
  std::string text = "<item";
  for (int i = 0; i < 129; ++i) text += " a" + std::to_string(i) + "=\"\"";
  text += "/>";
  QZValue value;
  EXPECT_THAT([&] { QZ::readValueFromText(text, value); },
              ThrowsMessage<QZ::QZError>(
                  StrEq("\tQZValue::readValueXml\n\tan element with more than 128 attributes")));
}

// The parser keeps whatever it read of an element it gave up on; the reader refuses it.
TEST(ValueHostile, RefusesAFirstElementCutShortOrMalformed) {
  const char* texts[] = {
      "<item xsi:type=\"Array\"><item xsi:type=\"xsd:int\">1</item><item xsi:type=\"xsd:int\">2",
      "<item xsi:type=\"Array\"><item xsi:ty",
      "<item xsi:type=\"xsd:string\">a &#xZZ; b</item>",
      "<item xsi:type=\"xsd:int\" xsi:type=\"xsd:string\">1</item>",
      "<item xsi:type=\"xsd:int\">1</itemx>"};
  for (const char* text : texts) {
    QZValue value;
    EXPECT_THAT([&] { QZ::readValueFromText(text, value); },
                ThrowsMessage<QZ::QZError>(StrEq("\tQZValue::readValueXml\n\tthe answer is cut "
                                                 "short or malformed inside its first element")))
        << text;
  }
}

TEST(ValueHostile, ReservesNoMoreThanTheChildren) {
  for (const char* count : {"2000000000", "-5", "99999999999999999999"}) {
    QZValue value;
    ASSERT_TRUE(QZ::readValueFromText(std::string("<item xsi:type=\"Array\" SOAP-ENC:arrayType=\"xsd:int[") +
                                          count + "]\"><item>1</item></item>",
                                      value));
    EXPECT_EQ(value.getSize(), 1u);
    EXPECT_LE(value.arrayElements()->capacity(), 64u) << count;
  }
}

std::size_t treeDepth(const TiXmlNode* node) {
  std::size_t deepest = 0;
  for (const TiXmlNode* child = node->FirstChild(); child; child = child->NextSibling())
    if (child->ToElement()) deepest = std::max(deepest, 1 + treeDepth(child));
  return deepest;
}

// The pre-scan must see every nesting the parser builds, including where the parser's
// reading of references, comments, attributes and declarations hides or shows markup.
TEST(ValueHostile, PrescanAgreesWithTheParser) {
  const char* texts[] = {
      "<a><b/><c><d></d></c></a>",
      "<a x='<b>' y=\"<c>\"><d/></a>",
      "<a><!-- <b><c> --><d><e/></d></a>",
      "<a><![CDATA[<b><c>]]><d/></a>",
      "<a>&#<!--&#1;<b><c><d></d></c></b></a>",
      "<a x=\"&#\"<!--&#9;\"><b><c/></b></a>",
      "<a>&#x<!--x4;<b><c/></b></a>",
      "<?xml version=\"><!--\" ?><a><b><c/></b></a>",
      "<?XML VERSION='>' encoding=x standalone><a><b/></a>",
      "<!DOCTYPE x [<!ENTITY y 'z'>]><a><b/></a>",
      "<a></ab><b><c/></b></a>",
      "<a></a ><b><c><d/></c></b>",
      "<a x=y\"><b><c/></b></a>",
      "<a =\"<b>\"><b><c/></b></a>",
      "<a>< b><c><d/></c></a>",
      "</a><a><b/></a>x<c><d><e/></d></c>",
      "<a>&#12<b><c/></b>;</a>",
      "<a\xC3\xA9><b\xFF/></a\xC3\xA9>",
  };
  for (const char* text : texts) {
    TiXmlDocument document;
    document.Parse(text, nullptr, TIXML_ENCODING_LEGACY);
    const auto shape = QZ::valuexml::scanMarkup(text, std::strlen(text), 1000, 1000);
    EXPECT_EQ(shape.depth, treeDepth(&document)) << text;
  }
}

}  // namespace
