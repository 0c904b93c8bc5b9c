// Time-outs, cancelling and the one-call-at-a-time guard through the C ABI, against a
// loopback broker stand-in that stays silent when asked.
#include "brokerstub.h"
#include "capitest.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

namespace {

using capitest::Result;
using qztest::BrokerStub;
using qztest::RawAnswer;
using qztest::RawRequest;

// "silent" is never answered; "late" answers after half a second; the rest at once.
BrokerStub stalling() {
  return BrokerStub([](const std::string& method, const RawRequest&) {
    if (method == "silent") return RawAnswer();
    const RawAnswer answer = qztest::resultAnswer("<item xsi:type=\"xsd:boolean\">true</item>");
    if (method == "late") return RawAnswer::slow(answer.bytes, 1 << 20, std::chrono::milliseconds(500));
    return answer;
  });
}

qz_proxy* open(int port, int timeoutMs, Result& error, int& status) {
  qz_proxy* proxy = nullptr;
  status = qz_proxy_open("QZMotion", 8, "127.0.0.1", 9, port, timeoutMs, &proxy, &error);
  return proxy;
}

int call(qz_proxy* proxy, const std::string& method, Result& result) {
  return qz_call(proxy, method.data(), method.size(), nullptr, 0, QZ_RESULT_BOOL, &result);
}

}  // namespace

TEST(CapiDeadline, ATimedOutLookupOrCallHasItsOwnStatusAndTheProxyStaysUsable) {
  qztest::RawServer silent;
  silent.setHandler([](const RawRequest&) { return RawAnswer(); });
  Result error;
  int status = 0;
  EXPECT_EQ(open(silent.port(), 200, error, status), nullptr);
  EXPECT_EQ(status, QZ_TIMED_OUT);
  EXPECT_EQ(error.bytes(), "\tQZMotion::getModuleByName\n\ttimed out after 200 ms looking the module up at "
                           "http://127.0.0.1:" + std::to_string(silent.port()));

  BrokerStub broker = stalling();
  Result opened;
  qz_proxy* proxy = open(broker.port(), 0, opened, status);
  ASSERT_EQ(status, QZ_OK) << opened.bytes();
  EXPECT_EQ(qz_proxy_get_timeout(proxy), 0);
  Result refused;
  EXPECT_EQ(qz_proxy_set_timeout(proxy, -1, &refused), QZ_BAD_ARGUMENT);
  EXPECT_NE(refused.bytes().find("a negative time-out of -1 ms"), std::string::npos) << refused.bytes();
  Result set;
  EXPECT_EQ(qz_proxy_set_timeout(proxy, 250, &set), QZ_OK);
  EXPECT_EQ(qz_proxy_get_timeout(proxy), 250);

  Result late;
  EXPECT_EQ(call(proxy, "silent", late), QZ_TIMED_OUT);
  EXPECT_EQ(late.bytes(), "\tQZMotion::silent\n\ttimed out after 250 ms waiting for http://127.0.0.1:" +
                              std::to_string(broker.port()));
  Result again;
  EXPECT_EQ(call(proxy, "ping", again), QZ_OK) << again.bytes();
  EXPECT_EQ(again.number, 1);
  qz_proxy_close(proxy);
  EXPECT_EQ(qz_proxy_get_timeout(nullptr), 0);
  qz_proxy_cancel(nullptr);  // harmless
}

TEST(CapiDeadline, CancelFromAnotherThreadAndTheGuard) {
  BrokerStub broker = stalling();
  Result opened;
  int status = 0;
  qz_proxy* proxy = open(broker.port(), 0, opened, status);
  ASSERT_EQ(status, QZ_OK) << opened.bytes();
  qz_proxy_cancel(proxy);  // no call in progress: nothing happens

  // A second thread is refused while a call is in progress; the first call is not disturbed.
  std::size_t requests = broker.server().requests().size();
  std::future<int> first = std::async(std::launch::async, [&] {
    Result result;
    return call(proxy, "late", result) == QZ_OK ? result.number : -1;
  });
  ASSERT_TRUE(broker.server().waitForRequests(requests + 1));  // the late call is in progress
  Result refused;
  EXPECT_EQ(call(proxy, "ping", refused), QZ_ERROR);
  EXPECT_EQ(refused.bytes(), "\tQZMotion::ping\n\tthe proxy is in use by another thread; a proxy makes one "
                             "call at a time");
  EXPECT_EQ(first.get(), 1);

  requests = broker.server().requests().size();
  std::thread canceller([&] {
    EXPECT_TRUE(broker.server().waitForRequests(requests + 1));  // the silent call is held
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    qz_proxy_cancel(proxy);
  });
  Result cancelled;
  EXPECT_EQ(call(proxy, "silent", cancelled), QZ_ERROR);
  canceller.join();
  EXPECT_EQ(cancelled.bytes(), "\tQZMotion::silent\n\tthe call was cancelled waiting for http://127.0.0.1:" +
                                   std::to_string(broker.port()));
  Result after;
  EXPECT_EQ(call(proxy, "ping", after), QZ_OK) << after.bytes();
  qz_proxy_close(proxy);
}
