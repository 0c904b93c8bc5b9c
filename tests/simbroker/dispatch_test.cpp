// Lookup of the modules, the common methods every module answers, and the faults
// of calls that reach no form.
#include "simfixture.h"

#include "catalogue_table.h"

#include "qzproxies/dcmproxyremote.h"
#include "qzproxies/qzmemoryproxyremote.h"
#include "qzproxies/qzmotionproxyremote.h"

#include <algorithm>

namespace simtest {
namespace {

using QZ::QZValue;
using ::testing::StrEq;
using ::testing::ThrowsMessage;

TEST_F(SimBrokerTest, EveryModuleOfTheCatalogueIsFoundAndAnswers) {
  for (int m = 0; m < qzsim::kModuleCount; ++m) {
    SCOPED_TRACE(qzsim::kModules[m].name);
    auto p = proxy(qzsim::kModules[m].name);
    EXPECT_TRUE(p->callRemote<bool>("ping"));
  }
  QZ::DCMProxyRemote dcm("127.0.0.1", broker.port());
  EXPECT_EQ(dcm.getBrokerName(), "QZSimBroker");
}

TEST_F(SimBrokerTest, AnUnknownModuleFailsTheLookup) {
  EXPECT_THAT([&] { proxy("QZFlying"); },
              ThrowsMessage<QZ::QZNetworkError>(StrEq(
                  "\tQZNetwork::getModuleByName\n\tfailed to get module QZFlying " + endpoint())));
}

TEST_F(SimBrokerTest, TheCommonMethodsAnswerFromTheCatalogue) {
  QZ::QZMotionProxyRemote motion("127.0.0.1", broker.port());
  const std::vector<std::string> names = motion.getMethodList();
  EXPECT_EQ(names.size(), 11u + 81u);  // moveTo and the like have several forms, listed once
  EXPECT_EQ(std::count(names.begin(), names.end(), "moveTo"), 1);
  EXPECT_EQ(names.front(), "exit");
  EXPECT_EQ(motion.getUsage("ping"), "ping() -> bool");
  EXPECT_EQ(motion.getUsage("move"),
            "move(float x, float y, float theta, object moveConfig) -> void\n"
            "move(float x, float y, float theta) -> void");
  const QZValue help = motion.getMethodHelp("getAngles");
  const QZValue expected = list({QZValue(std::string("getAngles")),
                                 list({list({QZValue(std::string("getAngles(object names, bool useSensors) -> list of floats")),
                                             list({list({QZValue(std::string("names")), QZValue(std::string("object"))}),
                                                   list({QZValue(std::string("useSensors")), QZValue(std::string("bool"))})}),
                                             QZValue(std::string("list of floats"))})})});
  EXPECT_EQ(help, expected) << help.toString(0);
  const QZValue module = motion.getModuleHelp();
  EXPECT_EQ(module[0], QZValue(std::string("QZMotion")));
  EXPECT_EQ(module[2].getSize(), 102u);
  EXPECT_FALSE(motion.version().empty());
  EXPECT_THAT([&] { motion.getUsage("fly"); },
              ThrowsMessage<QZ::QZError>(StrEq(faultText(
                  "QZMotion", "QZMotion.getUsage: argument 1 (name) names no method of QZMotion: fly",
                  "getUsage(string name) -> string"))));
}

TEST_F(SimBrokerTest, CallsThatReachNoFormSayWhatWasWrong) {
  auto motion = proxy("QZMotion");
  EXPECT_THAT([&] { call(*motion, "fly"); },
              ThrowsMessage<QZ::QZError>(StrEq(faultText(
                  "QZMotion", "QZMotion has no method named fly",
                  "called with 0 arguments; getMethodList() lists the 92 methods of QZMotion"))));
  const QZValue five = list({QZValue(1.0f), QZValue(1.0f), QZValue(1.0f), QZValue(), QZValue()});
  EXPECT_THAT([&] { call(*motion, "moveTo", five); },
              ThrowsMessage<QZ::QZError>(StrEq(faultText(
                  "QZMotion", "QZMotion.moveTo takes 1, 2, 3 or 4 arguments, not 5",
                  "moveTo(object controlPoint, object feetGaitConfig) -> void; "
                  "moveTo(object controlPoint) -> void; "
                  "moveTo(float x, float y, float theta, object moveConfig) -> void; "
                  "moveTo(float x, float y, float theta) -> void"))));
  EXPECT_THAT([&] { call(*motion, "getAngles", list({QZValue(std::string("Head")), QZValue(std::string("yes"))})); },
              ThrowsMessage<QZ::QZError>(StrEq(faultText(
                  "QZMotion", "QZMotion.getAngles: argument 2 (useSensors) must be bool, not String",
                  "getAngles(object names, bool useSensors) -> list of floats"))));
  auto video = proxy("QZVideoDevice");
  EXPECT_THAT([&] { call(*video, "getColorSpace", list({QZValue(true)})); },
              ThrowsMessage<QZ::QZError>(StrEq(faultText(
                  "QZVideoDevice", "QZVideoDevice.getColorSpace has no form that takes (Bool)",
                  "getColorSpace(string name) -> int; getColorSpace(int cameraIndex) -> int"))));
  // The connection closed after each fault; the proxy goes on on a new one.
  EXPECT_EQ(call(*motion, "ping"), QZValue(true));
}

TEST_F(SimBrokerTest, AnIntIsTakenWhereAFloatIsDeclaredButTheExactFormWins) {
  auto memory = proxy("QZMemory");
  auto tts = proxy("QZTextToSpeech");
  call(*tts, "setVolume", list({QZValue(1)}));
  EXPECT_EQ(call(*tts, "getVolume"), QZValue(1.0f));
  call(*memory, "insertData", list({QZValue(std::string("n")), QZValue(3)}));
  EXPECT_EQ(call(*memory, "getData", list({QZValue(std::string("n"))})), QZValue(3));
}

}  // namespace
}  // namespace simtest
