// Requests that follow each other closely on one connection: written at once, split
// anywhere, carrying bytes after their envelope, as DIME or in chunks. Each request is
// read exactly to its end and answered, in order, and no byte goes to the wrong one.
#include "rawclient.h"
#include "simfixture.h"

#include "qztest/httpanswers.h"

#include <thread>

namespace simtest {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

std::string stringItem(const std::string& text) { return "<item xsi:type=\"xsd:string\">" + text + "</item>"; }
std::string arrayItem(const std::string& items) { return "<item xsi:type=\"Array\">" + items + "</item>"; }
const char kBinaryItem[] = "<item xsi:type=\"xsd:base64Binary\">MQ==</item>";

std::string insertEnvelope(const std::string& key, const std::string& valueItem) {
  return callEnvelope("QZMemory", "insertData", arrayItem(stringItem(key) + valueItem));
}
std::string getEnvelope(const std::string& key) {
  return callEnvelope("QZMemory", "getData", arrayItem(stringItem(key)));
}

// The answer's result when it is the status pair [1, String text].
std::string stringResult(const std::string& text) {
  return arrayItem("<item xsi:type=\"xsd:int\">1</item>" + stringItem(text));
}

class SimPipelining : public SimBrokerTest {
protected:
  // The next answer, which must be a success.
  std::string nextSuccess(RawClient& client) {
    const std::string answer = client.readAnswer();
    EXPECT_EQ(statusLine(answer), "HTTP/1.1 200 OK");
    return answer;
  }
};

TEST_F(SimPipelining, RequestsWrittenAtOnceAreAllAnsweredInOrder) {
  RawClient client(broker.port());
  client.send(httpRequest(insertEnvelope("p/key", stringItem("first"))) + httpRequest(getEnvelope("p/key")) +
              httpRequest(insertEnvelope("p/key", stringItem("second"))) + httpRequest(getEnvelope("p/key")));
  nextSuccess(client);
  EXPECT_THAT(nextSuccess(client), HasSubstr(stringResult("first")));
  nextSuccess(client);
  EXPECT_THAT(nextSuccess(client), HasSubstr(stringResult("second")));
}

TEST_F(SimPipelining, HundredsOfRequestsWrittenAtOnceAreAllAnswered) {
  // Far more than one read of the broker takes: requests straddle every boundary.
  constexpr int kPairs = 150;
  std::string requests;
  for (int i = 0; i < kPairs; ++i) {
    const std::string key = "many/" + std::to_string(i);
    requests += httpRequest(insertEnvelope(key, stringItem("value_" + std::to_string(i)))) +
                httpRequest(getEnvelope(key));
  }
  RawClient client(broker.port());
  std::thread writer([&] { client.send(requests); });
  for (int i = 0; i < kPairs; ++i) {
    SCOPED_TRACE(i);
    nextSuccess(client);
    EXPECT_THAT(nextSuccess(client), HasSubstr(stringResult("value_" + std::to_string(i))));
  }
  writer.join();
}

TEST_F(SimPipelining, TheNextRequestMayBeginInThePacketThatEndsThePreviousOne) {
  const std::string ping = callRequest("QZMemory", "ping", "");
  const std::size_t headEnd = ping.find("\r\n\r\n") + 4;
  for (const std::size_t split : {std::size_t(1), std::size_t(7), headEnd - 1, headEnd, headEnd + 10}) {
    SCOPED_TRACE(split);
    RawClient client(broker.port());
    client.send(ping + ping.substr(0, split));
    EXPECT_THAT(nextSuccess(client), HasSubstr("xsd:boolean\">true</item>"));
    client.send(ping.substr(split));
    EXPECT_THAT(nextSuccess(client), HasSubstr("xsd:boolean\">true</item>"));
  }
}

TEST_F(SimPipelining, BodyBytesAfterTheEnvelopeBelongToTheirRequest) {
  // What follows the envelope inside the announced length looks like a request of its
  // own; it must not be taken for one.
  const std::string envelope = insertEnvelope("tail/key", stringItem("kept"));
  const std::string tail = "\r\nGET / HTTP/1.1\r\nHost: x\r\n\r\n";
  const std::string request = httpRequest(envelope + tail);
  const std::size_t envelopeEnd = request.size() - tail.size();
  {  // the tail arrives after the answer
    RawClient client(broker.port());
    client.send(request.substr(0, envelopeEnd));
    nextSuccess(client);
    client.send(request.substr(envelopeEnd) + httpRequest(getEnvelope("tail/key")));
    EXPECT_THAT(nextSuccess(client), HasSubstr(stringResult("kept")));
  }
  {  // all at once
    RawClient client(broker.port());
    client.send(request + httpRequest(getEnvelope("tail/key")));
    nextSuccess(client);
    EXPECT_THAT(nextSuccess(client), HasSubstr(stringResult("kept")));
  }
}

TEST_F(SimPipelining, DimeRequestsWrittenAtOnceAreAllAnswered) {
  const std::string bytes = std::string("\0\1\2 attachment \xff", 17) + std::string(5000, 'b');
  RawClient client(broker.port());
  client.send(httpRequest(qztest::dimeMessage(insertEnvelope("dime/key", kBinaryItem), {bytes}), "application/dime") +
              httpRequest(qztest::dimeMessage(getEnvelope("dime/key"), {}), "application/dime") +
              callRequest("QZMemory", "ping", ""));
  nextSuccess(client);
  const std::string answer = nextSuccess(client);
  ASSERT_THAT(answer, HasSubstr("Content-Type: application/dime"));
  const std::vector<qztest::DimeRecord> records = qztest::parseDime(answer.substr(answer.find("\r\n\r\n") + 4));
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].data, bytes);
  EXPECT_THAT(nextSuccess(client), HasSubstr("xsd:boolean\">true</item>"));
}

TEST_F(SimPipelining, ChunkedRequestsAreReadToTheirLastChunk) {
  RawClient client(broker.port());
  client.send(chunkedRequest(insertEnvelope("chunk/key", stringItem("in-pieces")), 7) +
              chunkedRequest(getEnvelope("chunk/key"), 100) + callRequest("QZMemory", "ping", ""));
  nextSuccess(client);
  EXPECT_THAT(nextSuccess(client), HasSubstr(stringResult("in-pieces")));
  EXPECT_THAT(nextSuccess(client), HasSubstr("xsd:boolean\">true</item>"));
}

TEST_F(SimPipelining, HeadAndOptionsAnswersSayWhatBecomesOfTheConnection) {
  {
    RawClient client(broker.port());
    client.send("HEAD / HTTP/1.1\r\nHost: x\r\n\r\nOPTIONS / HTTP/1.1\r\nHost: x\r\n\r\n" +
                callRequest("QZMemory", "ping", ""));
    for (const char* method : {"HEAD", "OPTIONS"}) {
      SCOPED_TRACE(method);
      const std::string answer = client.readAnswer();
      EXPECT_THAT(answer, StartsWith("HTTP/1.1 200 OK\r\n"));
      EXPECT_THAT(answer, HasSubstr("\r\nConnection: keep-alive\r\n"));
    }
    EXPECT_THAT(nextSuccess(client), HasSubstr("xsd:boolean\">true</item>"));
  }
  for (const char* method : {"HEAD", "OPTIONS"}) {
    SCOPED_TRACE(method);
    RawClient client(broker.port());
    client.send(std::string(method) + " / HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    EXPECT_THAT(client.readAnswer(), HasSubstr("\r\nConnection: close\r\n"));
    EXPECT_TRUE(client.closedByPeer());
  }
}

}  // namespace
}  // namespace simtest
