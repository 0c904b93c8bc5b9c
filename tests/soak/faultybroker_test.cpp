// The faulty broker itself: it answers like a broker with its faults off, spoils the
// same requests again for the same seed, survives each fault with the client, and
// stops at once even while it holds a stalled connection.
#include "qztest/faultybroker.h"
#include "soakrun.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

using qztest::Fault;
using qztest::FaultSettings;
using qztest::FaultyBroker;

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kDeadline{150};
constexpr std::chrono::milliseconds kSlack{750};

FaultSettings only(std::vector<Fault> kinds, double rate) {
  FaultSettings settings;
  settings.kinds = std::move(kinds);
  settings.rate = rate;
  return settings;
}

// What `calls` soak calls through one proxy give at the fault rate `rate`, in order:
// "right" or the error's kind.
std::vector<std::string> outcomes(FaultyBroker& broker, double rate, int calls) {
  QZ::QZProxyRemote proxy("Outcomes", "127.0.0.1", broker.port(), 0, 0, 2000);
  broker.setFaultRate(rate);
  std::vector<std::string> seen;
  for (int index = 0; index < calls; ++index) {
    const qzsoak::SoakCall call = qzsoak::soakCall(0, index);
    QZ::QZValue result;
    try {
      if (call.posted)
        proxy.genericPost(call.method, call.params, result);
      else
        proxy.genericCall(call.method, call.params, result);
      seen.push_back(qzsoak::sameValue(result, call.expected) ? "right" : "wrong");
    } catch (const QZ::QZError& error) {
      seen.push_back(qzsoak::errorKind(error));
    }
  }
  return seen;
}

}  // namespace

TEST(FaultyBroker, WithTheFaultsOffAnswersLikeABroker) {
  FaultyBroker broker(5);
  QZ::QZProxyRemote proxy("QZAnything", "127.0.0.1", broker.port(), 0, 0);
  qzsoak::OutcomeTally tally;
  for (int index = 0; index < 24; ++index)
    qzsoak::timedCall(proxy, qzsoak::soakCall(0, index), std::chrono::milliseconds(5000), kSlack, tally,
                      "call " + std::to_string(index));
  EXPECT_EQ(tally.rightCount(), 24u) << tally.report();
  for (const std::string& fault : tally.faults()) ADD_FAILURE() << fault;

  QZ::QZValue result;
  EXPECT_THROW(proxy.genericCall("nothing", QZ::QZValue(), result), QZ::QZError);
  const qztest::FaultCounts counts = broker.counts();
  EXPECT_EQ(counts.requests, 26u);  // the lookup, 24 calls, the unknown method
  EXPECT_EQ(counts.of(Fault::None), 26u);
  EXPECT_EQ(counts.connections, 1u);
  EXPECT_EQ(counts.unreadable, 0u);
}

TEST(FaultyBroker, TheSameSeedSpoilsTheSameRequests) {
  // Faults that end a call at once, so that no outcome depends on timing.
  const FaultSettings settings =
      only({Fault::CutBefore, Fault::CutInside, Fault::Garbage, Fault::BadDimeLength}, 0.0);
  FaultyBroker first(11, settings), again(11, settings), other(12, settings);
  testing::internal::CaptureStdout();  // values kept after a failed exchange are reported there
  const std::vector<std::string> seen = outcomes(first, 0.5, 40);
  const std::vector<std::string> seenAgain = outcomes(again, 0.5, 40);
  const std::vector<std::string> seenOther = outcomes(other, 0.5, 40);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(seenAgain, seen);
  EXPECT_NE(seenOther, seen);
  EXPECT_EQ(first.counts().injected, again.counts().injected);
  EXPECT_GT(first.counts().of(Fault::None), 0u);
  EXPECT_LT(first.counts().of(Fault::None), first.counts().requests);
}

// Each fault alone, on every request: calls end with the right value or a QZError in
// time, the broker counts what it did, and the next call without the fault works.
TEST(FaultyBroker, EachFaultAloneEndsCallsInTimeAndThenTheProxyWorks) {
  for (const Fault fault : qztest::allFaults()) {
    SCOPED_TRACE(qztest::faultName(fault));
    FaultSettings settings = only({fault}, 0.0);
    settings.maxDelay = std::chrono::milliseconds(300);
    FaultyBroker broker(3, settings);
    QZ::QZProxyRemote proxy("QZOneFault", "127.0.0.1", broker.port(), 0, 0,
                            static_cast<int>(kDeadline.count()));
    qzsoak::OutcomeTally spoiled, after;
    testing::internal::CaptureStdout();  // values kept after a failed exchange are reported there
    for (int index = 0; index < 6; ++index) {
      broker.setFaultRate(1.0);
      qzsoak::timedCall(proxy, qzsoak::soakCall(0, index), kDeadline, kSlack, spoiled,
                        "call " + std::to_string(index));
      broker.setFaultRate(0.0);
      qzsoak::timedCall(proxy, qzsoak::soakCall(1, index), kDeadline, kSlack, after,
                        "after call " + std::to_string(index));
    }
    testing::internal::GetCapturedStdout();
    for (const std::string& problem : spoiled.faults()) ADD_FAILURE() << problem;
    EXPECT_EQ(after.rightCount(), 6u) << after.report();
    for (const std::string& problem : after.faults()) ADD_FAILURE() << problem;
    EXPECT_GE(broker.counts().of(fault), 6u);  // a request sent again meets the fault again
  }
}

TEST(FaultyBroker, StopsAtOnceWhileItHoldsAStalledConnection) {
  FaultSettings settings = only({Fault::Stall}, 1.0);
  settings.maxHold = std::chrono::seconds(30);
  FaultyBroker broker(1, settings);
  const int client = ::socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(client, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(broker.port()));
  ASSERT_EQ(::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  const std::string request = "POST / HTTP/1.1\r\nContent-Length: 5\r\n\r\nhello";
  ASSERT_EQ(::send(client, request.data(), request.size(), 0), static_cast<ssize_t>(request.size()));
  char partial[16];
  ASSERT_GT(::recv(client, partial, sizeof partial, 0), 0);  // part of the answer, then silence

  const Clock::time_point start = Clock::now();
  broker.stop();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(broker.counts().of(Fault::Stall), 1u);
  EXPECT_EQ(broker.counts().unreadable, 1u);  // "hello" is no broker request
  ::close(client);
}
