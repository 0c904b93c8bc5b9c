// The golden output of the host generator, compiled and run over the fixture's
// native proxies against the loopback broker.
#include "loopbackbroker.h"

#include <velantrix/proxies.h>

#include <gtest/gtest.h>

using hostproxies::LoopbackBroker;
using hostproxies::statusPair;
using hostproxies::WireCall;

namespace {

TEST(GoldenHostProxies, CallThroughTheirNativeProxies) {
  LoopbackBroker broker;
  broker.answerLookup("QZWheels");
  Velantrix::Proxies::WheelsProxy wheels("127.0.0.1", broker.port());

  broker.answerCall(statusPair("<item xsi:type=\"Array\"><item xsi:type=\"xsd:float\">0.25</item>"
                               "</item>"));
  const Velantrix::Proxies::WheelsProxy::FloatList speeds = wheels.getSpeeds({"left"});
  ASSERT_EQ(speeds.Count(), 1);
  EXPECT_EQ(speeds[0], 0.25f);

  broker.answerCall(statusPair(""));
  wheels.move(1.0f, 2.0f, 0.5f, true);
  WireCall call = broker.lastCall();
  EXPECT_EQ(call.module, "QZWheels");
  EXPECT_EQ(call.method, "move");
  EXPECT_EQ(call.args.size(), 4u);

  broker.answerPost(12);
  EXPECT_EQ(wheels.post.move(1.0f, 2.0f), 12);
  EXPECT_EQ(broker.lastCall().operation, "callTamsa2");

  broker.answerLookup("DCMLike");
  Velantrix::Proxies::DCMLikeProxy dcm("127.0.0.1", broker.port());
  broker.answerCall(statusPair("<item xsi:type=\"xsd:string\">done</item>"));
  EXPECT_EQ(dcm.report(System::Collections::ArrayList{1}, 2), "done");
  call = broker.lastCall();
  EXPECT_EQ(call.module, "DCMLike");
  EXPECT_EQ(call.method, "report");

  wheels.Dispose();
  EXPECT_THROW(wheels.post.reset(), System::ObjectDisposedException);
}

}  // namespace
