// A simulated broker on an ephemeral loopback port for each test, and the client's
// proxies pointed at it.
#ifndef SIMBROKER_SIMFIXTURE_H
#define SIMBROKER_SIMFIXTURE_H

#include "qzremotecall/qzremoteproxy.h"
#include "qzsim/broker.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace simtest {

class SimBrokerTest : public ::testing::Test {
protected:
  std::unique_ptr<QZ::QZProxyRemote> proxy(const std::string& module) {
    return std::make_unique<QZ::QZProxyRemote>(module, "127.0.0.1", broker.port(), 0, 0);
  }
  // module.method(args...) through the untyped proxy; the answer as the client has it.
  QZ::QZValue call(QZ::QZProxyRemote& p, const std::string& method, const QZ::QZValue& args = QZ::QZValue()) {
    QZ::QZValue result;
    p.genericCall(method, args, result);
    return result;
  }
  std::string endpoint() const { return "http://127.0.0.1:" + std::to_string(broker.port()); }

  qzsim::Broker broker;
};

// An Array of the given values.
inline QZ::QZValue list(const std::vector<QZ::QZValue>& values) {
  QZ::QZValue out;
  out.arraySetSize(static_cast<int>(values.size()));
  for (std::size_t i = 0; i < values.size(); ++i) out[static_cast<int>(i)] = values[i];
  return out;
}

inline QZ::QZValue binary(const std::string& bytes) {
  QZ::QZValue out;
  out.SetBinary(bytes.data(), static_cast<int>(bytes.size()));
  return out;
}

// The text of a SOAP fault as the client reports it.
inline std::string faultText(const std::string& module, const std::string& faultString,
                             const std::string& detail) {
  return "\t" + module + "::SOAP error:" + faultString + "\n\tSOAP detail: " + detail;
}

}  // namespace simtest

#endif
