// Reading the result of callTamsa answers.
#include "wirefixture.h"

#include "qzvalue/qzerror.h"

#include <gmock/gmock.h>

using QZ::QZValue;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

using AnswerReaderTest = WireTest;

TEST_F(AnswerReaderTest, ResultElementIsReadWhateverItsName) {
  answerResult("<item xsi:type=\"xsd:float\">1.5</item>");
  server.enqueue(qztest::httpAnswer(qztest::soapEnvelope(
      "<qzbroker:callTamsaResponse><ns1:result xmlns:ns1=\"urn:other\">"
      "<item xsi:type=\"xsd:int\">42</item></ns1:result></qzbroker:callTamsaResponse>")));
  // A typed result element without an item carries the value itself.
  server.enqueue(qztest::httpAnswer(qztest::soapEnvelope(
      "<qzbroker:callTamsaResponse><ns1:result xmlns:ns1=\"urn:other\" xsi:type=\"xsd:int\">7"
      "</ns1:result></qzbroker:callTamsaResponse>")));

  QZValue result;
  ASSERT_EQ(0, call("getMass", QZValue(), result));
  EXPECT_EQ(QZValue(1.5f), result);
  QZ::wire::finishCall(soap);
  result.clear();
  ASSERT_EQ(0, call("getMass", QZValue(), result));
  EXPECT_EQ(QZValue(42), result);
  QZ::wire::finishCall(soap);
  result.clear();
  ASSERT_EQ(0, call("getMass", QZValue(), result));
  EXPECT_EQ(QZValue(7), result);
}

TEST_F(AnswerReaderTest, OnlyTheFirstElementOfTheAnswerCounts) {
  server.enqueue(qztest::httpAnswer(qztest::soapEnvelope(
      "<qzbroker:callTamsaResponse>\n  <qzbroker:return>\n    <item xsi:type=\"Array\">\n"
      "      <item xsi:type=\"xsd:int\">1</item>\n      <item xsi:type=\"xsd:string\">a&#32;&lt;b</item>\n"
      "    </item>\n  </qzbroker:return>\n  <qzbroker:return><item xsi:type=\"xsd:int\">2</item>"
      "</qzbroker:return><other a=\"&gt;\"/></qzbroker:callTamsaResponse>")));
  QZValue result;
  ASSERT_EQ(0, call("getList", QZValue(), result));
  ASSERT_EQ(QZValue::TypeArray, result.getType());
  ASSERT_EQ(2u, result.getSize());
  EXPECT_EQ(QZValue(1), result[0]);
  EXPECT_EQ(QZValue(std::string("a <b")), result[1]);
}

TEST_F(AnswerReaderTest, EmptyOrMissingResultGivesNoValue) {
  answerResult("");
  server.enqueue(qztest::httpAnswer(qztest::soapEnvelope(
      "<qzbroker:callTamsaResponse><qzbroker:return/></qzbroker:callTamsaResponse>")));
  server.enqueue(qztest::httpAnswer(qztest::soapEnvelope("<qzbroker:callTamsaResponse/>")));
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    QZValue result;
    ASSERT_EQ(0, call("stop", QZValue(), result));
    EXPECT_EQ(QZValue::TypeInvalid, result.getType());
    QZ::wire::finishCall(soap);
  }
}

TEST_F(AnswerReaderTest, HeaderAndOtherSchemaYearsDoNotChangeTheResult) {
  server.enqueue(qztest::httpAnswer(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\""
      " xmlns:xsi=\"http://www.w3.org/1999/XMLSchema-instance\""
      " xmlns:xsd=\"http://www.w3.org/1999/XMLSchema\" xmlns:qzbroker=\"urn:qzbroker\""
      " xmlns:h=\"urn:auth\"><SOAP-ENV:Header><h:credentials><userid>u</userid>"
      "<passwd>p</passwd></h:credentials></SOAP-ENV:Header><SOAP-ENV:Body>"
      "<qzbroker:callTamsaResponse><qzbroker:return><item xsi:type=\"xsd:boolean\">true</item>"
      "</qzbroker:return></qzbroker:callTamsaResponse></SOAP-ENV:Body></SOAP-ENV:Envelope>"));
  QZValue result;
  ASSERT_EQ(0, call("isRunning", QZValue(), result));
  EXPECT_EQ(QZValue(true), result);
}

TEST_F(AnswerReaderTest, FaultInsideTheResultRaisesAndTheNextCallReconnects) {
  answerResult("<SOAP-ENV:Fault><faultcode>SOAP-ENV:Server</faultcode>"
               "<faultstring>boom</faultstring></SOAP-ENV:Fault>");
  answerResult("<item xsi:type=\"xsd:int\">5</item>");
  QZValue result;
  try {
    call("explode", QZValue(), result);
    FAIL() << "no error raised";
  } catch (const QZ::QZError& error) {
    EXPECT_THAT(error.what(), StartsWith("\tQZValue::Receving Fault response: "));
    EXPECT_THAT(error.what(),
                HasSubstr("Fault: 'SOAP-ENV:Fault': faultcode: SOAP-ENV:Server, faultstring: boom, "));
  }
  QZ::wire::finishCall(soap);
  result.clear();
  ASSERT_EQ(0, call("getValue", QZValue(), result));
  EXPECT_EQ(QZValue(5), result);
  EXPECT_EQ(2, server.connectionsAccepted());
  EXPECT_EQ("keep-alive", server.request(1).header("Connection"));
}

TEST_F(AnswerReaderTest, AnswerOfAnotherOperationFails) {
  server.enqueue(qztest::httpAnswer(qztest::answerEnvelope("callTamsa2Response",
                                                           "<item xsi:type=\"xsd:int\">5</item>")));
  QZValue result;
  EXPECT_NE(0, call("getValue", QZValue(), result));
  EXPECT_EQ(QZValue::TypeInvalid, result.getType());
}

}  // namespace
