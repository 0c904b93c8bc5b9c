// The untyped Proxy: any module by name, arguments and results converted whole.
#include "loopbackbroker.h"

#include <velantrix/proxies/proxy.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <typeinfo>

using hostproxies::LoopbackBroker;
using hostproxies::statusPair;
using hostproxies::WireCall;
using System::Collections::ArrayList;
using Velantrix::Proxies::Proxy;
using ::testing::StrEq;
using ::testing::ThrowsMessage;

namespace {

class UntypedProxy : public ::testing::Test {
protected:
  void SetUp() override { broker.answerLookup("QZMemory", "0.0.0.0"); }
  LoopbackBroker broker;
};

TEST_F(UntypedProxy, CallsTheNamedModuleWithItsArgumentsConvertedWhole) {
  Proxy proxy("QZMemory", "127.0.0.1", broker.port());
  EXPECT_EQ(broker.lastCall().module, "QZMemory");

  broker.answerCall(statusPair("<item xsi:type=\"xsd:string\">v\xC3\xA9</item>"));
  const System::Object value = proxy.genericCall("getData", ArrayList{"key", 0});
  EXPECT_EQ(value.As<System::String>(), u"v\u00e9");
  WireCall call = broker.lastCall();
  EXPECT_EQ(call.operation, "callTamsa");
  EXPECT_EQ(call.module, "QZMemory");
  EXPECT_EQ(call.method, "getData");
  ASSERT_EQ(call.args.size(), 2u);
  EXPECT_EQ(call.args[0].type, "xsd:string");
  EXPECT_EQ(call.args[1].type, "xsd:int");

  // A single value is sent as it is, not wrapped in an Array.
  broker.answerCall(statusPair("<item xsi:type=\"xsd:int\">3</item>"));
  EXPECT_EQ(proxy.genericCall("getEventHistory", 42).Unbox<int>(), 3);
  call = broker.lastCall();
  ASSERT_EQ(call.top.size(), 1u);
  EXPECT_EQ(call.top[0].type, "xsd:int");
  EXPECT_EQ(call.top[0].text, "42");

  broker.answerCall(statusPair(""));
  proxy.genericVoidCall("removeData", ArrayList{"key"});
  EXPECT_EQ(broker.lastCall().method, "removeData");

  broker.answerPost(88);
  EXPECT_EQ(proxy.genericPost("insertData", ArrayList{"key", 1.5f}), 88);
  call = broker.lastCall();
  EXPECT_EQ(call.operation, "callTamsa2");
  EXPECT_EQ(call.method, "insertData");
  ASSERT_EQ(call.args.size(), 2u);
  EXPECT_EQ(call.args[1].type, "xsd:float");
}

TEST_F(UntypedProxy, ErrorsAndDisposal) {
  EXPECT_THROW(Proxy(System::String(), "127.0.0.1", broker.port()), System::ArgumentNullException);
  EXPECT_THROW(Proxy("QZMemory", System::String(), broker.port()), System::ArgumentNullException);
  EXPECT_EQ(broker.server.connectionsAccepted(), 0);

  Proxy proxy("QZMemory", "127.0.0.1", broker.port());
  broker.answerFault("no method", "nope");
  EXPECT_THAT([&] { proxy.genericCall("nope", System::Object()); },
              ThrowsMessage<System::Exception>(
                  StrEq("\tQZMemory::SOAP error:no method\n\tSOAP detail: nope")));
  EXPECT_THROW(proxy.genericCall("x", nullptr), System::NullReferenceException);

  proxy.Dispose();
  proxy.Dispose();
  EXPECT_THAT([&] { proxy.genericPost("x", 1); },
              ThrowsMessage<System::ObjectDisposedException>(
                  StrEq("Cannot access a disposed object: Proxy")));

  broker.refuseLookup();
  try {
    Proxy unknown("QZNothing", "127.0.0.1", broker.port());
    FAIL() << "an unknown module was constructed";
  } catch (const System::Exception& error) {
    EXPECT_EQ(typeid(error), typeid(System::Exception));
    EXPECT_EQ(std::string(error.what()), "\tQZNetwork::getModuleByName\n\tfailed to get module "
                                         "QZNothing " + broker.endpoint());
  }
}

}  // namespace
