// A client context talking to a loopback raw server.
#ifndef QZTEST_WIREFIXTURE_H
#define QZTEST_WIREFIXTURE_H

#include "qzbrokerclient.h"
#include "qztest/httpanswers.h"
#include "qztest/rawserver.h"

#include <gtest/gtest.h>

#include <string>

class WireTest : public ::testing::Test {
protected:
  // A time-out keeps a misbehaving exchange from hanging the suite.
  explicit WireTest(int timeoutSeconds = 10) : soap(QZ::wire::newClientContext(timeoutSeconds)) {}
  ~WireTest() override { QZ::wire::freeClientContext(soap); }

  int call(const std::string& method, const QZ::QZValue& params, QZ::QZValue& result) {
    return QZ::wire::callTamsa(soap, server.endpoint(), "QZMotion", method, params, result);
  }
  // Answers the next request with `envelope` as a callTamsa result.
  void answerResult(const std::string& resultXml) {
    server.enqueue(qztest::httpAnswer(qztest::answerEnvelope("callTamsaResponse", resultXml)));
  }

  qztest::RawServer server;
  struct soap* soap;
};

#endif
