// The measuring loops shared by the remote call benchmarks.
#ifndef QZBENCH_BENCHMEASURE_H
#define QZBENCH_BENCHMEASURE_H

#include "benchsummary.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <exception>

namespace qzbench {

// Runs `call` once per iteration; a failure ends the benchmark with its message.
template <class Call>
void measure(benchmark::State& state, Call call) {
  try {
    for (auto _ : state) call();
  } catch (const std::exception& error) {
    state.SkipWithError(error.what());
  }
}

// Alternates `subject` and `baseline`, each first in every other iteration, and sets
// the ratio of their total wall times. One iteration is one call of each.
template <class Subject, class Baseline>
void measurePaired(benchmark::State& state, Subject subject, Baseline baseline) {
  using Clock = std::chrono::steady_clock;
  Clock::duration subjectTime{};
  Clock::duration baselineTime{};
  const auto timed = [](auto& call, Clock::duration& total) {
    const Clock::time_point start = Clock::now();
    call();
    total += Clock::now() - start;
  };
  bool subjectFirst = true;
  try {
    for (auto _ : state) {
      if (subjectFirst) {
        timed(subject, subjectTime);
        timed(baseline, baselineTime);
      } else {
        timed(baseline, baselineTime);
        timed(subject, subjectTime);
      }
      subjectFirst = !subjectFirst;
    }
  } catch (const std::exception& error) {
    state.SkipWithError(error.what());
    return;
  }
  const double iterations = static_cast<double>(state.iterations());
  state.counters["subject_us"] =
      std::chrono::duration<double, std::micro>(subjectTime).count() / iterations;
  state.counters["baseline_us"] =
      std::chrono::duration<double, std::micro>(baselineTime).count() / iterations;
  if (baselineTime.count() > 0)
    state.counters[kPairedRatio] =
        std::chrono::duration<double>(subjectTime) / std::chrono::duration<double>(baselineTime);
}

inline void setBytesPerCall(benchmark::State& state, double bytes) {
  state.counters[kBytesPerCall] = bytes;
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes) * state.iterations());
}

}  // namespace qzbench

#endif
