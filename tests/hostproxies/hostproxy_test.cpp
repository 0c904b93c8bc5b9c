// Typed host proxies through the whole library against the loopback broker:
// construction failures, posted task ids, overloads, results, errors and disposal.
#include "loopbackbroker.h"

#include <velantrix/proxies/audiodeviceproxy.h>
#include <velantrix/proxies/memoryproxy.h>
#include <velantrix/proxies/motionproxy.h>
#include <velantrix/proxies/texttospeechproxy.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>
#include <typeinfo>
#include <utility>

using hostproxies::LoopbackBroker;
using hostproxies::statusPair;
using hostproxies::WireCall;
using hostproxies::WireItem;
using Velantrix::Proxies::MotionProxy;
using ::testing::StrEq;
using ::testing::ThrowsMessage;

namespace {

std::vector<std::string> kinds(const WireCall& call) {
  std::vector<std::string> out;
  for (const WireItem& item : call.args) out.push_back(item.type);
  return out;
}

std::vector<std::string> texts(const WireCall& call) {
  std::vector<std::string> out;
  for (const WireItem& item : call.args) out.push_back(item.text);
  return out;
}

class HostProxy : public ::testing::Test {
protected:
  void answer(const std::string& valueXml) { broker.answerCall(statusPair(valueXml)); }
  LoopbackBroker broker;
};

TEST_F(HostProxy, ConstructionFailuresLeaveNothingBehind) {
  // A null address fails before anything native exists: the broker hears nothing.
  EXPECT_THROW(MotionProxy(System::String(), broker.port()), System::ArgumentNullException);
  EXPECT_EQ(broker.server.connectionsAccepted(), 0);

  broker.refuseLookup();
  try {
    MotionProxy motion("127.0.0.1", broker.port());
    FAIL() << "an unknown module was constructed";
  } catch (const System::Exception& error) {
    EXPECT_EQ(typeid(error), typeid(System::Exception));
    EXPECT_EQ(std::string(error.what()), "\tQZNetwork::getModuleByName\n\tfailed to get module "
                                         "QZMotion " + broker.endpoint());
  }
  EXPECT_EQ(broker.lastCall().operation, "getModuleByName");
}

TEST_F(HostProxy, ApplicationsCallWithPlainCppValues) {
  broker.answerLookup("QZMotion");
  Velantrix::Proxies::MotionProxy motion("127.0.0.1", broker.port());
  answer("");
  motion.setAngles("HeadYaw", 0.5f, 0.1f);
  const WireCall call = broker.lastCall();
  EXPECT_EQ(call.method, "setAngles");
  EXPECT_EQ(kinds(call), (std::vector<std::string>{"xsd:string", "xsd:float", "xsd:float"}));
  EXPECT_EQ(texts(call), (std::vector<std::string>{"HeadYaw", "0.5", "0.1"}));
  answer("<item xsi:type=\"Array\"><item xsi:type=\"xsd:float\">0.5</item></item>");
  EXPECT_EQ(motion.getAngles("HeadYaw", true)[0], 0.5f);
}

TEST_F(HostProxy, PostedTaskIdsAddressTheSameTaskInWaitAndIsRunning) {
  broker.answerLookup("QZMotion", "0.0.0.0");
  MotionProxy motion("127.0.0.1", broker.port());
  broker.answerPost(-123456);
  const int id = motion.post.moveTo(0.5f, 0.0f, 1.0f);
  EXPECT_EQ(id, -123456);
  EXPECT_EQ(broker.lastCall().operation, "callTamsa2");
  EXPECT_EQ(texts(broker.lastCall()), (std::vector<std::string>{"0.5", "0", "1"}));

  answer("<item xsi:type=\"xsd:boolean\">true</item>");
  EXPECT_TRUE(motion.wait(id, 2000));
  EXPECT_EQ(broker.lastCall().method, "wait");
  EXPECT_EQ(texts(broker.lastCall()), (std::vector<std::string>{"-123456", "2000"}));
  answer("<item xsi:type=\"xsd:boolean\">false</item>");
  EXPECT_FALSE(motion.isRunning(id));
  EXPECT_EQ(broker.lastCall().method, "isRunning");
  EXPECT_EQ(texts(broker.lastCall()), std::vector<std::string>{"-123456"});
}

TEST_F(HostProxy, OverloadsCallOneRemoteNameWithTheirOwnArguments) {
  broker.answerLookup("QZAudioDevice");
  Velantrix::Proxies::AudioDeviceProxy audio("127.0.0.1", broker.port());
  answer("");
  audio.setClientPreferences("me", 16000, 3, 0);
  WireCall call = broker.lastCall();
  EXPECT_EQ(call.method, "setClientPreferences");
  EXPECT_EQ(kinds(call), (std::vector<std::string>{"xsd:string", "xsd:int", "xsd:int", "xsd:int"}));
  answer("");
  audio.setClientPreferences("me", 16000, System::Collections::ArrayList{1, 2}, 0, 1);
  call = broker.lastCall();
  EXPECT_EQ(call.method, "setClientPreferences");
  EXPECT_EQ(kinds(call), (std::vector<std::string>{"xsd:string", "xsd:int", "Array", "xsd:int",
                                                   "xsd:int"}));

  // Each form of insertData is reached by the C++ argument that names its host type;
  // a text literal goes to the string form.
  broker.answerLookup("QZMemory");
  Velantrix::Proxies::MemoryProxy memory("127.0.0.1", broker.port());
  const std::pair<std::function<void()>, const char*> forms[] = {
      {[&] { memory.insertData("key", "text"); }, "xsd:string"},
      {[&] { memory.insertData("key", 3); }, "xsd:int"},
      {[&] { memory.insertData("key", 2.5f); }, "xsd:float"},
      {[&] { memory.insertData("key", System::Object(true)); }, "xsd:boolean"},
      {[&] { memory.insertData("key", System::Collections::ArrayList{"a"}); }, "Array"},
  };
  for (const auto& [call, kind] : forms) {
    answer("");
    call();
    EXPECT_EQ(kinds(broker.lastCall()), (std::vector<std::string>{"xsd:string", kind}));
  }
  broker.answerPost(5);
  EXPECT_EQ(memory.post.insertData("key", "text"), 5);
  EXPECT_EQ(kinds(broker.lastCall()), (std::vector<std::string>{"xsd:string", "xsd:string"}));
}

TEST_F(HostProxy, TypedStringResultsDecodeUtf8AndStopAtANul) {
  broker.answerLookup("QZTextToSpeech");
  Velantrix::Proxies::TextToSpeechProxy speech("127.0.0.1", broker.port());
  answer("<item xsi:type=\"xsd:string\">caf\xC3\xA9</item>");
  EXPECT_EQ(speech.getLanguage(), u"caf\u00e9");
  answer("<item xsi:type=\"xsd:string\">ab&#0;cd</item>");
  EXPECT_EQ(speech.getLanguage(), "ab");
}

TEST_F(HostProxy, NativeFailuresArriveAsPlainSystemExceptions) {
  broker.answerLookup("QZMotion");
  MotionProxy motion("127.0.0.1", broker.port());
  broker.answerFault("joint unknown", "HeadYawn");
  EXPECT_THAT([&] { motion.setStiffnesses("HeadYawn", 1.0f); },
              ThrowsMessage<System::Exception>(
                  StrEq("\tQZMotion::SOAP error:joint unknown\n\tSOAP detail: HeadYawn")));
  answer("<item xsi:type=\"xsd:string\">yes</item>");
  EXPECT_THAT([&] { motion.ping(); },
              ThrowsMessage<System::Exception>(StrEq(
                  "\tconvertFromQZValue::convertFromQZValue\n\tParameter type is String instead "
                  "of bool")));
  // A host error in an argument passes unchanged, and nothing is sent.
  const std::size_t sent = broker.requestCount();
  EXPECT_THROW(motion.getBodyNames(System::String()), System::ArgumentNullException);
  EXPECT_THROW(motion.areResourcesAvailable(nullptr), System::NullReferenceException);
  EXPECT_EQ(broker.requestCount(), sent);
}

// Deadlines, cancelling and the guard reach the host surface as System::Exception.
TEST_F(HostProxy, TimeoutsCancelAndTheGuardArriveAsSystemExceptions) {
  broker.answerLookup("QZMotion");
  MotionProxy motion("127.0.0.1", broker.port(), 300);
  EXPECT_EQ(motion.getTimeout(), 300);
  broker.server.enqueue(qztest::RawAnswer());  // the broker never answers this call
  EXPECT_THAT([&] { motion.ping(); },
              ThrowsMessage<System::Exception>(StrEq("\tQZMotion::ping\n\ttimed out after 300 ms "
                                                     "waiting for " + broker.endpoint())));
  EXPECT_THAT([&] { motion.setTimeout(-5); }, ThrowsMessage<System::Exception>(testing::HasSubstr(
                                                  "a time-out of -5 ms")));

  motion.setTimeout(0);
  broker.server.enqueue(qztest::RawAnswer());
  const std::size_t requests = broker.requestCount();
  std::thread canceller([&] {
    EXPECT_TRUE(broker.server.waitForRequests(requests + 1));  // the broker holds the call
    // The guard: a second thread is refused while the call waits; then it cancels.
    EXPECT_THAT([&] { motion.post.stop(3); },
                ThrowsMessage<System::Exception>(testing::HasSubstr("in use by another thread")));
    motion.cancel();
  });
  EXPECT_THAT([&] { motion.getAngles(System::String("HeadYaw"), true); },
              ThrowsMessage<System::Exception>(testing::HasSubstr("the call was cancelled")));
  canceller.join();

  answer("<item xsi:type=\"xsd:boolean\">true</item>");
  EXPECT_TRUE(motion.ping());  // usable again, on a new connection
  motion.Dispose();
  EXPECT_THROW(motion.cancel(), System::ObjectDisposedException);
}

TEST_F(HostProxy, DisposeTwiceIsHarmlessAndLaterUseIsRefused) {
  broker.answerLookup("QZMotion");
  MotionProxy motion("127.0.0.1", broker.port());
  MotionProxy::PostHelper& post = motion.post;
  motion.Dispose();
  motion.Dispose();
  EXPECT_THAT([&] { motion.ping(); }, ThrowsMessage<System::ObjectDisposedException>(StrEq(
                                          "Cannot access a disposed object: MotionProxy")));
  EXPECT_THROW(post.stop(1), System::ObjectDisposedException);
  EXPECT_EQ(broker.requestCount(), 1u) << "only the lookup reached the broker";
}

}  // namespace
