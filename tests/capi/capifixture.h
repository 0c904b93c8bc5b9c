// A simulated broker on an ephemeral loopback port and proxies opened on it through
// the C ABI, with calls that take and give QZValues.
#ifndef CAPITEST_CAPIFIXTURE_H
#define CAPITEST_CAPIFIXTURE_H

#include "capitest.h"
#include "qzsim/broker.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

namespace capitest {

using ProxyHandle = std::unique_ptr<qz_proxy, void (*)(qz_proxy*)>;

// Opens `module` at 127.0.0.1:port; a failure fails the test and gives a null handle.
inline ProxyHandle openProxy(const std::string& module, int port) {
  qz_proxy* proxy = nullptr;
  Result error;
  const std::string address = "127.0.0.1";
  const int status = qz_proxy_open(module.data(), module.size(), address.data(), address.size(), port, 0, &proxy, &error);
  EXPECT_EQ(status, QZ_OK) << error.bytes();
  return ProxyHandle(proxy, qz_proxy_close);
}

// qz_call with the arguments as one value (Invalid: none).
inline int callWith(qz_proxy* proxy, const std::string& method, const QZ::QZValue& args, int kind,
                    Result& result) {
  const std::string buffer = args.isValid() ? encode(args) : std::string();
  return qz_call(proxy, method.data(), method.size(), bytesOf(buffer), buffer.size(), kind, &result);
}

class CapiBrokerTest : public ::testing::Test {
protected:
  // Stores `value` under `key` in QZMemory (insertData, the answer dropped).
  void store(const std::string& key, const QZ::QZValue& value) {
    Result result;
    ASSERT_EQ(callWith(memory.get(), "insertData", list({QZ::QZValue(key), value}), QZ_RESULT_NONE, result),
              QZ_OK)
        << result.bytes();
    EXPECT_TRUE(result.isEmpty());
  }
  // getData(key) in the form `kind` names.
  int fetch(const std::string& key, int kind, Result& result) {
    return callWith(memory.get(), "getData", list({QZ::QZValue(key)}), kind, result);
  }

  qzsim::Broker broker;
  ProxyHandle memory = openProxy("QZMemory", broker.port());
};

}  // namespace capitest

#endif
