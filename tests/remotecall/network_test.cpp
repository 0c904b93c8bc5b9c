// QZNetwork operations on handles that hold no connection, and endpoint texts.
#include "qznetwork.h"
#include "qzremotecall/qzremoteproxy.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using QZ::QZError;
using QZ::QZNetwork;
using QZ::QZValue;
using testing::StrEq;
using testing::ThrowsMessage;

TEST(Network, OperationsWithoutAConnectionNameThemselves) {
  QZNetwork network;
  const std::shared_ptr<QZValue> empty;
  const auto notAConnection = std::make_shared<QZValue>(5);
  auto info = std::make_shared<QZ::qz__QZModuleInfoTamsa>();
  EXPECT_THAT([&] { network.callMethod(empty, "getBrokerName", QZValue()); },
              ThrowsMessage<QZError>(StrEq("\tQZNetwork::callMethodgetBrokerName\n\tconnection not initialized")));
  EXPECT_THAT([&] { network.setEndPoint(notAConnection, "1.2.3.4", 1); },
              ThrowsMessage<QZError>(StrEq("\tQZNetwork::setEndPoint\n\tconnection not initialized")));
  EXPECT_THAT([&] { network.postMethod(empty, "say", QZValue()); },
              ThrowsMessage<QZError>(StrEq("\tQZProxy::null copy in CALL_METHODS\n\t")));
  EXPECT_THROW(network.getModuleByName(empty, "QZMotion", info), QZ::QZNetworkError);
}

TEST(Network, EndpointIsRewrittenFromAddressAndPort) {
  QZNetwork network;
  auto info = std::make_shared<QZ::qz__QZModuleInfoTamsa>();
  const auto connection = network.createConnection(info, "http://robot.local.:9559", 0);
  EXPECT_EQ(connection->fEndPoint, "http://robot.local.:9559");
  EXPECT_EQ(connection->fModuleInfo, info);
  EXPECT_EQ(connection->getType(), QZValue::TypeInvalid);
  network.setEndPoint(connection, "192.168.1.5", 4700);
  EXPECT_EQ(connection->fEndPoint, "http://192.168.1.5:4700");
}

TEST(Network, DefaultConstructedProxyRefusesCalls) {
  QZ::QZProxyRemote empty;  // the base of post handlers: no call goes through it
  QZValue result;
  EXPECT_THAT([&] { empty.genericCall("ping", QZValue(), result); },
              ThrowsMessage<QZError>(StrEq("\tQZNetwork::callMethodping\n\tconnection not initialized")));
  EXPECT_THROW(empty.genericPost("exit", QZValue(), result), QZError);
}
