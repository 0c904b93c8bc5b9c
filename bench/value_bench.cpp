// Copying, comparing and base64 of values from 1 KiB to 1 MiB.
// The base64 cases report their throughput in MB/s (bytes of the Binary value).
#include "qzvalue/qzvalue.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

QZ::QZValue binaryOf(std::size_t size) {
  std::mt19937 random(7);
  std::vector<unsigned char> bytes(size);
  for (auto& byte : bytes) byte = static_cast<unsigned char>(random());
  QZ::QZValue value;
  value = bytes;
  return value;
}

// An Array of Floats holding about `size` bytes of numbers.
QZ::QZValue floatArrayOf(std::size_t size) {
  return QZ::QZValue(std::vector<float>(size / sizeof(float), 0.5f));
}

void sizes(benchmark::internal::Benchmark* bench) { bench->RangeMultiplier(32)->Range(1 << 10, 1 << 20); }

void BM_CopyBinary(benchmark::State& state) {
  const QZ::QZValue source = binaryOf(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    QZ::QZValue copy(source);
    benchmark::DoNotOptimize(copy);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CopyBinary)->Apply(sizes);

void BM_CopyFloatArray(benchmark::State& state) {
  const QZ::QZValue source = floatArrayOf(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    QZ::QZValue copy(source);
    benchmark::DoNotOptimize(copy);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CopyFloatArray)->Apply(sizes);

void BM_CompareFloatArray(benchmark::State& state) {
  const QZ::QZValue a = floatArrayOf(static_cast<std::size_t>(state.range(0)));
  const QZ::QZValue b(a);
  for (auto _ : state) benchmark::DoNotOptimize(a == b);
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CompareFloatArray)->Apply(sizes);

void BM_CompareBinary(benchmark::State& state) {
  const QZ::QZValue a = binaryOf(static_cast<std::size_t>(state.range(0)));
  const QZ::QZValue b(a);
  for (auto _ : state) benchmark::DoNotOptimize(a == b);
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CompareBinary)->Apply(sizes);

void BM_Base64Encode(benchmark::State& state) {
  const QZ::QZValue source = binaryOf(static_cast<std::size_t>(state.range(0)));
  std::string text;
  for (auto _ : state) {
    text.clear();
    source.encodeBase64(text);
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Base64Encode)->Apply(sizes);

void BM_Base64Decode(benchmark::State& state) {
  const QZ::QZValue source = binaryOf(static_cast<std::size_t>(state.range(0)));
  std::string text;
  source.encodeBase64(text);
  QZ::QZValue target;
  for (auto _ : state) {
    target.decodeBase64Binary(text.c_str());
    benchmark::DoNotOptimize(target.GetBinary());
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Base64Decode)->Apply(sizes);

// Baseline for the base64 figures: a plain copy of the same bytes.
void BM_MemcpyBaseline(benchmark::State& state) {
  const std::vector<unsigned char> source(static_cast<std::size_t>(state.range(0)), 1);
  std::vector<unsigned char> target(source.size());
  for (auto _ : state) {
    std::copy(source.begin(), source.end(), target.begin());
    benchmark::DoNotOptimize(target.data());
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_MemcpyBaseline)->Apply(sizes);

}  // namespace
