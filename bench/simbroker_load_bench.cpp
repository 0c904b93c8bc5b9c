// The simulated broker through the real client. The load case stores and reads back
// a value of its own on each of 32 proxies (8 threads) for 10 seconds, and fails when
// any value is lost or mixed up, and reports the CPU time per call of the broker's
// threads and of the calling threads apart; the round-trip cases time one proxy's calls.
#include "memoryload.h"

#include "qzproxies/qzmemoryproxyremote.h"
#include "qzsim/broker.h"

#include <benchmark/benchmark.h>

namespace {

void BM_SimBrokerLoad(benchmark::State& state) {
  qzsim::Broker broker;
  for (auto _ : state) {
    const simtest::LoadResult result = simtest::runMemoryLoad(broker.port(), 8, 4, std::chrono::seconds(10));
    state.counters["calls"] = static_cast<double>(result.calls);
    state.counters["calls_per_s"] = result.callsPerSecond();
    state.counters["mismatches"] = static_cast<double>(result.mismatches);
    state.counters["failures"] = static_cast<double>(result.failures);
    state.counters["broker_us_per_call"] = result.brokerMicrosPerCall();
    state.counters["client_us_per_call"] = result.clientMicrosPerCall();
    if (result.mismatches != 0 || result.failures != 0) state.SkipWithError("values lost or mixed up");
  }
}
BENCHMARK(BM_SimBrokerLoad)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

void BM_SimBrokerPing(benchmark::State& state) {
  qzsim::Broker broker;
  QZ::QZMemoryProxyRemote memory("127.0.0.1", broker.port());
  for (auto _ : state) benchmark::DoNotOptimize(memory.ping());
  state.counters["calls_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SimBrokerPing)->UseRealTime()->Unit(benchmark::kMicrosecond);

// One value of `range(0)` bytes stored and read back: Binary blocks travel as DIME.
void BM_SimBrokerBinaryRoundTrip(benchmark::State& state) {
  qzsim::Broker broker;
  QZ::QZMemoryProxyRemote memory("127.0.0.1", broker.port());
  std::string bytes(static_cast<std::size_t>(state.range(0)), 'x');
  QZ::QZValue block;
  block.SetBinary(bytes.data(), static_cast<int>(bytes.size()));
  for (auto _ : state) {
    memory.insertData("block", block);
    benchmark::DoNotOptimize(memory.getData("block"));
  }
  state.SetBytesProcessed(2 * state.iterations() * state.range(0));
}
BENCHMARK(BM_SimBrokerBinaryRoundTrip)->Arg(1 << 10)->Arg(1 << 20)->Arg(8 << 20)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
