// The closing table of bench_remotecall: the median of every benchmark over all the
// rounds of one run, and each subject's ratio to its baselines measured in that run.
// Goals are judged on the median wall times. Beside them: the best round of each (the
// least disturbed by other load on a shared machine), the client's CPU time, and a
// paired benchmark that alternates the subject's and the baseline's calls in one loop:
// both meet the same load, but each also runs with caches the other has just used.
#ifndef QZBENCH_BENCHSUMMARY_H
#define QZBENCH_BENCHSUMMARY_H

#include <benchmark/benchmark.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace qzbench {

// The counter a benchmark sets to the bytes one call moves (XML or payload), from which
// the table computes MB/s (10^6 bytes per second of wall time).
extern const char* const kBytesPerCall;
// The counter a paired benchmark sets to the subject's total wall time over the
// baseline's.
extern const char* const kPairedRatio;

// A subject measured against a baseline. kTimeAtMost: the subject's wall time per call
// is at most `goal` times the baseline's. kRateAtLeast: the subject's throughput is at
// least `goal` times the baseline's. kNoGoal: the ratio is shown only. `paired` names
// the paired benchmark of the two, if any.
struct Comparison {
  enum Kind { kTimeAtMost, kRateAtLeast, kNoGoal };
  std::string subject;
  std::string baseline;
  Kind kind = kNoGoal;
  double goal = 0;
  std::string paired;
};

// A subject whose throughput must reach `megabytesPerSecond`.
struct RateGoal {
  std::string subject;
  double megabytesPerSecond = 0;
};

// Prints every run as the console reporter does, and keeps its figures.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
  // Colours only on a terminal.
  SummaryReporter();
  void ReportRuns(const std::vector<Run>& runs) override;
  // Prints the table and returns the number of goals missed.
  int printSummary(std::ostream& out, const std::vector<Comparison>& comparisons,
                   const std::vector<RateGoal>& rates) const;

private:
  struct Sample {
    double realSeconds;  // per call
    double cpuSeconds;   // per call, the calling thread only
    double bytes;        // per call, 0 when not set
    double pairedRatio;  // 0 when not a paired benchmark
  };
  struct Median {
    double realSeconds = 0, cpuSeconds = 0, bytes = 0, pairedRatio = 0;
    double bestRealSeconds = 0;  // the fastest round: the least disturbed by other load
    int samples = 0;
  };
  Median median(const std::string& name) const;

  std::vector<std::string> fOrder;
  std::map<std::string, std::vector<Sample>> fSamples;
};

}  // namespace qzbench

#endif
