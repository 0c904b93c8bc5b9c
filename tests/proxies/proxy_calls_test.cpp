// The generated native proxies and post handlers against a recording stand-in base:
// the module each one addresses, the name and argument list each method sends, and
// the conversion of its answer.
#include "fake_proxy_base.h"

#include "qzproxies/dcmlikeproxyremote.h"  // from the generator's golden fixture
#include "qzproxies/qzproxies.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <initializer_list>
#include <ostream>

namespace QZ {
// Readable values in failure messages.
void PrintTo(const QZValue& value, std::ostream* os) { *os << value.toString(0); }
}  // namespace QZ

namespace {

using QZ::QZValue;
using ::testing::StrEq;
using ::testing::ThrowsMessage;

QZValue array(std::initializer_list<QZValue> elements) {
  QZValue list;
  list.arraySetSize(static_cast<int>(elements.size()));
  int i = 0;
  for (const QZValue& element : elements) list[i++] = element;
  return list;
}

class ProxyCalls : public ::testing::Test {
protected:
  void SetUp() override { fakebase::reset(); }
  const fakebase::Call& onlyCall() {
    EXPECT_EQ(fakebase::log().calls.size(), 1u);
    return fakebase::log().calls.back();
  }
};

TEST_F(ProxyCalls, ConstructionAddressesTheModuleOfTheTableAndLinksThePostHandler) {
  QZ::QZAudioDeviceProxyRemote audio("robot", 4700);
  QZ::DCMProxyRemote dcm("127.0.0.1", 9559);

  const auto& made = fakebase::log().constructions;
  ASSERT_EQ(made.size(), 2u);  // the post handlers address nothing
  EXPECT_EQ(made[0].module, "QZAudioDevice");
  EXPECT_EQ(made[0].ip, "robot");
  EXPECT_EQ(made[0].port, 4700);
  EXPECT_EQ(made[0].reserved, 0);
  EXPECT_EQ(made[0].timeout, 0);
  EXPECT_EQ(made[1].module, "DCM");
  EXPECT_EQ(made[1].port, 9559);
  EXPECT_EQ(made[1].timeoutMs, 0);
  EXPECT_EQ(audio.post.fParent, &audio);
  EXPECT_EQ(dcm.post.fParent, &dcm);

  // The constructor with a bound hands it to the base, which bounds the lookup too.
  QZ::QZMotionProxyRemote bounded("127.0.0.1", 9559, 750);
  ASSERT_EQ(made.size(), 3u);
  EXPECT_EQ(made[2].module, "QZMotion");
  EXPECT_EQ(made[2].timeout, 0);
  EXPECT_EQ(made[2].timeoutMs, 750);
  EXPECT_EQ(bounded.post.fParent, &bounded);
}

TEST_F(ProxyCalls, ExitSendsAnInvalidArgumentValueAndIgnoresTheAnswer) {
  QZ::QZAudioDeviceProxyRemote audio("robot", 4700);
  for (const QZValue& answer : {QZValue(), QZValue(std::string("done")), QZValue(3)}) {
    fakebase::reset();
    fakebase::log().answer = answer;
    EXPECT_NO_THROW(audio.exit());
    const fakebase::Call& call = onlyCall();
    EXPECT_EQ(call.module, "QZAudioDevice");
    EXPECT_EQ(call.method, "exit");
    EXPECT_EQ(call.params.getType(), QZValue::TypeInvalid);  // not an empty Array
    EXPECT_FALSE(call.posted);
  }
}

TEST_F(ProxyCalls, PostedExitGoesThroughTheParentAndReturnsTheTaskId) {
  QZ::QZAudioDeviceProxyRemote audio("robot", 4700);
  fakebase::log().nextTaskId = 41;
  EXPECT_EQ(audio.post.exit(), 41);
  const fakebase::Call& call = onlyCall();
  EXPECT_EQ(call.module, "QZAudioDevice");  // the parent's base, not the handler's own
  EXPECT_EQ(call.method, "exit");
  EXPECT_EQ(call.params.getType(), QZValue::TypeInvalid);
  EXPECT_TRUE(call.posted);
}

TEST_F(ProxyCalls, StopSendsTheIdAloneAndItsPostedTwinReturnsANewId) {
  QZ::DCMProxyRemote dcm("robot", 4700);
  dcm.stop(7);
  fakebase::log().nextTaskId = 8;
  EXPECT_EQ(dcm.post.stop(7), 8);

  const auto& calls = fakebase::log().calls;
  ASSERT_EQ(calls.size(), 2u);
  for (const fakebase::Call& call : calls) {
    EXPECT_EQ(call.module, "DCM");
    EXPECT_EQ(call.method, "stop");
    EXPECT_EQ(call.params, array({QZValue(7)}));
  }
  EXPECT_FALSE(calls[0].posted);
  EXPECT_TRUE(calls[1].posted);
}

TEST_F(ProxyCalls, OverloadsSendTheirOwnArgumentListsUnderOneName) {
  QZ::QZSensorsProxyRemote sensors("robot", 4700);
  sensors.subscribe("me");
  sensors.subscribe("me", 50, 0.5f);
  sensors.post.subscribe("me");
  sensors.post.subscribe("me", 50, 0.5f);

  const auto& calls = fakebase::log().calls;
  ASSERT_EQ(calls.size(), 4u);
  const QZValue shortForm = array({QZValue(std::string("me"))});
  const QZValue longForm = array({QZValue(std::string("me")), QZValue(50), QZValue(0.5f)});
  for (const fakebase::Call& call : calls) EXPECT_EQ(call.method, "subscribe");
  EXPECT_EQ(calls[0].params, shortForm);
  EXPECT_EQ(calls[1].params, longForm);
  EXPECT_EQ(calls[2].params, shortForm);
  EXPECT_EQ(calls[3].params, longForm);
}

TEST_F(ProxyCalls, ArgumentsArePackedOneElementEachInDeclaredOrder) {
  QZ::QZMotionProxyRemote motion("robot", 4700);
  motion.changePosition("LArm", 2, std::vector<float>{1.0f, 2.5f}, 0.3f, 7);
  EXPECT_EQ(onlyCall().params,
            array({QZValue(std::string("LArm")), QZValue(2),
                   QZValue(std::vector<float>{1.0f, 2.5f}), QZValue(0.3f), QZValue(7)}));

  // Parameters named like the generator's own locals reach the broker unchanged.
  fakebase::reset();
  QZ::DCMProxyRemote dcm("robot", 4700);
  dcm.special("x");
  EXPECT_EQ(onlyCall().method, "special");
  EXPECT_EQ(onlyCall().params, array({QZValue(std::string("x"))}));

  fakebase::reset();
  QZ::DCMLikeProxyRemote fixture("robot", 4700);
  fakebase::log().answer = QZValue(std::string("ok"));
  EXPECT_EQ(fixture.report(array({QZValue(1)}), 9), "ok");
  EXPECT_EQ(onlyCall().params, array({array({QZValue(1)}), QZValue(9)}));
}

TEST_F(ProxyCalls, AMethodWithResultFailsWhenTheBrokerAnswersNothing) {
  QZ::QZAudioDeviceProxyRemote audio("robot", 4700);
  EXPECT_THAT([&] { audio.getMethodHelp("exit"); },
              ThrowsMessage<QZ::QZError>(
                  StrEq("\tQZProxy::call\n\tWaiting for the result of a void function")));
  EXPECT_EQ(onlyCall().params, array({QZValue(std::string("exit"))}));
}

TEST_F(ProxyCalls, AnswersConvertToTheDeclaredResultTypes) {
  QZ::DCMProxyRemote dcm("robot", 4700);
  QZ::QZSensorsProxyRemote sensors("robot", 4700);
  auto& answer = fakebase::log().answer;

  answer = array({QZValue(std::string("ping")), QZValue(std::string("exit"))});
  EXPECT_EQ(dcm.getMethodList(), (std::vector<std::string>{"ping", "exit"}));
  EXPECT_EQ(dcm.getMethodHelp("ping"), answer);  // an object result is the answer itself
  answer = QZValue(1);
  EXPECT_TRUE(dcm.isRunning(3));
  EXPECT_TRUE(dcm.wait(3, 0));
  EXPECT_EQ(sensors.getCurrentPrecision(), 1.0f);
  answer = QZValue(1234);
  EXPECT_EQ(dcm.getTime(0), 1234);
  answer = QZValue(std::string("2.0"));
  EXPECT_EQ(dcm.version(), "2.0");

  answer = QZValue(5);
  EXPECT_THAT([&] { dcm.version(); },
              ThrowsMessage<QZ::QZError>(StrEq(
                  "\tconvertFromQZValue::convertFromQZValue\n\tParameter type is Int instead of "
                  "string")));
}

}  // namespace
