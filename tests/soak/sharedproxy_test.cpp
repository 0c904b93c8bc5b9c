// One proxy used by two threads at once: each call either gets its right value or is
// refused at once by the guard, and the proxy keeps working afterwards.
#include "qztest/faultybroker.h"
#include "soakcalls.h"

#include "qzremotecall/qzremoteproxy.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

const char kRefused[] =
    "\tSharedProxy::echo\n\tthe proxy is in use by another thread; a proxy makes one call at a time";

struct Seen {
  int right = 0;
  int refused = 0;
  std::vector<std::string> other;
};

}  // namespace

TEST(SharedProxy, TwoThreadsGetRightValuesOrTheGuardsRefusal) {
  // Short pauses on half the answers keep calls overlapping.
  qztest::FaultSettings settings;
  settings.kinds = {qztest::Fault::Delay};
  settings.maxDelay = std::chrono::milliseconds(5);
  settings.rate = 0.5;
  qztest::FaultyBroker broker(9, settings);
  QZ::QZProxyRemote proxy("SharedProxy", "127.0.0.1", broker.port(), 0, 0, 2000);

  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  Seen seen[2];
  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t) {
    threads.emplace_back([&, t] {
      for (int index = 0; std::chrono::steady_clock::now() < end; ++index) {
        QZ::QZValue argument(std::string("thread ") + std::to_string(t) + " call " + std::to_string(index));
        QZ::QZValue params, result;
        params.arraySetSize(1);
        params[0] = argument;
        try {
          proxy.genericCall("echo", params, result);
          if (qzsoak::sameValue(result, argument)) {
            ++seen[t].right;
            // A moment off, so that the other thread gets a free proxy too.
            std::this_thread::sleep_for(std::chrono::microseconds(200));
          } else {
            seen[t].other.push_back("wrong value " + result.toString(1));
          }
        } catch (const QZ::QZError& error) {
          if (std::string(error.what()) == kRefused)
            ++seen[t].refused;
          else
            seen[t].other.push_back(error.what());
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();

  for (const Seen& one : seen) {
    for (const std::string& other : one.other) ADD_FAILURE() << other;
    EXPECT_GT(one.right, 0);
  }
  EXPECT_GT(seen[0].refused + seen[1].refused, 0) << "the calls never overlapped";
  std::printf("two threads on one proxy: %d right, %d refused\n", seen[0].right + seen[1].right,
              seen[0].refused + seen[1].refused);

  const qzsoak::SoakCall after = qzsoak::soakCall(0, 2);
  QZ::QZValue result;
  proxy.genericCall(after.method, after.params, result);
  EXPECT_TRUE(qzsoak::sameValue(result, after.expected)) << result.toString(1);
}
