// Answers in every transfer form, large, slow, cut short or lying about their size.
#include "wirefixture.h"

#include <chrono>
#include <string>

using QZ::QZValue;

namespace {

// An Array result of `count` Ints 0, 1, ..., larger than one 64 KiB receive block.
std::string bigArrayXml(int count) {
  std::string xml = "<item xsi:type=\"Array\">";
  for (int i = 0; i < count; ++i) xml += "<item xsi:type=\"xsd:int\">" + std::to_string(i) + "</item>";
  return xml + "</item>";
}

void expectBigArray(const QZValue& result, int count) {
  ASSERT_EQ(QZValue::TypeArray, result.getType());
  ASSERT_EQ(static_cast<unsigned>(count), result.getSize());
  EXPECT_EQ(QZValue(0), result[0]);
  EXPECT_EQ(QZValue(count / 2), result[count / 2]);
  EXPECT_EQ(QZValue(count - 1), result[count - 1]);
}

using TransportTest = WireTest;

constexpr int kBigCount = 30000;  // about 1 MB of XML

TEST_F(TransportTest, LargeAnswersAreReadWholeInEveryTransferForm) {
  const std::string envelope = qztest::answerEnvelope("callTamsaResponse", bigArrayXml(kBigCount));
  ASSERT_GT(envelope.size(), 15u * 65536u);
  const struct {
    const char* name;
    qztest::RawAnswer answer;
  } forms[] = {
      {"Content-Length", qztest::httpAnswer(envelope)},
      {"closed by the broker", qztest::RawAnswer::closing(qztest::httpAnswerUntilClose(envelope))},
      {"small chunks", qztest::httpChunkedAnswer(envelope, 1000)},
      {"chunks larger than a block", qztest::httpChunkedAnswer(envelope, 100000)},
      {"DIME", qztest::httpAnswer(qztest::dimeMessage(envelope, {"xyz"}), "application/dime")},
      {"slow", qztest::RawAnswer::slow(qztest::httpAnswer(envelope), envelope.size() / 20,
                                       std::chrono::milliseconds(2))},
  };
  for (const auto& form : forms) {
    SCOPED_TRACE(form.name);
    server.enqueue(form.answer);
    QZValue result;
    ASSERT_EQ(0, call("getList", QZValue(), result));
    expectBigArray(result, kBigCount);
    QZ::wire::finishCall(soap);
  }
}

TEST_F(TransportTest, TruncatedAnswerFailsAndTheNextCallReconnects) {
  const std::string answer = qztest::httpAnswer(
      qztest::answerEnvelope("callTamsaResponse", "<item xsi:type=\"xsd:int\">1</item>"));
  server.enqueue(qztest::RawAnswer::truncated(answer, answer.size() / 2));
  server.enqueue(answer);
  // Cut right after the result: the value read stays with the caller.
  server.enqueue(qztest::RawAnswer::truncated(answer, answer.find("</qzbroker:callTamsaResponse>")));
  server.enqueue(answer);
  QZValue result;
  EXPECT_NE(0, call("m", QZValue(), result));
  EXPECT_EQ(QZValue::TypeInvalid, result.getType());
  QZ::wire::finishCall(soap);
  ASSERT_EQ(0, call("m", QZValue(), result));
  EXPECT_EQ(QZValue(1), result);
  QZ::wire::finishCall(soap);
  result.clear();
  EXPECT_NE(0, call("m", QZValue(), result));
  EXPECT_EQ(QZValue(1), result);
  QZ::wire::finishCall(soap);
  result.clear();
  ASSERT_EQ(0, call("m", QZValue(), result));
  EXPECT_EQ(QZValue(1), result);
  EXPECT_EQ(3, server.connectionsAccepted());  // each cut answer closed its connection
  EXPECT_EQ("keep-alive", server.request(3).header("Connection"));
}

// The broker keeps the connection open after an answer whose declared bytes end
// inside the envelope: the call fails at once instead of waiting for more.
TEST_F(TransportTest, AnswerEndingInsideItsEnvelopeFailsAtOnce) {
  const std::string envelope =
      qztest::answerEnvelope("callTamsaResponse", "<item xsi:type=\"xsd:int\">1</item>");
  const std::string cuts[] = {"<item xsi:type=\"xsd:int\">1", "</qzbroker:return>",
                              "</qzbroker:callTamsaResponse>", "</SOAP-ENV:Envelope>"};
  for (const std::string& cut : cuts) {
    SCOPED_TRACE(cut);
    server.enqueue(qztest::httpAnswer(envelope.substr(0, envelope.find(cut) + cut.size() - 1)));
    server.enqueue(qztest::httpAnswer(envelope));
    QZValue result;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_NE(0, call("m", QZValue(), result));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    QZ::wire::finishCall(soap);
    ASSERT_EQ(0, call("m", QZValue(), result));
    EXPECT_EQ(QZValue(1), result);
    QZ::wire::finishCall(soap);
  }
}

// Bytes a broker sends beyond the declared length belong to no answer, also when they
// arrive together with it: here they would complete the value the answer cuts short.
TEST_F(TransportTest, BytesAfterTheDeclaredLengthAreNotPartOfTheAnswer) {
  const std::string envelope =
      qztest::answerEnvelope("callTamsaResponse", "<item xsi:type=\"xsd:string\">abcdef</item>");
  const std::size_t cut = envelope.find("def");
  std::string answer = qztest::httpAnswer(envelope.substr(0, cut));
  server.enqueue(answer + envelope.substr(cut));  // written at once
  server.enqueue(qztest::httpAnswer(envelope));
  QZValue result;
  EXPECT_NE(0, call("m", QZValue(), result));
  EXPECT_EQ(QZValue::TypeInvalid, result.getType());
  QZ::wire::finishCall(soap);
  ASSERT_EQ(0, call("m", QZValue(), result));
  EXPECT_EQ(QZValue(std::string("abcdef")), result);
}

// A chunked answer whose body breaks off after "<": the engine's parser asks for more
// after the last chunk, and the call must fail at once rather than wait on the
// connection, which the broker keeps open.
TEST_F(TransportTest, ChunkedAnswerEndingInsideATagFailsAtOnce) {
  const std::string envelope =
      qztest::answerEnvelope("callTamsaResponse", "<item xsi:type=\"xsd:int\">1</item>");
  for (const std::string& body : {std::string("<"), envelope.substr(0, envelope.find("<item") + 1)}) {
    server.enqueue(qztest::httpChunkedAnswer(body, 7));
    server.enqueue(qztest::httpAnswer(envelope));
    QZValue result;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_NE(0, call("m", QZValue(), result));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    QZ::wire::finishCall(soap);
    ASSERT_EQ(0, call("m", QZValue(), result));
    EXPECT_EQ(QZValue(1), result);
    QZ::wire::finishCall(soap);
  }
}

TEST_F(TransportTest, HugeDeclaredLengthReservesNothingAndFailsOnClose) {
  const std::string partial = qztest::answerEnvelope("callTamsaResponse", bigArrayXml(100)).substr(0, 2000);
  server.enqueue(qztest::RawAnswer::closing(
      "HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=utf-8\r\n"
      "Content-Length: 1000000000000000\r\n\r\n" + partial));
  server.enqueue(qztest::RawAnswer::closing(
      "HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=utf-8\r\n"
      "Content-Length: 1000000\r\n\r\n" + partial));
  QZValue result;
  EXPECT_NE(0, call("m", QZValue(), result));
  QZ::wire::finishCall(soap);
  EXPECT_NE(0, call("m", QZValue(), result));
  EXPECT_EQ(QZValue::TypeInvalid, result.getType());
}

TEST_F(TransportTest, BrokerClosingAfterAnAnswerMakesTheNextCallReconnect) {
  const std::string envelope =
      qztest::answerEnvelope("callTamsaResponse", "<item xsi:type=\"xsd:int\">1</item>");
  std::string closing = qztest::httpAnswer(envelope);
  closing.replace(closing.find("keep-alive"), 10, "close");
  server.enqueue(qztest::RawAnswer::closing(closing));
  server.enqueue(qztest::httpAnswer(envelope));
  server.enqueue(qztest::httpAnswer(envelope));
  // Closed although the answer said keep-alive: the next request must not die writing.
  server.enqueue(qztest::RawAnswer::closing(qztest::httpAnswer(envelope)));
  server.enqueue(qztest::httpAnswer(envelope));
  QZValue result;
  for (int i = 0; i < 5; ++i) {
    ASSERT_EQ(0, call("m", QZValue(), result));
    QZ::wire::finishCall(soap);
  }
  EXPECT_EQ(3, server.connectionsAccepted());
  const int connectionOf[] = {0, 1, 1, 1, 2};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(connectionOf[i], server.request(i).connection) << i;
}

class TimedTransportTest : public WireTest {
protected:
  TimedTransportTest() : WireTest(1) {}
};

TEST_F(TimedTransportTest, SilentBrokerTimesOut) {
  server.enqueue(qztest::RawAnswer::slow(qztest::httpAnswer(qztest::answerEnvelope("callTamsaResponse", "")),
                                         1 << 20, std::chrono::milliseconds(2500)));
  QZValue result;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_NE(0, call("m", QZValue(), result));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2400));
}

}  // namespace
