// Deadlines, cancelling and the one-call-at-a-time guard of QZProxyRemote, against a
// loopback broker stand-in that can stay silent or dribble its answer.
#include "brokerstub.h"
#include "qzremotecall/qzremoteproxy.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

using QZ::QZError;
using QZ::QZProxyRemote;
using QZ::QZTimeoutError;
using QZ::QZValue;
using qztest::BrokerStub;
using qztest::RawAnswer;
using qztest::RawRequest;
using testing::StrEq;
using testing::ThrowsMessage;
using Clock = std::chrono::steady_clock;

namespace {

const char kTrue[] = "<item xsi:type=\"xsd:boolean\">true</item>";
// How late a cut-short call may end after its deadline on a busy test machine.
constexpr auto kSlack = std::chrono::milliseconds(1500);

// A broker whose method "silent" never answers, "dribble" sends its answer one byte
// every 50 ms, "late" answers "late" after `lateMs`, and every other method answers
// the string "fresh".
BrokerStub trickyBroker(int lateMs = 400) {
  return BrokerStub([lateMs](const std::string& method, const RawRequest&) {
    if (method == "silent") return RawAnswer();  // nothing written, connection kept
    if (method == "dribble")
      return RawAnswer::slow(qztest::resultAnswer(kTrue).bytes, 1, std::chrono::milliseconds(50));
    if (method == "late")
      return RawAnswer::slow(qztest::resultAnswer("<item xsi:type=\"xsd:string\">late</item>").bytes,
                             1 << 20, std::chrono::milliseconds(lateMs));
    return qztest::resultAnswer("<item xsi:type=\"xsd:string\">fresh</item>");
  });
}

std::string timedOutText(const std::string& method, int ms, const BrokerStub& broker) {
  return "\tQZMotion::" + method + "\n\ttimed out after " + std::to_string(ms) +
         " ms waiting for http://127.0.0.1:" + std::to_string(broker.port());
}

QZValue call(QZProxyRemote& proxy, const std::string& method) {
  QZValue result;
  proxy.genericCall(method, QZValue(), result);
  return result;
}

std::string text(const QZValue& value) { return static_cast<const std::string&>(value); }

// Runs `body` and returns how long it took.
template <class Body>
Clock::duration timed(Body body) {
  const Clock::time_point start = Clock::now();
  body();
  return Clock::now() - start;
}

}  // namespace

TEST(Deadline, ByDefaultACallWaitsAsLongAsTheBrokerTakes) {
  BrokerStub broker = trickyBroker(700);
  QZProxyRemote proxy("QZMotion", "127.0.0.1", broker.port(), 0, 0);
  EXPECT_EQ(proxy.getTimeout(), 0);
  EXPECT_EQ(text(call(proxy, "late")), "late");
  proxy.setTimeout(5000);
  EXPECT_EQ(proxy.getTimeout(), 5000);
  EXPECT_EQ(text(call(proxy, "late")), "late");  // well within its bound
  proxy.setTimeout(0);
  EXPECT_EQ(text(call(proxy, "late")), "late");
  EXPECT_THAT([&] { proxy.setTimeout(-1); },
              ThrowsMessage<QZError>(StrEq("\tQZProxy::setTimeout\n\ta time-out of -1 ms: give 0 to "
                                           "wait indefinitely, or a positive number of milliseconds")));
  EXPECT_EQ(proxy.getTimeout(), 0);
}

TEST(Deadline, ASilentOrDribblingBrokerIsCutAtTheDeadline) {
  BrokerStub broker = trickyBroker();
  QZProxyRemote proxy("QZMotion", "127.0.0.1", broker.port(), 0, 0);
  proxy.setTimeout(300);
  for (const char* method : {"silent", "dribble"}) {
    const Clock::duration took = timed([&] {
      EXPECT_THAT([&] { call(proxy, method); },
                  ThrowsMessage<QZTimeoutError>(StrEq(timedOutText(method, 300, broker))));
    });
    // Each byte of the dribble would have reset an idle time-out; the deadline holds.
    EXPECT_GE(took, std::chrono::milliseconds(300)) << method;
    EXPECT_LT(took, std::chrono::milliseconds(300) + kSlack) << method;
  }
}

TEST(Deadline, TheProxyStaysUsableAndNeverReadsTheLateAnswer) {
  BrokerStub broker = trickyBroker(600);
  QZProxyRemote proxy("QZMotion", "127.0.0.1", broker.port(), 0, 0);
  proxy.setTimeout(200);
  EXPECT_THROW(call(proxy, "late"), QZTimeoutError);
  proxy.setTimeout(5000);
  // The late answer arrives on the old connection; the next calls have a new one.
  EXPECT_EQ(text(call(proxy, "next")), "fresh");
  EXPECT_EQ(text(call(proxy, "again")), "fresh");
  int lateConnection = -1, nextConnection = -1;
  for (const RawRequest& request : broker.server().requests()) {
    const std::string method = qztest::elementText(request.body, "qzbroker:meth");
    if (method == "late") lateConnection = request.connection;
    if (method == "next") nextConnection = request.connection;
  }
  EXPECT_NE(lateConnection, nextConnection);
}

TEST(Deadline, APostedCallIsBoundedToo) {
  qztest::RawServer server;
  const int port = server.port();
  server.setHandler([port](const RawRequest& request) {
    if (request.body.find("qzbroker:getModuleByName>") != std::string::npos)
      return qztest::moduleAnswer("QZMotion", "0.0.0.0", port);
    return RawAnswer();  // posts are never answered
  });
  QZProxyRemote proxy("QZMotion", "127.0.0.1", port, 0, 0, 200);
  QZValue task;
  EXPECT_THAT([&] { proxy.genericPost("moveTo", QZValue(), task); },
              ThrowsMessage<QZTimeoutError>(StrEq("\tQZMotion::moveTo\n\ttimed out after 200 ms "
                                                  "waiting for http://127.0.0.1:" + std::to_string(port))));
}

TEST(Deadline, TheConstructorsBoundAlsoBoundsTheLookup) {
  qztest::RawServer silent;
  silent.setHandler([](const RawRequest&) { return RawAnswer(); });  // never answers
  const Clock::duration took = timed([&] {
    EXPECT_THAT([&] { QZProxyRemote("QZMotion", "127.0.0.1", silent.port(), 0, 0, 250); },
                ThrowsMessage<QZTimeoutError>(StrEq(
                    "\tQZMotion::getModuleByName\n\ttimed out after 250 ms looking the module up at "
                    "http://127.0.0.1:" + std::to_string(silent.port()))));
  });
  EXPECT_LT(took, std::chrono::milliseconds(250) + kSlack);

  BrokerStub broker = trickyBroker();
  QZProxyRemote bounded("QZMotion", "127.0.0.1", broker.port(), 0, 0, 250);
  EXPECT_EQ(bounded.getTimeout(), 250);
  EXPECT_THROW(call(bounded, "silent"), QZTimeoutError);
}

TEST(Cancel, EndsTheCallInProgressAtOnceAndLeavesTheProxyUsable) {
  BrokerStub broker = trickyBroker();
  QZProxyRemote proxy("QZMotion", "127.0.0.1", broker.port(), 0, 0);
  proxy.cancel();  // no call in progress: nothing happens, now or later
  EXPECT_EQ(text(call(proxy, "first")), "fresh");

  for (const char* method : {"silent", "dribble"}) {
    const std::size_t before = broker.server().requests().size();
    std::future<Clock::duration> canceller = std::async(std::launch::async, [&] {
      // Once the broker holds the call, and a little later: inside its wait.
      EXPECT_TRUE(broker.server().waitForRequests(before + 1)) << method;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      const Clock::time_point at = Clock::now();
      proxy.cancel();
      return at.time_since_epoch();
    });
    Clock::time_point ended;
    EXPECT_THAT([&] {
      try {
        call(proxy, method);
      } catch (...) {
        ended = Clock::now();
        throw;
      }
    }, ThrowsMessage<QZError>(StrEq("\tQZMotion::" + std::string(method) +
                                    "\n\tthe call was cancelled waiting for http://127.0.0.1:" +
                                    std::to_string(broker.port()))));
    const Clock::time_point cancelledAt(canceller.get());
    EXPECT_LT(ended - cancelledAt, std::chrono::milliseconds(500)) << method;
    EXPECT_EQ(text(call(proxy, "after")), "fresh") << method;
  }
}

TEST(Guard, ASecondThreadIsRefusedAtOnceAndTheFirstCallIsNotDisturbed) {
  BrokerStub broker = trickyBroker(500);
  QZProxyRemote proxy("QZMotion", "127.0.0.1", broker.port(), 0, 0);
  const std::size_t before = broker.server().requests().size();
  std::future<std::string> first = std::async(std::launch::async, [&] { return text(call(proxy, "late")); });
  ASSERT_TRUE(broker.server().waitForRequests(before + 1));  // the late call is in progress

  const std::string refused = "\tQZMotion::ping\n\tthe proxy is in use by another thread; a proxy "
                              "makes one call at a time";
  const Clock::duration took = timed([&] {
    EXPECT_THAT([&] { call(proxy, "ping"); }, ThrowsMessage<QZError>(StrEq(refused)));
    QZValue task;
    EXPECT_THROW(proxy.genericPost("ping", QZValue(), task), QZError);
    EXPECT_THROW(proxy.callRemote<bool>("ping"), QZError);
  });
  EXPECT_LT(took, std::chrono::milliseconds(200));
  EXPECT_EQ(first.get(), "late");
  EXPECT_EQ(text(call(proxy, "ping")), "fresh");  // free again
}
