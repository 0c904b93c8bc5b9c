// 32 proxies on 8 threads call the simulated broker for a bounded time.
#include "memoryload.h"
#include "simfixture.h"

#include <cstdio>

namespace simtest {
namespace {

TEST_F(SimBrokerTest, ThirtyTwoProxiesOnEightThreadsLoseAndMixUpNothing) {
  const LoadResult result = runMemoryLoad(broker.port(), 8, 4, std::chrono::seconds(2));
  std::printf("load: %ld calls in %.2f s, %.0f calls/s\n", result.calls, result.seconds, result.callsPerSecond());
  RecordProperty("calls_per_second", static_cast<int>(result.callsPerSecond()));
  EXPECT_GT(result.calls, 32);
  EXPECT_EQ(result.mismatches, 0);
  EXPECT_EQ(result.failures, 0);
}

}  // namespace
}  // namespace simtest
