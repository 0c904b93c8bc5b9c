// Complete request bytes, head and body, as the broker receives them.
#include "wirefixture.h"

#include <string>
#include <vector>

using QZ::QZValue;

namespace {

const char kExpectedEnvelopeStart[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\""
    " xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\""
    " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
    " xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\""
    " xmlns:qzbroker=\"urn:qzbroker\" xmlns:qz=\"urn:velantrix\"><SOAP-ENV:Body>";
const char kExpectedEnvelopeEnd[] = "</SOAP-ENV:Body></SOAP-ENV:Envelope>";

std::string expectedHead(const qztest::RawServer& server, const std::string& contentType,
                         std::size_t length) {
  return "POST / HTTP/1.1\r\nHost: " + server.hostPort() +
         "\r\nUser-Agent: gSOAP/2.7\r\nContent-Type: " + contentType +
         "\r\nContent-Length: " + std::to_string(length) +
         "\r\nConnection: keep-alive\r\nSOAPAction: \"\"\r\n\r\n";
}

std::string callBody(const std::string& operation, const std::string& module,
                     const std::string& method, const std::string& items) {
  return kExpectedEnvelopeStart + ("<qzbroker:" + operation + "><qzbroker:mod>" + module +
                                   "</qzbroker:mod><qzbroker:meth>" + method +
                                   "</qzbroker:meth><qzbroker:p>" + items +
                                   "</qzbroker:p></qzbroker:" + operation + ">") +
         kExpectedEnvelopeEnd;
}

QZValue arrayOf(std::vector<QZValue> elements) {
  QZValue array;
  array.arraySetSize(static_cast<int>(elements.size()));
  for (std::size_t i = 0; i < elements.size(); ++i) array[static_cast<int>(i)] = elements[i];
  return array;
}

QZValue binary(const std::string& bytes) {
  QZValue value;
  value.SetBinary(bytes.data(), static_cast<int>(bytes.size()));
  return value;
}

// No time-out: the bytes of a connection's default settings.
class RequestBytesTest : public WireTest {
protected:
  RequestBytesTest() : WireTest(0) {}
  void SetUp() override {
    server.setHandler([](const qztest::RawRequest& request) {
      const bool posted = request.body.find("<qzbroker:callTamsa2>") != std::string::npos;
      return qztest::RawAnswer(qztest::httpAnswer(
          qztest::answerEnvelope(posted ? "callTamsa2Response" : "callTamsaResponse", "")));
    });
  }
};

TEST_F(RequestBytesTest, CallWithOneStringIsExactToTheByte) {
  QZValue result;
  ASSERT_EQ(0, call("getMass", arrayOf({QZValue(std::string("ChainA"))}), result));
  const std::string body =
      std::string(kExpectedEnvelopeStart) +
      "<qzbroker:callTamsa><qzbroker:mod>QZMotion</qzbroker:mod>"
      "<qzbroker:meth>getMass</qzbroker:meth><qzbroker:p><item xsi:type=\"Array\">"
      "<item xsi:type=\"xsd:string\">ChainA</item></item></qzbroker:p></qzbroker:callTamsa>"
      "</SOAP-ENV:Body></SOAP-ENV:Envelope>";
  EXPECT_EQ(expectedHead(server, "text/xml; charset=utf-8", body.size()) + body,
            server.request(0).bytes());
}

TEST_F(RequestBytesTest, CallsCarryTheirArgumentsAndOperation) {
  QZValue result;
  ASSERT_EQ(0, call("setAngle", arrayOf({QZValue(3), QZValue(std::string("a b"))}), result));
  std::string body = callBody("callTamsa", "QZMotion", "setAngle",
                              "<item xsi:type=\"Array\"><item xsi:type=\"xsd:int\">3</item>"
                              "<item xsi:type=\"xsd:string\">a&#32;b</item></item>");
  EXPECT_EQ(expectedHead(server, "text/xml; charset=utf-8", body.size()) + body,
            server.request(0).bytes());

  // A call without arguments writes an empty element with both tags.
  ASSERT_EQ(0, call("getBrokerName", QZValue(), result));
  body = callBody("callTamsa", "QZMotion", "getBrokerName", "");
  EXPECT_EQ(expectedHead(server, "text/xml; charset=utf-8", body.size()) + body,
            server.request(1).bytes());

  // A posted call and an empty module name.
  ASSERT_EQ(0, QZ::wire::callTamsa2(soap, server.endpoint(), "", "post", QZValue(), result));
  body = callBody("callTamsa2", "", "post", "");
  EXPECT_EQ(expectedHead(server, "text/xml; charset=utf-8", body.size()) + body,
            server.request(2).bytes());
  EXPECT_EQ(1, server.connectionsAccepted()) << "three calls on one kept-alive connection";
}

TEST_F(RequestBytesTest, LookupIsExactToTheByte) {
  server.setHandler([](const qztest::RawRequest&) {
    return qztest::RawAnswer(qztest::httpAnswer(
        qztest::answerEnvelope("getModuleByNameResponse", "<name>QZMotion</name>")));
  });
  QZ::wire::ModuleRecord record;
  ASSERT_EQ(0, QZ::wire::getModuleByName(soap, server.endpoint(), "QZMotion", record));
  const std::string body = kExpectedEnvelopeStart +
                           std::string("<qzbroker:getModuleByName><qzbroker:pModuleName>QZMotion"
                                       "</qzbroker:pModuleName></qzbroker:getModuleByName>") +
                           kExpectedEnvelopeEnd;
  EXPECT_EQ(expectedHead(server, "text/xml; charset=utf-8", body.size()) + body,
            server.request(0).bytes());
}

TEST_F(RequestBytesTest, DimeRequestCarriesTheEnvelopeThenEachAttachment) {
  QZ::wire::beginDimeRequest(soap);
  const std::string first("\x00\x01\x02", 3);
  const std::string second("hello");
  QZ::wire::addAttachment(soap, first.data(), first.size());
  QZ::wire::addAttachment(soap, second.data(), second.size());
  QZValue result;
  ASSERT_EQ(0, call("setImages", arrayOf({binary(first), binary(second)}), result));
  QZ::wire::finishCall(soap);

  const qztest::RawRequest request = server.request(0);
  EXPECT_EQ(expectedHead(server, "application/dime", request.body.size()), request.head);
  const std::vector<qztest::DimeRecord> records = qztest::parseDime(request.body);
  ASSERT_EQ(3u, records.size());
  EXPECT_EQ(1, records[0].version);
  EXPECT_TRUE(records[0].begin);
  EXPECT_FALSE(records[0].end);
  EXPECT_EQ(0x20, records[0].typeFormat);
  EXPECT_EQ("cid:id0", records[0].id);
  EXPECT_EQ("http://schemas.xmlsoap.org/soap/envelope/", records[0].type);
  EXPECT_EQ(callBody("callTamsa", "QZMotion", "setImages",
                     "<item xsi:type=\"Array\"><item xsi:type=\"xsd:base64Binary\">MQ==</item>"
                     "<item xsi:type=\"xsd:base64Binary\">MQ==</item></item>"),
            records[0].data);
  const std::string* expected[] = {&first, &second};
  for (int i = 1; i <= 2; ++i) {
    SCOPED_TRACE(i);
    EXPECT_FALSE(records[i].begin);
    EXPECT_EQ(i == 2, records[i].end);
    EXPECT_FALSE(records[i].chunked);
    EXPECT_EQ(0x10, records[i].typeFormat);
    EXPECT_EQ("image", records[i].id);
    EXPECT_EQ("application/octet-stream", records[i].type);
    EXPECT_EQ("", records[i].options);
    EXPECT_EQ(*expected[i - 1], records[i].data);
  }
}

TEST_F(RequestBytesTest, OnceSwitchedToDimeEveryLaterRequestIsDime) {
  QZValue result;
  ASSERT_EQ(0, call("getBrokerName", QZValue(), result));  // before: plain XML
  QZ::wire::finishCall(soap);
  QZ::wire::beginDimeRequest(soap);
  ASSERT_EQ(0, call("getMass", arrayOf({QZValue(1)}), result));
  QZ::wire::finishCall(soap);
  ASSERT_EQ(0, call("getBrokerName", QZValue(), result));  // no switch, no attachment
  QZ::wire::finishCall(soap);
  server.setHandler([](const qztest::RawRequest&) {
    return qztest::RawAnswer(qztest::httpAnswer(
        qztest::answerEnvelope("getModuleByNameResponse", "<name>QZMotion</name>")));
  });
  QZ::wire::ModuleRecord record;
  ASSERT_EQ(0, QZ::wire::getModuleByName(soap, server.endpoint(), "QZMotion", record));

  const std::vector<qztest::RawRequest> requests = server.requests();
  ASSERT_EQ(4u, requests.size());
  EXPECT_EQ("text/xml; charset=utf-8", requests[0].header("Content-Type"));
  const std::string lookup = kExpectedEnvelopeStart +
                             std::string("<qzbroker:getModuleByName><qzbroker:pModuleName>QZMotion"
                                         "</qzbroker:pModuleName></qzbroker:getModuleByName>") +
                             kExpectedEnvelopeEnd;
  const std::string bodies[] = {
      callBody("callTamsa", "QZMotion", "getMass",
               "<item xsi:type=\"Array\"><item xsi:type=\"xsd:int\">1</item></item>"),
      callBody("callTamsa", "QZMotion", "getBrokerName", ""), lookup};
  for (int i = 1; i <= 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(expectedHead(server, "application/dime", requests[i].body.size()), requests[i].head);
    const std::vector<qztest::DimeRecord> records = qztest::parseDime(requests[i].body);
    ASSERT_EQ(1u, records.size());
    EXPECT_TRUE(records[0].begin);
    EXPECT_TRUE(records[0].end);
    EXPECT_EQ("cid:id0", records[0].id);
    EXPECT_EQ(bodies[i - 1], records[0].data);
  }
}

TEST_F(RequestBytesTest, TimeOutsLeaveTheRequestUnchanged) {
  struct soap* timed = QZ::wire::newClientContext(3);
  QZValue result;
  ASSERT_EQ(0, QZ::wire::callTamsa(timed, server.endpoint(), "QZMotion", "getBrokerName", QZValue(), result));
  QZ::wire::freeClientContext(timed);
  const std::string body = callBody("callTamsa", "QZMotion", "getBrokerName", "");
  EXPECT_EQ(expectedHead(server, "text/xml; charset=utf-8", body.size()) + body,
            server.request(0).bytes());
}

}  // namespace
