// Requests no client of the library sends: the broker answers them with a SOAP fault
// or closes the connection, and keeps serving everyone else.
#include "rawclient.h"
#include "simfixture.h"

#include "qztest/httpanswers.h"

#include <chrono>
#include <thread>

namespace simtest {
namespace {

using ::testing::HasSubstr;
using Clock = std::chrono::steady_clock;

// Arrays nested `depth` deep, beyond what the value reader takes.
std::string deepArray(int depth) {
  std::string deep;
  for (int i = 0; i < depth; ++i) deep += "<item xsi:type=\"Array\">";
  for (int i = 0; i < depth; ++i) deep += "</item>";
  return deep;
}

class SimHostile : public SimBrokerTest {
protected:
  // A fault answer, or a closed connection: never a success, never a hang.
  void expectRefused(RawClient& client) {
    const std::string answer = client.readAnswer();
    if (!answer.empty()) {
      EXPECT_THAT(answer, ::testing::AnyOf(HasSubstr("SOAP-ENV:Fault"), HasSubstr("HTTP/1.1 4"),
                                           HasSubstr("HTTP/1.1 5")));
      EXPECT_THAT(answer, ::testing::Not(HasSubstr("HTTP/1.1 200")));
    }
  }
  void expectStillServing() {
    auto p = proxy("QZMemory");
    EXPECT_TRUE(p->callRemote<bool>("ping"));
  }
};

TEST_F(SimHostile, TheLookupAnswerNamesAnyAddressAndTheBrokersPort) {
  RawClient client(broker.port());
  client.send(httpRequest(qztest::soapEnvelope(
      "<qzbroker:getModuleByName><qzbroker:pModuleName>QZMotion</qzbroker:pModuleName>"
      "</qzbroker:getModuleByName>")));
  const std::string answer = client.readAnswer();
  EXPECT_THAT(answer, HasSubstr("HTTP/1.1 200 OK"));
  EXPECT_THAT(answer, HasSubstr("<name>QZMotion</name>"));
  EXPECT_THAT(answer, HasSubstr("<ip>0.0.0.0</ip>"));
  EXPECT_THAT(answer, HasSubstr("<port>" + std::to_string(broker.port()) + "</port>"));
  // The connection stays open for the next request.
  client.send(callRequest("QZMotion", "ping", ""));
  EXPECT_THAT(client.readAnswer(), HasSubstr("<item xsi:type=\"xsd:boolean\">true</item>"));
}

TEST_F(SimHostile, MalformedXmlAndGarbageAreRefused) {
  for (const std::string& request :
       {httpRequest(qztest::soapEnvelope("<qzbroker:callTamsa><qzbroker:mod>QZMemory</qzbroker:mod><oops")),
        httpRequest("<not-soap/>"), httpRequest(std::string(1000, '\xff')),
        std::string("\x01\x02 this is not HTTP\r\n\r\n"), std::string("GET / HTTP/1.1\r\nHost: x\r\n\r\n")}) {
    RawClient client(broker.port());
    client.send(request);
    expectRefused(client);
  }
  expectStillServing();
}

TEST_F(SimHostile, ValuesOfTheWrongShapeAreRefusedWithAFault) {
  struct Case {
    std::string items, fault, module = "QZMemory";
  };
  for (const Case& c : {Case{"<item xsi:type=\"xsd:int\">5</item>", "QZMemory.getData: the arguments must be an Array"},
                        Case{"<item xsi:type=\"Array\"><item xsi:type=\"xsd:int\">5</item></item>",
                             "QZMemory.getData: argument 1 (key) must be string, not Int"},
                        Case{deepArray(400), "The request holds a value the broker cannot read"},
                        Case{"", "The broker has no module named QZNothing", "QZNothing"}}) {
    RawClient client(broker.port());
    client.send(callRequest(c.module, "getData", c.items));
    const std::string answer = client.readAnswer();
    EXPECT_THAT(answer, HasSubstr("500 Internal Server Error"));
    EXPECT_THAT(answer, HasSubstr("<faultstring>" + c.fault + "</faultstring>"));
  }
  expectStillServing();
}

TEST_F(SimHostile, HostileSizesEndTheConnection) {
  {  // a length far beyond what arrives: the connection ends when the client stops
    RawClient client(broker.port());
    client.send("POST / HTTP/1.1\r\nHost: x\r\nContent-Type: text/xml\r\nContent-Length: 99999999999\r\n\r\n<SOAP");
    client.closeWrite();
    EXPECT_TRUE(client.closedByPeer());
  }
  {  // a DIME record that declares 4 GiB of attachment
    RawClient client(broker.port());
    const std::string envelope = qztest::soapEnvelope(
        "<qzbroker:callTamsa><qzbroker:mod>QZMemory</qzbroker:mod><qzbroker:meth>ping</qzbroker:meth>"
        "<qzbroker:p></qzbroker:p></qzbroker:callTamsa>");
    const std::string dime =
        qztest::dimeRecordBytes(true, false, 0x20, "cid:id0", "http://schemas.xmlsoap.org/soap/envelope/",
                                envelope, static_cast<std::uint32_t>(envelope.size())) +
        qztest::dimeRecordBytes(false, true, 0x10, "image", "application/octet-stream", "abc", 0xFFFFFFF0u);
    client.send(httpRequest(dime, "application/dime"));
    client.closeWrite();
    expectRefused(client);
  }
  expectStillServing();
}

TEST(SimHostileLimits, AMessageAboveTheBoundIsRefusedWithoutWaitingForIt) {
  qzsim::BrokerLimits limits;
  limits.maxMessageBytes = 1 << 20;
  qzsim::Broker broker("127.0.0.1", 0, limits);
  RawClient client(broker.port());
  const Clock::time_point start = Clock::now();
  client.send("POST / HTTP/1.1\r\nHost: x\r\nContent-Type: text/xml\r\nContent-Length: 2000000\r\n\r\n" +
              std::string(1 << 20 | 100, ' '));
  EXPECT_TRUE(client.closedByPeer());
  EXPECT_LT(std::chrono::duration<double>(Clock::now() - start).count(), 3.0);
}

TEST_F(SimHostile, AStalledConnectionDisturbsNoOtherAndDoesNotHoldUpTheStop) {
  RawClient stalled(broker.port());
  const std::string request = callRequest("QZMemory", "ping", "");
  stalled.send(request.substr(0, request.size() / 2));
  auto p = proxy("QZMemory");
  for (int i = 0; i < 20; ++i) EXPECT_TRUE(p->callRemote<bool>("ping"));
  const Clock::time_point start = Clock::now();
  broker.stop();
  EXPECT_LT(std::chrono::duration<double>(Clock::now() - start).count(), 2.0);
  EXPECT_TRUE(stalled.closedByPeer());
}

TEST(SimHostileLimits, ConnectionsBeyondTheBoundAreClosed) {
  qzsim::BrokerLimits limits;
  limits.maxConnections = 2;
  qzsim::Broker broker("127.0.0.1", 0, limits);
  auto first = std::make_unique<QZ::QZProxyRemote>("QZMemory", "127.0.0.1", broker.port(), 0, 0);
  QZ::QZProxyRemote second("QZMemory", "127.0.0.1", broker.port(), 0, 0);
  EXPECT_THROW(QZ::QZProxyRemote("QZMemory", "127.0.0.1", broker.port(), 0, 0), QZ::QZNetworkError);
  // Once a connection ends its slot is free again (the broker notices within moments).
  first.reset();
  bool served = false;
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(3);
  while (!served && Clock::now() < deadline) {
    try {
      QZ::QZProxyRemote third("QZMemory", "127.0.0.1", broker.port(), 0, 0);
      served = third.callRemote<bool>("ping");
    } catch (const QZ::QZError&) {
      std::this_thread::yield();
    }
  }
  EXPECT_TRUE(served);
  EXPECT_TRUE(second.callRemote<bool>("ping"));
}

}  // namespace
}  // namespace simtest
