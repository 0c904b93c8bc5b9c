// The reader's rules: type names, per-kind texts, wrappers, arrays and embedded faults.
#include "qzvaluesoap.h"

#include "qzvalue/qzerror.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using QZ::QZValue;
using testing::StrEq;
using testing::ThrowsMessage;

// QZValue converts from const values only; a mutable one would pick its int& view.
bool asBool(const QZValue& value) { return static_cast<bool>(value); }
int asInt(const QZValue& value) { return static_cast<int>(value); }
float asFloat(const QZValue& value) { return static_cast<float>(value); }

QZValue readText(const std::string& text) {
  QZValue value;
  EXPECT_TRUE(QZ::readValueFromText(text, value)) << text;
  return value;
}

QZValue readItem(const std::string& type, const std::string& text) {
  return readText("<item xsi:type=\"" + type + "\">" + text + "</item>");
}

// The line number is the only part left open.
const char* const kAssertFailed =
    "\tQZValue::Assert failed\n\tinternal/qzsoap/src/interface/qzvaluesoap\\.cpp:[0-9]+";

TEST(ValueReader, MapsTypeNames) {
  using T = QZValue;
  const std::pair<const char*, QZValue::Type> cases[] = {
      {"xsd:string", T::TypeString},       {"xsd:int", T::TypeInt},
      {"xsd:double", T::TypeFloat},        {"xsd:float", T::TypeFloat},
      {"xsd:boolean", T::TypeBool},        {"mybool", T::TypeBool},
      {"xsd:base64Object", T::TypeObject}, {"xsd:base64Binary", T::TypeBinary},
      {"SOAP-ENC:Array", T::TypeArray},    {"xsd:long", T::TypeInvalid},
      {"xs:int", T::TypeInvalid},          {"XSD:INT", T::TypeInvalid},
      {"nil", T::TypeInvalid},             {"", T::TypeInvalid}};
  for (const auto& [name, kind] : cases) EXPECT_EQ(QZ::itemTypeFromName(name), kind) << name;
  EXPECT_EQ(QZ::itemTypeFromName(nullptr), T::TypeInvalid);
}

TEST(ValueReader, ReadsScalarTexts) {
  EXPECT_EQ(asBool(readItem("xsd:boolean", "False")), false);
  EXPECT_EQ(asBool(readItem("xsd:boolean", "0")), false);
  EXPECT_EQ(asBool(readItem("xsd:boolean", "")), false);
  EXPECT_EQ(asBool(readItem("xsd:boolean", "falsey")), true);
  EXPECT_EQ(asBool(readItem("xsd:boolean", "no")), true);
  EXPECT_EQ(asBool(readItem("xsd:boolean", "2")), true);
  EXPECT_EQ(asInt(readItem("xsd:int", "12abc")), 12);
  EXPECT_EQ(asInt(readItem("xsd:int", "abc")), 0);
  EXPECT_EQ(asInt(readItem("xsd:int", "")), 0);
  EXPECT_EQ(asFloat(readItem("xsd:double", "2.5")), 2.5f);
  EXPECT_EQ(asFloat(readItem("xsd:float", "1e-3")), 1e-3f);
  EXPECT_EQ(asFloat(readItem("xsd:float", "abc")), 0.0f);
  EXPECT_EQ(readItem("xsd:long", "5").getType(), QZValue::TypeInvalid);
  EXPECT_EQ(readItem("xsd:string", "").getType(), QZValue::TypeString);
  EXPECT_EQ(readItem("xsd:string", "").getSize(), 0u);

  QZValue binary = readItem("xsd:base64Binary", "AP8=");
  ASSERT_EQ(binary.getType(), QZValue::TypeBinary);
  EXPECT_EQ(binary.getSize(), 2u);
  // An Object item without text is an empty Object rather than a failure.
  QZValue object = readItem("xsd:base64Object", "");
  EXPECT_EQ(object.getType(), QZValue::TypeObject);
  EXPECT_EQ(object.getSize(), 0u);
}

TEST(ValueReader, ReadsArraysAndTheirChildren) {
  QZValue typed = readText(
      "<item xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"xsd:int[2]\">"
      "<item>1</item><item>2</item></item>");
  ASSERT_EQ(typed.getSize(), 2u);
  EXPECT_EQ(asInt(typed[1]), 2);

  QZValue otherPrefix =
      readText("<item xsi:type=\"Array\" n2:arrayType=\"xsd:string[1]\"><item>x</item></item>");
  EXPECT_EQ(static_cast<const std::string&>(otherPrefix[0]), "x");

  QZValue untyped = readText("<item xsi:type=\"Array\"><a/><b>3</b></item>");
  ASSERT_EQ(untyped.getSize(), 2u);
  EXPECT_EQ(untyped[0].getType(), QZValue::TypeArray);
  EXPECT_EQ(untyped[1].getSize(), 0u);

  // Indentation never takes an index; other text between items does.
  QZValue indented = readText("<item xsi:type=\"Array\">\n  <item xsi:type=\"xsd:int\">4</item>\n</item>");
  EXPECT_EQ(indented.getSize(), 1u);
  for (const char* between : {"x", "&#32;", "<!-- c -->"}) {
    QZValue gap = readText(std::string("<item xsi:type=\"Array\">") + between +
                           "<item xsi:type=\"xsd:int\">4</item></item>");
    ASSERT_EQ(gap.getSize(), 2u) << between;
    EXPECT_EQ(gap[0].getType(), QZValue::TypeInvalid);
  }

  QZValue nil = readText("<item xsi:type=\"Array\"><item xsi:nil=\"true\" xsi:type=\"nil\">nil</item></item>");
  ASSERT_EQ(nil.getSize(), 1u);
  EXPECT_EQ(nil[0].getType(), QZValue::TypeInvalid);

  QZValue marked = readText("<list xmlns=\"urn:Velantrix.Broker.Array\"><item xsi:type=\"xsd:int\">5</item></list>");
  ASSERT_EQ(marked.getType(), QZValue::TypeArray);
  EXPECT_EQ(asInt(marked[0]), 5);

  // Without "[" the whole text is the element type, with the default capacity.
  QZValue bare = readText("<item xsi:type=\"Array\" SOAP-ENC:arrayType=\"xsd:int\"><item>6</item></item>");
  EXPECT_EQ(asInt(bare[0]), 6);
}

TEST(ValueReader, DescendsThroughWrappers) {
  EXPECT_EQ(asInt(readText("<qzbroker:return><item xsi:type=\"xsd:int\">7</item></qzbroker:return>")), 7);
  EXPECT_EQ(readText("<qzbroker:return></qzbroker:return>").getType(), QZValue::TypeInvalid);
  EXPECT_EQ(asInt(readText("<return xsi:type=\"xsd:int\">8</return>")), 8);
  // Only once: a wrapper inside a wrapper is read as a value of its own.
  EXPECT_EQ(readText("<r><p><item xsi:type=\"xsd:int\">9</item></p></r>").getType(),
            QZValue::TypeInvalid);
}

// The reader is handed everything after the result's start tag: the first element
// counts even though the stray end tags after it make no document.
TEST(ValueReader, TakesTheFirstElementOfARunningText) {
  QZValue value;
  value = 3;
  EXPECT_FALSE(QZ::readValueFromText("", value));
  EXPECT_FALSE(QZ::readValueFromText("  </qzbroker:return></qzbroker:callTamsaResponse>", value));
  EXPECT_EQ(asInt(value), 3);
  EXPECT_TRUE(QZ::readValueFromText(
      "<item xsi:type=\"xsd:int\">42</item></qzbroker:return></qzbroker:callTamsaResponse>"
      "</SOAP-ENV:Body></SOAP-ENV:Envelope>junk<x><y>",
      value));
  EXPECT_EQ(asInt(value), 42);
}

TEST(ValueReader, RaisesEmbeddedFaults) {
  const std::string fault =
      "<SOAP-ENV:Fault><faultcode>SOAP-ENV:Server</faultcode><faultstring>boom</faultstring>"
      "</SOAP-ENV:Fault>";
  const char* expected =
      "\tQZValue::Receving Fault response: \n\tFault: 'SOAP-ENV:Fault': faultcode: "
      "SOAP-ENV:Server, faultstring: boom, ";
  QZValue value;
  EXPECT_THAT([&] { QZ::readValueFromText(fault, value); },
              ThrowsMessage<QZ::QZError>(StrEq(expected)));
  EXPECT_THAT([&] { QZ::readValueFromText("<qzbroker:return>" + fault + "</qzbroker:return>", value); },
              ThrowsMessage<QZ::QZError>(StrEq(expected)));
  // A child without text adds its name only; the walk ends at the first non-element.
  EXPECT_THAT([&] { QZ::readValueFromText("<myFault><a/><b>x</b><!--c--><d>y</d></myFault>", value); },
              ThrowsMessage<QZ::QZError>(
                  StrEq("\tQZValue::Receving Fault response: \n\tFault: 'myFault': a: b: x, ")));
}

TEST(ValueReader, RaisesTheDocumentedAssertions) {
  QZValue value;
  testing::internal::CaptureStdout();
  EXPECT_THAT([&] { QZ::readValueFromText("<item xsi:type=\"xsd:base64Binary\"/>", value); },
              ThrowsMessage<QZ::QZError>(testing::MatchesRegex(kAssertFailed)));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "error\n");

  const std::string name510(510, 'a');
  EXPECT_TRUE(QZ::readValueFromText(
      "<item xsi:type=\"Array\" SOAP-ENC:arrayType=\"" + name510 + "[1]\"/>", value));
  const std::string name511(511, 'a');
  for (const std::string& arrayType : {name511 + "[1]", name511}) {
    EXPECT_THAT(
        [&] {
          QZ::readValueFromText(
              "<item xsi:type=\"Array\" SOAP-ENC:arrayType=\"" + arrayType + "\"/>", value);
        },
        ThrowsMessage<QZ::QZError>(testing::MatchesRegex(kAssertFailed)));
  }
}

}  // namespace
