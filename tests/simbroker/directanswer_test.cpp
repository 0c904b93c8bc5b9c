// Calls in the client's own form are answered without the engine: the same bytes must
// come back, byte for byte, as when the engine answers every request. Each case writes
// the same requests on one connection of two fresh brokers, one of them engine-only,
// and compares all that the two wrote back, also checking how many requests were
// answered directly (so that a case cannot pass by never leaving the engine).
#include "connection.h"
#include "serveloop.h"
#include "service.h"
#include "servingcontext.h"

#include "interface/qzvaluesoap.h"
#include "qztest/httpanswers.h"
#include "rawclient.h"
#include "stdsoap2.h"

#include "qzvalue/qzvalue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace simtest {
namespace {

using QZ::QZValue;
using ::testing::HasSubstr;

struct Served {
  std::string output;        // every byte the broker wrote back
  unsigned long direct = 0;  // requests answered without the engine
};

qzsim::BrokerLimits limits() {
  qzsim::BrokerLimits limits;
  limits.idleSeconds = 5;
  return limits;
}

// The context every connection's context is copied from, as the listener's.
struct soap* servingContext() {
  static struct soap* const context = qzsim::newServingContext(limits());
  return context;
}

std::size_t answerCount(const std::string& output) {
  std::size_t count = 0;
  for (std::size_t at = output.find("HTTP/1.1 "); at != std::string::npos; at = output.find("HTTP/1.1 ", at + 1))
    ++count;
  return count;
}

// Serves `input`, written at once by a client that stops writing once `answers`
// answers have come (or a few seconds have passed), on one connection of a fresh
// service.
Served serve(const std::string& input, bool engineOnly, std::size_t answers) {
  int sockets[2];
  EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, sockets), 0);
  qzsim::Service service(limits().maxTasks);
  qzsim::Connection connection(service, nullptr, sockets[0], limits().idleSeconds, limits().maxMessageBytes);
  connection.engineOnly = engineOnly;
  connection.soap = soap_copy(servingContext());
  connection.soap->socket = sockets[0];
  connection.soap->user = &connection;

  // The client stops writing only once it has its answers: a client that has closed
  // its side by the time a fault is answered does not get the fault.
  std::atomic<std::size_t> answered{0};
  std::thread writer([&] {
    std::size_t sent = 0;
    while (sent < input.size()) {
      const ssize_t n = ::send(sockets[1], input.data() + sent, input.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += static_cast<std::size_t>(n);
    }
    for (int turn = 0; turn < 300 && answered < answers; ++turn)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ::shutdown(sockets[1], SHUT_WR);
  });
  Served served;
  std::thread reader([&] {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    char buffer[65536];
    while (std::chrono::steady_clock::now() < end) {
      pollfd ready{sockets[1], POLLIN, 0};
      if (::poll(&ready, 1, 100) <= 0) continue;
      const ssize_t n = ::recv(sockets[1], buffer, sizeof buffer, 0);
      if (n <= 0) break;
      served.output.append(buffer, static_cast<std::size_t>(n));
      answered = answerCount(served.output);
    }
  });
  qzsim::serveConnection(connection);  // closes sockets[0]
  served.direct = connection.directAnswers;
  soap_destroy(connection.soap);
  soap_end(connection.soap);
  soap_free(connection.soap);
  writer.join();
  reader.join();
  ::close(sockets[1]);
  return served;
}

// The arguments' text as the client writes it.
std::string argsXml(const QZValue& args) {
  std::string xml;
  QZ::appendValueXml(args, xml, false);
  return xml;
}

QZValue list(std::vector<QZValue> elements) {
  QZValue value;
  value.arraySetSize(static_cast<int>(elements.size()));
  for (std::size_t i = 0; i < elements.size(); ++i) value[static_cast<int>(i)] = elements[i];
  return value;
}

// A call as the client writes it: an envelope, or a DIME message of the envelope and
// the attachments.
std::string call(const std::string& method, const QZValue& args, bool dime = false,
                 const std::vector<std::string>& attachments = {}) {
  const std::string envelope = callEnvelope("QZMemory", method, args.isValid() ? argsXml(args) : "");
  if (!dime) return httpRequest(envelope);
  return httpRequest(qztest::dimeMessage(envelope, attachments), "application/dime");
}

// Serves `input` both ways and expects the same `answers` answers, byte for byte,
// `direct` of them written without the engine.
void expectSameAnswers(const std::string& input, std::size_t answers, unsigned long direct) {
  const Served engine = serve(input, true, answers);
  const Served fast = serve(input, false, answers);
  EXPECT_EQ(engine.direct, 0u);
  EXPECT_EQ(fast.direct, direct);
  EXPECT_EQ(answerCount(engine.output), answers);
  EXPECT_EQ(fast.output, engine.output);
}

QZValue sampleValue() {
  QZValue text(std::string("a&b <c> \"d\" 'e' \t\n caf\xc3\xa9 \x01"));
  return list({QZValue(-7), QZValue(0.1f), QZValue(true), text, list({}), list({QZValue(), QZValue(1e30f)})});
}

TEST(SimDirectAnswer, CallsInTheClientsFormAreAnsweredAsTheEngineAnswersThem) {
  // Plain and DIME, values of every kind, results Invalid and not.
  const std::string input = call("ping", QZValue()) +
                            call("insertData", list({QZValue(std::string("k")), sampleValue()}), true) +
                            call("getData", list({QZValue(std::string("k"))}), true) +
                            call("insertData", list({QZValue(std::string("k2")), QZValue(std::string())})) +
                            call("getData", list({QZValue(std::string("k2"))})) + call("getDataListName", QZValue());
  expectSameAnswers(input, 6, 6);
}

TEST(SimDirectAnswer, OtherFormsGoToTheEngineBetweenDirectAnswers) {
  const std::string ping = call("ping", QZValue());
  const std::string spaced = httpRequest(callEnvelope(
      "QZMemory", "insertData",
      "<item xsi:type=\"Array\"> <item xsi:type=\"xsd:string\">k</item><item xsi:type=\"xsd:float\">1.50</item></item>"));
  std::string otherHead = call("getData", list({QZValue(std::string("k"))}));
  otherHead.replace(otherHead.find("SOAPAction"), 10, "X-Other: 1\r\nSOAPAction");
  const std::string input = ping + spaced + ping + otherHead + ping +
                            call("getData", list({QZValue(std::string("k"))}), true) +
                            chunkedRequest(callEnvelope("QZMemory", "ping", ""), 50) + ping;
  expectSameAnswers(input, 8, 5);
}

TEST(SimDirectAnswer, AResultWithBinaryValuesComesAsTheEnginesDimeAnswer) {
  // Stored through the engine (the request has an attachment); read back directly,
  // then handed to the engine for the attachments of the answer.
  const std::string bytes = std::string("\0\1\2 block \xff", 12) + std::string(3000, 'b');
  QZValue block;
  block.SetBinary(bytes.data(), static_cast<int>(bytes.size()));
  const std::string input = call("insertData", list({QZValue(std::string("b")), list({QZValue(3), block})}), true, {bytes}) +
                            call("getData", list({QZValue(std::string("b"))}), true) + call("ping", QZValue());
  expectSameAnswers(input, 3, 1);
  const std::string output = serve(input, false, 3).output;
  EXPECT_THAT(output, HasSubstr("Content-Type: application/dime"));
  EXPECT_THAT(output, HasSubstr(bytes));
}

TEST(SimDirectAnswer, AFailedCallIsAnsweredWithTheEnginesFault) {
  // The fault ends the connection: what follows it is not answered.
  expectSameAnswers(call("ping", QZValue()) + call("getData", list({QZValue(std::string("never/stored"))})) +
                        call("ping", QZValue()),
                    2, 1);
  expectSameAnswers(call("noSuchMethod", list({QZValue(1)}), true), 1, 0);
  expectSameAnswers(call("insertData", list({QZValue(1), QZValue(2)})), 1, 0);
}

TEST(SimDirectAnswer, AClientThatAsksToCloseIsAnsweredByTheEngine) {
  std::string closing = call("ping", QZValue());
  closing.replace(closing.find("keep-alive"), 10, "close");
  expectSameAnswers(call("ping", QZValue()) + closing + call("ping", QZValue()), 2, 1);
}

}  // namespace
}  // namespace simtest
