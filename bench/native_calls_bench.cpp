// The C++ side of the host bindings' benchmarks: the calls that the .NET (and Python)
// benchmarks make, through the native proxies of libqzremote.so, against a broker that
// the caller started. The binding's benchmark runs this program in the same run and
// reports its own times as ratios to these.
//
//   bench_native_calls --port=PORT [Google Benchmark flags]
//
// Cases: ping; 100,000 Floats sent to QZVideoDevice.getAngPosFromImgPos and received
// back as std::vector<float>; 1 MiB Binary stored with QZMemory.insertData and read
// back with getData.
#include <qzproxies/qzmemoryproxyremote.h>
#include <qzproxies/qzmotionproxyremote.h>
#include <qzproxies/qzvideodeviceproxyremote.h>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

int gPort = 0;
constexpr const char* kHost = "127.0.0.1";
constexpr int kFloatCount = 100000;
constexpr int kBinaryBytes = 1 << 20;

template <class Calls>
void measure(benchmark::State& state, Calls calls) {
  try {
    calls();
  } catch (const std::exception& error) {
    state.SkipWithError(error.what());
  }
}

void BM_Ping(benchmark::State& state) {
  measure(state, [&] {
    QZ::QZMotionProxyRemote motion(kHost, gPort);
    for (auto _ : state) benchmark::DoNotOptimize(motion.ping());
  });
}
BENCHMARK(BM_Ping)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_Floats100k(benchmark::State& state) {
  measure(state, [&] {
    QZ::QZVideoDeviceProxyRemote video(kHost, gPort);
    const std::vector<float> positions(kFloatCount, 0.25f);
    for (auto _ : state) {
      const std::vector<float> angles = video.getAngPosFromImgPos(positions);
      if (angles.size() != positions.size()) throw std::runtime_error("floats lost");
    }
  });
  state.SetItemsProcessed(state.iterations() * kFloatCount);
}
BENCHMARK(BM_Floats100k)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_Binary1MiB(benchmark::State& state) {
  measure(state, [&] {
    QZ::QZMemoryProxyRemote memory(kHost, gPort);
    const std::vector<unsigned char> bytes(kBinaryBytes, 0x5a);
    QZ::QZValue block;
    block.SetBinary(bytes.data(), kBinaryBytes);
    for (auto _ : state) {
      memory.insertData("bench/binary", block);
      const QZ::QZValue back = memory.getData("bench/binary");
      if (back.getType() != QZ::QZValue::TypeBinary || back.getSize() != kBinaryBytes)
        throw std::runtime_error("bytes lost");
    }
  });
  state.SetBytesProcessed(state.iterations() * 2 * std::int64_t{kBinaryBytes});
}
BENCHMARK(BM_Binary1MiB)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--port=", 7) == 0) gPort = std::atoi(argv[i] + 7);
  }
  if (gPort <= 0 || gPort > 65535) {
    std::fprintf(stderr, "usage: bench_native_calls --port=PORT [benchmark flags]\n"
                         "  PORT: a broker (qzbroker-sim) already listening on 127.0.0.1\n");
    return 2;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
