// What the one-call-at-a-time guard and the call control cost a call: a ping through
// QZProxyRemote against the in-process bench broker, beside the guard alone (entering
// and leaving a call on a live connection, the deadline and cancel bookkeeping
// included) measured in the same run. The closing line gives the guard's share of a
// ping (goal: under 1 %).
//
//   bench_call_guard [Google Benchmark flags]
#include "benchbroker.h"
#include "qzcallscope.h"
#include "qznetwork.h"

#include "qzremotecall/qzremoteproxy.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

const char kModule[] = "BenchModule";

void BM_Ping(benchmark::State& state) {
  qzbench::BenchBroker broker;
  QZ::QZProxyRemote proxy(kModule, "127.0.0.1", broker.port(), 0, 0);
  for (auto _ : state) benchmark::DoNotOptimize(proxy.callRemote<bool>("ping"));
}
BENCHMARK(BM_Ping)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_GuardAlone(benchmark::State& state) {
  qzbench::BenchBroker broker;
  QZ::QZNetwork network;
  auto info = std::make_shared<QZ::qz__QZModuleInfoTamsa>();
  info->name = kModule;
  const std::shared_ptr<QZ::QZConnection> connection =
      network.createConnection(info, "http://127.0.0.1:" + std::to_string(broker.port()), 0);
  QZ::CallState calls;
  calls.connection = connection.get();
  calls.module = kModule;
  calls.timeoutMs = 1000;  // with a deadline: the most bookkeeping there is
  const std::string method = "ping";
  for (auto _ : state) {
    QZ::CallScope call(calls, method);
    benchmark::DoNotOptimize(&call);
  }
}
BENCHMARK(BM_GuardAlone)->UseRealTime()->Unit(benchmark::kNanosecond);

// Keeps the real time per iteration of every run, for the closing line.
class ShareReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs)
      if (!run.error_occurred) seconds[run.benchmark_name()] = run.GetAdjustedRealTime() /
                                                              benchmark::GetTimeUnitMultiplier(run.time_unit);
  }
  std::map<std::string, double> seconds;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  ShareReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double ping = reporter.seconds["BM_Ping/real_time"];
  const double guard = reporter.seconds["BM_GuardAlone/real_time"];
  if (ping > 0 && guard > 0) {
    const double share = 100.0 * guard / ping;
    std::printf("guard: %.0f ns of a %.1f us ping, %.3f %% (goal < 1 %%): %s\n", guard * 1e9, ping * 1e6,
                share, share < 1.0 ? "met" : "MISSED");
  }
  benchmark::Shutdown();
  return 0;
}
