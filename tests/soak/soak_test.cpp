// The soak: 8 threads x 4 proxies make many calls with deadlines against a broker that
// spoils a share of its answers at random. Every call must give the right value or
// raise a QZError within its deadline (plus a little slack); nothing may crash, leak or
// hang; afterwards, with the faults off, every proxy must work. The calls, the seed
// and the fault rate come from QZ_SOAK_CALLS (1000), QZ_SOAK_SEED (1) and
// QZ_SOAK_FAULT_RATE (0.2); `./run.sh soak` makes a long run.
#include "qztest/faultybroker.h"
#include "soakrun.h"
#include "watchdog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const char kKeptValue[] = "The return value mismatch with communication protocol";

struct SoakConfig {
  int calls = 1000;
  std::uint32_t seed = 1;
  double faultRate = 0.2;
};

SoakConfig configFromEnvironment() {
  SoakConfig config;
  if (const char* calls = std::getenv("QZ_SOAK_CALLS")) config.calls = std::atoi(calls);
  if (const char* seed = std::getenv("QZ_SOAK_SEED"))
    config.seed = static_cast<std::uint32_t>(std::strtoul(seed, nullptr, 10));
  if (const char* rate = std::getenv("QZ_SOAK_FAULT_RATE")) config.faultRate = std::atof(rate);
  return config;
}

}  // namespace

TEST(Soak, EveryCallEndsRightOrInTimeAndEveryProxyRecovers) {
  const SoakConfig config = configFromEnvironment();
  ASSERT_GT(config.calls, 0);
  qztest::FaultSettings settings;
  settings.rate = config.faultRate;
  qztest::FaultyBroker broker(config.seed, settings);
  const std::string run = "soak of " + std::to_string(config.calls) + " calls, seed " +
                          std::to_string(config.seed) + " (QZ_SOAK_SEED), fault rate " +
                          std::to_string(config.faultRate);
  SCOPED_TRACE(run);
  // A call takes a few ms, or its deadline of at most 400 ms when the broker stalls.
  const qzsoak::Watchdog watchdog(std::chrono::seconds(60 + config.calls / 50), run + ": hung");

  qzsoak::SoakPlan plan;
  plan.calls = config.calls;
  qzsoak::OutcomeTally lookups, calls;
  std::vector<std::unique_ptr<QZ::QZProxyRemote>> proxies;
  const auto start = std::chrono::steady_clock::now();
  // A value read before the rest of its answer failed is kept, and the library says so
  // on standard output: counted here instead of printed.
  testing::internal::CaptureStdout();
  qzsoak::runSoak(plan, broker.port(), lookups, calls, proxies);
  const std::string reported = testing::internal::GetCapturedStdout();
  const auto took =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);

  std::size_t kept = 0;
  for (std::size_t at = reported.find(kKeptValue); at != std::string::npos;
       at = reported.find(kKeptValue, at + 1))
    ++kept;
  std::printf("%s: %.1f s\ncalls:\n%s  (%zu right values were read before the rest of their answer failed)\n"
              "lookups:\n%s%s\n",
              run.c_str(), took.count() / 1000.0, calls.report().c_str(), kept, lookups.report().c_str(),
              broker.describe().c_str());
  for (const std::string& fault : lookups.faults()) ADD_FAILURE() << fault;
  for (const std::string& fault : calls.faults()) ADD_FAILURE() << fault;
  EXPECT_EQ(calls.rightCount() + calls.timeoutCount() + calls.errorCount(),
            static_cast<std::uint64_t>(config.calls));
  EXPECT_EQ(broker.counts().unreadable, 0u) << "requests the broker could not read";

  // With the faults off, every proxy works again, whatever its last call met.
  broker.setFaultRate(0);
  qzsoak::OutcomeTally after;
  for (std::size_t i = 0; i < proxies.size(); ++i) {
    if (!proxies[i]) continue;  // its lookups all failed: reported above
    const int slot = static_cast<int>(i) % plan.proxiesPerThread;
    const qzsoak::SoakCall check = qzsoak::soakCall(static_cast<int>(i), config.calls + 1);
    qzsoak::timedCall(*proxies[i], check, qzsoak::proxyDeadline(slot), plan.slack, after,
                      "proxy " + std::to_string(i) + " after the soak");
  }
  EXPECT_EQ(after.rightCount(), proxies.size()) << "after the soak:\n" << after.report();
  for (const std::string& fault : after.faults()) ADD_FAILURE() << fault;
}
