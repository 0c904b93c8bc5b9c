#include "benchsummary.h"

#include <algorithm>
#include <cstdio>

#include <unistd.h>

namespace qzbench {

const char* const kBytesPerCall = "bytes_per_call";
const char* const kPairedRatio = "paired_ratio";

namespace {

double medianOf(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::string line(const char* format, double a, double b = 0, double c = 0, double d = 0) {
  char text[256];
  std::snprintf(text, sizeof text, format, a, b, c, d);
  return text;
}

double counter(const benchmark::BenchmarkReporter::Run& run, const char* name) {
  const auto found = run.counters.find(name);
  return found == run.counters.end() ? 0.0 : found->second.value;
}

const char* verdict(bool met) { return met ? "met" : "MISSED"; }

// A goal is judged on the paired ratio where the two were also measured in turn (both
// then meet the same load on a shared machine), else on the ratio of median wall times.
double judged(double wallRatio, double pairedRatio) { return pairedRatio > 0 ? pairedRatio : wallRatio; }

}  // namespace

SummaryReporter::SummaryReporter()
    : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

void SummaryReporter::ReportRuns(const std::vector<Run>& runs) {
  for (const Run& run : runs) {
    if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations == 0) continue;
    const std::string name = run.run_name.function_name;  // without the option suffixes
    if (fSamples.find(name) == fSamples.end()) fOrder.push_back(name);
    const double iterations = static_cast<double>(run.iterations);
    fSamples[name].push_back({run.real_accumulated_time / iterations,
                              run.cpu_accumulated_time / iterations, counter(run, kBytesPerCall),
                              counter(run, kPairedRatio)});
  }
  ConsoleReporter::ReportRuns(runs);
}

SummaryReporter::Median SummaryReporter::median(const std::string& name) const {
  Median result;
  const auto found = fSamples.find(name);
  if (found == fSamples.end() || found->second.empty()) return result;
  std::vector<double> real, cpu, bytes, paired;
  for (const Sample& sample : found->second) {
    real.push_back(sample.realSeconds);
    cpu.push_back(sample.cpuSeconds);
    bytes.push_back(sample.bytes);
    paired.push_back(sample.pairedRatio);
  }
  result.realSeconds = medianOf(real);
  result.cpuSeconds = medianOf(cpu);
  result.bytes = medianOf(bytes);
  result.pairedRatio = medianOf(paired);
  result.bestRealSeconds = *std::min_element(real.begin(), real.end());
  result.samples = static_cast<int>(real.size());
  return result;
}

int SummaryReporter::printSummary(std::ostream& out, const std::vector<Comparison>& comparisons,
                                  const std::vector<RateGoal>& rates) const {
  out << "\nMedians over all rounds (wall = time per call, cpu = the calling thread's CPU per"
         " call, best = the fastest round, MB/s = 10^6 bytes per second of median wall time)\n";
  char head[160];
  std::snprintf(head, sizeof head, "%-40s %7s %12s %12s %12s %10s\n", "benchmark", "samples",
                "wall us", "cpu us", "best wall us", "MB/s");
  out << head;
  for (const std::string& name : fOrder) {
    const Median m = median(name);
    char row[200];
    std::snprintf(row, sizeof row, "%-40s %7d %12.2f %12.2f %12.2f", name.c_str(), m.samples,
                  m.realSeconds * 1e6, m.cpuSeconds * 1e6, m.bestRealSeconds * 1e6);
    out << row;
    if (m.bytes > 0) out << line(" %10.1f", m.bytes / m.realSeconds / 1e6);
    if (m.pairedRatio > 0) out << line("   (paired ratio x%.3f)", m.pairedRatio);
    out << "\n";
  }

  int missed = 0;
  out << "\nRatios (subject / baseline; goals are judged on the paired ratio where there is one, else on the"
         " median wall times)\n";
  for (const Comparison& c : comparisons) {
    const Median s = median(c.subject);
    const Median b = median(c.baseline);
    const Median p = c.paired.empty() ? Median() : median(c.paired);
    out << c.subject << " vs " << c.baseline << ":\n  ";
    if (s.samples == 0 || b.samples == 0) {
      out << "not measured\n";
      missed += c.kind == Comparison::kNoGoal ? 0 : 1;
      continue;
    }
    const double wallRatio = s.realSeconds / b.realSeconds;
    const double cpuRatio = s.cpuSeconds / b.cpuSeconds;
    const double bestRatio = s.bestRealSeconds / b.bestRealSeconds;
    const bool rate = c.kind == Comparison::kRateAtLeast || (c.kind == Comparison::kNoGoal && s.bytes > 0);
    if (rate) {
      out << line("throughput x%.3f (best rounds x%.3f, client cpu per call x%.3f)", 1 / wallRatio,
                  1 / bestRatio, cpuRatio);
      if (p.pairedRatio > 0) out << line(", paired x%.3f", 1 / p.pairedRatio);
      if (c.kind == Comparison::kRateAtLeast) {
        const bool met = 1 / judged(wallRatio, p.pairedRatio) >= c.goal;
        out << line("; goal >= x%.2f: ", c.goal) << verdict(met);
        missed += met ? 0 : 1;
      }
    } else {
      out << line("wall x%.3f (best rounds x%.3f), client cpu x%.3f", wallRatio, bestRatio, cpuRatio);
      if (p.pairedRatio > 0) out << line(", paired x%.3f", p.pairedRatio);
      if (c.kind == Comparison::kTimeAtMost) {
        const bool met = judged(wallRatio, p.pairedRatio) <= c.goal;
        out << line("; goal <= x%.2f: ", c.goal) << verdict(met);
        missed += met ? 0 : 1;
      }
    }
    out << "\n";
  }
  for (const RateGoal& goal : rates) {
    const Median s = median(goal.subject);
    out << goal.subject << ":\n  ";
    if (s.samples == 0 || s.bytes <= 0) {
      out << "not measured\n";
      ++missed;
      continue;
    }
    const double rate = s.bytes / s.realSeconds / 1e6;
    const bool met = rate >= goal.megabytesPerSecond;
    out << line("%.1f MB/s of XML (best round %.1f MB/s); goal >= %.0f MB/s: ", rate,
                s.bytes / s.bestRealSeconds / 1e6, goal.megabytesPerSecond)
        << verdict(met) << "\n";
    missed += met ? 0 : 1;
  }
  return missed;
}

}  // namespace qzbench
