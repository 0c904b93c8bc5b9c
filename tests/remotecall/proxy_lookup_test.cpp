// Building a QZProxyRemote: address normalisation, the module lookup, and the
// re-pointing of the connection at the address the broker reports.
#include "brokerstub.h"
#include "qzremotecall/qzremoteproxy.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using QZ::QZProxyRemote;
using QZ::QZValue;
using qztest::RawServer;

namespace {

QZValue pingThrough(QZProxyRemote& proxy) {
  QZValue result;
  proxy.genericCall("ping", QZValue(), result);
  return result;
}

std::string lookupError(const std::string& ip, int port) {
  try {
    QZProxyRemote proxy("QZMotion", ip, port, 0, 0);
  } catch (const QZ::QZNetworkError& error) {
    return error.what();
  }
  return "no error";
}

}  // namespace

TEST(ProxyLookup, CallsGoToTheReportedPortWithZeroAddressReplaced) {
  qztest::BrokerStub moduleHost;
  RawServer lookupBroker;
  lookupBroker.enqueue(qztest::moduleAnswer("QZMotion", "0.0.0.0", moduleHost.port()));

  QZProxyRemote proxy("QZMotion", "127.0.0.1", lookupBroker.port(), 0, 0);
  EXPECT_TRUE(static_cast<bool>(static_cast<const QZValue&>(pingThrough(proxy))));

  ASSERT_EQ(lookupBroker.requests().size(), 1u);
  EXPECT_EQ(qztest::elementText(lookupBroker.request(0).body, "qzbroker:pModuleName"), "QZMotion");
  ASSERT_EQ(moduleHost.server().requests().size(), 1u);
  EXPECT_EQ(moduleHost.server().request(0).header("Host"), moduleHost.server().hostPort());
}

TEST(ProxyLookup, ExplicitLoopbackWinsOverTheReportedAddress) {
  qztest::BrokerStub moduleHost;
  RawServer lookupBroker;
  lookupBroker.enqueue(qztest::moduleAnswer("QZMotion", "192.0.2.7", moduleHost.port()));
  QZProxyRemote proxy("QZMotion", "127.0.0.1", lookupBroker.port(), 0, 0);
  pingThrough(proxy);
  EXPECT_EQ(moduleHost.server().requests().size(), 1u);
}

TEST(ProxyLookup, FailureNamesModuleAndNormalisedEndpoint) {
  RawServer broker;
  broker.enqueue(qztest::httpAnswer(qztest::faultEnvelope("no module QZMotion", nullptr), "text/xml; charset=utf-8",
                                    "500 Internal Server Error"));
  const std::string port = std::to_string(broker.port());
  EXPECT_EQ(lookupError("127.0.0.1", broker.port()),
            "\tQZNetwork::getModuleByName\n\tfailed to get module QZMotion http://127.0.0.1:" + port);
  // Host names gain ".local." unless they start with a digit or hold ".local" already;
  // none of these resolve here, so the texts show the endpoint that was asked.
  EXPECT_EQ(lookupError("robot", 4700),
            "\tQZNetwork::getModuleByName\n\tfailed to get module QZMotion http://robot.local.:4700");
  EXPECT_THAT(lookupError("robot.local.lan", 4700), testing::EndsWith("http://robot.local.lan:4700"));
  EXPECT_THAT(lookupError("localhost", 1), testing::EndsWith("http://localhost.local.:1"));
  EXPECT_THAT(lookupError("", 1), testing::EndsWith("http://.local.:1"));
}

TEST(ProxyLookup, NothingAnsweringOnThePortFailsTheConstruction) {
  int freePort = 0;
  {
    RawServer closedSoon;
    freePort = closedSoon.port();
  }
  EXPECT_THAT(lookupError("127.0.0.1", freePort),
              testing::EndsWith("failed to get module QZMotion http://127.0.0.1:" + std::to_string(freePort)));
}
