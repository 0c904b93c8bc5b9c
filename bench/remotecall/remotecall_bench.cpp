// The remote call path against an in-process loopback broker, each figure beside its
// baselines measured in the same run:
//   ping/*        a call without arguments answering Bool true: our callRemote<bool>,
//                 a plain gSOAP echo client, and the floor (our request bytes sent
//                 over a plain socket);
//   dime1MiB/*    1 MiB each way as a DIME attachment: our genericCall with one Binary
//                 argument, the plain gSOAP client, and the floor;
//   floats100k/*  an answer of 100,000 Floats read as std::vector<float>, the floor, and
//                 a yardstick: a minimal single-pass reader of the same XML in memory.
// The */paired benchmarks alternate our call and the plain gSOAP call in one loop, so
// that both meet the same load on a shared machine (and each runs right after the
// other has used the caches). Every benchmark starts its own
// broker and stops it at its end. The benchmarks run --rounds=N times (default 5) in
// turn, and the closing table gives the medians.
//
//   bench_remotecall [--rounds=N] [--steady-malloc] [Google Benchmark flags]
//
// --steady-malloc fixes glibc's mmap and trim thresholds high, so that blocks of a MiB
// are reused from the heap instead of being mapped, faulted in and unmapped on some
// calls and not others: it shows what the DIME path costs apart from that effect.
#include "benchbroker.h"
#include "benchmeasure.h"
#include "benchsummary.h"
#include "echoclient.h"
#include "rawclient.h"

#include "qzremotecall/qzremoteproxy.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

using qzbench::BenchBroker;
using qzbench::measure;
using qzbench::measurePaired;
using qzbench::setBytesPerCall;

const char kModule[] = "BenchModule";
constexpr int kFloatCount = 100000;
constexpr std::size_t kBlobBytes = std::size_t(1) << 20;

std::vector<unsigned char> blob() {
  std::vector<unsigned char> bytes(kBlobBytes);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i * 131 + 7);
  return bytes;
}

QZ::QZValue blobArguments() {
  const std::vector<unsigned char> bytes = blob();
  QZ::QZValue params;
  params.arraySetSize(1);
  params[0].SetBinary(bytes.data(), static_cast<int>(bytes.size()));
  return params;
}

// The bytes of one request that our client sends, as the broker received them.
template <class Call>
std::string capturedRequest(BenchBroker& broker, Call call) {
  broker.captureNextCall();
  call();
  const std::string request = broker.capturedCall();
  if (request.empty()) throw std::runtime_error("no request captured");
  return request;
}

// Sends `request` over a plain socket on every iteration. The answer body must not be
// empty, and must be `expectedAnswer` bytes long when that is not 0.
void measureFloor(benchmark::State& state, const BenchBroker& broker, const std::string& request,
                  std::size_t expectedAnswer) {
  qzbench::RawClient raw(broker.port());
  const std::size_t answer = raw.exchange(request);
  if (answer == 0 || (expectedAnswer != 0 && answer != expectedAnswer))
    throw std::runtime_error("unexpected floor answer");
  measure(state, [&] { benchmark::DoNotOptimize(raw.exchange(request)); });
}

// ---- ping -----------------------------------------------------------------------

void pingFloor(benchmark::State& state) {
  try {
    BenchBroker broker;
    QZ::QZProxyRemote proxy(kModule, "127.0.0.1", broker.port(), 0, 0);
    const std::string request =
        capturedRequest(broker, [&] { return proxy.callRemote<bool>("ping"); });
    measureFloor(state, broker, request, 0);
  } catch (const std::exception& error) {
    state.SkipWithError(error.what());
  }
}

void pingGsoap(benchmark::State& state) {
  try {
    BenchBroker broker;
    qzbench::EchoClient client(broker.port());
    if (client.echo("ping") != "ping") throw std::runtime_error("echo answered another text");
    measure(state, [&] { benchmark::DoNotOptimize(client.echo("ping")); });
  } catch (const std::exception& error) {
    state.SkipWithError(error.what());
  }
}

void pingOurs(benchmark::State& state, const char* module) {
  try {
    BenchBroker broker;
    QZ::QZProxyRemote proxy(module, "127.0.0.1", broker.port(), 0, 0);
    if (!proxy.callRemote<bool>("ping")) throw std::runtime_error("ping answered false");
    measure(state, [&] { benchmark::DoNotOptimize(proxy.callRemote<bool>("ping")); });
  } catch (const std::exception& error) {
    state.SkipWithError(error.what());
  }
}

void pingPaired(benchmark::State& state) {
  try {
    BenchBroker broker;
    QZ::QZProxyRemote proxy(kModule, "127.0.0.1", broker.port(), 0, 0);
    qzbench::EchoClient client(broker.port());
    if (!proxy.callRemote<bool>("ping") || client.echo("ping") != "ping")
      throw std::runtime_error("a first call answered wrong");
    measurePaired(
        state, [&] { benchmark::DoNotOptimize(proxy.callRemote<bool>("ping")); },
        [&] { benchmark::DoNotOptimize(client.echo("ping")); });
  } catch (const std::exception& error) {
    state.SkipWithError(error.what());
  }
}

// The control of the paired method: two plain gSOAP clients, whose ratio should be 1.
void pingPairedControl(benchmark::State& state) {
  try {
    BenchBroker broker;
    qzbench::EchoClient first(broker.port());
    qzbench::EchoClient second(broker.port());
    if (first.echo("ping") != "ping" || second.echo("ping") != "ping")
      throw std::runtime_error("a first call answered wrong");
    measurePaired(
        state, [&] { benchmark::DoNotOptimize(first.echo("ping")); },
        [&] { benchmark::DoNotOptimize(second.echo("ping")); });
  } catch (const std::exception& error) {
    state.SkipWithError(error.what());
  }
}

// ---- 1 MiB each way as a DIME attachment -----------------------------------------

void dimeFloor(benchmark::State& state) {
  try {
    BenchBroker broker;
    QZ::QZProxyRemote proxy(kModule, "127.0.0.1", broker.port(), 0, 0);
    const QZ::QZValue params = blobArguments();
    QZ::QZValue result;
    const std::string request =
        capturedRequest(broker, [&] { proxy.genericCall("echoBinary", params, result); });
    measureFloor(state, broker, request, 0);
    setBytesPerCall(state, 2.0 * kBlobBytes);
  } catch (const std::exception& error) {
    state.SkipWithError(error.what());
  }
}

void dimeGsoap(benchmark::State& state) {
  try {
    BenchBroker broker;
    qzbench::EchoClient client(broker.port());
    const std::vector<unsigned char> bytes = blob();
    std::vector<unsigned char> received;
    client.echoAttachment(bytes.data(), bytes.size(), received);
    if (received != bytes) throw std::runtime_error("attachment came back changed");
    measure(state, [&] { client.echoAttachment(bytes.data(), bytes.size(), received); });
    setBytesPerCall(state, 2.0 * kBlobBytes);
  } catch (const std::exception& error) {
    state.SkipWithError(error.what());
  }
}

void dimeOurs(benchmark::State& state) {
  try {
    BenchBroker broker;
    QZ::QZProxyRemote proxy(kModule, "127.0.0.1", broker.port(), 0, 0);
    const QZ::QZValue params = blobArguments();
    QZ::QZValue result;
    proxy.genericCall("echoBinary", params, result);
    const std::vector<unsigned char> bytes = blob();
    if (result.getType() != QZ::QZValue::TypeBinary || result.getSize() != bytes.size() ||
        std::memcmp(result.GetBinary(), bytes.data(), bytes.size()) != 0)
      throw std::runtime_error("Binary came back changed");
    measure(state, [&] {
      proxy.genericCall("echoBinary", params, result);
      benchmark::DoNotOptimize(result);
    });
    setBytesPerCall(state, 2.0 * kBlobBytes);
  } catch (const std::exception& error) {
    state.SkipWithError(error.what());
  }
}

void dimePaired(benchmark::State& state) {
  try {
    BenchBroker broker;
    QZ::QZProxyRemote proxy(kModule, "127.0.0.1", broker.port(), 0, 0);
    qzbench::EchoClient client(broker.port());
    const QZ::QZValue params = blobArguments();
    const std::vector<unsigned char> bytes = blob();
    QZ::QZValue result;
    std::vector<unsigned char> received;
    measurePaired(
        state,
        [&] {
          proxy.genericCall("echoBinary", params, result);
          benchmark::DoNotOptimize(result);
        },
        [&] { client.echoAttachment(bytes.data(), bytes.size(), received); });
    if (result.getSize() != kBlobBytes || received.size() != kBlobBytes)
      throw std::runtime_error("a Binary came back with another size");
  } catch (const std::exception& error) {
    state.SkipWithError(error.what());
  }
}

// ---- an answer of 100,000 Floats -----------------------------------------------------

void floatsFloor(benchmark::State& state) {
  try {
    BenchBroker broker(kFloatCount);
    QZ::QZProxyRemote proxy(kModule, "127.0.0.1", broker.port(), 0, 0);
    const std::string request = capturedRequest(
        broker, [&] { return proxy.callRemote<std::vector<float>>("floats"); });
    measureFloor(state, broker, request, broker.floatAnswerBytes());
    setBytesPerCall(state, static_cast<double>(broker.floatAnswerBytes()));
  } catch (const std::exception& error) {
    state.SkipWithError(error.what());
  }
}

// The Floats of the answer's Array, read in one pass over the text without a document
// tree: what reading this XML costs at the least. Item types are not checked.
std::vector<float> readFloatItems(std::string_view xml) {
  std::vector<float> floats;
  std::size_t at = xml.find("<qzbroker:return>");
  if (at == std::string_view::npos || (at = xml.find("<item", at)) == std::string_view::npos ||
      (at = xml.find('>', at)) == std::string_view::npos)
    return floats;
  floats.reserve(kFloatCount);
  ++at;
  for (std::size_t item = 0; item < xml.size(); ++item) {  // bounded by the text's length
    const std::size_t open = xml.find('<', at);
    if (open == std::string_view::npos || xml.compare(open, 2, "</") == 0) break;
    const std::size_t textStart = xml.find('>', open);
    const std::size_t textEnd = xml.find('<', textStart);
    if (textEnd == std::string_view::npos) break;
    float value = 0;
    std::from_chars(xml.data() + textStart + 1, xml.data() + textEnd, value);
    floats.push_back(value);
    at = xml.find('>', textEnd);
    if (at == std::string_view::npos) break;
    ++at;
  }
  return floats;
}

void floatsReference(benchmark::State& state) {
  try {
    const BenchBroker broker(kFloatCount);
    const std::string& xml = broker.floatAnswer();
    if (readFloatItems(xml).size() != kFloatCount) throw std::runtime_error("reference misread");
    measure(state, [&] { benchmark::DoNotOptimize(readFloatItems(xml)); });
    setBytesPerCall(state, static_cast<double>(xml.size()));
  } catch (const std::exception& error) {
    state.SkipWithError(error.what());
  }
}

void floatsOurs(benchmark::State& state) {
  try {
    BenchBroker broker(kFloatCount);
    QZ::QZProxyRemote proxy(kModule, "127.0.0.1", broker.port(), 0, 0);
    if (proxy.callRemote<std::vector<float>>("floats").size() != kFloatCount)
      throw std::runtime_error("wrong number of Floats");
    measure(state, [&] {
      benchmark::DoNotOptimize(proxy.callRemote<std::vector<float>>("floats"));
    });
    setBytesPerCall(state, static_cast<double>(broker.floatAnswerBytes()));
  } catch (const std::exception& error) {
    state.SkipWithError(error.what());
  }
}

void registerAll() {
  using benchmark::RegisterBenchmark;
  const auto small = [](benchmark::internal::Benchmark* b) {
    b->UseRealTime()->Unit(benchmark::kMicrosecond)->MinTime(0.5);
  };
  const auto large = [](benchmark::internal::Benchmark* b) {
    b->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
  };
  small(RegisterBenchmark("ping/floor_raw_socket", pingFloor));
  small(RegisterBenchmark("ping/gsoap_echo", pingGsoap));
  small(RegisterBenchmark("ping/ours_status_pair", pingOurs, kModule));
  small(RegisterBenchmark("ping/ours_plain_bool", pingOurs, qzbench::kPlainPingModule));
  small(RegisterBenchmark("ping/paired_ours_status_pair_vs_gsoap", pingPaired));
  small(RegisterBenchmark("ping/paired_gsoap_vs_gsoap_control", pingPairedControl));
  large(RegisterBenchmark("dime1MiB/floor_raw_socket", dimeFloor));
  large(RegisterBenchmark("dime1MiB/gsoap", dimeGsoap));
  large(RegisterBenchmark("dime1MiB/ours", dimeOurs));
  large(RegisterBenchmark("dime1MiB/paired_ours_vs_gsoap", dimePaired));
  large(RegisterBenchmark("floats100k/floor_raw_socket", floatsFloor));
  large(RegisterBenchmark("floats100k/ref_reader_in_memory", floatsReference));
  large(RegisterBenchmark("floats100k/ours", floatsOurs));
}

struct Options {
  int rounds = 5;
  bool steadyMalloc = false;
};

// Takes our own options out of the arguments; the rest belong to the benchmark library.
Options takeOptions(int& argc, char** argv) {
  Options options;
  int kept = 0;
  for (int i = 0; i < argc; ++i) {
    if (i > 0 && std::strncmp(argv[i], "--rounds=", 9) == 0) {
      options.rounds = std::min(50, std::max(1, std::atoi(argv[i] + 9)));
      continue;
    }
    if (i > 0 && std::strcmp(argv[i], "--steady-malloc") == 0) {
      options.steadyMalloc = true;
      continue;
    }
    argv[kept++] = argv[i];
  }
  argc = kept;
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = takeOptions(argc, argv);
  const int rounds = options.rounds;
  if (options.steadyMalloc) {
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    std::cout << "glibc malloc: mmap threshold 256 MiB, trim threshold 1 GiB\n";
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  registerAll();
  qzbench::SummaryReporter reporter;
  for (int round = 0; round < rounds; ++round) {
    std::cout << "\n--- round " << round + 1 << " of " << rounds << " ---\n";
    benchmark::RunSpecifiedBenchmarks(&reporter);
  }
  using qzbench::Comparison;
  const std::vector<Comparison> comparisons = {
      {"ping/ours_status_pair", "ping/gsoap_echo", Comparison::kTimeAtMost, 1.00,
       "ping/paired_ours_status_pair_vs_gsoap"},
      {"ping/ours_plain_bool", "ping/gsoap_echo", Comparison::kNoGoal, 0, ""},
      {"ping/ours_status_pair", "ping/floor_raw_socket", Comparison::kNoGoal, 0, ""},
      {"ping/gsoap_echo", "ping/floor_raw_socket", Comparison::kNoGoal, 0, ""},
      {"dime1MiB/ours", "dime1MiB/gsoap", Comparison::kRateAtLeast, 1.5,
       "dime1MiB/paired_ours_vs_gsoap"},
      {"dime1MiB/gsoap", "dime1MiB/floor_raw_socket", Comparison::kNoGoal, 0, ""},
      {"dime1MiB/ours", "dime1MiB/floor_raw_socket", Comparison::kNoGoal, 0, ""},
      {"floats100k/ours", "floats100k/floor_raw_socket", Comparison::kNoGoal, 0, ""},
      {"floats100k/ours", "floats100k/ref_reader_in_memory", Comparison::kRateAtLeast, 0.5, ""},
  };
  const std::vector<qzbench::RateGoal> rates = {{"floats100k/ours", 100}};
  const int missed = reporter.printSummary(std::cout, comparisons, rates);
  std::cout << (missed == 0 ? "All goals met.\n" : std::to_string(missed) + " goal(s) missed.\n");
  benchmark::Shutdown();
  return 0;
}
