// Fault texts of failed calls: received faults in both SOAP versions' forms, HTTP
// statuses and failures of the engine itself.
#include "wirefixture.h"

#include <gmock/gmock.h>

#include <memory>

using QZ::QZValue;
using ::testing::StartsWith;

namespace {

using FaultTest = WireTest;

struct FaultCase {
  const char* name;
  std::string answer;
  const char* faultString;
  const char* faultDetail;
};

TEST_F(FaultTest, ReceivedFaultsGiveTheirStringAndLiteralDetail) {
  const std::string status500 = "500 Internal Server Error";
  const FaultCase cases[] = {
      {"1.1 with detail",
       qztest::httpAnswer(qztest::faultEnvelope("no method m.fail", "<qz:error>detail &amp; text</qz:error>"),
                          "text/xml; charset=utf-8", status500),
       "no method m.fail", "<qz:error>detail &amp; text</qz:error>"},
      {"1.1 with text detail", qztest::httpAnswer(qztest::faultEnvelope("boom", "x"), "text/xml", status500),
       "boom", "x"},
      {"1.1 without detail", qztest::httpAnswer(qztest::faultEnvelope("boom", nullptr), "text/xml", status500),
       "boom", ""},
      {"with status 200", qztest::httpAnswer(qztest::faultEnvelope("ok-fault", nullptr)), "ok-fault", ""},
      {"1.2 form",
       qztest::httpAnswer(qztest::soapEnvelope(
                              "<SOAP-ENV:Fault><SOAP-ENV:Code><SOAP-ENV:Value>SOAP-ENV:Receiver</SOAP-ENV:Value>"
                              "</SOAP-ENV:Code><SOAP-ENV:Reason><SOAP-ENV:Text xml:lang=\"en\">boom12"
                              "</SOAP-ENV:Text></SOAP-ENV:Reason><SOAP-ENV:Detail><qz:why>d12</qz:why>"
                              "</SOAP-ENV:Detail></SOAP-ENV:Fault>"),
                          "text/xml", status500),
       "boom12", "<qz:why>d12</qz:why>"},
  };
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.name);
    server.enqueue(qztest::RawAnswer::closing(c.answer));
    QZValue result;
    EXPECT_NE(0, call("fail", QZValue(), result));
    EXPECT_EQ(c.faultString, QZ::wire::faultString(soap));
    EXPECT_EQ(c.faultDetail, QZ::wire::faultDetail(soap));
    EXPECT_EQ(QZValue::TypeInvalid, result.getType());
    QZ::wire::finishCall(soap);
  }
}

TEST_F(FaultTest, HttpStatusesOtherThanSoapOnesAreHttpErrors) {
  server.enqueue(qztest::httpAnswer("<html>missing</html>", "text/html", "404 Not Found"));
  server.enqueue(qztest::httpAnswer("plain", "text/plain", "500 Internal Server Error"));
  QZValue result;
  EXPECT_EQ(404, call("m", QZValue(), result));
  EXPECT_EQ("HTTP Error", QZ::wire::faultString(soap));
  QZ::wire::finishCall(soap);
  EXPECT_NE(0, call("m", QZValue(), result));
  EXPECT_NE("", QZ::wire::faultString(soap));
  QZ::wire::finishCall(soap);
  // A successful call after them has no fault text left over.
  answerResult("<item xsi:type=\"xsd:int\">1</item>");
  EXPECT_EQ(0, call("m", QZValue(), result));
  EXPECT_EQ(QZValue(1), result);
}

TEST_F(FaultTest, EngineFailuresHaveTheEngineTexts) {
  std::string endpoint;
  {
    qztest::RawServer gone;
    endpoint = gone.endpoint();
  }
  QZValue result;
  EXPECT_NE(0, QZ::wire::callTamsa(soap, endpoint, "QZMotion", "m", QZValue(), result));
  EXPECT_EQ("Connection refused", QZ::wire::faultString(soap));
  EXPECT_EQ("connect failed in tcp_connect()", QZ::wire::faultDetail(soap));
  QZ::wire::finishCall(soap);

  server.enqueue(qztest::RawAnswer::truncated("", 0));  // closed without an answer
  EXPECT_NE(0, call("m", QZValue(), result));
  EXPECT_THAT(QZ::wire::faultString(soap), StartsWith("End of file or no input"));
  EXPECT_EQ("", QZ::wire::faultDetail(soap));
}

}  // namespace
