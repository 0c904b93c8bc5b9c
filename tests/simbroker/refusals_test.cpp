// Requests the broker cannot take, cut short, malformed, too slow or too large: each
// gets an HTTP error answer carrying a SOAP fault with the reason, and then the
// connection closes. The broker keeps serving everyone else.
#include "rawclient.h"
#include "simfixture.h"

#include "qztest/httpanswers.h"

#include <chrono>
#include <thread>

namespace simtest {
namespace {

using ::testing::HasSubstr;
using Clock = std::chrono::steady_clock;

struct Refused {
  std::string request;
  std::string status;  // the status line
  std::string reason;  // the fault string
};

// Sends the request (then ends the client's side when `cutShort`) and expects the
// refusal, then the connection's end.
void expectRefused(int port, const Refused& c, bool cutShort) {
  SCOPED_TRACE(c.reason);
  RawClient client(port);
  client.send(c.request);
  if (cutShort) client.closeWrite();
  const std::string answer = client.readAnswer();
  EXPECT_EQ(statusLine(answer), c.status);
  EXPECT_THAT(answer, HasSubstr("\r\nConnection: close\r\n"));
  EXPECT_THAT(answer, HasSubstr("<faultstring>" + c.reason + "</faultstring>"));
  EXPECT_TRUE(client.closedByPeer());
}

class SimRefusals : public SimBrokerTest {
protected:
  void expectStillServing() {
    auto p = proxy("QZMemory");
    EXPECT_TRUE(p->callRemote<bool>("ping"));
  }
  const std::string ping = callRequest("QZMemory", "ping", "");
  const std::string envelope = callEnvelope("QZMemory", "ping", "");
};

TEST_F(SimRefusals, ARequestCutShortIsAnsweredBeforeTheConnectionCloses) {
  const std::string chunked = chunkedRequest(envelope, 50);
  for (const Refused& c : {
           Refused{ping.substr(0, ping.size() - 40), "HTTP/1.1 400 Bad Request",
                   "The request ended before its announced length"},
           Refused{ping.substr(0, 30), "HTTP/1.1 400 Bad Request", "The request ended inside its head"},
           Refused{chunked.substr(0, chunked.size() - 60), "HTTP/1.1 400 Bad Request",
                   "The request ended before its last chunk"},
       })
    expectRefused(broker.port(), c, true);
  expectStillServing();
}

TEST_F(SimRefusals, ABodyWithoutAWholeEnvelopeIsAnswered) {
  // The announced bytes all arrive, but the envelope inside them is not whole.
  const std::string reason = "The request's body ends before its envelope does";
  for (const std::string& body : {envelope.substr(0, envelope.size() / 2), std::string("<not-soap/>"),
                                  std::string(1000, '\xff')})
    expectRefused(broker.port(), Refused{httpRequest(body), "HTTP/1.1 400 Bad Request", reason}, false);
  // A DIME record that announces more than the message holds.
  const std::string dime =
      qztest::dimeRecordBytes(true, false, 0x20, "cid:id0", "http://schemas.xmlsoap.org/soap/envelope/", envelope,
                              static_cast<std::uint32_t>(envelope.size())) +
      qztest::dimeRecordBytes(false, true, 0x10, "image", "application/octet-stream", "abc", 0xFFFFFFF0u);
  expectRefused(broker.port(), Refused{httpRequest(dime, "application/dime"), "HTTP/1.1 400 Bad Request", reason},
                false);
  expectStillServing();
}

TEST_F(SimRefusals, AMalformedHeadIsAnsweredWithItsReason) {
  const std::string body = "Content-Type: text/xml\r\n\r\n" + envelope;
  const std::string length = "Content-Length: " + std::to_string(envelope.size()) + "\r\n";
  const std::string post = "POST / HTTP/1.1\r\nHost: x\r\n";
  const std::string bad = "HTTP/1.1 400 Bad Request";
  for (const Refused& c : {
           Refused{"\x01\x02 this is not HTTP\r\n\r\n", bad, "The request line is malformed"},
           Refused{"POST / HTTP/1.1\nHost: x\n\n", bad, "A line of the request head does not end with CR LF"},
           Refused{post + "No colon here\r\n" + length + body, bad, "A header line of the request is malformed"},
           Refused{post + "X-A: 1\r\n folded\r\n" + length + body, bad, "A header line of the request is malformed"},
           Refused{post + "Content-Length: 12a\r\n" + body, bad, "The request's Content-Length is malformed"},
           Refused{post + length + "Content-Length: 3\r\n" + body, bad, "The request announces two different lengths"},
           Refused{post + length + "Transfer-Encoding: chunked\r\n" + body, bad,
                   "The request announces both a length and a transfer coding"},
           Refused{post + "Transfer-Encoding: chunked, gzip\r\n" + body, bad,
                   "The request's transfer coding leaves its end unknown"},
           Refused{post + "Transfer-Encoding: gzip, chunked\r\n" + body, "HTTP/1.1 501 Not Implemented",
                   "The broker decodes no transfer coding but chunked"},
           Refused{"POST / HTTP/2.0\r\n" + length + body, "HTTP/1.1 505 HTTP Version Not Supported",
                   "The broker speaks HTTP/1.1 only"},
           Refused{post + "X-Big: " + std::string(70000, 'a') + "\r\n\r\n",
                   "HTTP/1.1 431 Request Header Fields Too Large", "The request head is larger than the broker takes"},
           Refused{post + "Transfer-Encoding: chunked\r\n\r\n5;x\r\nhello\r\nzz\r\n", bad,
                   "The request's chunks are malformed"},
       })
    expectRefused(broker.port(), c, false);
  expectStillServing();
}

TEST(SimRefusalLimits, ARequestTooSlowToArriveIsAnswered) {
  qzsim::BrokerLimits limits;
  limits.idleSeconds = 1;
  qzsim::Broker broker("127.0.0.1", 0, limits);
  {  // a head that trickles in, a byte at a time, never to end
    RawClient client(broker.port());
    const Clock::time_point start = Clock::now();
    client.send("POST / HTTP/1.1\r\nX-Slow: ");
    std::string answer;
    std::thread trickle([&] {
      for (int i = 0; i < 30 && client.send("a"); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    });
    answer = client.readAnswer();
    trickle.join();
    EXPECT_EQ(statusLine(answer), "HTTP/1.1 408 Request Timeout");
    EXPECT_THAT(answer, HasSubstr("<faultstring>The request's head did not arrive in time</faultstring>"));
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - start).count(), 2.5);
  }
  {  // a body that stops half way
    RawClient client(broker.port());
    const std::string ping = callRequest("QZMemory", "ping", "");
    client.send(ping.substr(0, ping.size() / 2));
    const std::string answer = client.readAnswer();
    EXPECT_EQ(statusLine(answer), "HTTP/1.1 408 Request Timeout");
    EXPECT_THAT(answer, HasSubstr("<faultstring>The request's body did not arrive in time</faultstring>"));
    EXPECT_TRUE(client.closedByPeer());
  }
}

TEST(SimRefusalLimits, ARequestAboveTheBoundIsRefusedWithItsStatus) {
  qzsim::BrokerLimits limits;
  limits.maxMessageBytes = 4096;
  qzsim::Broker broker("127.0.0.1", 0, limits);
  const std::string body =
      callEnvelope("QZMemory", "ping", "<item xsi:type=\"xsd:string\">" + std::string(5000, 'x') + "</item>");
  const std::string reason = "The request is larger than the broker takes";
  // Announced: refused before the body is read. Chunked: refused once past the bound.
  expectRefused(broker.port(), Refused{httpRequest(body), "HTTP/1.1 413 Payload Too Large", reason}, false);
  expectRefused(broker.port(), Refused{chunkedRequest(body, 1000), "HTTP/1.1 413 Payload Too Large", reason}, false);
}

}  // namespace
}  // namespace simtest
